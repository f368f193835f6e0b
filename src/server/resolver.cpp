#include "server/resolver.h"

#include "db/sql_values.h"
#include "framework/core/formats.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>
#include <compare>
#include <map>
#include <optional>

namespace cmp::server {

namespace {

using fw::DataPacket;
using fw::PacketRow;
using fw::UpdateStatus;

// A float still matches its original within this fraction of the original's
// magnitude (see resolver.h).
constexpr double floatTolerance = 1e-9;

enum class Operation
{
    Insert,
    Update,
    Delete,
    Exists // whether the row is still there, to word a conflict
};

// How a WHERE clause compares a column with the client's original value.
enum class Match
{
    Equal,
    Null,
    Near // floats
};

struct Comparison
{
    int column = 0; // into TablePlan::columns
    Match match = Match::Equal;

    auto operator<=>(const Comparison&) const = default;
};

// What one statement writes and compares; rows of the same shape share a
// prepared statement.
struct Shape
{
    Operation operation = Operation::Insert;
    std::vector<int> written; // into TablePlan::columns
    std::vector<Comparison> compared;

    auto operator<=>(const Shape&) const = default;
};

// A column of the target that the packet carries.
struct Column
{
    QString name; // the target's spelling, confirmed by the catalog
    int packetIndex = -1;
    bool key = false;
    bool writable = false;
};

// One target matched with its packet's fields.
struct TablePlan
{
    QString table;
    const DataPacket* delta = nullptr;
    std::vector<Column> columns; // key fields first
    std::map<Shape, QSqlQuery> statements;

    int width() const { return static_cast<int>(columns.size()); }
    // The value of columns[column] in a packet row's values or originals.
    const QVariant& valueOf(const std::vector<QVariant>& values, int column) const
    {
        return values[static_cast<size_t>(columns[static_cast<size_t>(column)].packetIndex)];
    }
};

// Names go into SQL text, so beyond being declared they must be plain.
bool isPlainName(const QString& name)
{
    static const QRegularExpression plain(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]{0,62}")));
    return plain.match(name).hasMatch();
}

// PostgreSQL folds unquoted names to lower case, and its catalog keeps them so.
QString catalogName(const QSqlDatabase& db, const QString& table)
{
    return db.driverName() == QLatin1String("QPSQL") ? table.toLower() : table;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isValid() != b.isValid())
        return false;
    return !a.isValid() || a == b;
}

QVariant boundValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime && !value.isNull())
        return db::timestampValue(value.toDateTime());
    return value;
}

Comparison comparisonOf(int column, const QVariant& original)
{
    if (!original.isValid())
        return {column, Match::Null};
    if (original.typeId() == QMetaType::Double)
        return {column, Match::Near};
    return {column, Match::Equal};
}

QString keyText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return fw::FormatDate(value.toDate());
    case QMetaType::QDateTime:
        return fw::FormatDateTime(value.toDateTime());
    default:
        return value.toString();
    }
}

// The values a row's WHERE clause compares with: what the client loaded.
const std::vector<QVariant>& originalsOf(const PacketRow& row)
{
    return row.status == UpdateStatus::Modified ? row.original : row.values;
}

Shape insertShape(const TablePlan& plan, const PacketRow& row)
{
    Shape shape{Operation::Insert, {}, {}};
    for (int i = 0; i < plan.width(); ++i)
        if (plan.valueOf(row.values, i).isValid()) // left out, so that the table's default applies
            shape.written.push_back(i);
    return shape;
}

// Writes and compares only the changed columns, besides the key.
Shape updateShape(const TablePlan& plan, const PacketRow& row)
{
    Shape shape{Operation::Update, {}, {}};
    for (int i = 0; i < plan.width(); ++i) {
        const Column& column = plan.columns[static_cast<size_t>(i)];
        const QVariant& original = plan.valueOf(row.original, i);
        const bool changed = column.writable && !sameValue(plan.valueOf(row.values, i), original);
        if (changed)
            shape.written.push_back(i);
        if (changed || column.key)
            shape.compared.push_back(comparisonOf(i, original));
    }
    return shape;
}

