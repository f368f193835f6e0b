#include "framework/sql/sql_query.h"

#include "framework/data/client_dataset.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <mutex>

namespace cmp::fw {

namespace {

struct PositionalSql
{
    QString text;
    QStringList names; // one per ?, in text order
};

bool isNameStart(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

// Length of the :NAME starting at `at`; 0 when there is none.
qsizetype placeholderLength(const QString& sql, qsizetype at)
{
    if (sql[at] != u':' || at + 1 >= sql.size() || !isNameStart(sql[at + 1]))
        return 0;
    qsizetype end = at + 1;
    while (end < sql.size() && isNameChar(sql[end]))
        ++end;
    return end - at;
}

enum class RunKind
{
    Verbatim,
    Placeholder,
    Comment,
};

struct Run
{
    RunKind kind = RunKind::Verbatim;
    qsizetype length = 1;
};

// What starts at `at`: a literal, quoted identifier, comment, :NAME or
// PostgreSQL :: cast, else one character of code. A doubled quote inside a
// literal reads as two adjacent literals, which copies the same characters.
Run runAt(const QString& sql, qsizetype at)
{
    const auto through = [&](RunKind kind, QStringView closing, qsizetype from) {
        const qsizetype end = sql.indexOf(closing, from);
        return Run{kind, (end < 0 ? sql.size() : end + closing.size()) - at};
    };
    const QStringView rest = QStringView(sql).mid(at);
    if (rest.startsWith(u'\''))
        return through(RunKind::Verbatim, u"'", at + 1);
    if (rest.startsWith(u'"'))
        return through(RunKind::Verbatim, u"\"", at + 1);
    if (rest.startsWith(u"/*+")) // Oracle's optimizer hints
        return through(RunKind::Verbatim, u"*/", at + 3);
    if (rest.startsWith(u"/*"))
        return through(RunKind::Comment, u"*/", at + 2);
    if (rest.startsWith(u"--"))
        return through(RunKind::Comment, u"\n", at + 2);
    if (rest.startsWith(u"::"))
        return {RunKind::Verbatim, 2};
    if (const qsizetype length = placeholderLength(sql, at))
        return {RunKind::Placeholder, length};
    return {};
}

// Turns each :NAME outside literals and comments into a positional ?, which
// every Qt driver binds. Comments are left out: Qt's own scan for
// placeholders does not know them and would take a :NAME there for one.
PositionalSql toPositional(const QString& sql)
{
    PositionalSql out;
    for (qsizetype at = 0; at < sql.size();) {
        const Run run = runAt(sql, at);
        const QStringView text = QStringView(sql).mid(at, run.length);
        switch (run.kind) {
        case RunKind::Verbatim:
            out.text += text;
            break;
        case RunKind::Placeholder:
            out.names.append(text.mid(1).toString());
            out.text += u'?';
            break;
        case RunKind::Comment:
            out.text += u' ';
            break;
        }
        at += run.length;
    }
    return out;
}

const QString& textOf(const SqlTexts& texts, SqlDialect dialect)
{
    const QString& own = dialect == SqlDialect::Oracle  ? texts.SQL_ORACLE
                         : dialect == SqlDialect::MsSql ? texts.SQL_MSSQL
                                                        : texts.SQL;
    return own.isEmpty() ? texts.SQL : own;
}

// The schema keeps date-times as wall-clock TIMESTAMP without zone. Qt's
// PostgreSQL driver sends a QDateTime as an instant, which such a column
// stores at its UTC hour; as local text every driver keeps the hour given.
QVariant boundValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime && !value.isNull())
        return value.toDateTime().toLocalTime().toString(Qt::ISODateWithMs);
    return value;
}

FieldDef fieldDefOf(const QSqlField& field)
{
    FieldDef def{field.name().toUpper(), FieldType::String, 0};
    switch (field.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QChar:
        def.size = std::max(0, field.length());
        break;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        def.type = FieldType::Integer;
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        def.type = FieldType::Float;
        break;
    case QMetaType::QDate:
        def.type = FieldType::Date;
        break;
    case QMetaType::QDateTime:
        def.type = FieldType::DateTime;
        break;
    case QMetaType::Bool:
        def.type = FieldType::Boolean;
        break;
    default:
        break; // unknown (an empty SQLite result) or rare kinds: unbounded text
    }
    return def;
}

struct ColumnTypers
{
    std::mutex mutex;
    QHash<QString, SqlColumnTyper> byDriver;
};

ColumnTypers& columnTypers()
{
    static ColumnTypers typers;
    return typers;
}

SqlColumnTyper columnTyperOf(const QString& driverName)
{
    ColumnTypers& typers = columnTypers();
    const std::lock_guard lock(typers.mutex);
    return typers.byDriver.value(driverName);
}

} // namespace

