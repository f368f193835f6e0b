#pragma once

#include "framework/data/data_packet.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <vector>

class QSqlError;
class QSqlQuery;

namespace cmp::fw {

class ClientDataSet;

// A query that could not run: a parameter without value or unknown, or the
// database refused it. The message names the query and carries the driver's
// text.
class SqlError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class SqlDialect
{
    Generic, // also InterBase; SQLite and PostgreSQL run it through the dialect functions
    Oracle,
    MsSql
};

// Oracle through QOCI; SQL Server through ODBC or TDS; anything else runs
// the generic text.
SqlDialect sqlDialectOf(const QSqlDatabase& db);

// The texts of one query, one per dialect. An empty dialect text means the
// generic text serves that dialect too.
struct SqlTexts
{
    QString SQL{};
    QString SQL_ORACLE{};
    QString SQL_MSSQL{};
};

// A named parameter (:P_NAME in the text). It keeps its value between runs.
class SqlParam
{
public:
    explicit SqlParam(QString name) : name_(std::move(name)) {}

    const QString& Name() const { return name_; }
    // A null QVariant binds SQL NULL; an empty string binds the empty string.
    void SetValue(const QVariant& value)
    {
        value_ = value;
        assigned_ = true;
    }
    const QVariant& Value() const { return value_; }
    bool Assigned() const { return assigned_; }

private:
    QString name_;
    QVariant value_;
    bool assigned_ = false;
};

// The query object of lookups and checks: runs the text of the connected
// database's dialect with its named parameters bound, never spliced in.
// Every failure is a SqlError naming the query.
class SqlQuery
{
public:
    SqlQuery(QString name, SqlTexts texts, QSqlDatabase db = QSqlDatabase::database());

    const QString& Name() const { return name_; }
    // Replaces the texts; the parameters are read again and start without values.
    void SetTexts(SqlTexts texts);
    // The text the connection runs, as written.
    const QString& Text() const { return text_; }

    const std::vector<SqlParam>& Params() const { return params_; }
    SqlParam& ParamByName(const QString& name); // case-insensitive

    // Runs the SELECT and returns its rows; a text that returns no rows is
    // refused once it has run, so statements belong in ExecSQL. Column names
    // come upper-cased (PostgreSQL folds unquoted names to lower case); text
    // columns of unknown width come as String of size 0, which the record
    // set leaves unbounded.
    DataPacket Open();
    void Open(ClientDataSet& target);
    // Runs a statement that returns no rows; gives the number of rows affected.
    int ExecSQL();

private:
    QSqlQuery run();
    std::vector<FieldDef> fieldDefs(const QSqlQuery& query) const;
    PacketRow readRow(const QSqlQuery& query, const std::vector<FieldDef>& fields) const;
    [[noreturn]] void fail(const QString& what) const;
    [[noreturn]] void fail(const QSqlError& error) const;

    QString name_;
    QSqlDatabase db_;
    QString text_;
    QString positionalText_;       // text_ with every :P_NAME turned into ?
    std::vector<SqlParam> params_; // in order of first appearance
    std::vector<int> bindOrder_;   // the parameter of each ?, in text order
};

using TADOIBQuery = SqlQuery;

// Refines the field a result column loads into, from what the driver knows
// beyond Qt's metadata (SQLite declares DATE columns, Qt reports them as
// text). It leaves `def` alone when it knows nothing better.
using SqlColumnTyper = std::function<void(const QSqlQuery& query, int column, FieldDef& def)>;
// Installs the typer of one driver (QSqlDatabase::driverName()); the
// database layer does this for SQLite.
void setSqlColumnTyper(const QString& driverName, SqlColumnTyper typer);

} // namespace cmp::fw
