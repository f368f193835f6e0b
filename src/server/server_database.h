#pragma once

#include <QSqlDatabase>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace cmp::server {

// Where the server keeps its data: a SQLite file (the embedded default) or a
// PostgreSQL database shared by any number of servers.
struct DatabaseConfig
{
    enum class Kind
    {
        SQLite,
        PostgreSQL
    };

    Kind kind = Kind::SQLite;
    QString sqlitePath;
    QString host;
    int port = 5432;
    QString user;
    QString password;
    QString database;
    // PostgreSQL schema to work in instead of the user's default search path.
    QString schema;
    // How long a SQLite writer waits for another one before giving up.
    std::chrono::milliseconds busyTimeout{5000};

    static DatabaseConfig sqlite(QString path);
    static DatabaseConfig postgres(QString host, int port, QString user, QString password,
                                   QString database);
    QString kindName() const; // "SQLite", "PostgreSQL"
    // A named Qt connection to this database, set up but not yet open.
    QSqlDatabase addConnection(const QString& name) const;
};

// The server could not reach or prepare its database.
class DatabaseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The server's database connections. Qt lets a connection be used only by the
// thread that opened it, so every thread that serves calls gets one of its
// own, opened on first use and kept until this object goes or it breaks.
class ServerDatabase
{
public:
    // Opens the first connection and brings the schema up to date; throws
    // DatabaseError when either fails.
    explicit ServerDatabase(DatabaseConfig config);
    ~ServerDatabase();

    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    const DatabaseConfig& config() const { return config_; }
    // The calling thread's connection; throws DatabaseError when it cannot open.
    QSqlDatabase connection();
    // Whether the connection still reaches the database. Qt keeps calling a
    // connection open after the server behind it restarted; only a statement
    // tells.
    static bool reachable(QSqlDatabase& db);
    // Closes the calling thread's connection, so that the next connection()
    // opens a fresh one. Every handle to it must be gone.
    void discard();

private:
    QString connectionName() const;
    QSqlDatabase open(const QString& name);
    void prepareSqlite(QSqlDatabase& db);
    void usePostgresSchema(QSqlDatabase& db);
    void forget(const QString& name);
    void removeConnections();

    DatabaseConfig config_;
    const int instance_;
    std::mutex mutex_;
    std::vector<QString> names_;
};

} // namespace cmp::server
