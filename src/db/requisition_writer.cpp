#include "db/requisition_writer.h"

#include "db/sql_values.h"

namespace cmp::db {

namespace {

QVariant dateOrNull(const QDate& date)
{
    return date.isValid() ? QVariant(date) : QVariant();
}

QVariantList headerValues(const RequisitionRow& h)
{
    return {h.cdFilSoli,
            h.cdFilLanca,
            h.nrSoliCmp,
            h.dtSolCmp,
            h.idTipLan,
            textOrNull(h.cdFilCent),
            textOrNull(h.cdOperador),
            textOrNull(h.cdDestSoli),
            h.idSolExtra,
            textOrNull(h.cdOperLanc),
            h.idInsVrCmpAnt,
            textOrNull(h.idBaixaSol),
            textOrNull(h.idImpSolSac)};
}

QVariantList itemValues(const RequisitionRow& h, const ItemRow& i)
{
    return {h.cdFilSoli,
            h.cdFilLanca,
            h.nrSoliCmp,
            i.cdProduto,
            i.dtProgEntr,
            dateOrNull(i.dtUtiliza),
            i.qtSoliProd,
            i.qtSoliProd,
            textOrNull(i.txObsItmSol),
            textOrNull(i.idBaixItmSol),
            i.qtTransfSol,
            textOrNull(i.idSoliAprov),
            textOrNull(i.idImpItmSac),
            i.dtUltAtuItSol.isValid() ? QVariant(timestampValue(i.dtUltAtuItSol)) : QVariant(),
            i.vrCmpAnterior ? QVariant(*i.vrCmpAnterior) : QVariant(),
            dateOrNull(i.dtCmpAnterior),
            h.idInsVrCmpAnt};
}

} // namespace

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

RequisitionWriter::RequisitionWriter(const QSqlDatabase& db)
    : headers_(db, QStringLiteral("SOLICITA"),
               {"CDFILSOLI", "CDFILLANCA", "NRSOLICMP", "DTSOLCMP", "IDTIPLAN", "CDFILCENT",
                "CDOPERADOR", "CDDESTSOLI", "IDSOLEXTRA", "CDOPERLANC", "IDINSVRCMPANT",
                "IDBAIXASOL", "IDIMPSOLSAC"}),
      items_(db, QStringLiteral("ITEMSOLI"),
             {"CDFILSOLI", "CDFILLAN", "NRSOLICMP", "CDPRODUTO", "DTPROGENTR", "DTUTILIZA",
              "QTSOLIPROD", "QTSOLIORIG", "TXOBSITMSOL", "IDBAIXITMSOL", "QTTRANSFSOL",
              "IDSOLIAPROV", "IDIMPITMSAC", "DTULTATUITSOL", "VRCMPANTERIOR", "DTCMPANTERIOR",
              "IDINSVRCMPANT"})
{}

void RequisitionWriter::add(RequisitionRow header, std::vector<ItemRow> items)
{
    pending_.push_back({std::move(header), std::move(items)});
}

void RequisitionWriter::flush()
{
    for (const Pending& requisition : pending_)
        headers_.add(headerValues(requisition.header));
    headers_.flush();
    for (const Pending& requisition : pending_)
        for (const ItemRow& item : requisition.items)
            items_.add(itemValues(requisition.header, item));
    items_.flush();
    pending_.clear();
}

} // namespace cmp::db
