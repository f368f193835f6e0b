#include "framework/sql/statement_registry.h"

#include <stdexcept>

namespace cmp::fw {

namespace {

bool sameTexts(const SqlTexts& a, const SqlTexts& b)
{
    return a.SQL == b.SQL && a.SQL_ORACLE == b.SQL_ORACLE && a.SQL_MSSQL == b.SQL_MSSQL;
}

} // namespace

void StatementRegistry::Declare(const QString& name, SqlTexts texts)
{
    const std::lock_guard lock(mutex_);
    const auto [found, inserted] = statements_.try_emplace(name, std::move(texts));
    if (!inserted && !sameTexts(found->second, texts))
        throw std::logic_error("statement declared twice with other texts: " + name.toStdString());
}

std::optional<SqlTexts> StatementRegistry::find(const QString& name) const
{
    const std::lock_guard lock(mutex_);
    const auto found = statements_.find(name);
    if (found == statements_.end())
        return std::nullopt;
    return found->second;
}

StatementRegistry& declaredStatements()
{
    static StatementRegistry registry;
    return registry;
}

} // namespace cmp::fw
