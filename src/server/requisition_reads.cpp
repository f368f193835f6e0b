#include "server/requisition_reads.h"

#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_queries.h"

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

// The requisition key as each table names it; the operator condition keeps
// the requisitions of branches the operator may not see out of every read.
QString keyCondition(const char* alias, const char* requesting, const char* launching,
                     const char* number)
{
    const QString column = QLatin1String(alias) + QLatin1Char('.');
    const QString requestingColumn = column + QLatin1String(requesting);
    return QStringLiteral("WHERE %1 = :P_CDFILSOLI AND %2%3 = :P_CDFILLANCA AND %2%4 = "
                          ":P_NRSOLICMP AND %5 ")
        .arg(requestingColumn, column, QLatin1String(launching), QLatin1String(number),
             operatorMayUse(requestingColumn));
}

QString itemKeyCondition()
{
    return keyCondition("I", "CDFILSOLI", "CDFILLAN", "NRSOLICMP");
}

const LayoutStatement solicita{
    "cdsSolicita",
    QStringLiteral("SELECT R.NRSOLICMP, R.CDFILLANCA, R.DTSOLCMP, R.CDFILSOLI, R.IDTIPLAN, "
                   "R.CDFILCENT, LANCA.NMFILIAL AS NMFILIAL_LANCAMENTO, R.CDOPERADOR, "
                   "B.NMOPERADOR, R.CDDESTSOLI, D.NMDESTSOLI, R.IDSOLEXTRA, R.CDOPERLANC, "
                   "R.IDINSVRCMPANT, R.NRNECECMPSOL FROM SOLICITA R "
                   "LEFT JOIN FILIAL LANCA ON LANCA.CDFILIAL = R.CDFILLANCA ") +
        requisitionNamesJoin() + keyCondition("R", "CDFILSOLI", "CDFILLANCA", "NRSOLICMP"),
    {textField("NRSOLICMP", 10), textField("CDFILLANCA", 4), dateField("DTSOLCMP"),
     textField("CDFILSOLI", 4), textField("IDTIPLAN"), textField("CDFILCENT", 4),
     textField("NMFILIAL_LANCAMENTO", 30), textField("CDOPERADOR", 12), textField("NMOPERADOR", 40),
     textField("CDDESTSOLI", 3), textField("NMDESTSOLI", 30), textField("IDSOLEXTRA"),
     textField("CDOPERLANC", 12), textField("IDINSVRCMPANT"), textField("NRNECECMPSOL", 10)}};

const LayoutStatement justSoli{
    "cdsJustSoli",
    QStringLiteral("SELECT J.CDFILSOLEXT, J.CDFILLANCEXT, J.NRSOLIMOVEXT, J.DTMOVSOLEXT, "
                   "J.CDOPERADOR, J.DSJUSTSOLEXT FROM MOVSOLEXT J ") +
        keyCondition("J", "CDFILSOLEXT", "CDFILLANCEXT", "NRSOLIMOVEXT"),
    {textField("CDFILSOLEXT", 4), textField("CDFILLANCEXT", 4), textField("NRSOLIMOVEXT", 10),
     dateTimeField("DTMOVSOLEXT"), textField("CDOPERADOR", 12), textField("DSJUSTSOLEXT", 40)}};

// Products and operators are joined, never required: a log entry is never
// hidden because of a name.
const LayoutStatement movoPSol{
    "cdsMovoPSol",
    QStringLiteral("SELECT P.NMPRODUTO, M.DTENTROPER, M.QTANTOPER, M.QTDEPOPER, M.DSJUSTOPER, "
                   "M.CDFILSOLMOV, M.CDFILLANMOV, M.NRSOLIMOV, M.DTOPERSOL, M.CDOPERADOR, "
                   "M.CDPRODUTO, P.CDARVPROD, O.NMOPERADOR, M.IDOPERAMOVS, M.DSRDMUSUMOVS, "
                   "M.DSENDUSUMOVS, M.DSNMUSUMOVS, M.DSMETUSUMOVS FROM MOVOPSOL M "
                   "LEFT JOIN PRODUTO P ON P.CDPRODUTO = M.CDPRODUTO "
                   "LEFT JOIN OPERADOR O ON O.CDOPERADOR = M.CDOPERADOR ") +
        keyCondition("M", "CDFILSOLMOV", "CDFILLANMOV", "NRSOLIMOV") +
        QStringLiteral("ORDER BY M.NRSEQMOVSOL"),
    {textField("NMPRODUTO", 50), dateField("DTENTROPER"), floatField("QTANTOPER"),
     floatField("QTDEPOPER"), textField("DSJUSTOPER", 40), textField("CDFILSOLMOV", 4),
     textField("CDFILLANMOV", 4), textField("NRSOLIMOV", 10), dateTimeField("DTOPERSOL"),
     textField("CDOPERADOR", 12), textField("CDPRODUTO", 10), textField("CDARVPROD", 20),
     textField("NMOPERADOR", 40), textField("IDOPERAMOVS"), textField("DSRDMUSUMOVS", 50),
     textField("DSENDUSUMOVS", 50), textField("DSNMUSUMOVS", 50), textField("DSMETUSUMOVS", 250)}};

