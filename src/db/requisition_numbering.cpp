#include "db/requisition_numbering.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace cmp::db {

namespace {

constexpr int numberDigits = 10;
constexpr qint64 largestNumber = 9'999'999'999;

[[noreturn]] void fail(const QString& branch, const QString& reason)
{
    throw NumberingError(QStringLiteral("Não foi possível numerar a solicitação da filial %1: %2")
                             .arg(branch, reason)
                             .toStdString());
}

} // namespace

qint64 reserveRequisitionNumbers(QSqlDatabase& db, const QString& launchingBranch, qint64 count)
{
    Q_ASSERT(count > 0); // callers reserve for the requisitions they write
    if (launchingBranch.trimmed().isEmpty())
        fail(launchingBranch, QStringLiteral("filial de lançamento não informada"));
    // One statement on both backends: it creates the branch's row or raises
    // it, and the row stays locked by this transaction until it ends.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("INSERT INTO NUMSOLICMP (CDFILLANCA, NRULTSOLICMP) VALUES (?, ?) "
                       "ON CONFLICT (CDFILLANCA) DO UPDATE "
                       "SET NRULTSOLICMP = NUMSOLICMP.NRULTSOLICMP + EXCLUDED.NRULTSOLICMP "
                       "RETURNING NRULTSOLICMP"));
    query.addBindValue(launchingBranch);
    query.addBindValue(count);
    if (!query.exec() || !query.next())
        fail(launchingBranch, query.lastError().text());
    const qint64 last = query.value(0).toLongLong();
    query.finish(); // SQLite commits only once the statement is reset
    if (last > largestNumber)
        fail(launchingBranch, QStringLiteral("numeração esgotada"));
    return last;
}

QString nextRequisitionNumber(QSqlDatabase& db, const QString& launchingBranch)
{
    return requisitionNumberText(reserveRequisitionNumbers(db, launchingBranch, 1));
}

QString requisitionNumberText(qint64 number)
{
    return QStringLiteral("%1").arg(number, numberDigits, 10, QLatin1Char('0'));
}

} // namespace cmp::db
