#include "framework/sql/declared_query.h"

#include "framework/sql/host_database.h"
#include "framework/sql/sql_query.h"
#include "framework/sql/statement_registry.h"

#include <stdexcept>

namespace cmp::fw {

void OpenDeclared(ClientDataSet& target, const QString& statement, const QueryParams& params)
{
    const std::optional<SqlTexts> texts = declaredStatements().find(statement);
    if (!texts)
        throw std::logic_error("statement not declared: " + statement.toStdString());
    SqlQuery query = hostDatabase().Query(statement, *texts);
    for (const auto& [param, value] : params)
        query.ParamByName(param).SetValue(value);
    hostDatabase().Open(query, target);
}

} // namespace cmp::fw
