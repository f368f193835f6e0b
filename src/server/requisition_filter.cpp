#include "server/requisition_filter.h"

#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_criteria.h"
#include "server/requisition_queries.h"

#include <QDate>

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

// The supply flags and IDBLOQALTSOLAUT belong to the branch's purchase center
// (a branch without CDFILCENTCMP is a center itself); the rest to the branch.
// Only branches with at least one matching requisition are listed.
const LayoutStatement filialSoli{
    "cdsFilialSoli",
    QStringLiteral(
        "SELECT F.CDFILIAL, F.NMFILIAL, COALESCE(F.CDFILCENTCMP, F.CDFILIAL) AS CDFILCENTCMP, "
        "CENTRO.NMFILIAL AS NMCENTCMP, S.IDJUSSOLEXT, S.IDAUDALTSOL, S.IDULTIDTULTI, "
        "S.IDULTCOMPSOL, S.IDULTDESTSOL, S.IDUTQTDEVOLU, S.IDBAIXSOLDFS, C.IDUTPRODPREF, "
        "C.IDUTAPROVSOL, C.IDUTLOPERSOL, C.IDPERALTSAPR, C.IDIMPINCSOLAPR, S.IDBLOQALTSOLAUT, "
        "C.IDALTVRCMPANT FROM FILIAL F "
        "LEFT JOIN FILIAL CENTRO ON CENTRO.CDFILIAL = COALESCE(F.CDFILCENTCMP, F.CDFILIAL) "
        "LEFT JOIN PARASUPRI S ON S.CDFILIAL = COALESCE(F.CDFILCENTCMP, F.CDFILIAL) "
        "LEFT JOIN PARCMPSUP C ON C.CDFILIAL = F.CDFILIAL "
        "WHERE (:P_TODASFILIAIS = 'T' OR INSTR(:P_FILIAIS, '_' || F.CDFILIAL || '_') > 0) "
        "AND (:P_TODOSGRUPOS = 'T' OR EXISTS (SELECT 1 FROM FILIGRUPFIL G "
        "WHERE G.CDGRUPFILI = :P_CDGRUPFILI AND G.CDFILIAL = F.CDFILIAL)) AND ") +
        operatorMayUse(QStringLiteral("F.CDFILIAL")) +
        QStringLiteral(
            " AND EXISTS (SELECT 1 FROM SOLICITA R WHERE R.CDFILSOLI = F.CDFILIAL AND ") +
        requisitionCriteriaCondition() + QStringLiteral(") ORDER BY F.CDFILIAL"),
    {textField("CDFILIAL", 4), textField("NMFILIAL", 30), textField("CDFILCENTCMP", 4),
     textField("NMCENTCMP", 30), textField("IDJUSSOLEXT"), textField("IDAUDALTSOL"),
     textField("IDULTIDTULTI"), textField("IDULTCOMPSOL"), textField("IDULTDESTSOL"),
     textField("IDUTQTDEVOLU"), textField("IDBAIXSOLDFS"), textField("IDUTPRODPREF"),
     textField("IDUTAPROVSOL"), textField("IDUTLOPERSOL"), textField("IDPERALTSAPR", 3),
     fixedField("IDIMPINCSOLAPR", 1), textField("IDBLOQALTSOLAUT"), textField("IDALTVRCMPANT")}};

const std::vector<fw::FieldDef> dataLayout{dateField("DATA")};

const LayoutStatement servSolicita{
    "cdsServSolicita",
    QStringLiteral("SELECT R.CDFILSOLI, R.NRSOLICMP, R.CDFILLANCA, R.DTSOLCMP, "
                   "B.NMOPERADOR AS NMOPERADOR, D.NMDESTSOLI, R.IDTIPLAN, R.IDSOLEXTRA, "
                   "R.IDBAIXASOL, R.CDOPERLANC, L.NMOPERADOR AS NMOPERLANC, R.IDIMPSOLSAC, "
                   "R.CDDESTSOLI, R.NRNECECMPSOL FROM SOLICITA R ") +
        requisitionNamesJoin() +
        QStringLiteral("LEFT JOIN OPERADOR L ON L.CDOPERADOR = R.CDOPERLANC "
                       "WHERE R.CDFILSOLI = :P_CDFILSOLI AND ") +
        operatorMayUse(QStringLiteral("R.CDFILSOLI")) + QStringLiteral(" AND ") +
        requisitionCriteriaCondition() +
        QStringLiteral("ORDER BY R.DTSOLCMP, R.CDFILLANCA, R.NRSOLICMP"),
    {textField("CDFILSOLI", 4), textField("NRSOLICMP", 10), textField("CDFILLANCA", 4),
     dateField("DTSOLCMP"), textField("NMOPERADOR", 40), textField("NMDESTSOLI", 30),
     textField("IDTIPLAN"), textField("IDSOLEXTRA"), textField("IDBAIXASOL"),
     textField("CDOPERLANC", 12), textField("NMOPERLANC", 40), textField("IDIMPSOLSAC"),
     textField("CDDESTSOLI", 3), textField("NRNECECMPSOL", 10)}};

