#include "server/purchase_parameters.h"

#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_queries.h"

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

const LayoutStatement paraSupri{
    "cdsParaSupri",
    "SELECT CDFILIAL, IDJUSSOLEXT, IDAUDALTSOL, IDULTIDTULTI, IDULTCOMPSOL, IDULTDESTSOL, "
    "IDUTQTDEVOLU, IDBAIXSOLDFS, IDBLOQALTSOLAUT FROM PARASUPRI WHERE CDFILIAL = :P_CDFILIAL",
    {textField("CDFILIAL", 4), textField("IDJUSSOLEXT"), textField("IDAUDALTSOL"),
     textField("IDULTIDTULTI"), textField("IDULTCOMPSOL"), textField("IDULTDESTSOL"),
     textField("IDUTQTDEVOLU"), textField("IDBAIXSOLDFS"), textField("IDBLOQALTSOLAUT")}};

const LayoutStatement parCmpSup{
    "cdsParCmpSup",
    "SELECT CDFILIAL, IDUTPRODPREF FROM PARCMPSUP WHERE CDFILIAL = :P_CDFILIAL",
    {textField("CDFILIAL", 4), textField("IDUTPRODPREF")}};

// The supply flags and IDRESTRFILIOPER belong to the branch's purchase center
// (a branch without CDFILCENTCMP is a center itself); the rest to the branch.
// No PARCMPSUP row, no record: the branch has no purchasing parameters.
const LayoutStatement parametros{
    "cdsParametros",
    "SELECT S.IDJUSSOLEXT, S.IDAUDALTSOL, S.IDULTIDTULTI, S.IDULTCOMPSOL, S.IDULTDESTSOL, "
    "S.IDUTQTDEVOLU, S.IDBAIXSOLDFS, C.IDUTPRODPREF, C.IDUTAPROVSOL, C.IDUTLOPERSOL, "
    "C.IDPERALTSAPR, COALESCE(F.CDFILCENTCMP, F.CDFILIAL) AS CDFILCENTCMP, "
    "CENTRO.NMFILIAL AS NMCENTCMP, C.IDIMPINCSOLAPR, S.IDRESTRFILIOPER, S.IDBLOQALTSOLAUT, "
    "C.IDALTVRCMPANT "
    "FROM PARCMPSUP C "
    "JOIN FILIAL F ON F.CDFILIAL = C.CDFILIAL "
    "LEFT JOIN FILIAL CENTRO ON CENTRO.CDFILIAL = COALESCE(F.CDFILCENTCMP, F.CDFILIAL) "
    "LEFT JOIN PARASUPRI S ON S.CDFILIAL = COALESCE(F.CDFILCENTCMP, F.CDFILIAL) "
    "WHERE C.CDFILIAL = :P_CDFILIAL",
    {textField("IDJUSSOLEXT"), textField("IDAUDALTSOL"), textField("IDULTIDTULTI"),
     textField("IDULTCOMPSOL"), textField("IDULTDESTSOL"), textField("IDUTQTDEVOLU"),
     textField("IDBAIXSOLDFS"), textField("IDUTPRODPREF"), textField("IDUTAPROVSOL"),
     textField("IDUTLOPERSOL"), textField("IDPERALTSAPR", 3), textField("CDFILCENTCMP", 4),
     textField("NMCENTCMP", 30), fixedField("IDIMPINCSOLAPR", 1), textField("IDRESTRFILIOPER"),
     textField("IDBLOQALTSOLAUT"), textField("IDALTVRCMPANT")}};

// The branch when the operator may use it.
const LayoutStatement filiOper{
    "cdsFiliOper",
    QStringLiteral("SELECT F.CDFILIAL FROM FILIAL F WHERE F.CDFILIAL = :P_CDFILIAL AND ") +
        operatorMayUse(QStringLiteral("F.CDFILIAL")),
    {textField("CDFILIAL", 4)}};

// The purchase center, when it exists and the operator may use neither it
// nor any of its branches: its supply parameters are each branch's own.
const LayoutStatement refusedCenter{
    "cdsCentroRecusado",
    QStringLiteral("SELECT C.CDFILIAL FROM FILIAL C WHERE C.CDFILIAL = :P_CDFILIAL AND NOT EXISTS "
                   "(SELECT 1 FROM FILIAL B WHERE (B.CDFILIAL = C.CDFILIAL OR B.CDFILCENTCMP = "
                   "C.CDFILIAL) AND ") +
        operatorMayUse(QStringLiteral("B.CDFILIAL")) + QStringLiteral(")"),
    {textField("CDFILIAL", 4)}};

// A center none of whose branches the operator may use is refused, whatever
// the client asks.
void refuseCenterUnlessOperatorMayUse(const CallContext& context, const QString& center)
{
    if (!openInLayout(context, refusedCenter, {{"P_CDFILIAL", center}, signedInOperator(context)})
             .rows.empty())
        throw ServerError(QStringLiteral("Filial %1 não liberada para o operador.").arg(center));
}

