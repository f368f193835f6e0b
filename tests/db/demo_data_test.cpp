#include "db/demo_data.h"

#include "db/large_data.h"
#include "db/migrations.h"
#include "db/password_hash.h"
#include "db/requisition_numbering.h"
#include "framework/sql/sql_query.h"
#include "support/demo_database.h"

#include <QDate>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace cmp::fw;
using namespace cmp::test;

namespace {

int count(QSqlDatabase& db, const QString& from)
{
    return scalar(db, QStringLiteral("SELECT COUNT(*) FROM ") + from).toInt();
}

DataPacket open(QSqlDatabase& db, const QString& sql,
                const std::map<QString, QVariant>& params = {})
{
    SqlQuery query(QStringLiteral("qryTeste"), {.SQL = sql}, db);
    for (const auto& [name, value] : params)
        query.ParamByName(name).SetValue(value);
    return query.Open();
}

using DemoData = SharedDemoTest;

TEST_P(DemoData, shouldHoldThreePurchaseCentersWithBranchesWhoseFlagsGoBothWays)
{
    QSqlDatabase& db = demo();
    EXPECT_EQ(count(db, QStringLiteral("FILIAL WHERE CDFILCENTCMP IS NULL")), 3);
    EXPECT_EQ(count(db, QStringLiteral("PARASUPRI")), 3);
    EXPECT_GE(count(db, QStringLiteral("FILIAL WHERE CDFILCENTPME IS NULL AND IDFILCENTPME = 'N'")),
              12);

    const struct
    {
        const char* table;
        std::vector<const char*> flags;
    } parameters[] = {
        {"PARASUPRI",
         {"IDJUSSOLEXT", "IDAUDALTSOL", "IDULTIDTULTI", "IDULTCOMPSOL", "IDULTDESTSOL",
          "IDUTQTDEVOLU", "IDBAIXSOLDFS", "IDBLOQALTSOLAUT", "IDEXIGAPRGERCMP", "IDRESTRFILIOPER"}},
        {"PARCMPSUP",
         {"IDUTPRODPREF", "IDUTAPROVSOL", "IDUTLOPERSOL", "IDIMPINCSOLAPR", "IDALTVRCMPANT"}},
        {"PARAFILI", {"IDUTILIZAINTSAC"}},
    };
    for (const auto& [table, flags] : parameters)
        for (const char* flag : flags)
            for (const char* value : {"S", "N"})
                EXPECT_GT(count(db, QStringLiteral("%1 WHERE %2 = '%3'").arg(table, flag, value)),
                          0)
                    << table << "." << flag << " = " << value;
    EXPECT_EQ(scalar(db, QStringLiteral("SELECT IDCACHPRODFI FROM PARAMGERAL")).toString(),
              QStringLiteral("S"));

    // A branch without purchasing parameters and one whose approval letters are missing
    EXPECT_EQ(count(db, QStringLiteral("FILIAL F WHERE NOT EXISTS (SELECT 1 FROM PARCMPSUP P "
                                       "WHERE P.CDFILIAL = F.CDFILIAL)")),
              1);
    EXPECT_GT(count(db, QStringLiteral("PARCMPSUP WHERE IDPERALTSAPR IS NULL")), 0);
    // Branches whose items need a manager's approval by destination
    EXPECT_GT(
        count(db, QStringLiteral("PARGRPRODGER WHERE IDUTAPROVSOL = 'S' AND IDULTDESTSOL = 'S' "
                                 "AND IDAPROVITMSOLGR = 'S'")),
        0);
}

TEST_P(DemoData, shouldHoldASchoolMealCentralWithTwentyUnitsInOneBranchGroup)
{
    QSqlDatabase& db = demo();
    // The aggregation filter's central and its units, by the screens' own texts
    const DataPacket centrals =
        open(db,
             QStringLiteral(
                 "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL FROM FILIAL WHERE (FILIAL.CDFILIAL = "
                 ":P_CDFILIAL OR :P_TCDFILIAL = 'T') AND (FILIAL.IDCNTRRESC <> 'S') AND "
                 "(FILIAL.CDREGIAO IS NOT NULL) AND (FILIAL.CDFILCENTPME IS NULL) AND "
                 "(FILIAL.IDFILCENTPME = 'S') ORDER BY FILIAL.CDFILIAL"),
             {{"P_CDFILIAL", QStringLiteral(" ")}, {"P_TCDFILIAL", QStringLiteral("T")}});
    ASSERT_EQ(centrals.rows.size(), 1u);
    const QString central = centrals.rows.at(0).values.at(0).toString();
    const DataPacket units =
        open(db,
             QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE (CDFILCENTPME = "
                            ":P_CDFILCENTPME) AND (IDCNTRRESC <> 'S') AND (CDREGIAO IS NOT "
                            "NULL) ORDER BY CDFILIAL"),
             {{"P_CDFILCENTPME", central}});
    EXPECT_GE(units.rows.size(), 20u);
    EXPECT_EQ(count(db, QStringLiteral("FILIGRUPFIL G, FILIAL F WHERE G.CDFILIAL = F.CDFILIAL AND "
                                       "F.CDFILCENTPME = '%1'")
                            .arg(central)),
              static_cast<int>(units.rows.size()));
    // Each unit has its requisition, entered by the central
    EXPECT_EQ(count(db, QStringLiteral("SOLICITA WHERE CDFILLANCA = '%1'").arg(central)),
              static_cast<int>(units.rows.size()));
}

TEST_P(DemoData, shouldHoldAFourLevelProductTreeOfAboutEightHundredProducts)
{
    QSqlDatabase& db = demo();
    const int widths[] = {2, 4, 7, 10};
    for (int level = 1; level <= 4; ++level)
        EXPECT_EQ(
            count(db, QStringLiteral("PRODUTO WHERE CDNVPRODUTO = '%1' AND LENGTH(CDARVPROD) <> %2")
                          .arg(level)
                          .arg(widths[level - 1])),
            0)
            << "level " << level;
    const int leaves = count(db, QStringLiteral("PRODUTO WHERE CDNVPRODUTO = '4'"));
    EXPECT_GE(leaves, 750);
    EXPECT_LE(leaves, 850);
    // Every node below the top has its parent, whose code is a prefix of its own
    EXPECT_EQ(
        count(db, QStringLiteral(
                      "PRODUTO P WHERE CDNVPRODUTO <> '1' AND NOT EXISTS (SELECT 1 FROM PRODUTO N "
                      "WHERE N.CDARVPROD = SUBSTR(P.CDARVPROD, 1, LENGTH(P.CDARVPROD) - "
                      "CASE WHEN P.CDNVPRODUTO = '2' THEN 2 ELSE 3 END))")),
        0);
    EXPECT_EQ(
        scalar(db, QStringLiteral("SELECT NMPRODUTO FROM PRODUTO WHERE CDARVPROD = '0101001001'"))
            .toString(),
        QStringLiteral("Arroz Agulhinha Tipo 1 kg"));
    // Purchase packs convert into their stock product
    EXPECT_GT(
        count(db, QStringLiteral("PRODUTO WHERE CDPRODESTO IS NOT NULL AND CDPRODESTO <> CDPRODUTO "
                                 "AND VRFATOCONV > 1")),
        0);
}

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

TEST_P(DemoData, shouldHoldRequisitionsOfEveryKindWithTheirHistory)
{
    QSqlDatabase& db = demo();
    for (const char* kind : {"M", "A", "C"})
        EXPECT_GT(count(db, QStringLiteral("SOLICITA WHERE IDTIPLAN = '%1'").arg(kind)), 0) << kind;
    for (const char* settlement : {"1", "2", "3"})
        EXPECT_GT(count(db, QStringLiteral("SOLICITA WHERE IDBAIXASOL = '%1'").arg(settlement)), 0)
            << settlement;
    EXPECT_GT(count(db, QStringLiteral("SOLICITA WHERE IDBAIXASOL IS NULL")), 0);
    // Every extra requisition carries its justification
    EXPECT_GT(count(db, QStringLiteral("SOLICITA WHERE IDSOLEXTRA = 'S'")), 0);
    EXPECT_EQ(
        count(db, QStringLiteral(
                      "SOLICITA S WHERE IDSOLEXTRA = 'S' AND NOT EXISTS (SELECT 1 FROM MOVSOLEXT J "
                      "WHERE J.CDFILSOLEXT = S.CDFILSOLI AND J.CDFILLANCEXT = S.CDFILLANCA AND "
                      "J.NRSOLIMOVEXT = S.NRSOLICMP)")),
        0);
    EXPECT_GT(count(db, QStringLiteral("ITEMSOLI WHERE IDSOLIAPROV = 'S'")), 0);
    EXPECT_GT(count(db, QStringLiteral("MOVOPSOL")), 0);
    for (const char* decision :
         {"IDAPROVPRGER = 'S'", "IDAPROVPRGER = 'N'", "IDAPROVPRGER IS NULL"})
        EXPECT_GT(count(db, QStringLiteral("APROVCMPGER WHERE ") + QLatin1String(decision)), 0)
            << decision;
    // The counters stand at the last number of each launching branch
    EXPECT_EQ(count(db, QStringLiteral(
                            "NUMSOLICMP N WHERE N.NRULTSOLICMP <> (SELECT MAX(CAST(S.NRSOLICMP AS "
                            "INTEGER)) FROM SOLICITA S WHERE S.CDFILLANCA = N.CDFILLANCA)")),
              0);
}

TEST_P(DemoData, shouldAnswerTheScreensQueriesWithTypedValues)
{
    QSqlDatabase& db = demo();
    // The tolerated deviation comes from the most specific node: beef (0201) over meat (02)
    const DataPacket tolerance = open(
        db,
        QStringLiteral(
            "SELECT CAST(VRPERCMEDSOL AS DOUBLE PRECISION) VRPERCMEDSOL FROM MEDSOLI MED, PRODUTO "
            "WHERE PRODUTO.CDPRODUTO = MED.CDPRODUTO AND CDFILIAL = :P_CDFILIAL AND CDARVPROD = "
            "(SELECT MAX(CDARVPROD) FROM MEDSOLI, PRODUTO P, PARAM(:P_CDPRODUTO) P_CDPRODUTO WHERE "
            "P.CDPRODUTO = MEDSOLI.CDPRODUTO AND INSTR(P_CDPRODUTO.PARAM, P.CDARVPROD) <> 0 AND "
            "MEDSOLI.CDFILIAL = MED.CDFILIAL)"),
        {{"P_CDFILIAL", QStringLiteral("0004")}, {"P_CDPRODUTO", QStringLiteral("0201001001")}});
    ASSERT_EQ(tolerance.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(tolerance.rows.at(0).values.at(0).toDouble(), 10.0);

    // Products inactive at the branch leave the cached lookup
    const QString lookup = QStringLiteral("SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS "
                                          "VARCHAR(50)) AS NMPRODUTO, CDNVPRODUTO, SGUNIDADE "
                                          "FROM PRODUTO WHERE IDPRODCOMISS IS NULL AND (NOT EXISTS "
                                          "(SELECT CDPRODUTO FROM PRODFILI WHERE (CDFILIAL = "
                                          ":P_CDFILIAL) AND (IDPRODATIV = 'I') AND (CDPRODUTO = "
                                          "PRODUTO.CDPRODUTO))) ORDER BY CDARVPROD");
    const auto cached = open(db, lookup, {{"P_CDFILIAL", QStringLiteral("0004")}}).rows.size();
    EXPECT_LT(cached,
              static_cast<size_t>(count(db, QStringLiteral("PRODUTO WHERE IDPRODCOMISS IS NULL"))));
    EXPECT_GT(cached, 900u);

    // Buyers, managers and the branch's mailbox for the approval notices
    EXPECT_GT(
        open(db, QStringLiteral(
                     "SELECT COMPRADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM COMPRADOR, OPERADOR "
                     "WHERE COMPRADOR.CDOPERADOR = OPERADOR.CDOPERADOR ORDER BY "
                     "COMPRADOR.CDOPERADOR"))
            .rows.size(),
        0u);
    EXPECT_EQ(
        open(db,
             QStringLiteral(
                 "SELECT E.DSEMAILFILI, E.CDSENHEMAILF, E.DSSMTPEMAILF, F.CDFILIAL, F.NMFILIAL "
                 "FROM ENDEFILI E, FILIAL F WHERE (F.CDFILIAL = :P_CDFILIAL) AND F.CDFILIAL = "
                 "E.CDFILIAL AND IDTPENDEFILI = 'P'"),
             {{"P_CDFILIAL", QStringLiteral("0004")}})
            .rows.size(),
        1u);

    // Dates come back as dates, moments as date-times
    const DataPacket dates =
        open(db, QStringLiteral("SELECT S.DTSOLCMP, J.DTMOVSOLEXT FROM SOLICITA S, MOVSOLEXT J "
                                "WHERE J.CDFILSOLEXT = S.CDFILSOLI AND J.CDFILLANCEXT = "
                                "S.CDFILLANCA AND J.NRSOLIMOVEXT = S.NRSOLICMP AND "
                                "S.CDFILSOLI = '0004'"));
    ASSERT_EQ(dates.rows.size(), 1u);
    EXPECT_EQ(dates.fields.at(0).type, FieldType::Date);
    EXPECT_EQ(dates.rows.at(0).values.at(0).toDate(), QDate(2026, 11, 30));
    EXPECT_EQ(dates.fields.at(1).type, FieldType::DateTime);
    EXPECT_EQ(dates.rows.at(0).values.at(1).toDateTime(),
              QDateTime(QDate(2026, 11, 30), QTime(10, 15)));
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
