#include "framework/sql/sql_query.h"

#include "framework/data/client_dataset.h"
#include "support/sql_backends.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

using namespace cmp::fw;
using namespace cmp::test;

namespace {

using QueryOnBackend = BackendTest;

// The message of the SqlError `action` throws; fails the test when none.
template <typename Action> QString sqlErrorOf(Action action)
{
    try {
        action();
    } catch (const SqlError& error) {
        return QString::fromStdString(error.what());
    }
    ADD_FAILURE() << "no SqlError";
    return {};
}

TEST_P(QueryOnBackend, shouldLoadRowsWithUpperCaseNamesAndColumnKindsIntoRecordSet)
{
    // Given an item written through bound values of every kind
    exec("CREATE TABLE ITEMSOLI (CDFILIAL VARCHAR(4), DTENTREGA DATE, QTSOLICITA NUMERIC(15,3), "
         "NRITEM INTEGER, DTULTALT TIMESTAMP, DSOBSERV TEXT)");
    SqlQuery insert("qryInsereItem",
                    {.SQL =
                         "INSERT INTO ITEMSOLI VALUES (:P_CDFILIAL, :P_DTENTREGA, :P_QTSOLICITA, "
                         ":P_NRITEM, :P_DTULTALT, :P_DSOBSERV)"},
                    db());
    const QDateTime changed(QDate(2026, 12, 6), QTime(9, 30, 15));
    insert.ParamByName("P_CDFILIAL").SetValue("0001");
    insert.ParamByName("P_DTENTREGA").SetValue(QDate(2026, 12, 7));
    insert.ParamByName("P_QTSOLICITA").SetValue(1234.5);
    insert.ParamByName("P_NRITEM").SetValue(qint64(7));
    insert.ParamByName("P_DTULTALT").SetValue(changed);
    insert.ParamByName("P_DSOBSERV").SetValue(QVariant());
    EXPECT_EQ(insert.ExecSQL(), 1);

    // When it is read with a lower-case query text
    SqlQuery select("qryItemSoli",
                    {.SQL = "select cdfilial, dtentrega, qtsolicita, nritem, dtultalt, dsobserv, "
                            "qtsolicita * 2 as qtdobro from itemsoli"},
                    db());
    ClientDataSet cdsItemSoli("cdsItemSoli");
    select.Open(cdsItemSoli);

    // Then the record set has the screens' upper-case fields of the right kinds
    ASSERT_EQ(cdsItemSoli.RecordCount(), 1);
    const struct
    {
        const char* name;
        FieldType type;
        int size;
    } expected[] = {
        {"CDFILIAL", FieldType::String, 4},   {"DTENTREGA", FieldType::Date, 0},
        {"QTSOLICITA", FieldType::Float, 0},  {"NRITEM", FieldType::Integer, 0},
        {"DTULTALT", FieldType::DateTime, 0}, {"DSOBSERV", FieldType::String, 0},
        {"QTDOBRO", FieldType::Float, 0},
    };
    ASSERT_EQ(cdsItemSoli.FieldCount(), int(std::size(expected)));
    for (int i = 0; i < cdsItemSoli.FieldCount(); ++i) {
        const Field& field = cdsItemSoli.Fields(i);
        EXPECT_EQ(field.FieldName(), expected[i].name);
        EXPECT_EQ(field.DataType(), expected[i].type) << expected[i].name;
        EXPECT_EQ(field.Size(), expected[i].size) << expected[i].name;
    }
    EXPECT_EQ(cdsItemSoli.FieldByName("CDFILIAL").Value(), QVariant("0001"));
    EXPECT_EQ(cdsItemSoli.FieldByName("DTENTREGA").Value(), QVariant(QDate(2026, 12, 7)));
    EXPECT_EQ(cdsItemSoli.FieldByName("QTSOLICITA").Value(), QVariant(1234.5));
    EXPECT_EQ(cdsItemSoli.FieldByName("NRITEM").Value(), QVariant(qint64(7)));
    EXPECT_EQ(cdsItemSoli.FieldByName("DTULTALT").AsDateTime(), changed);
    EXPECT_TRUE(cdsItemSoli.FieldByName("DSOBSERV").IsNull());
    EXPECT_EQ(cdsItemSoli.FieldByName("QTDOBRO").Value(), QVariant(2469.0));
}

TEST_P(QueryOnBackend, shouldBindEveryUseOfParameterAndNeverReadValuesOrLiteralsAsSql)
{
    createBranchesAndDestinations();
    const QString hostile = QStringLiteral("O'Brien\"; DROP TABLE FILIAL;--:P_X");
    SqlQuery rename("qryRenomeia",
                    {.SQL = "UPDATE FILIAL SET NMFILIAL = :P_NMFILIAL WHERE CDFILIAL = :P_CDFILIAL "
                            "OR CDFILIAL = :p_outra"},
                    db());
    rename.ParamByName("P_NMFILIAL").SetValue(hostile);
    rename.ParamByName("P_CDFILIAL").SetValue("0001");
    rename.ParamByName("P_OUTRA").SetValue("0003");
    EXPECT_EQ(rename.ExecSQL(), 2);

    // Placeholders inside literals and comments are text; the same name twice binds twice
    SqlQuery select("qryFilial",
                    {.SQL =
                         "SELECT CDFILIAL, NMFILIAL, ':P_NAO' AS LITERAL FROM FILIAL /* :P_NEM */ "
                         "WHERE (NMFILIAL = :P_NMFILIAL OR CDFILIAL = :P_NMFILIAL) -- :P_NUNCA\n"
                         "ORDER BY CDFILIAL"},
                    db());
    ASSERT_EQ(select.Params().size(), 1u);
    select.ParamByName("p_nmfilial").SetValue(hostile);
    const DataPacket packet = select.Open();
    ASSERT_EQ(packet.rows.size(), 2u);
    for (const PacketRow& row : packet.rows) {
        EXPECT_EQ(row.values[1], QVariant(hostile));
        EXPECT_EQ(row.values[2], QVariant(":P_NAO"));
    }
}

TEST_P(QueryOnBackend, shouldReportBadParametersAndDatabaseErrorsAsSqlErrorNamingQuery)
{
    createBranchesAndDestinations();
    SqlQuery qryFilial("qryFilial",
                       {.SQL = "SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL"}, db());

    const QString missing = sqlErrorOf([&] { qryFilial.Open(); });
    EXPECT_TRUE(missing.startsWith("qryFilial:")) << missing.toStdString();
    EXPECT_TRUE(missing.contains("P_CDFILIAL")) << missing.toStdString();

    const QString unknown = sqlErrorOf([&] { qryFilial.ParamByName("P_CDFILSOLI"); });
    EXPECT_TRUE(unknown.contains("P_CDFILSOLI")) << unknown.toStdString();

    SqlQuery broken("qryQuebrada",
                    {.SQL = "SELECT NMFILIAL FROM FILIAIS WHERE CDFILIAL = :P_CDFILIAL"}, db());
    broken.ParamByName("P_CDFILIAL").SetValue("0001");
    const QString refused = sqlErrorOf([&] { broken.Open(); });
    EXPECT_TRUE(refused.startsWith("qryQuebrada:")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("FILIAIS", Qt::CaseInsensitive)) << refused.toStdString();

    SqlQuery statement("qryApaga", {.SQL = "DELETE FROM FILIAL WHERE CDFILIAL = '9999'"}, db());
    EXPECT_FALSE(sqlErrorOf([&] { statement.Open(); }).isEmpty());

    // The query stays usable once its parameter has a value
    qryFilial.ParamByName("P_CDFILIAL").SetValue("0002");
    EXPECT_EQ(qryFilial.Open().rows.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, QueryOnBackend,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace
