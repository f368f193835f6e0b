#include "module/declared_query.h"

#include "framework/sql/host_database.h"
#include "framework/sql/sql_query.h"
#include "framework/sql/statement_registry.h"

#include <stdexcept>

namespace cmp::module {

void OpenDeclared(fw::ClientDataSet& target, const QString& statement, const QueryParams& params)
{
    const std::optional<fw::SqlTexts> texts = fw::declaredStatements().find(statement);
    if (!texts)
        throw std::logic_error("statement not declared: " + statement.toStdString());
    fw::SqlQuery query = fw::hostDatabase().Query(statement, *texts);
    for (const auto& [param, value] : params)
        query.ParamByName(param).SetValue(value);
    fw::hostDatabase().Open(query, target);
}

} // namespace cmp::module
