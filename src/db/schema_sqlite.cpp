#include "db/schema.h"

namespace cmp::db {

const std::vector<Migration>& sqliteMigrations()
{
    // An INTEGER PRIMARY KEY is the row id, which SQLite numbers itself.
    static const std::vector<Migration> migrations = [] {
        std::vector<Migration> steps{
            {1, QStringLiteral("esquema inicial"),
             initialSchema({QStringLiteral("INTEGER NOT NULL PRIMARY KEY")})},
        };
        for (Migration& later : laterMigrations())
            steps.push_back(std::move(later));
        return steps;
    }();
    return migrations;
}

} // namespace cmp::db
