#include "framework/sql/host_database.h"

#include "framework/data/client_dataset.h"
#include "framework/net/net_connection.h"

#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <stdexcept>
#include <utility>

namespace cmp::fw {

namespace {

HostDatabase* installedHost = nullptr;

QString uniqueConnectionName()
{
    static std::atomic<int> count{0};
    return QStringLiteral("cmp_host_database_%1").arg(++count);
}

[[noreturn]] void fail(const QString& name, const QString& what)
{
    throw SqlError(QStringLiteral("%1: %2").arg(name, what).toStdString());
}

void execPragma(QSqlDatabase& db, const QString& pragma)
{
    QSqlQuery query(db);
    if (!query.exec(pragma))
        fail(db.databaseName(), query.lastError().text());
}

FieldType fieldTypeOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return FieldType::Integer;
    case QMetaType::Float:
    case QMetaType::Double:
        return FieldType::Float;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::Bool:
        return FieldType::Boolean;
    default:
        return FieldType::String; // also null: the database takes it for any type
    }
}

} // namespace

std::unique_ptr<HostDatabase> HostDatabase::Embedded(const QString& sqlitePath,
                                                     const FunctionInstaller& installFunctions)
{
    std::unique_ptr<HostDatabase> host(new HostDatabase);
    host->connectionName_ = uniqueConnectionName();
    host->db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), host->connectionName_);
    host->db_.setDatabaseName(sqlitePath);
    if (!host->db_.open())
        fail(sqlitePath, host->db_.lastError().text());
    // WAL lets this connection read while the in-process server writes.
    execPragma(host->db_, QStringLiteral("PRAGMA journal_mode=WAL"));
    execPragma(host->db_, QStringLiteral("PRAGMA busy_timeout=5000"));
    installFunctions(host->db_);
    return host;
}

std::unique_ptr<HostDatabase> HostDatabase::Remote(const QString& webURL, int webPort)
{
    std::unique_ptr<HostDatabase> host(new HostDatabase);
    host->server_ = std::make_unique<TNetConnection>(runStatementModule);
    host->server_->SetWebURL(webURL);
    host->server_->SetWebPort(webPort);
    return host;
}

HostDatabase::~HostDatabase()
{
    if (connectionName_.isEmpty())
        return;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

SqlQuery HostDatabase::Query(const QString& name, SqlTexts texts) const
{
    return SqlQuery(name, std::move(texts), db_);
}

DataPacket HostDatabase::Open(SqlQuery& query)
{
    return IsRemote() ? open(query.Name(), query.Params()) : query.Open();
}

void HostDatabase::Open(SqlQuery& query, ClientDataSet& target)
{
    target.SetData(Open(query));
}

DataPacket HostDatabase::open(const QString& name, const std::vector<SqlParam>& params)
{
    if (!IsRemote())
        throw std::logic_error("HostDatabase::open by name needs a remote server");
    const RemoteReply reply =
        server_->Call(runStatementMethod, {RemoteValue(name), statementParamsPacket(params)});
    if (!reply.ok)
        fail(name, reply.error);
    if (reply.result.kind() != RemoteValue::Kind::Packet)
        fail(name, QStringLiteral("o servidor não devolveu registros"));
    return reply.result.toPacket();
}

DataPacket statementParamsPacket(const std::vector<SqlParam>& params)
{
    DataPacket packet;
    PacketRow row;
    for (const SqlParam& param : params) {
        if (!param.Assigned())
            continue; // the server names the parameter that lacks a value
        // A text travels in a field as wide as itself: the packet refuses a
        // text longer than its field.
        const FieldType type = fieldTypeOf(param.Value());
        const int size = type == FieldType::String ? int(param.Value().toString().size()) : 0;
        packet.fields.push_back({param.Name(), type, size});
        row.values.push_back(param.Value());
    }
    packet.rows.push_back(std::move(row));
    return packet;
}

HostDatabase& hostDatabase()
{
    if (!installedHost)
        throw std::logic_error("no host database installed");
    return *installedHost;
}

HostDatabase* SetHostDatabase(HostDatabase* host)
{
    return std::exchange(installedHost, host);
}

} // namespace cmp::fw