QString itemsFrom()
{
    return QStringLiteral("FROM ITEMSOLI I LEFT JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO ");
}

QString inMatrixOrder()
{
    return QStringLiteral("ORDER BY P.CDARVPROD, I.DTPROGENTR");
}

const LayoutStatement itemSoli{
    "cdsItemSoli",
    QStringLiteral("SELECT I.CDFILSOLI, I.CDFILLAN, I.NRSOLICMP, I.CDPRODUTO, P.CDARVPROD, "
                   "I.DTPROGENTR, I.DTUTILIZA, I.QTSOLIPROD, I.TXOBSITMSOL, I.IDBAIXITMSOL, "
                   "I.QTTRANSFSOL, I.IDSOLIAPROV, I.QTVOLUITEMSO, I.CDPRODORIG, I.QTSOLIORIG, "
                   "I.DTIMPORTASAC, I.DTULTATUITSOL, I.IDIMPITMSAC, I.NRSEQUCONSOL, "
                   "I.VRCMPANTERIOR, I.DTCMPANTERIOR, I.IDINSVRCMPANT ") +
        itemsFrom() + itemKeyCondition() + inMatrixOrder(),
    {textField("CDFILSOLI", 4),     textField("CDFILLAN", 4),       textField("NRSOLICMP", 10),
     textField("CDPRODUTO", 10),    textField("CDARVPROD", 20),     dateField("DTPROGENTR"),
     dateField("DTUTILIZA"),        floatField("QTSOLIPROD"),       textField("TXOBSITMSOL", 2000),
     textField("IDBAIXITMSOL"),     floatField("QTTRANSFSOL"),      textField("IDSOLIAPROV"),
     floatField("QTVOLUITEMSO"),    textField("CDPRODORIG", 10),    floatField("QTSOLIORIG"),
     dateTimeField("DTIMPORTASAC"), dateTimeField("DTULTATUITSOL"), textField("IDIMPITMSAC"),
     textField("NRSEQUCONSOL", 10), floatField("VRCMPANTERIOR"),    dateField("DTCMPANTERIOR"),
     textField("IDINSVRCMPANT")}};

// "N": the external integration reported the item as not imported.
const LayoutStatement itemNImportados{
    "cdsItemNImportados",
    QStringLiteral("SELECT P.CDARVPROD, I.DTPROGENTR ") + itemsFrom() + itemKeyCondition() +
        QStringLiteral("AND I.IDIMPITMSAC = 'N' ") + inMatrixOrder(),
    {textField("CDARVPROD", 20), dateField("DTPROGENTR")}};

// The row dimension carries the name and the tree code as one text; the
// matrix shows the name and reads the code back.
const LayoutStatement decisionProdutos{
    "cdsDecisionProdutos",
    QStringLiteral("SELECT P.NMPRODUTO || '||' || P.CDARVPROD AS NMPRODUTO, I.DTPROGENTR, "
                   "I.QTSOLIPROD ") +
        itemsFrom() + itemKeyCondition() + inMatrixOrder(),
    {textField("NMPRODUTO", 72), dateField("DTPROGENTR"), floatField("QTSOLIPROD")}};

Bindings keyBindings(const CallContext& context, const Args& args)
{
    return {{"P_CDFILSOLI", paddedCode(args[0], branchWidth)},
            {"P_CDFILLANCA", paddedCode(args[1], branchWidth)},
            {"P_NRSOLICMP", paddedCode(args[2], requisitionNumberWidth)},
            signedInOperator(context)};
}

// A handler that answers with the rows of one statement for the key.
Handler readByKey(const LayoutStatement& statement)
{
    return [&statement](CallContext& context, Args& args) -> RemoteValue {
        return openInLayout(context, statement, keyBindings(context, args));
    };
}

// (key) -> [cdsItemSoli, cdsItemNImportados]
RemoteValue GetItemSoli(CallContext& context, Args& args)
{
    const Bindings key = keyBindings(context, args);
    return RemoteValue::Array{openInLayout(context, itemSoli, key),
                              openInLayout(context, itemNImportados, key)};
}

} // namespace

void registerRequisitionReads(MethodRegistry& registry)
{
    const std::vector<Param> key{Kind::String, Kind::String, Kind::String};
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetSolicita"), key, readByKey(solicita),
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetJustSoli"), key, readByKey(justSoli),
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetMovoPSol"), key, readByKey(movoPSol),
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetDecisionProdutos"), key,
                 readByKey(decisionProdutos), Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetItemSoli"), key, GetItemSoli,
                 Effect::ReadsOnly);
}

} // namespace cmp::server