const LayoutStatement grupFili{
    "cdsGrupFili",
    QStringLiteral("SELECT CDGRUPFILI, NMGRUPFILI FROM GRUPFILI ORDER BY CDGRUPFILI"),
    {textField("CDGRUPFILI", 10), textField("NMGRUPFILI", 40)}};

// The branches the filter's own branch list offers (not rescinded, with a
// region), limited to the group.
const LayoutStatement filiAgrupFili{
    "cdsFiliAgrupFili",
    QStringLiteral("SELECT 'N' AS IDMARCADO, F.CDFILIAL, G.CDGRUPFILI, F.NMFILIAL, F.IDCNTRRESC, "
                   "F.CDFILCENTCMP, F.CDREGIAO FROM FILIGRUPFIL G "
                   "JOIN FILIAL F ON F.CDFILIAL = G.CDFILIAL "
                   "WHERE G.CDGRUPFILI = :P_CDGRUPFILI AND F.IDCNTRRESC <> 'S' "
                   "AND F.CDREGIAO IS NOT NULL AND ") +
        operatorMayUse(QStringLiteral("F.CDFILIAL")) + QStringLiteral(" ORDER BY F.CDFILIAL"),
    {fixedField("IDMARCADO", 1), textField("CDFILIAL", 4), textField("CDGRUPFILI", 10),
     textField("NMFILIAL", 30), textField("IDCNTRRESC"), textField("CDFILCENTCMP", 4),
     textField("CDREGIAO", 3)}};

const LayoutStatement destGrupFili{
    "cdsDestGrupFili",
    QStringLiteral("SELECT 'N' AS IDMARCADO, CDDESTSOLI, NMDESTSOLI FROM DESTGRUPFILI "
                   "WHERE CDGRUPFILI = :P_CDGRUPFILI ORDER BY CDDESTSOLI"),
    {fixedField("IDMARCADO", 1), textField("CDDESTSOLI", 3), textField("NMDESTSOLI", 30)}};

const LayoutStatement vdGerente{"cdsVD_Gerente",
                                QStringLiteral("SELECT O.CDOPERADOR, O.NMOPERADOR FROM GERENTE G "
                                               "JOIN OPERADOR O ON O.CDOPERADOR = G.CDOPERADOR "
                                               "WHERE G.CDOPERADOR = :P_CDOPERADOR"),
                                {textField("CDOPERADOR", 12), textField("NMOPERADOR", 40)}};

// Manager approval is in use where a branch the operator may see asks for
// it on some product group: approval, destination and approval per item.
const LayoutStatement aprovSoliGer{
    "cdsAprovSoliGer",
    QStringLiteral("SELECT COUNT(*) AS CONTADOR FROM PARGRPRODGER G "
                   "WHERE G.IDUTAPROVSOL = 'S' AND G.IDULTDESTSOL = 'S' "
                   "AND G.IDAPROVITMSOLGR = 'S' AND ") +
        operatorMayUse(QStringLiteral("G.CDFILIAL")),
    {floatField("CONTADOR")}};

// The launch date the new-requisition wizard proposes: the server's date, so
// that every client proposes the same day whatever its own clock says.
fw::DataPacket proposedLaunchDate()
{
    fw::DataPacket packet = emptyPacket(dataLayout);
    packet.rows.emplace_back().values = {QDate::currentDate()};
    return packet;
}