// A delete compares every column the packet carries; an existence check only the key.
Shape comparingShape(Operation operation, const TablePlan& plan, const PacketRow& row)
{
    Shape shape{operation, {}, {}};
    for (int i = 0; i < plan.width(); ++i)
        if (operation == Operation::Delete || plan.columns[static_cast<size_t>(i)].key)
            shape.compared.push_back(comparisonOf(i, plan.valueOf(originalsOf(row), i)));
    return shape;
}

// Nothing when the row changed no column of the target.
std::optional<Shape> shapeOf(const TablePlan& plan, const PacketRow& row)
{
    switch (row.status) {
    case UpdateStatus::Inserted:
        return insertShape(plan, row);
    case UpdateStatus::Modified: {
        Shape shape = updateShape(plan, row);
        return shape.written.empty() ? std::nullopt : std::optional(std::move(shape));
    }
    case UpdateStatus::Deleted:
        return comparingShape(Operation::Delete, plan, row);
    case UpdateStatus::Unmodified:
        break;
    }
    Q_ASSERT(false); // applyRows passes over unmodified rows
    return std::nullopt;
}

class Resolution
{
public:
    explicit Resolution(QSqlDatabase& db) : db_(db) {}

    bool plan(const TargetChanges& changes);
    void run();
    ResolveResult take() { return std::move(result_); }

private:
    bool fail(const QString& error);
    bool addColumn(TablePlan& plan, const QSqlRecord& record, const QString& name, bool key);
    bool applyRows(TablePlan& plan, bool deletes);
    bool applyRow(TablePlan& plan, const PacketRow& row, int rowNumber);
    QSqlQuery* statement(TablePlan& plan, const Shape& shape);
    QString sqlOf(const TablePlan& plan, const Shape& shape) const;
    std::optional<int> execute(TablePlan& plan, const Shape& shape, const PacketRow& row);
    bool reportConflict(TablePlan& plan, const PacketRow& row);

    QSqlDatabase& db_;
    std::vector<TablePlan> plans_;
    ResolveResult result_;
};

bool Resolution::fail(const QString& error)
{
    result_.error = error;
    return false;
}

bool Resolution::plan(const TargetChanges& changes)
{
    const ResolveTarget& target = changes.target;
    if (!changes.delta.hasChanges())
        return true;
    const QSqlRecord record =
        isPlainName(target.table) ? db_.record(catalogName(db_, target.table)) : QSqlRecord();
    if (record.isEmpty())
        return fail(QStringLiteral("Tabela desconhecida: %1").arg(target.table));
    TablePlan plan{target.table, &changes.delta, {}, {}};
    for (const QString& name : target.keyFields)
        if (!addColumn(plan, record, name, true))
            return false;
    for (const QString& name : target.columns)
        if (!addColumn(plan, record, name, false))
            return false;
    plans_.push_back(std::move(plan));
    return true;
}

bool Resolution::addColumn(TablePlan& plan, const QSqlRecord& record, const QString& name, bool key)
{
    if (!isPlainName(name) || !record.contains(name))
        return fail(QStringLiteral("Coluna desconhecida em %1: %2").arg(plan.table, name));
    const int packetIndex = plan.delta->fieldIndex(name);
    if (key && packetIndex < 0)
        return fail(QStringLiteral("Pacote de %1 sem o campo chave %2").arg(plan.table, name));
    if (packetIndex < 0)
        return true; // a column this client does not send keeps its stored value
    for (Column& column : plan.columns) {
        if (column.name.compare(name, Qt::CaseInsensitive) == 0) {
            column.writable = column.writable || !key;
            return true;
        }
    }
    plan.columns.push_back({name, packetIndex, key, !key});
    return true;
}

void Resolution::run()
{
    for (TablePlan& plan : plans_)
        if (!applyRows(plan, false))
            return;
    for (auto plan = plans_.rbegin(); plan != plans_.rend(); ++plan)
        if (!applyRows(*plan, true))
            return;
}

