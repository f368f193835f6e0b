#include "server/product_history.h"

#include "framework/net/net_connection.h"
#include "server/demo_server_fixture.h"
#include "server/in_process_transport.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using test::Args;
using test::fieldsOf;
using test::Rows;
using test::rowsOf;

// Beef (0201001001) is meat, which 0004 has approved by a manager item by
// item; rice (0101001001) is not.
class ProductHistory : public test::DemoServerTest
{
protected:
    QString productOf(const char* treeCode)
    {
        return demoValue(QStringLiteral("SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '%1'")
                             .arg(QLatin1String(treeCode)));
    }

    QString stored(const QString& sql, const char* treeCode)
    {
        return demoValue(sql.arg(productOf(treeCode)));
    }
};

TEST_P(ProductHistory, shouldGiveTheBranchsAverageByTreeCodeOrProductCode)
{
    const auto GetMedia = [this](const char* branch, const QString& product) {
        const fw::RemoteValue packet = result(QStringLiteral("GetMedia"), {branch, product});
        EXPECT_EQ(fieldsOf(packet), QStringList({"QTMEDSOLPROD:float:0"}));
        return rowsOf(packet);
    };
    const QString average =
        stored(QStringLiteral("SELECT QTMEDSOLPROD FROM PRODPREFMED WHERE CDFILIAL = '0004' AND "
                              "CDPRODUTO = '%1'"),
               "0201001001");
    ASSERT_FALSE(average.isEmpty());
    EXPECT_EQ(GetMedia("0004", QStringLiteral("0201001001")), Rows({{average}}));
    EXPECT_EQ(GetMedia("4", productOf("0201001001")), Rows({{average}}));
    EXPECT_NE(GetMedia("0005", QStringLiteral("0201001001")), Rows({{average}}))
        << "another branch's average";
    EXPECT_EQ(GetMedia("0004", QStringLiteral("0201001002")), Rows{}) << "a pack has none";
    EXPECT_EQ(GetMedia("0004", QStringLiteral("9999")), Rows{});
    EXPECT_EQ(GetMedia("0101", QStringLiteral("0201001001")), Rows{}) << "a school has none";
}

TEST_P(ProductHistory, shouldGiveThePreviousPurchaseDescriptionAndApprovalOfTheProduct)
{
    const auto GetVrCmpAn = [this](const char* branch, const char* product) {
        const fw::RemoteValue array =
            result(QStringLiteral("GetVrCmpAn"), {branch, QString::fromLatin1(product)});
        EXPECT_EQ(fieldsOf(array.at(0)),
                  QStringList({"DTPROGENTAF:dateTime:0", "VRPREUNIAF:float:0"}));
        EXPECT_EQ(fieldsOf(array.at(1)), QStringList({"DSCOMPLNOME:string:300"}));
        EXPECT_EQ(fieldsOf(array.at(2)), QStringList({"CDFILIAL:string:4"}));
        return std::vector<Rows>{rowsOf(array.at(0)), rowsOf(array.at(1)), rowsOf(array.at(2))};
    };
    // The later of the two previous purchases.
    const QString price = stored(QStringLiteral("SELECT VRPREUNIAF FROM CMPANTERIOR WHERE "
                                                "CDFILIAL = '0004' AND CDPRODUTO = '%1' AND "
                                                "DTPROGENTAF = '2026-11-09'"),
                                 "0201001001");
    const std::vector<Rows> beef = GetVrCmpAn("0004", "0201001001");
    ASSERT_EQ(beef.at(0).size(), 1u);
    EXPECT_EQ(beef.at(0).at(0).at(0).left(10), QStringLiteral("2026-11-09"));
    EXPECT_EQ(beef.at(0).at(0).at(1), price);
    EXPECT_EQ(beef.at(1), Rows({{stored(QStringLiteral("SELECT DSCOMPLNOME FROM PRODUTO WHERE "
                                                       "CDPRODUTO = '%1'"),
                                        "0201001001")}}));
    EXPECT_EQ(beef.at(2), Rows({{"0004"}}));

    EXPECT_EQ(GetVrCmpAn("0004", "0101001001").at(2), Rows{}) << "rice needs no approval";
    EXPECT_EQ(GetVrCmpAn("0008", "0201001001").at(2), Rows{}) << "0008 approves nothing";
    const std::vector<Rows> unknown = GetVrCmpAn("0004", "9999");
    EXPECT_EQ(unknown, std::vector<Rows>(3));

    // A manager approves beef at 0004 while its subgroup, or its group, says so.
    sql(QStringLiteral("UPDATE PARGRPRODGER SET CDSUBGRPROD = '0202' WHERE CDFILIAL = '0004'"));
    EXPECT_EQ(GetVrCmpAn("0004", "0201001001").at(2), Rows{});
    sql(QStringLiteral("UPDATE PARGRPRODGER SET CDSUBGRPROD = '0201' WHERE CDFILIAL = '0004'"));
    EXPECT_EQ(GetVrCmpAn("0004", "0201001001").at(2), Rows({{"0004"}}));
}

