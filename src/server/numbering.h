#pragma once

#include <QString>

#include <stdexcept>

class QSqlDatabase;

namespace cmp::server {

// No number could be given: the database refused, or the branch's numbers
// would no longer fit in ten digits.
class NumberingError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The next requisition number of a launching branch, ten digits with leading
// zeros ("0000000012"), raised in the branch's row of NUMSOLICMP (created
// on its first number).
//
// Call it inside the saving transaction, and commit the requisition in that
// same transaction: the raise holds the branch's row until then, so
// concurrent saves get consecutive, distinct numbers, and a save that rolls
// back gives its number back, leaving no gap. On SQLite that transaction must
// take the write lock before it reads anything (WriteTransaction in
// resolver.h begins IMMEDIATE); PostgreSQL needs nothing more.
QString nextRequisitionNumber(QSqlDatabase& db, const QString& launchingBranch);

} // namespace cmp::server
