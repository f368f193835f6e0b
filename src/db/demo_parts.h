#pragma once

#include <QSqlDatabase>

namespace cmp::db {

// The parts of the demo data set, each writing its own tables within the
// caller's transaction, in this order.
void loadDemoBranches(QSqlDatabase& db);
void loadDemoProducts(QSqlDatabase& db);
void loadDemoPeople(QSqlDatabase& db);
void loadDemoPurchaseHistory(QSqlDatabase& db);
void loadDemoRequisitions(QSqlDatabase& db);

// The unit price of the stock product of that index (in tree order), from
// R$ 3,50 to 48; previous purchases vary around it.
double demoBasePrice(int stockIndex);

// Operator codes are twelve digits, as the screens pad them.
QString demoOperatorCode(int number);

} // namespace cmp::db
