#pragma once

#include "framework/data/data_packet.h"
#include "framework/sql/sql_query.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace cmp::fw {

class ClientDataSet;
class TNetConnection;

// The server method that runs a declared statement for a remote client:
// (name, parameters packet) -> rows packet, on this module.
inline constexpr QLatin1String runStatementModule("Cmp03100.rdmLancaSoliCmp");
inline constexpr QLatin1String runStatementMethod("RunStatement");

// The host connection the screens' lookups and checks run on. Embedded, it is
// a connection of the client's own to the SQLite file the in-process server
// uses; against a remote server, the server runs each query for the client by
// its declared name (StatementRegistry), so the desktop holds no database
// credentials.
class HostDatabase
{
public:
    // Gives a connection the helper functions the generic texts call; the
    // application passes the database layer's installer.
    using FunctionInstaller = std::function<void(QSqlDatabase&)>;

    // Throws SqlError when the file cannot be opened.
    static std::unique_ptr<HostDatabase> Embedded(const QString& sqlitePath,
                                                  const FunctionInstaller& installFunctions);
    // The server at webURL and webPort; an empty webURL reaches the server
    // of this process.
    static std::unique_ptr<HostDatabase> Remote(const QString& webURL, int webPort);
    ~HostDatabase();
    HostDatabase(const HostDatabase&) = delete;
    HostDatabase& operator=(const HostDatabase&) = delete;

    bool IsRemote() const { return server_ != nullptr; }

    // A query of this host. Against a remote server its name must be the
    // name the statement is declared under.
    SqlQuery Query(const QString& name, SqlTexts texts) const;
    // Runs the query here, or on the server by its name with its parameters.
    // Every failure is a SqlError naming the query.
    DataPacket Open(SqlQuery& query);
    void Open(SqlQuery& query, ClientDataSet& target);
    // Asks the server for the rows of a declared statement.
    DataPacket open(const QString& name, const std::vector<SqlParam>& params);

private:
    HostDatabase() = default;

    QString connectionName_;
    QSqlDatabase db_;
    std::unique_ptr<TNetConnection> server_;
};

// The parameters of a statement as the server receives them: one field per
// parameter, one row of values.
DataPacket statementParamsPacket(const std::vector<SqlParam>& params);

// The host connection of the process, installed by the application before
// any screen opens. Using it before that is a wiring fault (std::logic_error).
HostDatabase& hostDatabase();
// Installs the host (not owned; null removes it) and returns the previous.
HostDatabase* SetHostDatabase(HostDatabase* host);

} // namespace cmp::fw
