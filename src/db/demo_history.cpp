#include "db/demo_branches.h"
#include "db/demo_parts.h"
#include "db/demo_products.h"
#include "db/demo_random.h"
#include "db/row_inserter.h"

#include <QDate>

namespace cmp::db {

namespace {

const QDate calendarStart(2026, 1, 5); // a Monday
const QDate calendarEnd(2027, 12, 31);

QString productCodeOf(const QString& treeCode)
{
    for (const DemoProduct& p : demoProductTree())
        if (p.cdArvProd == treeCode)
            return p.cdProduto;
    Q_ASSERT(false); // only called with codes of the demo tree
    return {};
}

// The tolerated deviation from the average, more specific on beef.
void insertAverageTolerances(QSqlDatabase& db)
{
    RowInserter medsoli(db, QStringLiteral("MEDSOLI"), {"CDFILIAL", "CDPRODUTO", "VRPERCMEDSOL"});
    const struct
    {
        const char* node;
        double percent;
    } tolerances[] = {{"01", 20}, {"02", 15}, {"0201", 10}, {"03", 30}, {"04", 25}};
    for (const DemoBranch& b : demoBranches())
        if (b.mealCentral.isEmpty())
            for (const auto& tolerance : tolerances)
                medsoli.add({b.code, productCodeOf(QString::fromLatin1(tolerance.node)),
                             tolerance.percent});
    medsoli.flush();
}

void insertAveragesAndPreviousPurchases(QSqlDatabase& db)
{
    RowInserter prodprefmed(db, QStringLiteral("PRODPREFMED"),
                            {"CDFILIAL", "CDPRODUTO", "QTMEDSOLPROD"});
    RowInserter cmpanterior(db, QStringLiteral("CMPANTERIOR"),
                            {"CDFILIAL", "CDPRODUTO", "DTPROGENTAF", "VRPREUNIAF"});
    const QDate purchases[] = {QDate(2026, 10, 5), QDate(2026, 11, 9)};
    DemoRandom random(2026);
    for (const DemoBranch& b : demoBranches()) {
        if (!b.mealCentral.isEmpty())
            continue;
        int stockIndex = 0;
        for (const DemoProduct& p : demoProductTree()) {
            if (!p.isStockProduct())
                continue;
            prodprefmed.add({b.code, p.cdProduto, random.quantity(5, 50)});
            for (const QDate& date : purchases)
                cmpanterior.add({b.code, p.cdProduto, date,
                                 demoBasePrice(stockIndex) + random.below(100) / 100.0});
            ++stockIndex;
        }
    }
    prodprefmed.flush();
    cmpanterior.flush();
}

// Grains are bought monthly, produce weekly and cleaning goods fortnightly,
// all delivered on Mondays; everything else on any day.
void insertDeliveryCalendar(QSqlDatabase& db)
{
    RowInserter periodicid(db, QStringLiteral("PERIODICID"), {"IDPERIODIC", "DSPERIODIC"});
    periodicid.add({"S", QStringLiteral("Semanal - segunda")});
    periodicid.add({"Q", QStringLiteral("Quinzenal - segunda")});
    periodicid.add({"M", QStringLiteral("Mensal - 1ª segunda")});
    periodicid.flush();

    RowInserter periodprod(db, QStringLiteral("PERIODPROD"),
                           {"CDFILIAL", "CDPRODUTO", "IDPERIODIC"});
    RowInserter calendcmp(db, QStringLiteral("CALENDCMP"), {"CDFILIAL", "IDPERIODIC", "DTENTREGA"});
    for (const DemoBranch& center : demoBranches()) {
        if (!center.isPurchaseCenter())
            continue;
        for (const DemoProduct& p : demoProductTree()) {
            const QString periodicity = p.cdGrupProd == QLatin1String("01")   ? QStringLiteral("M")
                                        : p.cdGrupProd == QLatin1String("03") ? QStringLiteral("S")
                                        : p.cdGrupProd == QLatin1String("07") ? QStringLiteral("Q")
                                                                              : QString();
            if (p.isStockProduct() && !periodicity.isEmpty())
                periodprod.add({center.code, p.cdProduto, periodicity});
        }
        int week = 0;
        for (QDate monday = calendarStart; monday <= calendarEnd;
             monday = monday.addDays(7), ++week) {
            calendcmp.add({center.code, "S", monday});
            if (week % 2 == 0)
                calendcmp.add({center.code, "Q", monday});
            if (monday.day() <= 7)
                calendcmp.add({center.code, "M", monday});
        }
    }
    periodprod.flush();
    calendcmp.flush();
}

} // namespace

double demoBasePrice(int stockIndex)
{
    return 3.5 + (stockIndex * 37 % 90) / 2.0;
}

void loadDemoPurchaseHistory(QSqlDatabase& db)
{
    insertAverageTolerances(db);
    insertAveragesAndPreviousPurchases(db);
    insertDeliveryCalendar(db);
}

} // namespace cmp::db