TEST_P(ProductHistory, shouldGiveTheComplementaryDescriptionOfAKnownProductOnly)
{
    const auto DescComplProd = [this](const fw::RemoteValue& product) {
        const fw::RemoteValue packet = result(QStringLiteral("DescComplProd"), {product});
        EXPECT_EQ(fieldsOf(packet), QStringList({"DSCOMPLNOME:string:300"}));
        return rowsOf(packet);
    };
    const Rows rice{{"Arroz Agulhinha Tipo 1 kg, unidade de compra KG."}};
    EXPECT_EQ(DescComplProd(QStringLiteral("0101001001")), rice);
    EXPECT_EQ(DescComplProd(QStringLiteral(" 0101001001 ")), rice);
    EXPECT_EQ(DescComplProd(productOf("0101001001")), rice);
    EXPECT_EQ(DescComplProd(QStringLiteral("01")), Rows({{"null"}})) << "a group has none";
    EXPECT_EQ(DescComplProd(QStringLiteral("X")), Rows{});
    EXPECT_EQ(DescComplProd(fw::RemoteValue()), Rows{});
}

TEST_P(ProductHistory, shouldRefuseBranchesTheOperatorMayNotUseAndMalformedCalls)
{
    const QString restricted = QStringLiteral("Filial 0008 não liberada para o operador.");
    for (const char* method : {"GetMedia", "GetVrCmpAn"}) {
        EXPECT_EQ(call(QString::fromLatin1(method), {"0008", "0201001001"}, 2).reply.error,
                  restricted)
            << method;
        EXPECT_TRUE(call(QString::fromLatin1(method), {"0008", "0201001001"}, 8).reply.ok)
            << method;
    }
    const struct
    {
        const char* method;
        Args args;
    } malformed[] = {
        {"GetMedia", {"0004"}},
        {"GetMedia", {fw::RemoteValue(), "0201001001"}},
        {"GetVrCmpAn", {"0004", 201001001}},
        {"DescComplProd", {"0101001001", "0004"}},
    };
    for (const auto& c : malformed)
        EXPECT_EQ(call(QString::fromLatin1(c.method), c.args).failure, CallFailure::BadArguments)
            << c.method;
}

TEST_P(ProductHistory, shouldHandTheProductBackByReferenceToTheClient)
{
    fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
    fw::TNetConnection netLancaSoliCmp(rdmLancaSoliCmp);
    ASSERT_TRUE(netLancaSoliCmp.SignIn(db::demoOperator, db::demoPassword).ok);
    Args media{"0004", " 0201001001 "};
    const fw::RemoteReply reply = netLancaSoliCmp.Call(QStringLiteral("GetMedia"), media);
    Args description{fw::RemoteValue()};
    const fw::RemoteReply empty =
        netLancaSoliCmp.Call(QStringLiteral("DescComplProd"), description);
    fw::TNetConnection::SignOut();
    fw::TNetConnection::SetEmbeddedTransport(nullptr);

    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(media.at(1).toString(), QStringLiteral("0201001001"));
    EXPECT_EQ(rowsOf(reply.result).size(), 1u);
    ASSERT_TRUE(empty.ok) << empty.error.toStdString();
    EXPECT_EQ(description.at(0), fw::RemoteValue(QString()));
}

INSTANTIATE_TEST_SUITE_P(Backends, ProductHistory,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
