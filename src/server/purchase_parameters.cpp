#include "server/purchase_parameters.h"

#include "framework/core/strings.h"
#include "framework/sql/sql_query.h"
#include "server/method_registry.h"
#include "server/remote_modules.h"

#include <initializer_list>
#include <stdexcept>

namespace cmp::server {

namespace {

using fw::DataPacket;
using fw::FieldDef;
using fw::FieldType;
using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

constexpr int branchWidth = 4;
constexpr int operatorWidth = 12;

FieldDef text(const char* name, int size = 1)
{
    return {QString::fromLatin1(name), FieldType::String, size};
}

// A query and the layout of the client record set its rows load into.
struct Statement
{
    const char* name;
    const char* sql;
    std::vector<FieldDef> layout;
};

const Statement paraSupri{
    "cdsParaSupri",
    "SELECT CDFILIAL, IDJUSSOLEXT, IDAUDALTSOL, IDULTIDTULTI, IDULTCOMPSOL, IDULTDESTSOL, "
    "IDUTQTDEVOLU, IDBAIXSOLDFS, IDBLOQALTSOLAUT FROM PARASUPRI WHERE CDFILIAL = :P_CDFILIAL",
    {text("CDFILIAL", 4), text("IDJUSSOLEXT"), text("IDAUDALTSOL"), text("IDULTIDTULTI"),
     text("IDULTCOMPSOL"), text("IDULTDESTSOL"), text("IDUTQTDEVOLU"), text("IDBAIXSOLDFS"),
     text("IDBLOQALTSOLAUT")}};

const Statement parCmpSup{
    "cdsParCmpSup",
    "SELECT CDFILIAL, IDUTPRODPREF FROM PARCMPSUP WHERE CDFILIAL = :P_CDFILIAL",
    {text("CDFILIAL", 4), text("IDUTPRODPREF")}};

// The supply flags and IDRESTRFILIOPER belong to the branch's purchase center
// (a branch without CDFILCENTCMP is a center itself); the rest to the branch.
// No PARCMPSUP row, no record: the branch has no purchasing parameters.
const Statement parametros{
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
    {text("IDJUSSOLEXT"),
     text("IDAUDALTSOL"),
     text("IDULTIDTULTI"),
     text("IDULTCOMPSOL"),
     text("IDULTDESTSOL"),
     text("IDUTQTDEVOLU"),
     text("IDBAIXSOLDFS"),
     text("IDUTPRODPREF"),
     text("IDUTAPROVSOL"),
     text("IDUTLOPERSOL"),
     text("IDPERALTSAPR", 3),
     text("CDFILCENTCMP", 4),
     text("NMCENTCMP", 30),
     {QStringLiteral("IDIMPINCSOLAPR"), FieldType::FixedString, 1},
     text("IDRESTRFILIOPER"),
     text("IDBLOQALTSOLAUT"),
     text("IDALTVRCMPANT")}};

// The branch when the operator may use it: always, unless its center
// restricts operators (IDRESTRFILIOPER "S") and OPERFILI does not list it for
// this operator.
const Statement filiOper{
    "cdsFiliOper",
    "SELECT F.CDFILIAL FROM FILIAL F "
    "LEFT JOIN PARASUPRI S ON S.CDFILIAL = COALESCE(F.CDFILCENTCMP, F.CDFILIAL) "
    "WHERE F.CDFILIAL = :P_CDFILIAL "
    "AND (COALESCE(S.IDRESTRFILIOPER, 'N') <> 'S' "
    "OR EXISTS (SELECT 1 FROM OPERFILI O "
    "WHERE O.CDOPERADOR = :P_CDOPERADOR AND O.CDFILIAL = F.CDFILIAL))",
    {text("CDFILIAL", 4)}};

// The schema keeps no product model of a branch's own, so every branch uses
// the shared one and hands the product library no block.
const Statement paramFilial{
    "cdsParamFilial",
    "SELECT IDUTILIZAINTSAC, 'N' AS IDUTMODPRODFIL, 'N' AS IDBLPRCOMEST FROM PARAFILI "
    "WHERE CDFILIAL = :P_CDFILIAL",
    {text("IDUTILIZAINTSAC"), text("IDUTMODPRODFIL"), text("IDBLPRCOMEST")}};

const Statement paramGrProdGer{
    "cdsParamGrProdGer",
    "SELECT CDFILIAL, IDUTAPROVSOL, CDGRUPPROD, CDSUBGRPROD, IDULTDESTSOL, IDEXIGAPRGERCMP, "
    "IDAPROVITMSOLGR, IDUTLPRARVOLCMP, CDGRUPPRODOL, CDSUBGRARVOR FROM PARGRPRODGER "
    "WHERE CDFILIAL = :P_CDFILIAL ORDER BY CDGRUPPROD, CDSUBGRPROD",
    {text("CDFILIAL", 4), text("IDUTAPROVSOL"), text("CDGRUPPROD", 10), text("CDSUBGRPROD", 10),
     text("IDULTDESTSOL"), text("IDEXIGAPRGERCMP"), text("IDAPROVITMSOLGR"),
     text("IDUTLPRARVOLCMP"), text("CDGRUPPRODOL", 10), text("CDSUBGRARVOR", 10)}};

const Statement permissoes{
    "cdsPermissoes",
    "SELECT IDAUTLANCSOLI, PEALTEQTDESOLI FROM AUTLANCSOLI WHERE CDOPERADOR = :P_CDOPERADOR "
    "ORDER BY IDAUTLANCSOLI",
    {text("IDAUTLANCSOLI", 30), {QStringLiteral("PEALTEQTDESOLI"), FieldType::Float, 0}}};

// The client loads the packet whole into a record set it declares with these
// fields, so the packet carries them as declared, not as the driver reports
// them (SQLite knows no widths).
DataPacket inLayout(const DataPacket& rows, const std::vector<FieldDef>& layout)
{
    DataPacket packet{layout, {}};
    if (rows.rows.empty())
        return packet;
    std::vector<int> columns;
    for (const FieldDef& field : layout) {
        const int column = rows.fieldIndex(field.name);
        if (column < 0)
            throw std::logic_error("the query gives no column " + field.name.toStdString());
        columns.push_back(column);
    }
    packet.rows.reserve(rows.rows.size());
    for (const fw::PacketRow& row : rows.rows) {
        fw::PacketRow& shaped = packet.rows.emplace_back();
        for (size_t i = 0; i < layout.size(); ++i) {
            QVariant value;
            if (!fw::coerceValue(layout[i].type, row.values[size_t(columns[i])], value))
                throw std::logic_error("column " + layout[i].name.toStdString() +
                                       " does not fit its field");
            shaped.values.push_back(std::move(value));
        }
    }
    return packet;
}

struct Binding
{
    const char* name;
    QString value;
};

DataPacket open(const CallContext& context, const Statement& statement,
                std::initializer_list<Binding> bindings)
{
    fw::SqlQuery query(QString::fromLatin1(statement.name),
                       fw::SqlTexts{QString::fromLatin1(statement.sql)}, context.db);
    for (const Binding& binding : bindings)
        query.ParamByName(QString::fromLatin1(binding.name)).SetValue(binding.value);
    return inLayout(query.Open(), statement.layout);
}

// The operator comes from the token: an argument naming someone else is
// refused, whatever the client sends.
void checkOperator(const CallContext& context, const RemoteValue& claimed)
{
    if (fw::Ajusta(claimed.toString(), operatorWidth) !=
        fw::Ajusta(context.operatorCode, operatorWidth))
        throw ServerError(QStringLiteral("O operador informado não é o operador conectado."));
}

QString branchArgument(const RemoteValue& code)
{
    return fw::Ajusta(code.toString(), branchWidth);
}

// (var branch or purchase center, kind "SUP" | "CMP") -> cdsParaSupri | cdsParCmpSup
RemoteValue GetParamCmp(CallContext& context, Args& args)
{
    const QString branch = branchArgument(args[0]);
    args[0] = branch; // the caller gets back the code as it was read
    const QString kind = args[1].toString();
    if (kind == QLatin1String("SUP"))
        return open(context, paraSupri, {{"P_CDFILIAL", branch}});
    if (kind == QLatin1String("CMP"))
        return open(context, parCmpSup, {{"P_CDFILIAL", branch}});
    throw ServerError(
        QStringLiteral(
            "Tipo de parâmetro de compras desconhecido: \"%1\" (use \"SUP\" ou \"CMP\").")
            .arg(kind));
}

// (branch, operator) -> [cdsParametros, cdsFiliOper]
RemoteValue GetParCmpSup(CallContext& context, Args& args)
{
    checkOperator(context, args[1]);
    const QString branch = branchArgument(args[0]);
    return RemoteValue::Array{
        open(context, parametros, {{"P_CDFILIAL", branch}}),
        open(context, filiOper, {{"P_CDFILIAL", branch}, {"P_CDOPERADOR", context.operatorCode}})};
}

// (branch) -> [cdsParamFilial, cdsParamGrProdGer]
RemoteValue GetParamFilial(CallContext& context, Args& args)
{
    const QString branch = branchArgument(args[0]);
    return RemoteValue::Array{open(context, paramFilial, {{"P_CDFILIAL", branch}}),
                              open(context, paramGrProdGer, {{"P_CDFILIAL", branch}})};
}

// (operator) -> cdsPermissoes
RemoteValue GetPermissoes(CallContext& context, Args& args)
{
    checkOperator(context, args[0]);
    return open(context, permissoes, {{"P_CDOPERADOR", context.operatorCode}});
}

} // namespace

void registerPurchaseParameters(MethodRegistry& registry)
{
    registry.add(rdmCompras, QStringLiteral("GetParamCmp"),
                 {Param::byReference(Kind::String), Kind::String}, GetParamCmp);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetParCmpSup"), {Kind::String, Kind::String},
                 GetParCmpSup);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetParamFilial"), {Kind::String}, GetParamFilial);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetPermissoes"), {Kind::String}, GetPermissoes);
}

} // namespace cmp::server
