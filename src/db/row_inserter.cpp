#include "db/row_inserter.h"

#include "framework/sql/sql_query.h"

#include <QSqlError>

namespace cmp::db {

RowInserter::RowInserter(QSqlDatabase db, QString table, QStringList columns, int rowsPerStatement)
    : db_(std::move(db)), table_(std::move(table)), columns_(std::move(columns)),
      rowsPerStatement_(rowsPerStatement), full_(db_)
{
    Q_ASSERT(rowsPerStatement_ > 0 && !columns_.isEmpty());
    if (!full_.prepare(insertText(rowsPerStatement_)))
        throw fw::SqlError(
            QStringLiteral("%1: %2").arg(table_, full_.lastError().text()).toStdString());
}

void RowInserter::add(const QVariantList& row)
{
    Q_ASSERT(row.size() == columns_.size()); // a programming error in the caller's row layout
    pending_.append(row);
    if (pending_.size() == columns_.size() * rowsPerStatement_)
        execute(full_, rowsPerStatement_);
}

void RowInserter::flush()
{
    const int rows = static_cast<int>(pending_.size() / columns_.size());
    if (rows == 0)
        return;
    QSqlQuery tail(db_);
    if (!tail.prepare(insertText(rows)))
        throw fw::SqlError(
            QStringLiteral("%1: %2").arg(table_, tail.lastError().text()).toStdString());
    execute(tail, rows);
}

QString RowInserter::insertText(int rows) const
{
    const QString oneRow = QLatin1Char('(') +
                           QStringList(columns_.size(), QStringLiteral("?")).join(u',') +
                           QLatin1Char(')');
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table_, columns_.join(u','), QStringList(rows, oneRow).join(u','));
}

void RowInserter::execute(QSqlQuery& query, int rows)
{
    for (int index = 0; index < pending_.size(); ++index)
        query.bindValue(index, pending_.at(index));
    if (!query.exec())
        throw fw::SqlError(
            QStringLiteral("%1: %2").arg(table_, query.lastError().text()).toStdString());
    pending_.clear();
    written_ += rows;
}

} // namespace cmp::db
