#pragma once

#include <QString>

#include <stdexcept>

class QSqlDatabase;

namespace cmp::db {

// No number could be given: the database refused, or the branch's numbers
// would no longer fit in ten digits.
class NumberingError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Takes the next `count` requisition numbers of a launching branch at once,
// raising the branch's row of NUMSOLICMP (created on its first number), and
// returns the last of them; the first is last - count + 1.
//
// Call it inside the transaction that writes the requisitions, and commit
// them in that same transaction: the raise holds the branch's row until then,
// so concurrent writers get distinct, consecutive numbers, and a write that
// rolls back gives its numbers back, leaving no gap. On SQLite that
// transaction must take the write lock before it reads anything (BEGIN
// IMMEDIATE); PostgreSQL needs nothing more. A writer that numbers several
// branches in one transaction takes them in code order, so that two such
// writers never wait for each other's rows crosswise.
qint64 reserveRequisitionNumbers(QSqlDatabase& db, const QString& launchingBranch, qint64 count);

// The next requisition number of a launching branch, as reserveRequisitionNumbers
// gives it, in ten digits with leading zeros ("0000000012").
QString nextRequisitionNumber(QSqlDatabase& db, const QString& launchingBranch);

// A requisition number in ten digits with leading zeros.
QString requisitionNumberText(qint64 number);

} // namespace cmp::db