bool Resolution::applyRows(TablePlan& plan, bool deletes)
{
    const auto& rows = plan.delta->rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        const PacketRow& row = rows[i];
        if (row.status == UpdateStatus::Unmodified ||
            (row.status == UpdateStatus::Deleted) != deletes)
            continue;
        if (!applyRow(plan, row, static_cast<int>(i) + 1))
            return false;
    }
    return true;
}

bool Resolution::applyRow(TablePlan& plan, const PacketRow& row, int rowNumber)
{
    const size_t width = plan.delta->fields.size();
    if (row.values.size() != width ||
        (row.status == UpdateStatus::Modified && row.original.size() != width))
        return fail(QStringLiteral("Pacote de %1 inválido: linha %2 sem um valor por campo")
                        .arg(plan.table)
                        .arg(rowNumber));
    const std::optional<Shape> shape = shapeOf(plan, row);
    if (!shape)
        return true; // nothing this target stores was changed
    const std::optional<int> affected = execute(plan, *shape, row);
    if (!affected)
        return false;
    return *affected > 0 || reportConflict(plan, row);
}

QString Resolution::sqlOf(const TablePlan& plan, const Shape& shape) const
{
    QStringList written;
    for (int i : shape.written)
        written.append(plan.columns[static_cast<size_t>(i)].name);
    QStringList conditions;
    for (const Comparison& comparison : shape.compared) {
        const QString& name = plan.columns[static_cast<size_t>(comparison.column)].name;
        switch (comparison.match) {
        case Match::Equal:
            conditions.append(name + QStringLiteral(" = ?"));
            break;
        case Match::Null:
            conditions.append(name + QStringLiteral(" IS NULL"));
            break;
        case Match::Near:
            conditions.append(QStringLiteral("ABS(%1 - ?) <= ?").arg(name));
            break;
        }
    }
    const QString where = conditions.join(QStringLiteral(" AND "));
    switch (shape.operation) {
    case Operation::Insert:
        // The primary key refuses a second row; DO NOTHING turns that into
        // "no row inserted", which also holds against a concurrent insert.
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
            .arg(plan.table, written.join(QStringLiteral(", ")),
                 QStringList(written.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    case Operation::Update:
        return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
            .arg(plan.table, written.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ?"),
                 where);
    case Operation::Delete:
        return QStringLiteral("DELETE FROM %1 WHERE %2").arg(plan.table, where);
    case Operation::Exists:
        return QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(plan.table, where);
    }
    Q_UNREACHABLE();
}

QSqlQuery* Resolution::statement(TablePlan& plan, const Shape& shape)
{
    auto found = plan.statements.find(shape);
    if (found != plan.statements.end())
        return &found->second;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.prepare(sqlOf(plan, shape))) {
        fail(QStringLiteral("Erro ao gravar %1: %2").arg(plan.table, query.lastError().text()));
        return nullptr;
    }
    return &plan.statements.emplace(shape, std::move(query)).first->second;
}

// Rows the statement affected (for Exists: whether a row was found), or
// nothing after a database error.
std::optional<int> Resolution::execute(TablePlan& plan, const Shape& shape, const PacketRow& row)
{
    QSqlQuery* query = statement(plan, shape);
    if (!query)
        return std::nullopt;
    int position = 0;
    for (int column : shape.written)
        query->bindValue(position++, boundValue(plan.valueOf(row.values, column)));
    for (const Comparison& comparison : shape.compared) {
        const QVariant& original = plan.valueOf(originalsOf(row), comparison.column);
        if (comparison.match != Match::Null)
            query->bindValue(position++, boundValue(original));
        if (comparison.match == Match::Near)
            query->bindValue(position++, std::abs(original.toDouble()) * floatTolerance);
    }
    if (!query->exec()) {
        fail(QStringLiteral("Erro ao gravar %1: %2").arg(plan.table, query->lastError().text()));
        return std::nullopt;
    }
    const int affected =
        shape.operation == Operation::Exists ? int(query->next()) : query->numRowsAffected();
    query->finish();
    return affected;
}

// Records the conflict of a row that changed nothing; false only when the
// check itself failed.
bool Resolution::reportConflict(TablePlan& plan, const PacketRow& row)
{
    QStringList keyValues;
    for (int i = 0; i < plan.width(); ++i)
        if (plan.columns[static_cast<size_t>(i)].key)
            keyValues.append(keyText(plan.valueOf(originalsOf(row), i)));
    QString wording = QStringLiteral("Registro já incluído por outro usuário: %1 %2");
    if (row.status != UpdateStatus::Inserted) {
        const std::optional<int> exists =
            execute(plan, comparingShape(Operation::Exists, plan, row), row);
        if (!exists)
            return false;
        wording = *exists ? QStringLiteral("Registro alterado por outro usuário: %1 %2")
                          : QStringLiteral("Registro excluído por outro usuário: %1 %2");
    }
    result_.conflicts.push_back(
        {plan.table, keyValues, wording.arg(plan.table, keyValues.join(QLatin1Char('/')))});
    return true;
}

} // namespace

