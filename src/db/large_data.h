#pragma once

#include <functional>

class QSqlDatabase;

namespace cmp::db {

struct LargeDataOptions
{
    int productsPerRequisition = 5;
    int deliveryDates = 2;
    int batchSize = 1000; // requisitions per transaction
};

// Told after every committed batch: requisitions written so far, and of how many.
using LargeDataProgress = std::function<void(int done, int total)>;

// Adds count requisitions, with productsPerRequisition × deliveryDates items
// each, for benchmarks: spread over the branches in use (not rescinded, with
// a region), their stock products, three years of launch dates and the
// existing operators, and numbered on from NUMSOLICMP, so the server goes on
// numbering after them. Needs branches and products (the demo data set is
// enough). Writes in batches, each in one transaction with its counter
// update: on failure the batches already reported stay, the failing one is
// rolled back. The same database and arguments give the same rows. Throws
// std::runtime_error (fw::SqlError for database refusals).
void generateRequisitions(QSqlDatabase& db, int count, const LargeDataProgress& progress = {},
                          const LargeDataOptions& options = {});

} // namespace cmp::db
