#include "server/requisition_queries.h"

#include "framework/core/strings.h"
#include "framework/sql/sql_query.h"
#include "server/method_registry.h"

#include <stdexcept>

namespace cmp::server {

namespace {

fw::FieldDef field(const char* name, fw::FieldType type, int size = 0)
{
    return {QString::fromLatin1(name), type, size};
}

std::vector<int> columnsOf(const fw::DataPacket& rows, const std::vector<fw::FieldDef>& layout)
{
    std::vector<int> columns;
    columns.reserve(layout.size());
    for (const fw::FieldDef& def : layout) {
        const int column = rows.fieldIndex(def.name);
        if (column < 0)
            throw std::logic_error("the query gives no column " + def.name.toStdString());
        columns.push_back(column);
    }
    return columns;
}

fw::DataPacket inLayout(const fw::DataPacket& rows, const std::vector<fw::FieldDef>& layout)
{
    fw::DataPacket packet = emptyPacket(layout);
    if (rows.rows.empty())
        return packet;
    const std::vector<int> columns = columnsOf(rows, layout);
    packet.rows.reserve(rows.rows.size());
    for (const fw::PacketRow& row : rows.rows) {
        fw::PacketRow& shaped = packet.rows.emplace_back();
        shaped.values.reserve(layout.size());
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

} // namespace

fw::FieldDef textField(const char* name, int size)
{
    return field(name, fw::FieldType::String, size);
}

fw::FieldDef fixedField(const char* name, int size)
{
    return field(name, fw::FieldType::FixedString, size);
}

fw::FieldDef dateField(const char* name)
{
    return field(name, fw::FieldType::Date);
}

fw::FieldDef dateTimeField(const char* name)
{
    return field(name, fw::FieldType::DateTime);
}

fw::FieldDef floatField(const char* name)
{
    return field(name, fw::FieldType::Float);
}

fw::DataPacket openInLayout(const CallContext& context, const LayoutStatement& statement,
                            const Bindings& bindings)
{
    fw::SqlQuery query(QString::fromLatin1(statement.name), fw::SqlTexts{statement.sql},
                       context.db);
    for (const auto& [name, value] : bindings)
        query.ParamByName(QString::fromLatin1(name)).SetValue(value);
    return inLayout(query.Open(), statement.layout);
}

fw::DataPacket emptyPacket(const std::vector<fw::FieldDef>& layout)
{
    return {layout, {}};
}

void checkOperator(const CallContext& context, const fw::RemoteValue& claimed)
{
    if (paddedCode(claimed, operatorWidth) != fw::Ajusta(context.operatorCode, operatorWidth))
        throw ServerError(QStringLiteral("O operador informado não é o operador conectado."));
}

QString paddedCode(const fw::RemoteValue& value, int width)
{
    return fw::Ajusta(value.toString(), width);
}

QString operatorMayUse(const QString& branchColumn)
{
    return QStringLiteral(
               "EXISTS (SELECT 1 FROM FILIAL UF "
               "LEFT JOIN PARASUPRI US ON US.CDFILIAL = COALESCE(UF.CDFILCENTCMP, UF.CDFILIAL) "
               "WHERE UF.CDFILIAL = %1 AND (COALESCE(US.IDRESTRFILIOPER, 'N') <> 'S' "
               "OR EXISTS (SELECT 1 FROM OPERFILI UO "
               "WHERE UO.CDOPERADOR = :P_CDOPERCONECTADO AND UO.CDFILIAL = UF.CDFILIAL)))")
        .arg(branchColumn);
}

std::pair<const char*, QVariant> signedInOperator(const CallContext& context)
{
    return {"P_CDOPERCONECTADO", context.operatorCode};
}

void refuseBranchUnlessOperatorMayUse(const CallContext& context, const QString& branch)
{
    static const LayoutStatement refusedBranch{
        "cdsFilialRecusada",
        QStringLiteral("SELECT F.CDFILIAL FROM FILIAL F WHERE F.CDFILIAL = :P_CDFILIAL AND NOT ") +
            operatorMayUse(QStringLiteral("F.CDFILIAL")),
        {textField("CDFILIAL", 4)}};
    if (!openInLayout(context, refusedBranch, {{"P_CDFILIAL", branch}, signedInOperator(context)})
             .rows.empty())
        throw ServerError(QStringLiteral("Filial %1 não liberada para o operador.").arg(branch));
}

QString managerApprovesItemsOf(const QString& branchColumn, const QString& product)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM PARGRPRODGER G WHERE G.CDFILIAL = %1 "
                          "AND G.CDGRUPPROD = %2.CDGRUPPROD AND (G.CDSUBGRPROD = '' "
                          "OR G.CDSUBGRPROD = %2.CDSUBGRPROD) AND G.IDUTAPROVSOL = 'S' "
                          "AND G.IDULTDESTSOL = 'S' AND G.IDAPROVITMSOLGR = 'S')")
        .arg(branchColumn, product);
}

QString requisitionNamesJoin()
{
    return QStringLiteral(
        "LEFT JOIN OPERADOR B ON B.CDOPERADOR = R.CDOPERADOR "
        "LEFT JOIN DESTSOL D ON D.CDFILIAL = R.CDFILSOLI AND D.CDDESTSOLI = R.CDDESTSOLI ");
}

} // namespace cmp::server