QString ResolveResult::errorText() const
{
    if (!error.isEmpty())
        return error;
    QStringList messages;
    for (const ResolveConflict& conflict : conflicts)
        messages.append(conflict.message);
    return messages.join(QLatin1Char('\n'));
}

ResolveResult resolveInTransaction(QSqlDatabase& db, const std::vector<TargetChanges>& changes)
{
    Resolution resolution(db);
    for (const TargetChanges& change : changes)
        if (!resolution.plan(change))
            return resolution.take();
    resolution.run();
    return resolution.take();
}

ResolveResult applyChangePackets(QSqlDatabase& db, const std::vector<TargetChanges>& changes)
{
    WriteTransaction transaction(db);
    if (!transaction.begin())
        return {transaction.lastError(), {}};
    ResolveResult result = resolveInTransaction(db, changes);
    if (result.ok() && !transaction.commit())
        result.error = transaction.lastError();
    return result;
}

ResolveResult applyChangePacket(QSqlDatabase& db, const ResolveTarget& target,
                                const fw::DataPacket& delta)
{
    return applyChangePackets(db, {{target, delta}});
}

// --- WriteTransaction -----------------------------------------------------------

WriteTransaction::WriteTransaction(QSqlDatabase& db) : db_(db) {}

WriteTransaction::~WriteTransaction()
{
    rollback();
}

// SQLite lets one writer in at a time and its busy wait is not fair: under
// many concurrent saves a writer can starve past the busy timeout. Writers of
// this process therefore queue here, in turn, before asking SQLite.
std::timed_mutex& sqliteWriters()
{
    static std::timed_mutex writers;
    return writers;
}

bool WriteTransaction::begin()
{
    Q_ASSERT(!open_); // one transaction per object
    QSqlError failure;
    if (db_.driverName() == QLatin1String("QSQLITE")) {
        writerTurn_ = std::unique_lock(sqliteWriters(), std::defer_lock);
        if (!writerTurn_.try_lock_for(std::chrono::seconds(60))) {
            error_ = QStringLiteral("Não foi possível iniciar a gravação: banco de dados ocupado.");
            return false;
        }
        QSqlQuery query(db_);
        open_ = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
        failure = query.lastError();
    } else {
        open_ = db_.transaction();
        failure = db_.lastError();
    }
    if (!open_) {
        writerTurn_ = {};
        error_ = QStringLiteral("Não foi possível iniciar a gravação: %1").arg(failure.text());
    }
    return open_;
}

bool WriteTransaction::commit()
{
    Q_ASSERT(open_); // commit follows a successful begin
    if (!db_.commit()) {
        error_ =
            QStringLiteral("Não foi possível confirmar a gravação: %1").arg(db_.lastError().text());
        return false;
    }
    open_ = false;
    writerTurn_ = {};
    return true;
}

void WriteTransaction::rollback()
{
    if (open_)
        db_.rollback();
    open_ = false;
    writerTurn_ = {};
}

} // namespace cmp::server
