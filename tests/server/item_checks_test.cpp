#include "server/item_checks.h"

#include "server/demo_server_fixture.h"

#include <QDate>

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using test::Args;
using test::fieldsOf;
using test::Rows;
using test::rowsOf;

const QString restricted = QStringLiteral("Filial 0008 não liberada para o operador.");

// The demo's current requisitions (launched 01/12/2026) and the products
// whose items the checks lock.
class ItemChecks : public test::DemoServerTest
{
protected:
    QString currentRequisition(const char* branch)
    {
        return demoValue(QStringLiteral("SELECT NRSOLICMP FROM SOLICITA WHERE CDFILSOLI = '%1' "
                                        "AND DTSOLCMP = '2026-12-01'")
                             .arg(QLatin1String(branch)));
    }

    QString managerDecided(const char* branch, const char* decision)
    {
        return demoValue(QStringLiteral("SELECT CDPRODUTO FROM APROVCMPGER WHERE CDFILSOLI = '%1' "
                                        "AND %2")
                             .arg(QLatin1String(branch), QLatin1String(decision)));
    }

    QString productOf(const char* treeCode)
    {
        return demoValue(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '%1'")
                             .arg(QLatin1String(treeCode)));
    }

    QString riceProduct() { return productOf("0101001001"); }
    QString ricePack() { return productOf("0101001002"); }
};

TEST_P(ItemChecks, shouldNameTheBranchOnlyWhereApprovedItemsMayChange)
{
    const auto GetImpedirAlt = [this](const char* branch) {
        return result(QStringLiteral("GetImpedirAlt"), {branch});
    };
    EXPECT_EQ(fieldsOf(GetImpedirAlt("0004")), QStringList({"CDFILIAL:string:4"}));
    EXPECT_EQ(rowsOf(GetImpedirAlt("0004")), Rows{});
    EXPECT_EQ(rowsOf(GetImpedirAlt("5")), Rows({{"0005"}})) << "the code is padded";
    EXPECT_EQ(rowsOf(GetImpedirAlt("9999")), Rows{});

    EXPECT_EQ(call(QStringLiteral("GetImpedirAlt"), {"0008"}, 2).reply.error, restricted);
    EXPECT_TRUE(call(QStringLiteral("GetImpedirAlt"), {"0008"}, 8).reply.ok);
}

TEST_P(ItemChecks, shouldLockOnlyProductsAManagerApprovedWhileTheirGroupNeedsApproval)
{
    const QString number = currentRequisition("0004");
    const auto BloqAltItenGerAprovada = [&](const QString& product) {
        const fw::RemoteValue packet =
            result(QStringLiteral("BloqAltItenGerAprovada"), {"0004", "4", number, product});
        EXPECT_EQ(fieldsOf(packet), QStringList({"IDAPROVPRGER:string:1"}));
        return rowsOf(packet);
    };
    const QString approved = managerDecided("0004", "IDAPROVPRGER = 'S'");
    EXPECT_EQ(BloqAltItenGerAprovada(approved), Rows({{"S"}}));
    EXPECT_EQ(BloqAltItenGerAprovada(managerDecided("0004", "IDAPROVPRGER = 'N'")), Rows{});
    EXPECT_EQ(BloqAltItenGerAprovada(managerDecided("0004", "IDAPROVPRGER IS NULL")), Rows{});
    EXPECT_EQ(rowsOf(result(QStringLiteral("BloqAltItenGerAprovada"),
                            {"0005", "0004", number, approved})),
              Rows{})
        << "the launching branch comes first";

    // Once meat no longer needs a manager item by item, nothing is locked.
    sql(QStringLiteral("UPDATE PARGRPRODGER SET IDAPROVITMSOLGR = 'N' WHERE CDFILIAL = '0004'"));
    EXPECT_EQ(BloqAltItenGerAprovada(approved), Rows{});

    EXPECT_EQ(call(QStringLiteral("BloqAltItenGerAprovada"), {"0008", "0008", "1", approved}, 2)
                  .reply.error,
              restricted);
}

TEST_P(ItemChecks, shouldLockProductsOfTheLogisticsOperatorsTreeAndTheirPacks)
{
    const auto GetBloqIncluiProdCmpOL = [this](const char* group, const char* subgroup,
                                               const QString& product) {
        const fw::RemoteValue packet =
            result(QStringLiteral("GetBloqIncluiProdCmpOL"), {group, subgroup, product});
        EXPECT_EQ(fieldsOf(packet), QStringList({"CDPRODUTO:string:10"}));
        return rowsOf(packet);
    };
    EXPECT_EQ(GetBloqIncluiProdCmpOL("01", "0101", riceProduct()), Rows({{riceProduct()}}));
    EXPECT_EQ(GetBloqIncluiProdCmpOL("01", "0101", ricePack()), Rows({{ricePack()}}));
    sql(QStringLiteral("DELETE FROM PRODARVOL WHERE CDPRODUTO = '%1'").arg(ricePack()));
    EXPECT_EQ(GetBloqIncluiProdCmpOL("01", "0101", ricePack()), Rows({{ricePack()}}))
        << "a pack follows its stock product";
    EXPECT_EQ(GetBloqIncluiProdCmpOL("01", "0102", riceProduct()), Rows{});
    EXPECT_EQ(GetBloqIncluiProdCmpOL("", "", riceProduct()), Rows{});
    EXPECT_EQ(GetBloqIncluiProdCmpOL("01", "0101", productOf("0201001001")), Rows{});
}