// The schema keeps no product model of a branch's own, so every branch uses
// the shared one and hands the product library no block.
const LayoutStatement paramFilial{
    "cdsParamFilial",
    "SELECT IDUTILIZAINTSAC, 'N' AS IDUTMODPRODFIL, 'N' AS IDBLPRCOMEST FROM PARAFILI "
    "WHERE CDFILIAL = :P_CDFILIAL",
    {textField("IDUTILIZAINTSAC"), textField("IDUTMODPRODFIL"), textField("IDBLPRCOMEST")}};

const LayoutStatement paramGrProdGer{
    "cdsParamGrProdGer",
    "SELECT CDFILIAL, IDUTAPROVSOL, CDGRUPPROD, CDSUBGRPROD, IDULTDESTSOL, IDEXIGAPRGERCMP, "
    "IDAPROVITMSOLGR, IDUTLPRARVOLCMP, CDGRUPPRODOL, CDSUBGRARVOR FROM PARGRPRODGER "
    "WHERE CDFILIAL = :P_CDFILIAL ORDER BY CDGRUPPROD, CDSUBGRPROD",
    {textField("CDFILIAL", 4), textField("IDUTAPROVSOL"), textField("CDGRUPPROD", 10),
     textField("CDSUBGRPROD", 10), textField("IDULTDESTSOL"), textField("IDEXIGAPRGERCMP"),
     textField("IDAPROVITMSOLGR"), textField("IDUTLPRARVOLCMP"), textField("CDGRUPPRODOL", 10),
     textField("CDSUBGRARVOR", 10)}};

const LayoutStatement permissoes{
    "cdsPermissoes",
    "SELECT IDAUTLANCSOLI, PEALTEQTDESOLI FROM AUTLANCSOLI WHERE CDOPERADOR = :P_CDOPERADOR "
    "ORDER BY IDAUTLANCSOLI",
    {textField("IDAUTLANCSOLI", 30), floatField("PEALTEQTDESOLI")}};

// (var branch or purchase center, kind "SUP" | "CMP") -> cdsParaSupri | cdsParCmpSup
RemoteValue GetParamCmp(CallContext& context, Args& args)
{
    const QString branch = paddedCode(args[0], branchWidth);
    args[0] = branch; // the caller gets back the code as it was read
    const QString kind = args[1].toString();
    if (kind == QLatin1String("SUP")) {
        refuseCenterUnlessOperatorMayUse(context, branch);
        return openInLayout(context, paraSupri, {{"P_CDFILIAL", branch}});
    }
    if (kind == QLatin1String("CMP")) {
        refuseBranchUnlessOperatorMayUse(context, branch);
        return openInLayout(context, parCmpSup, {{"P_CDFILIAL", branch}});
    }
    throw ServerError(
        QStringLiteral(
            "Tipo de parâmetro de compras desconhecido: \"%1\" (use \"SUP\" ou \"CMP\").")
            .arg(kind));
}

// (branch, operator) -> [cdsParametros, cdsFiliOper]
RemoteValue GetParCmpSup(CallContext& context, Args& args)
{
    checkOperator(context, args[1]);
    const QString branch = paddedCode(args[0], branchWidth);
    return RemoteValue::Array{
        openInLayout(context, parametros, {{"P_CDFILIAL", branch}}),
        openInLayout(context, filiOper, {{"P_CDFILIAL", branch}, signedInOperator(context)})};
}

// (branch) -> [cdsParamFilial, cdsParamGrProdGer]
RemoteValue GetParamFilial(CallContext& context, Args& args)
{
    const QString branch = paddedCode(args[0], branchWidth);
    refuseBranchUnlessOperatorMayUse(context, branch);
    return RemoteValue::Array{openInLayout(context, paramFilial, {{"P_CDFILIAL", branch}}),
                              openInLayout(context, paramGrProdGer, {{"P_CDFILIAL", branch}})};
}

// (operator) -> cdsPermissoes
RemoteValue GetPermissoes(CallContext& context, Args& args)
{
    checkOperator(context, args[0]);
    return openInLayout(context, permissoes, {{"P_CDOPERADOR", context.operatorCode}});
}

} // namespace

void registerPurchaseParameters(MethodRegistry& registry)
{
    registry.add(rdmCompras, QStringLiteral("GetParamCmp"),
                 {Param::byReference(Kind::String), Kind::String}, GetParamCmp, Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetParCmpSup"), {Kind::String, Kind::String},
                 GetParCmpSup, Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetParamFilial"), {Kind::String}, GetParamFilial,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetPermissoes"), {Kind::String}, GetPermissoes,
                 Effect::ReadsOnly);
}

} // namespace cmp::server
