#pragma once

#include <QString>

#include <vector>

namespace cmp::db {

// One step of the schema: applied as a whole or not at all, recorded in
// SCHEMA_VERSION under its version.
struct Migration
{
    int version = 0;
    QString description;
    QString script; // statements separated by ";" at the end of a line
};

// The ordered migrations of each backend. Both lists hold the same versions,
// and every version creates the same tables and columns on both.
const std::vector<Migration>& sqliteMigrations();
const std::vector<Migration>& postgresqlMigrations();

// What differs between the two dialects of the tables of version 1.
struct SchemaDialect
{
    QString generatedKey; // an integer key the database numbers by itself
};

// The tables of version 1, written once for both dialects.
QString initialSchema(const SchemaDialect& dialect);
// The versions after the first, the same on both backends.
std::vector<Migration> laterMigrations();

} // namespace cmp::db
