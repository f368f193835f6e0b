#pragma once

#include "framework/data/data_packet.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

class QSqlDatabase;

namespace cmp::server {

// The table a change packet is written to, as the server declares it. Only
// these names ever reach SQL text, and only after the table's catalog has
// confirmed them; the packet's own field names merely select among them.
struct ResolveTarget
{
    QString table;
    QStringList keyFields; // locate a row; every change packet must carry them
    QStringList columns;   // written when the packet carries them; may repeat key fields
};

// One record another user changed, deleted or inserted first.
struct ResolveConflict
{
    QString table;
    QStringList keyValues; // as the client knew them, in key order
    QString message;       // "Registro alterado por outro usuário: SOLICITA 0001/0001/0000000012"
};

// What applying change packets came to. Unless ok(), nothing of the call may
// stay written: the apply forms roll back themselves.
struct ResolveResult
{
    QString error; // refused outright: unknown table or column, key field missing, database error
    std::vector<ResolveConflict> conflicts;

    bool ok() const { return error.isEmpty() && conflicts.empty(); }
    // The error, or every conflict message one per line: the reply's error text.
    QString errorText() const;
};

// One change packet and where it goes.
struct TargetChanges
{
    const ResolveTarget& target;
    const fw::DataPacket& delta;
};

// Rules shared by all forms:
// - Inserted, modified and deleted rows are written by key; unmodified rows
//   and packet fields outside the target's columns (names from joins,
//   calculated fields) are passed over.
// - Optimistic concurrency, "where changed": an update writes only the columns
//   whose new value differs from the original and requires the stored key and
//   those columns to still hold the originals, so two users changing different
//   fields of one record both keep their change, while the second to change
//   the same field gets a conflict. A delete requires every column the packet
//   carries to still hold what the client loaded, so nobody's change is
//   deleted unseen. An insert whose key exists is a conflict; this rests on
//   the table's primary key covering the key fields. Empty values of an
//   inserted row are left out, so that the table's defaults apply.
// - Values are compared null-safely; texts whole, whatever their length;
//   floats within a relative 1e-9 of the original (exactly when it is 0),
//   which absorbs decimal round trips of the drivers yet lies far below the
//   0.001 step of quantities.
// - Inserts and updates run in target order, then deletes in reverse target
//   order, so that listing parents before children satisfies foreign keys.
// - Statements are prepared once per table and row shape within a call.

// Applies inside a write transaction the caller opened and finishes; when the
// result is not ok() the caller must roll back. Lets a save number its
// requisition and write its packets in one transaction.
ResolveResult resolveInTransaction(QSqlDatabase& db, const std::vector<TargetChanges>& changes);

// Applies the packets in a transaction of their own: all or nothing.
ResolveResult applyChangePackets(QSqlDatabase& db, const std::vector<TargetChanges>& changes);
ResolveResult applyChangePacket(QSqlDatabase& db, const ResolveTarget& target,
                                const fw::DataPacket& delta);

// The transaction of one save, rolled back unless committed. On SQLite it
// begins IMMEDIATE, taking the write lock at once: a transaction that reads
// before it writes could otherwise fail to upgrade when another connection
// commits in between. PostgreSQL begins a plain READ COMMITTED transaction;
// its row locks and re-checked conditions keep the writes above consistent.
class WriteTransaction
{
public:
    explicit WriteTransaction(QSqlDatabase& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool begin();
    bool commit();
    void rollback();
    QString lastError() const { return error_; }

private:
    QSqlDatabase& db_;
    bool open_ = false;
    QString error_;
    std::unique_lock<std::timed_mutex> writerTurn_;
};

} // namespace cmp::server