TEST_P(ItemChecks, shouldNameTheTallyThatCountedTheItemOfThatDay)
{
    // The consolidated requisition of 0004 was launched by its center; its
    // first product was counted on every delivery date.
    const QString number = demoValue(QStringLiteral(
        "SELECT NRSOLICMP FROM SOLICITA WHERE CDFILSOLI = '0004' AND IDTIPLAN = 'C'"));
    const QString product =
        demoValue(QStringLiteral("SELECT CDPRODUTO FROM ITEMAPURA WHERE CDFILSOLI = '0004'"));
    const QString tally =
        demoValue(QStringLiteral("SELECT NRSEQITMAP FROM ITEMAPURA WHERE CDFILSOLI = '0004'"));
    const auto GetBloqQtdeApura = [&](const char* launching, const QString& item, QDate date) {
        const fw::RemoteValue packet =
            result(QStringLiteral("GetBloqQtdeApura"), {launching, "0004", number, item, date});
        EXPECT_EQ(fieldsOf(packet), QStringList({"NRSEQITMAP:string:10"}));
        return rowsOf(packet);
    };
    EXPECT_EQ(GetBloqQtdeApura("0001", product, QDate(2026, 12, 7)), Rows({{tally}}));
    EXPECT_EQ(GetBloqQtdeApura("1", product, QDate(2026, 11, 30)), Rows({{tally}}));
    EXPECT_EQ(GetBloqQtdeApura("0001", product, QDate(2026, 12, 8)), Rows{});
    EXPECT_EQ(GetBloqQtdeApura("0004", product, QDate(2026, 12, 7)), Rows{})
        << "another requisition's key";
    EXPECT_EQ(GetBloqQtdeApura("0001", riceProduct(), QDate(2026, 12, 7)), Rows{});

    EXPECT_EQ(call(QStringLiteral("GetBloqQtdeApura"),
                   {"0002", "0008", number, product, QDate(2026, 12, 7)}, 2)
                  .reply.error,
              restricted);
}

TEST_P(ItemChecks, shouldListTheItemsDeliveredOffTheirProductsCalendar)
{
    const auto itemsOf = [this](const char* branch) {
        const QString number = currentRequisition(branch);
        return result(QStringLiteral("GetItemSoli"), {branch, branch, number}).at(0);
    };
    const auto GetVdPeriodicidade = [this](const fw::RemoteValue& items) {
        const fw::RemoteValue packet = result(QStringLiteral("GetVdPeriodicidade"), {items});
        EXPECT_EQ(fieldsOf(packet), QStringList({"CDARVPROD:string:20", "NMPRODUTO:string:72",
                                                 "PERIODICIDADE:string:22", "DTPROGENTR:date:0"}));
        return rowsOf(packet);
    };
    // Rice is bought monthly, on the first Monday: 07/12 is one, 14/12 and 21/12 are not.
    const Rows offCalendar{
        {"0101001001", "Arroz Agulhinha Tipo 1 kg", "Mensal - 1ª segunda", "2026-12-14"},
        {"0101001001", "Arroz Agulhinha Tipo 1 kg", "Mensal - 1ª segunda", "2026-12-21"}};
    EXPECT_EQ(GetVdPeriodicidade(itemsOf("0006")), offCalendar);
    EXPECT_EQ(GetVdPeriodicidade(itemsOf("0004")), Rows{}) << "products without a periodicity";

    // The screen's own record set: a pack takes its stock product's calendar;
    // deleted items and items without quantity buy nothing.
    fw::DataPacket items = itemsOf("0006").toPacket();
    const int product = items.fieldIndex(QStringLiteral("CDPRODUTO"));
    const int quantity = items.fieldIndex(QStringLiteral("QTSOLIPROD"));
    const int delivery = items.fieldIndex(QStringLiteral("DTPROGENTR"));
    fw::PacketRow pack = items.rows.back();
    pack.values[size_t(product)] = ricePack();
    pack.values[size_t(delivery)] = QDate(2026, 12, 28);
    pack.status = fw::UpdateStatus::Inserted;
    items.rows.push_back(pack);
    items.rows.front().values[size_t(quantity)] = 0.0;
    for (fw::PacketRow& row : items.rows)
        if (row.values[size_t(delivery)].toDate() == QDate(2026, 12, 21))
            row.status = fw::UpdateStatus::Deleted;
    const Rows rows = GetVdPeriodicidade(items);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at(0), offCalendar.at(0));
    EXPECT_EQ(rows.at(1).at(0), QStringLiteral("0101001002"));
    EXPECT_EQ(rows.at(1).at(3), QStringLiteral("2026-12-28"));
}

