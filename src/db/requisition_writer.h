#pragma once

#include "db/row_inserter.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace cmp::db {

// A requisition header as the generators write it; empty texts are stored
// as NULL.
struct RequisitionRow
{
    QString cdFilSoli;
    QString cdFilLanca;
    QString nrSoliCmp;
    QDate dtSolCmp;
    QString idTipLan = QStringLiteral("M");
    QString cdFilCent;
    QString cdOperador;
    QString cdDestSoli;
    QString idSolExtra = QStringLiteral("N");
    QString cdOperLanc;
    QString idInsVrCmpAnt = QStringLiteral("N");
    QString idBaixaSol;
    QString idImpSolSac;
};

struct ItemRow
{
    QString cdProduto;
    QDate dtProgEntr;
    QDate dtUtiliza;
    double qtSoliProd = 0;
    QString txObsItmSol;
    QString idBaixItmSol;
    double qtTransfSol = 0;
    QString idSoliAprov;
    QString idImpItmSac;
    QDateTime dtUltAtuItSol;
    std::optional<double> vrCmpAnterior;
    QDate dtCmpAnterior;
};

// Writes requisitions with their items: all headers of a flush first, then
// their items, so that every item finds its header.
class RequisitionWriter
{
public:
    explicit RequisitionWriter(const QSqlDatabase& db);

    void add(RequisitionRow header, std::vector<ItemRow> items);
    void flush();

    int requisitionsWritten() const { return headers_.rowsWritten(); }
    int itemsWritten() const { return items_.rowsWritten(); }

private:
    struct Pending
    {
        RequisitionRow header;
        std::vector<ItemRow> items;
    };

    RowInserter headers_;
    RowInserter items_;
    std::vector<Pending> pending_;
};

// A text value for a nullable column: the empty text is NULL.
QVariant textOrNull(const QString& text);

} // namespace cmp::db
