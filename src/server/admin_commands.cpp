#include "server/admin_commands.h"

#include "db/demo_data.h"
#include "db/migrations.h"
#include "db/password_hash.h"
#include "framework/core/strings.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace cmp::server {

namespace {

constexpr int operatorCodeWidth = 12;
constexpr int operatorNameWidth = 40;
constexpr int operatorEmailWidth = 100;

// A bare connection that only reads SCHEMA_VERSION: the server's own
// connections migrate as they open, which would hide the version found.
class ProbeConnection
{
public:
    explicit ProbeConnection(const DatabaseConfig& config)
        : name_(QStringLiteral("cmp_admin_probe_%1").arg(++count_))
    {
        const bool sqlite = config.kind == DatabaseConfig::Kind::SQLite;
        db_ = config.addConnection(name_);
        if (!db_.open())
            throw DatabaseError(QStringLiteral("Cannot open the %1 database: %2")
                                    .arg(config.kindName(), db_.lastError().text())
                                    .toStdString());
        if (!sqlite && !config.schema.isEmpty())
            useSchema(config.schema);
    }

    ~ProbeConnection()
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    ProbeConnection(const ProbeConnection&) = delete;
    ProbeConnection& operator=(const ProbeConnection&) = delete;

    QSqlDatabase& db() { return db_; }

private:
    // Bound and quoted by the server, so any text is safe here; whether it
    // is an acceptable name is the server connection's judgement.
    void useSchema(const QString& schema)
    {
        QSqlQuery query(db_);
        query.prepare(QStringLiteral("SELECT set_config('search_path', quote_ident(?), false)"));
        query.addBindValue(schema);
        if (!query.exec())
            throw DatabaseError(query.lastError().text().toStdString());
    }

    static inline std::atomic<int> count_{0};
    QString name_;
    QSqlDatabase db_;
};

int storedSchemaVersion(const DatabaseConfig& config)
{
    // Opening a missing SQLite file would create it.
    if (config.kind == DatabaseConfig::Kind::SQLite && !QFileInfo::exists(config.sqlitePath))
        return 0;
    ProbeConnection probe(config);
    try {
        return db::schemaVersion(probe.db());
    } catch (const db::MigrationError& error) {
        throw DatabaseError(error.what());
    }
}

DatabaseConfig requireSchema(DatabaseConfig config)
{
    if (storedSchemaVersion(config) == 0)
        throw AdminError("The database has no schema yet: create it with \"cmp-admin migrate\" "
                         "(or \"cmp-admin demo\") first.");
    return config;
}

QSqlQuery run(QSqlDatabase db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw DatabaseError(
            QStringLiteral("%1: %2").arg(sql, query.lastError().text()).toStdString());
    return query;
}

bool hasRows(QSqlDatabase db, const QString& table)
{
    return run(db, QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table), {}).next();
}

void checkWidth(const QString& what, const QString& value, int width)
{
    if (value.size() > width)
        throw AdminError(QStringLiteral("The %1 has more than %2 characters.")
                             .arg(what)
                             .arg(width)
                             .toStdString());
}

void checkPassword(const QString& password)
{
    if (password.isEmpty())
        throw AdminError("The password is empty.");
}

} // namespace

SchemaChange migrateDatabase(const DatabaseConfig& config)
{
    SchemaChange change;
    change.from = storedSchemaVersion(config);
    ServerDatabase database(config);
    QSqlDatabase db = database.connection();
    change.to = db::schemaVersion(db);
    return change;
}

QString operatorCode(const QString& typed)
{
    const QString code = fw::Ajusta(typed, operatorCodeWidth);
    if (code.isEmpty())
        throw AdminError("The operator code is empty.");
    checkWidth(QStringLiteral("operator code"), code, operatorCodeWidth);
    return code;
}

AdminDatabase::AdminDatabase(DatabaseConfig config) : database_(requireSchema(std::move(config))) {}

void AdminDatabase::loadDemo()
{
    QSqlDatabase db = database_.connection();
    for (const char* table : {"FILIAL", "PRODUTO", "OPERADOR", "SOLICITA"})
        if (hasRows(db, QString::fromLatin1(table)))
            throw AdminError(QStringLiteral("The database already holds data (table %1 is not "
                                            "empty): the demo data set loads only into an empty "
                                            "database.")
                                 .arg(QString::fromLatin1(table))
                                 .toStdString());
    db::loadDemoData(db);
}

void AdminDatabase::generateRequisitions(int count, const db::LargeDataProgress& progress)
{
    if (count < 1)
        throw AdminError("The number of requisitions must be at least 1.");
    QSqlDatabase db = database_.connection();
    db::generateRequisitions(db, count, progress);
}

void AdminDatabase::addOperator(const NewOperator& entry)
{
    const QString code = operatorCode(entry.code);
    const QString name = entry.name.trimmed();
    if (name.isEmpty())
        throw AdminError("The operator name is empty.");
    checkWidth(QStringLiteral("operator name"), name, operatorNameWidth);
    checkWidth(QStringLiteral("e-mail address"), entry.email, operatorEmailWidth);
    checkPassword(entry.password);
    QSqlDatabase db = database_.connection();
    if (run(db, QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {code}).next())
        throw AdminError(QStringLiteral("Operator %1 already exists.").arg(code).toStdString());
    const QVariant email = entry.email.isEmpty() ? QVariant() : QVariant(entry.email);
    run(db,
        QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSEMAILOPER, DSSENHAOPER, "
                       "IDATIVOOPER) VALUES (?, ?, ?, ?, 'S')"),
        {code, name, email, db::hashPassword(entry.password)});
}

void AdminDatabase::setOperatorPassword(const QString& code, const QString& password)
{
    checkPassword(password);
    updateOperator(code, QStringLiteral("DSSENHAOPER"), db::hashPassword(password));
}

void AdminDatabase::disableOperator(const QString& code)
{
    updateOperator(code, QStringLiteral("IDATIVOOPER"), QStringLiteral("N"));
}

void AdminDatabase::updateOperator(const QString& code, const QString& column, const QString& value)
{
    const QString stored = operatorCode(code);
    const QSqlQuery query =
        run(database_.connection(),
            QStringLiteral("UPDATE OPERADOR SET %1 = ? WHERE CDOPERADOR = ?").arg(column),
            {value, stored});
    if (query.numRowsAffected() == 0)
        throw AdminError(QStringLiteral("There is no operator %1.").arg(stored).toStdString());
}

} // namespace cmp::server