// GetFilialSoli's arguments 1 to 16, read and written back as read.
Bindings filialSoliBindings(const CallContext& context, Args& args)
{
    const QString group = paddedCode(args[0], branchGroupWidth);
    const ListCriterion branches = readListCriterion(args[1], args[2], branchList);
    Bindings bindings = requisitionCriteriaBindings(readRequisitionCriteria(args, 3));
    bindings.insert(bindings.end(), {{"P_TODASFILIAIS", flagValue(branches.restricts)},
                                     {"P_FILIAIS", branches.list},
                                     {"P_TODOSGRUPOS", flagValue(!group.isEmpty())},
                                     {"P_CDGRUPFILI", group},
                                     signedInOperator(context)});
    return bindings;
}

// (group, var stTodosFilial, var branches, var criteria..., operator)
//   -> [cdsFilialSoli, cdsData, error text]
// Criteria that cannot be applied come back as the error text, which the
// filter shows; a foreign operator is refused like everywhere else.
RemoteValue GetFilialSoli(CallContext& context, Args& args)
{
    checkOperator(context, args[3 + criteriaArgumentCount]);
    Bindings bindings;
    try {
        bindings = filialSoliBindings(context, args);
    } catch (const ServerError& refusal) {
        return RemoteValue::Array{emptyPacket(filialSoli.layout), emptyPacket(dataLayout),
                                  refusal.message()};
    }
    return RemoteValue::Array{openInLayout(context, filialSoli, bindings), proposedLaunchDate(),
                              QString()};
}

// (branch, var criteria..., operator) -> cdsServSolicita
RemoteValue GetServSolicita(CallContext& context, Args& args)
{
    checkOperator(context, args[1 + criteriaArgumentCount]);
    Bindings bindings = requisitionCriteriaBindings(readRequisitionCriteria(args, 1));
    bindings.push_back({"P_CDFILSOLI", paddedCode(args[0], branchWidth)});
    bindings.push_back(signedInOperator(context));
    return openInLayout(context, servSolicita, bindings);
}

// () -> cdsGrupFili
RemoteValue GetAgruFili(CallContext& context, Args&)
{
    return openInLayout(context, grupFili, {});
}

// (group) -> cdsFiliAgrupFili
RemoteValue GetFiliGrupFil(CallContext& context, Args& args)
{
    return openInLayout(
        context, filiAgrupFili,
        {{"P_CDGRUPFILI", paddedCode(args[0], branchGroupWidth)}, signedInOperator(context)});
}

// (group) -> cdsDestGrupFili
RemoteValue GetDestGrupFili(CallContext& context, Args& args)
{
    return openInLayout(context, destGrupFili,
                        {{"P_CDGRUPFILI", paddedCode(args[0], branchGroupWidth)}});
}

// (manager) -> cdsVD_Gerente, empty when the code is no manager's
RemoteValue GetVd_Gerente(CallContext& context, Args& args)
{
    return openInLayout(context, vdGerente, {{"P_CDOPERADOR", paddedCode(args[0], operatorWidth)}});
}

// () -> cdsAprovSoliGer, one row
RemoteValue GetVdAprovSoliGer(CallContext& context, Args&)
{
    return openInLayout(context, aprovSoliGer, {signedInOperator(context)});
}

std::vector<Param> withCriteria(std::vector<Param> before, const Param& after)
{
    const std::vector<Param> criteria = criteriaParams();
    before.insert(before.end(), criteria.begin(), criteria.end());
    before.push_back(after);
    return before;
}

} // namespace

void registerRequisitionFilter(MethodRegistry& registry)
{
    const Param byReference = Param::byReference(Kind::String);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetFilialSoli"),
                 withCriteria({Kind::String, byReference, byReference}, Kind::String),
                 GetFilialSoli, Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetServSolicita"),
                 withCriteria({Kind::String}, Kind::String), GetServSolicita, Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetAgruFili"), {}, GetAgruFili,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetFiliGrupFil"), {Kind::String}, GetFiliGrupFil,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetDestGrupFili"), {Kind::String},
                 GetDestGrupFili, Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetVd_Gerente"), {Kind::String}, GetVd_Gerente,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetVdAprovSoliGer"), {}, GetVdAprovSoliGer,
                 Effect::ReadsOnly);
}

} // namespace cmp::server