SqlDialect sqlDialectOf(const QSqlDatabase& db)
{
    const QString driver = db.driverName();
    if (driver == QLatin1String("QOCI"))
        return SqlDialect::Oracle;
    if (driver == QLatin1String("QODBC") || driver == QLatin1String("QTDS"))
        return SqlDialect::MsSql;
    return SqlDialect::Generic;
}

void setSqlColumnTyper(const QString& driverName, SqlColumnTyper typer)
{
    ColumnTypers& typers = columnTypers();
    const std::lock_guard lock(typers.mutex);
    typers.byDriver.insert(driverName, std::move(typer));
}

SqlQuery::SqlQuery(QString name, SqlTexts texts, QSqlDatabase db)
    : name_(std::move(name)), db_(std::move(db))
{
    SetTexts(std::move(texts));
}

void SqlQuery::SetTexts(SqlTexts texts)
{
    text_ = textOf(texts, sqlDialectOf(db_));
    PositionalSql positional = toPositional(text_);
    positionalText_ = std::move(positional.text);
    params_.clear();
    bindOrder_.clear();
    for (const QString& name : positional.names) {
        const auto same = [&](const SqlParam& p) {
            return p.Name().compare(name, Qt::CaseInsensitive) == 0;
        };
        auto found = std::find_if(params_.begin(), params_.end(), same);
        if (found == params_.end())
            found = params_.emplace(params_.end(), name);
        bindOrder_.push_back(static_cast<int>(found - params_.begin()));
    }
}

SqlParam& SqlQuery::ParamByName(const QString& name)
{
    for (SqlParam& param : params_)
        if (param.Name().compare(name, Qt::CaseInsensitive) == 0)
            return param;
    fail(QStringLiteral("parâmetro '%1' não existe na consulta").arg(name));
}

DataPacket SqlQuery::Open()
{
    QSqlQuery query = run();
    if (!query.isSelect())
        fail(QStringLiteral("a consulta não devolve registros"));
    DataPacket packet;
    packet.fields = fieldDefs(query);
    while (query.next())
        packet.rows.push_back(readRow(query, packet.fields));
    if (query.lastError().isValid())
        fail(query.lastError());
    return packet;
}

void SqlQuery::Open(ClientDataSet& target)
{
    target.SetData(Open());
}

int SqlQuery::ExecSQL()
{
    return run().numRowsAffected();
}

// Checks everything the database cannot, then prepares, binds and runs.
QSqlQuery SqlQuery::run()
{
    for (const SqlParam& param : params_)
        if (!param.Assigned())
            fail(QStringLiteral("parâmetro '%1' sem valor").arg(param.Name()));
    if (!db_.isOpen())
        fail(QStringLiteral("a conexão com o banco de dados não está aberta"));
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!query.prepare(positionalText_))
        fail(query.lastError());
    for (int index : bindOrder_)
        query.addBindValue(boundValue(params_[static_cast<size_t>(index)].Value()));
    if (!query.exec())
        fail(query.lastError());
    return query;
}

std::vector<FieldDef> SqlQuery::fieldDefs(const QSqlQuery& query) const
{
    const QSqlRecord record = query.record();
    const SqlColumnTyper typer = columnTyperOf(db_.driverName());
    std::vector<FieldDef> defs;
    defs.reserve(static_cast<size_t>(record.count()));
    for (int column = 0; column < record.count(); ++column) {
        defs.push_back(fieldDefOf(record.field(column)));
        if (typer)
            typer(query, column, defs.back());
    }
    return defs;
}

PacketRow SqlQuery::readRow(const QSqlQuery& query, const std::vector<FieldDef>& fields) const
{
    PacketRow row;
    row.values.resize(fields.size());
    for (size_t column = 0; column < fields.size(); ++column) {
        const QVariant value = query.value(static_cast<int>(column));
        if (!coerceValue(fields[column].type, value, row.values[column]))
            fail(QStringLiteral("valor '%1' inválido para a coluna %2")
                     .arg(value.toString(), fields[column].name));
    }
    return row;
}

void SqlQuery::fail(const QString& what) const
{
    throw SqlError(QStringLiteral("%1: %2").arg(name_, what).toStdString());
}

void SqlQuery::fail(const QSqlError& error) const
{
    fail(error.text());
}

} // namespace cmp::fw
