#include "db/demo_data.h"

#include "db/large_data.h"
#include "db/migrations.h"
#include "db/password_hash.h"
#include "db/requisition_numbering.h"
#include "support/demo_database.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace cmp::test;

namespace {

int count(QSqlDatabase& db, const QString& from)
{
    return scalar(db, QStringLiteral("SELECT COUNT(*) FROM ") + from).toInt();
}

using DemoData = SharedDemoTest;

TEST_P(DemoData, shouldLetTheDemoOperatorSignInWithTheDemoPasswordOnly)
{
    QSqlDatabase& db = demo();
    const QString hash =
        scalar(db, QStringLiteral("SELECT DSSENHAOPER FROM OPERADOR WHERE CDOPERADOR = '%1'")
                       .arg(cmp::db::demoOperator))
            .toString();
    EXPECT_TRUE(hash.startsWith(QStringLiteral("$argon2id$")));
    EXPECT_TRUE(cmp::db::verifyPassword(hash, cmp::db::demoPassword));
    for (const char* wrong : {"Demo", "demo ", "", "senha"})
        EXPECT_FALSE(cmp::db::verifyPassword(hash, QString::fromUtf8(wrong))) << wrong;
    // An inactive operator has no password to sign in with
    EXPECT_GT(count(db, QStringLiteral("OPERADOR WHERE IDATIVOOPER = 'N' AND DSSENHAOPER IS NULL")),
              0);
}

TEST_P(DemoData, shouldLoadOnlyIntoAnEmptyDatabaseAndLeaveNothingBehindWhenRefused)
{
    cmp::db::migrate(db());
    exec(QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, CDARVPROD, NMPRODUTO, CDNVPRODUTO) "
                        "VALUES ('X', 'X', 'Existente', '1')"));
    EXPECT_THROW(cmp::db::loadDemoData(db()), std::runtime_error);
    EXPECT_EQ(count(db(), QStringLiteral("PRODUTO")), 1);
    EXPECT_EQ(count(db(), QStringLiteral("FILIAL")), 0);
}

TEST_P(DemoData, shouldGenerateRequisitionsInBatchesNumberedOnFromTheDemo)
{
    cmp::db::migrate(db());
    cmp::db::loadDemoData(db());
    const int before = count(db(), QStringLiteral("SOLICITA"));
    const int itemsBefore = count(db(), QStringLiteral("ITEMSOLI"));

    std::vector<int> reported;
    cmp::db::generateRequisitions(
        db(), 250,
        [&](int done, int total) {
            EXPECT_EQ(total, 250);
            reported.push_back(done);
        },
        {.productsPerRequisition = 4, .deliveryDates = 3, .batchSize = 100});

    EXPECT_EQ(reported, (std::vector<int>{100, 200, 250}));
    EXPECT_EQ(count(db(), QStringLiteral("SOLICITA")), before + 250);
    EXPECT_EQ(count(db(), QStringLiteral("ITEMSOLI")), itemsBefore + 250 * 12);
    // Every key is new, and the counters moved on past them
    EXPECT_EQ(
        scalar(db(), QStringLiteral(
                         "SELECT COUNT(*) FROM (SELECT DISTINCT CDFILSOLI, CDFILLANCA, NRSOLICMP "
                         "FROM SOLICITA) K"))
            .toInt(),
        before + 250);
    EXPECT_EQ(
        count(db(),
              QStringLiteral("NUMSOLICMP N WHERE N.NRULTSOLICMP <> (SELECT MAX(CAST(S.NRSOLICMP AS "
                             "INTEGER)) FROM SOLICITA S WHERE S.CDFILLANCA = N.CDFILLANCA)")),
        0);
    EXPECT_EQ(
        count(db(),
              QStringLiteral(
                  "ITEMSOLI I WHERE NOT EXISTS (SELECT 1 FROM SOLICITA S WHERE S.CDFILSOLI = "
                  "I.CDFILSOLI AND S.CDFILLANCA = I.CDFILLAN AND S.NRSOLICMP = I.NRSOLICMP)")),
        0);
}

TEST_P(DemoData, shouldNumberGeneratedRequisitionsBeyondTheIntRangeUntilTenDigitsRunOut)
{
    cmp::db::migrate(db());
    cmp::db::loadDemoData(db());
    // Every branch's counter past what an int holds
    exec(QStringLiteral("DELETE FROM NUMSOLICMP"));
    exec(QStringLiteral("INSERT INTO NUMSOLICMP (CDFILLANCA, NRULTSOLICMP) "
                        "SELECT CDFILIAL, 3000000000 FROM FILIAL"));
    const int before = count(db(), QStringLiteral("SOLICITA"));

    cmp::db::generateRequisitions(db(), 20, {}, {.batchSize = 10});
    EXPECT_EQ(count(db(), QStringLiteral("SOLICITA WHERE NRSOLICMP > '3000000000'")), 20);
    EXPECT_EQ(count(db(), QStringLiteral("SOLICITA")), before + 20);
    EXPECT_EQ(scalar(db(), QStringLiteral("SELECT SUM(NRULTSOLICMP - 3000000000) FROM NUMSOLICMP"))
                  .toLongLong(),
              20);

    // Past 9999999999 nothing more is numbered, and the failing batch leaves nothing
    exec(QStringLiteral("UPDATE NUMSOLICMP SET NRULTSOLICMP = 9999999990"));
    EXPECT_THROW(cmp::db::generateRequisitions(db(), 500), cmp::db::NumberingError);
    EXPECT_EQ(count(db(), QStringLiteral("SOLICITA")), before + 20);
    EXPECT_EQ(count(db(), QStringLiteral("NUMSOLICMP WHERE NRULTSOLICMP <> 9999999990")), 0);
}

TEST_P(DemoData, shouldRefuseToGenerateRequisitionsWithoutBranchesAndProducts)
{
    cmp::db::migrate(db());
    EXPECT_THROW(cmp::db::generateRequisitions(db(), 10), std::runtime_error);
    EXPECT_EQ(count(db(), QStringLiteral("SOLICITA")), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, DemoData,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

TEST(PasswordHash, shouldSaltEveryHashAndRejectWhatIsNotAnArgon2idString)
{
    const QString first = cmp::db::hashPassword(QStringLiteral("pão de queijo"));
    const QString second = cmp::db::hashPassword(QStringLiteral("pão de queijo"));
    EXPECT_NE(first, second);
    EXPECT_TRUE(cmp::db::verifyPassword(first, QStringLiteral("pão de queijo")));
    EXPECT_TRUE(cmp::db::verifyPassword(second, QStringLiteral("pão de queijo")));
    EXPECT_FALSE(cmp::db::verifyPassword(first, QStringLiteral("pao de queijo")));
    for (const char* broken : {"", "demo", "$argon2id$v=19$m=65536,t=2,p=1$", "$argon2id$lixo"})
        EXPECT_FALSE(cmp::db::verifyPassword(QString::fromLatin1(broken), QStringLiteral("demo")))
            << broken;
}

} // namespace
