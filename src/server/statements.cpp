#include "server/statements.h"

#include "framework/product/product_library.h"
#include "framework/sql/host_database.h"
#include "framework/sql/statement_registry.h"
#include "server/method_registry.h"
#include "server/requisition_queries.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Kind = RemoteValue::Kind;

fw::SqlTexts declaredTexts(const fw::StatementRegistry& statements, const QString& name)
{
    std::optional<fw::SqlTexts> texts = statements.find(name);
    if (!texts)
        throw ServerError(QStringLiteral("Consulta não declarada: %1").arg(name));
    return std::move(*texts);
}

bool hasParam(const fw::SqlQuery& query, const QString& name)
{
    for (const fw::SqlParam& param : query.Params())
        if (param.Name().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Binds the values the client sent, refusing any name the statement lacks
// and any parameter left without a value.
void bind(fw::SqlQuery& query, const fw::DataPacket& params)
{
    if (params.rows.size() > 1)
        throw ServerError(
            QStringLiteral("Parâmetros da consulta %1: uma linha de valores.").arg(query.Name()));
    for (size_t column = 0; column < params.fields.size(); ++column) {
        const QString& name = params.fields[column].name;
        if (!hasParam(query, name))
            throw ServerError(QStringLiteral("Parâmetro %1 não declarado na consulta %2.")
                                  .arg(name, query.Name()));
        const QVariant value = params.rows.empty() ? QVariant() : params.rows[0].values[column];
        query.ParamByName(name).SetValue(value);
    }
    for (const fw::SqlParam& param : query.Params())
        if (!param.Assigned())
            throw ServerError(QStringLiteral("Parâmetro %1 sem valor na consulta %2.")
                                  .arg(param.Name(), query.Name()));
}

// The requesting branches the signed-in operator may use.
QSet<QString> usableBranches(CallContext& context)
{
    QSqlQuery query(context.db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT F.CDFILIAL FROM FILIAL F WHERE ") +
                  operatorMayUse(QStringLiteral("F.CDFILIAL")));
    const auto [name, value] = signedInOperator(context);
    query.bindValue(QStringLiteral(":%1").arg(QLatin1String(name)), value);
    if (!query.exec())
        throw std::runtime_error(query.lastError().text().toStdString());
    QSet<QString> branches;
    while (query.next())
        branches.insert(query.value(0).toString());
    return branches;
}

// A declared statement's rows that name a branch the operator may not use
// are left out, as every method that lists branches leaves them out.
fw::DataPacket withoutRestrictedBranches(CallContext& context, fw::DataPacket rows)
{
    std::vector<std::size_t> branchColumns;
    for (const char* column : {"CDFILIAL", "CDFILSOLI"})
        if (const int index = rows.fieldIndex(QLatin1String(column)); index >= 0)
            branchColumns.push_back(static_cast<std::size_t>(index));
    if (branchColumns.empty() || rows.rows.empty())
        return rows;
    const QSet<QString> usable = usableBranches(context);
    std::erase_if(rows.rows, [&](const fw::PacketRow& row) {
        return std::any_of(branchColumns.begin(), branchColumns.end(), [&](std::size_t column) {
            const QVariant& branch = row.values[column];
            return !branch.isNull() && !usable.contains(branch.toString());
        });
    });
    return rows;
}

} // namespace

void registerStatements(MethodRegistry& registry, fw::StatementRegistry& statements)
{
    fw::DeclareProductStatements(statements);
    // (statement name, parameters packet) -> rows
    const Handler runStatement = [&statements](CallContext& context,
                                               std::vector<RemoteValue>& args) {
        const QString name = args[0].toString();
        fw::SqlQuery query(name, declaredTexts(statements, name), context.db);
        bind(query, args[1].toPacket());
        return RemoteValue(withoutRestrictedBranches(context, query.Open()));
    };
    registry.add(fw::runStatementModule, fw::runStatementMethod, {Kind::String, Kind::Packet},
                 runStatement, Effect::ReadsOnly);
}

} // namespace cmp::server
