#include "server/requisition_rules.h"

#include "server/demo_server_fixture.h"
#include "server/method_registry.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using Kind = ItemChange::Kind;

const QDate firstMonday(2026, 12, 7);
const QDate secondMonday(2026, 12, 14);

// What a save of the demo's requisitions would be told.
class RequisitionRules : public test::DemoServerTest
{
protected:
    // The branch's requisition launched on that day, as its header says.
    RequisitionHeader requisition(const char* branch, const char* launched)
    {
        const QString where = QStringLiteral("FROM SOLICITA WHERE CDFILSOLI = '%1' AND DTSOLCMP = "
                                             "'%2'")
                                  .arg(QLatin1String(branch), QLatin1String(launched));
        RequisitionHeader header;
        header.requestingBranch = QString::fromLatin1(branch);
        header.launchingBranch = demoValue(QStringLiteral("SELECT CDFILLANCA ") + where);
        header.number = demoValue(QStringLiteral("SELECT NRSOLICMP ") + where);
        header.launchType = demoValue(QStringLiteral("SELECT IDTIPLAN ") + where);
        header.extra = demoValue(QStringLiteral("SELECT IDSOLEXTRA ") + where);
        return header;
    }
    RequisitionHeader current(const char* branch) { return requisition(branch, "2026-12-01"); }

    // An update of a stored item to the quantity it has, plus delta.
    ItemChange storedItem(const RequisitionHeader& header, const QString& product,
                          const QDate& delivery, double delta)
    {
        const double quantity =
            demoValue(QStringLiteral("SELECT QTSOLIPROD FROM ITEMSOLI WHERE CDFILSOLI = '%1' AND "
                                     "NRSOLICMP = '%2' AND CDPRODUTO = '%3' AND DTPROGENTR = '%4'")
                          .arg(header.requestingBranch, header.number, product,
                               delivery.toString(Qt::ISODate)))
                .toDouble();
        return {Kind::Update, product, delivery, quantity + delta};
    }

    QString approvedProduct(const char* branch)
    {
        return demoValue(QStringLiteral("SELECT CDPRODUTO FROM APROVCMPGER WHERE CDFILSOLI = '%1' "
                                        "AND IDAPROVPRGER = 'S'")
                             .arg(QLatin1String(branch)));
    }

    QString productOf(const char* treeCode)
    {
        return demoValue(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '%1'")
                             .arg(QLatin1String(treeCode)));
    }

    QString refusal(const RequisitionHeader& header, const std::vector<ItemChange>& changes)
    {
        const CallContext context{test::demoOperator(1), server().database().connection()};
        return refusalOf(context, header, changes).value_or(QString());
    }
};

TEST_P(RequisitionRules, shouldKeepApprovedItemsUnlessTheBranchLetsThemChange)
{
    // 0004 keeps approved items (IDPERALTSAPR "SNN", IDPERMALTAPR "N").
    const RequisitionHeader sumare = current("0004");
    const QString beef = approvedProduct("0004");
    EXPECT_EQ(refusal(sumare, {storedItem(sumare, beef, firstMonday, 1)}), approvedItemRefusal());
    EXPECT_EQ(refusal(sumare, {{Kind::Delete, beef, firstMonday, 0}}), approvedItemRefusal());
    EXPECT_EQ(refusal(sumare, {storedItem(sumare, beef, firstMonday, 0.00001)}), QString())
        << "the same quantity, in ten-thousandths: another field changed";

    // 0005 lets them change by both parameters; its manager's approval still holds.
    const RequisitionHeader hospital = current("0005");
    const QString approved = approvedProduct("0005");
    const ItemChange more = storedItem(hospital, approved, firstMonday, 1);
    EXPECT_EQ(refusal(hospital, {more}), managerApprovedRefusal());
    EXPECT_EQ(refusal(hospital, {{Kind::Insert, approved, QDate(2026, 12, 28), 3}}),
              managerApprovedRefusal())
        << "another day of an approved product";
    sql(QStringLiteral("UPDATE APROVCMPGER SET IDAPROVPRGER = 'N' WHERE CDFILSOLI = '0005'"));
    EXPECT_EQ(refusal(hospital, {more}), QString());
    sql(QStringLiteral("UPDATE PARAFILI SET IDPERMALTAPR = 'N' WHERE CDFILIAL = '0005'"));
    EXPECT_EQ(refusal(hospital, {more}), approvedItemRefusal());
    sql(QStringLiteral("UPDATE PARAFILI SET IDPERMALTAPR = 'S' WHERE CDFILIAL = '0005'"));
    sql(QStringLiteral("UPDATE PARCMPSUP SET IDPERALTSAPR = NULL WHERE CDFILIAL = '0005'"));
    EXPECT_EQ(refusal(hospital, {more}), approvedItemRefusal()) << "no options read as NNN";
}

