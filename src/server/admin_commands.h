#pragma once

#include "db/large_data.h"
#include "server/server_database.h"

#include <QString>

#include <stdexcept>

namespace cmp::server {

// A request of the administration tool was refused; the message says why and
// nothing was changed.
class AdminError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct SchemaChange
{
    int from = 0; // 0: there was no schema
    int to = 0;
};

// Creates the schema or brings it to this program's version; running it again
// changes nothing. Throws DatabaseError when the database cannot be reached
// or migrated.
SchemaChange migrateDatabase(const DatabaseConfig& config);

// An operator code as OPERADOR stores it: zeros on the left up to 12
// characters ("7" -> "000000000007"). Throws AdminError for a blank code or
// one longer than 12.
QString operatorCode(const QString& typed);

struct NewOperator
{
    QString code; // as typed
    QString name;
    QString email; // may be empty
    QString password;
};

// The administration tasks on a database that already has a schema (an older
// one is upgraded on opening, as the server does).
class AdminDatabase
{
public:
    // Throws AdminError for a database that was never migrated, so that a
    // mistyped path or schema does not quietly create an empty database.
    explicit AdminDatabase(DatabaseConfig config);

    // Refuses a database that already holds branches, products, operators or
    // requisitions: the demo's rows would collide with them.
    void loadDemo();
    void generateRequisitions(int count, const db::LargeDataProgress& progress);

    void addOperator(const NewOperator& entry);
    void setOperatorPassword(const QString& code, const QString& password);
    // Disabled operators can no longer sign in; their history stays.
    void disableOperator(const QString& code);

private:
    void updateOperator(const QString& code, const QString& column, const QString& value);

    ServerDatabase database_;
};

} // namespace cmp::server
