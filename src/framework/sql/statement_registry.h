#pragma once

#include "framework/sql/sql_query.h"

#include <QString>

#include <map>
#include <mutex>
#include <optional>

namespace cmp::fw {

// The named statements a remote server agrees to run for a client: the
// client sends a name and parameter values, never a text, so a desktop
// cannot make the server run SQL of its own.
class StatementRegistry
{
public:
    // Declaring a name again with the same texts changes nothing, since every
    // server of a process declares the framework's statements; other texts
    // under a declared name are a wiring fault and throw std::logic_error.
    void Declare(const QString& name, SqlTexts texts);
    std::optional<SqlTexts> find(const QString& name) const;

private:
    mutable std::mutex mutex_; // servers look names up from many threads
    std::map<QString, SqlTexts> statements_;
};

// The process-wide registry: the module fills it when it loads, the server
// answers from it.
StatementRegistry& declaredStatements();

} // namespace cmp::fw
