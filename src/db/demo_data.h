#pragma once

#include <QString>

class QSqlDatabase;

namespace cmp::db {

// The operator to sign in with on a demo database, and the password every
// demo operator has.
inline const QString demoOperator = QStringLiteral("000000000001");
inline const QString demoPassword = QStringLiteral("demo");

// Fills a migrated, empty database with a small purchasing company: three
// purchase centers and their branches with parameters that between them take
// every flag both ways, a school-meal central with its units, a four-level
// product tree of about 800 products, operators, buyers and managers,
// destinations, justifications, permissions, averages, previous purchases,
// the delivery calendar and requisitions of every kind (docs/schema.md lists
// them). The same data on every call. One transaction: on failure nothing is
// left behind. Throws std::runtime_error (fw::SqlError for database
// refusals); refuses a database that already holds products.
void loadDemoData(QSqlDatabase& db);

} // namespace cmp::db