TEST_P(RequisitionRules, shouldKeepTheLogisticsOperatorsTreeOutOfItsBranchsPurchases)
{
    const RequisitionHeader jundiai = current("0006");
    const QString rice = productOf("0101001001");
    const QString ricePack = productOf("0101001002");
    EXPECT_EQ(refusal(jundiai, {{Kind::Insert, ricePack, firstMonday, 4}}), logisticsTreeRefusal());
    EXPECT_EQ(refusal(jundiai, {storedItem(jundiai, rice, firstMonday, -1)}),
              logisticsTreeRefusal());
    EXPECT_EQ(refusal(jundiai, {storedItem(jundiai, rice, secondMonday, 0)}), QString())
        << "an observation of a stored item";
    EXPECT_EQ(refusal(jundiai, {{Kind::Delete, rice, secondMonday, 0}}), QString());

    // Another branch of the same center buys rice freely, on its calendar.
    EXPECT_EQ(refusal(current("0004"), {{Kind::Insert, rice, firstMonday, 4}}), QString());
}

TEST_P(RequisitionRules, shouldRefuseCountedQuantitiesUnlessApprovalOnlyWarns)
{
    // The consolidated requisitions were launched on 23/11; their first
    // product was counted on both delivery dates.
    const auto tallied = [this](const char* branch) {
        const RequisitionHeader header = requisition(branch, "2026-11-23");
        const QString product =
            demoValue(QStringLiteral("SELECT CDPRODUTO FROM ITEMAPURA WHERE CDFILSOLI = '%1' AND "
                                     "NRSOLICMP = '%2'")
                          .arg(header.requestingBranch, header.number));
        const QString tally =
            demoValue(QStringLiteral("SELECT NRSEQITMAP FROM ITEMAPURA WHERE CDFILSOLI = '%1' AND "
                                     "NRSOLICMP = '%2'")
                          .arg(header.requestingBranch, header.number));
        return std::tuple{header, product, tally};
    };
    const auto [porto, counted, tally] = tallied("0008");
    EXPECT_EQ(refusal(porto, {storedItem(porto, counted, firstMonday, 2)}), tallyRefusal(tally));
    EXPECT_EQ(refusal(porto, {{Kind::Delete, counted, QDate(2026, 11, 30), 0}}),
              tallyRefusal(tally));
    EXPECT_EQ(refusal(porto, {{Kind::Insert, counted, QDate(2026, 12, 15), 2}}), QString());

    // 0004 uses approval with the second option "N": the screen only warns.
    const auto [sumare, sumareCounted, sumareTally] = tallied("0004");
    const ItemChange change = storedItem(sumare, sumareCounted, firstMonday, 2);
    EXPECT_EQ(refusal(sumare, {change}), QString());
    sql(QStringLiteral("UPDATE PARCMPSUP SET IDPERALTSAPR = 'SSN' WHERE CDFILIAL = '0004'"));
    EXPECT_EQ(refusal(sumare, {change}), tallyRefusal(sumareTally));
    EXPECT_EQ(tallyRefusal(QStringLiteral("0000000907")),
              QStringLiteral("Operação bloqueada. Quantidade já considerada na apuração nº: "
                             "0000000907 ."));
}

TEST_P(RequisitionRules, shouldKeepManualAndAutomaticRequisitionsToThePurchaseCalendar)
{
    const QString rice = productOf("0101001001");
    const ItemChange offCalendar{Kind::Insert, rice, secondMonday, 5};
    const QString broken =
        QStringLiteral("Produto 0101001001 - Arroz Agulhinha Tipo 1 kg fora da periodicidade "
                       "\"Mensal - 1ª segunda\": não há entrega em 14/12/2026.");
    const RequisitionHeader sumare = current("0004");
    EXPECT_EQ(refusal(sumare, {offCalendar}), broken);
    EXPECT_EQ(refusal(sumare, {{Kind::Insert, rice, firstMonday, 5}}), QString());
    EXPECT_EQ(refusal(sumare, {{Kind::Insert, rice, secondMonday, 0}}), QString())
        << "nothing bought";

    const char* launched[] = {"2026-11-16", "2026-11-23", "2026-11-30"}; // A, C, extra
    const QString expected[] = {broken, QString(), QString()};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(refusal(requisition("0004", launched[i]), {offCalendar}), expected[i])
            << launched[i];

    // A requisition not saved yet has nothing stored, and the calendar still holds.
    RequisitionHeader fresh = sumare;
    fresh.number.clear();
    EXPECT_EQ(refusal(fresh, {offCalendar}), broken);
    // The calendar of 0006's center, already broken by its stored rice, is
    // not what a change of another product is refused for.
    const RequisitionHeader jundiai = current("0006");
    const QString other =
        demoValue(QStringLiteral("SELECT MAX(CDPRODUTO) FROM ITEMSOLI WHERE CDFILSOLI = '0006' AND "
                                 "NRSOLICMP = '%1'")
                      .arg(jundiai.number));
    EXPECT_EQ(refusal(jundiai, {storedItem(jundiai, other, secondMonday, 1)}), QString());
}

INSTANTIATE_TEST_SUITE_P(Backends, RequisitionRules,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
