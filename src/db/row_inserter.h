#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace cmp::db {

// Writes rows into one table through a prepared INSERT of many rows at a
// time, which saves most of the per-statement cost on both backends. Rows
// wait in memory until a statement is full; call flush() before committing.
// Every failure throws fw::SqlError naming the table.
class RowInserter
{
public:
    RowInserter(QSqlDatabase db, QString table, QStringList columns, int rowsPerStatement = 50);

    // One value per column, in the order of the columns.
    void add(const QVariantList& row);
    void flush();

    int rowsWritten() const { return written_; }

private:
    QString insertText(int rows) const;
    void execute(QSqlQuery& query, int rows);

    QSqlDatabase db_;
    QString table_;
    QStringList columns_;
    int rowsPerStatement_;
    QSqlQuery full_;       // prepared once, for a full statement
    QVariantList pending_; // values of the rows not yet written
    int written_ = 0;
};

} // namespace cmp::db