TEST_P(ItemChecks, shouldCheckTheCalendarOfEveryProductInAFewQueries)
{
    // Every product of the tree on two days: more products than one query binds.
    fw::DataPacket items{{{QStringLiteral("CDFILSOLI"), fw::FieldType::String, 4},
                          {QStringLiteral("CDPRODUTO"), fw::FieldType::String, 10},
                          {QStringLiteral("DTPROGENTR"), fw::FieldType::Date, 0}},
                         {}};
    const QStringList products =
        demoValue(QStringLiteral("SELECT %1 FROM PRODUTO")
                      .arg(GetParam() == test::Backend::SQLite
                               ? QStringLiteral("GROUP_CONCAT(CDPRODUTO, ',')")
                               : QStringLiteral("STRING_AGG(CDPRODUTO, ',')")))
            .split(u',');
    ASSERT_GT(products.size(), 800);
    for (const QString& code : products)
        for (const QDate& date : {QDate(2026, 12, 7), QDate(2026, 12, 8)})
            items.rows.emplace_back().values = {QStringLiteral("0004"), code, date};
    const Rows rows = rowsOf(result(QStringLiteral("GetVdPeriodicidade"), {items}));
    const int restrictedProducts =
        demoValue(QStringLiteral(
                      "SELECT COUNT(*) FROM PRODUTO P JOIN PERIODPROD R ON R.CDFILIAL = '0001' "
                      "AND R.CDPRODUTO = COALESCE(P.CDPRODESTO, P.CDPRODUTO)"))
            .toInt();
    ASSERT_GT(restrictedProducts, 0);
    // Every calendar delivers on Monday 07/12, none on Tuesday 08/12.
    EXPECT_EQ(rows.size(), size_t(restrictedProducts));
    EXPECT_EQ(test::column(rows, 3).removeDuplicates(), restrictedProducts - 1);
}

TEST_P(ItemChecks, shouldRefuseItemsItCannotReadOrOfBranchesTheOperatorMayNotUse)
{
    fw::DataPacket items =
        result(QStringLiteral("GetItemSoli"), {"0008", "0008", "1"}, 8).at(0).toPacket();
    items.rows.emplace_back().values.resize(items.fields.size());
    const int branch = items.fieldIndex(QStringLiteral("CDFILSOLI"));
    const int delivery = items.fieldIndex(QStringLiteral("DTPROGENTR"));
    items.rows.back().values[size_t(branch)] = QStringLiteral("8");
    items.rows.back().values[size_t(delivery)] = QDate(2026, 12, 7);
    EXPECT_EQ(call(QStringLiteral("GetVdPeriodicidade"), {items}, 2).reply.error, restricted);
    EXPECT_TRUE(call(QStringLiteral("GetVdPeriodicidade"), {items}, 8).reply.ok);

    items.rows.back().values[size_t(delivery)] = QVariant();
    EXPECT_EQ(call(QStringLiteral("GetVdPeriodicidade"), {items}, 8).reply.error,
              QStringLiteral("Item do produto  sem data de entrega."));
    items.fields.erase(items.fields.begin() + branch);
    for (fw::PacketRow& row : items.rows)
        row.values.erase(row.values.begin() + branch);
    EXPECT_EQ(call(QStringLiteral("GetVdPeriodicidade"), {items}, 8).reply.error,
              QStringLiteral("O pacote de itens não tem o campo CDFILSOLI."));
}

TEST_P(ItemChecks, shouldRefuseCallsThatDoNotMatchTheDeclaration)
{
    const struct
    {
        const char* method;
        Args args;
    } cases[] = {
        {"GetImpedirAlt", {}},
        {"GetImpedirAlt", {4}},
        {"BloqAltItenGerAprovada", {"0004", "0004", "1"}},
        {"GetBloqIncluiProdCmpOL", {"01", "0101", fw::RemoteValue()}},
        {"GetBloqQtdeApura", {"0001", "0004", "1", "1", "07/12/2026"}},
        {"GetVdPeriodicidade", {"0004"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call(QString::fromLatin1(c.method), c.args).failure, CallFailure::BadArguments)
            << c.method;
}

INSTANTIATE_TEST_SUITE_P(Backends, ItemChecks,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
