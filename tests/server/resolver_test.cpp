#include "server/resolver.h"

#include "db/migrations.h"
#include "framework/data/client_dataset.h"
#include "framework/sql/sql_query.h"
#include "support/sql_backends.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace cmp::fw;
using namespace cmp::server;
using namespace cmp::test;

namespace {

const ResolveTarget solicita{
    "SOLICITA", {"CDFILSOLI", "CDFILLANCA", "NRSOLICMP"}, {"CDOPERADOR", "CDDESTSOLI"}};
const ResolveTarget itemSoli{"ITEMSOLI",
                             {"CDFILSOLI", "CDFILLAN", "NRSOLICMP", "CDPRODUTO", "DTPROGENTR"},
                             {"DTUTILIZA", "QTSOLIPROD", "TXOBSITMSOL"}};
const QString item101 = "ITEMSOLI 0001/0001/0000000012/0000000101/07/12/2026";

// Requisition 0001/0001/0000000012 with items 101 (5 units) and 102 (3 units).
class ResolverOnBackend : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        cmp::db::migrate(db());
        exec("INSERT INTO SOLICITA (CDFILSOLI, CDFILLANCA, NRSOLICMP, DTSOLCMP, CDOPERADOR) "
             "VALUES ('0001', '0001', '0000000012', '2026-12-01', '000000000007')");
        exec("INSERT INTO ITEMSOLI (CDFILSOLI, CDFILLAN, NRSOLICMP, CDPRODUTO, DTPROGENTR, "
             "QTSOLIPROD) "
             "VALUES ('0001', '0001', '0000000012', '0000000101', '2026-12-07', 5), "
             "('0001', '0001', '0000000012', '0000000102', '2026-12-07', 3)");
    }

    // What a client holds after loading, display fields from joins included.
    void load(ClientDataSet& cds, const QString& table)
    {
        SqlQuery(cds.Name(), {.SQL = "SELECT T.*, 'Arroz' AS NMPRODUTO FROM " + table + " T"}, db())
            .Open(cds);
    }

    void edit(ClientDataSet& cds, const QString& product, const QString& field,
              const QVariant& value)
    {
        ASSERT_TRUE(cds.Locate("CDPRODUTO", product));
        cds.Edit();
        cds.FieldByName(field).SetValue(value);
        cds.Post();
    }

    QVariant stored(const QString& sql)
    {
        SqlQuery query("qryStored", {.SQL = sql}, db());
        const DataPacket rows = query.Open();
        return rows.rows.empty() ? QVariant("<no row>") : rows.rows.front().values.front();
    }
    QVariant quantity(const QString& product)
    {
        return stored("SELECT QTSOLIPROD FROM ITEMSOLI WHERE CDPRODUTO = '" + product + "'");
    }
};

TEST_P(ResolverOnBackend, shouldStoreInsertedModifiedAndDeletedItemsIgnoringFieldsTheTableLacks)
{
    // Given a client that changes item 101, deletes 102 and adds 103
    ClientDataSet cdsItemSoli("cdsItemSoli");
    load(cdsItemSoli, "ITEMSOLI");
    edit(cdsItemSoli, "0000000101", "QTSOLIPROD", 7.5);
    edit(cdsItemSoli, "0000000101", "TXOBSITMSOL", "Entregar pela manhã");
    ASSERT_TRUE(cdsItemSoli.Locate("CDPRODUTO", "0000000102"));
    cdsItemSoli.Delete();
    cdsItemSoli.Append();
    for (auto [field, value] : {std::pair<QString, QVariant>{"CDFILSOLI", "0001"},
                                {"CDFILLAN", "0001"},
                                {"NRSOLICMP", "0000000012"},
                                {"CDPRODUTO", "0000000103"},
                                {"DTPROGENTR", QDate(2026, 12, 8)},
                                {"QTSOLIPROD", 2.0}})
        cdsItemSoli.FieldByName(field).SetValue(value);
    cdsItemSoli.Post();
    // and whose packet also names fields no table has, some shaped like SQL
    DataPacket delta = cdsItemSoli.Delta();
    delta.fields[delta.fieldIndex("NMPRODUTO")].name = "QTSOLIPROD = 0; DROP TABLE ITEMSOLI; --";

    // When it is saved
    const ResolveResult result = applyChangePacket(db(), itemSoli, delta);

    // Then the table holds exactly the client's rows
    ASSERT_TRUE(result.ok()) << result.errorText().toStdString();
    EXPECT_EQ(quantity("0000000101").toDouble(), 7.5);
    EXPECT_EQ(stored("SELECT TXOBSITMSOL FROM ITEMSOLI WHERE CDPRODUTO = '0000000101'"),
              "Entregar pela manhã");
    EXPECT_EQ(quantity("0000000102"), "<no row>");
    EXPECT_EQ(stored("SELECT DTPROGENTR FROM ITEMSOLI WHERE CDPRODUTO = '0000000103'"),
              QDate(2026, 12, 8));

    // And the same changes saved again, as by a second client, conflict row by row
    const ResolveResult again = applyChangePacket(db(), itemSoli, delta);
    ASSERT_EQ(again.conflicts.size(), 3u);
    EXPECT_EQ(again.conflicts[0].message, "Registro alterado por outro usuário: " + item101);
    EXPECT_EQ(again.conflicts[1].message, "Registro já incluído por outro usuário: ITEMSOLI "
                                          "0001/0001/0000000012/0000000103/08/12/2026");
    EXPECT_EQ(again.conflicts[2].message, "Registro excluído por outro usuário: ITEMSOLI "
                                          "0001/0001/0000000012/0000000102/07/12/2026");
}

TEST_P(ResolverOnBackend, shouldWriteNothingOfTheWholeSaveWhenOneRowWasChangedAfterLoading)
{
    // Given a client that loaded header and items
    ClientDataSet cdsSolicita("cdsSolicita"), cdsItemSoli("cdsItemSoli");
    load(cdsSolicita, "SOLICITA");
    load(cdsItemSoli, "ITEMSOLI");
    // and another user who then raised item 101 to 9
    exec("UPDATE ITEMSOLI SET QTSOLIPROD = 9 WHERE CDPRODUTO = '0000000101'");

    // When the client saves a new buyer, a new quantity of 101 and of 102
    cdsSolicita.Edit();
    cdsSolicita.FieldByName("CDOPERADOR").SetValue("000000000008");
    cdsSolicita.Post();
    edit(cdsItemSoli, "0000000101", "QTSOLIPROD", 6.0);
    edit(cdsItemSoli, "0000000102", "QTSOLIPROD", 4.0);
    const DataPacket header = cdsSolicita.Delta(), items = cdsItemSoli.Delta();
    const ResolveResult result = applyChangePackets(db(), {{solicita, header}, {itemSoli, items}});

    // Then item 101 is reported by its key and nothing of the save is stored
    ASSERT_EQ(result.conflicts.size(), 1u);
    EXPECT_EQ(result.conflicts[0].keyValues,
              QStringList({"0001", "0001", "0000000012", "0000000101", "07/12/2026"}));
    EXPECT_EQ(result.errorText(), "Registro alterado por outro usuário: " + item101);
    EXPECT_EQ(quantity("0000000101").toDouble(), 9.0);
    EXPECT_EQ(quantity("0000000102").toDouble(), 3.0);
    EXPECT_EQ(stored("SELECT CDOPERADOR FROM SOLICITA"), "000000000007");
}

TEST_P(ResolverOnBackend, shouldKeepFirstOfTwoClientsChangingSameFieldAndBothChangingDifferentOnes)
{
    const QString longText(2000, 'a');
    const struct
    {
        QString field, otherField;
        QVariant first, second, other;
    } cases[] = {
        {"QTSOLIPROD", "DTUTILIZA", 7.5, 8.0, QDate(2026, 12, 9)},
        {"TXOBSITMSOL", "QTSOLIPROD", longText, QString(longText).replace(1999, 1, "b"), 1.0},
    };
    for (const auto& c : cases) {
        // Given two clients that loaded the same items
        ClientDataSet first("cdsFirst"), second("cdsSecond");
        load(first, "ITEMSOLI");
        load(second, "ITEMSOLI");

        // When both change the same field of 101, and different fields of 102, and save in turn
        edit(first, "0000000101", c.field, c.first);
        edit(second, "0000000101", c.field, c.second);
        edit(first, "0000000102", c.field, c.first);
        edit(second, "0000000102", c.otherField, c.other);
        const ResolveResult won = applyChangePacket(db(), itemSoli, first.Delta());
        const ResolveResult lost = applyChangePacket(db(), itemSoli, second.Delta());
        second.CancelUpdates();
        edit(second, "0000000102", c.otherField, c.other);
        const ResolveResult beside = applyChangePacket(db(), itemSoli, second.Delta());

        // Then the first wins 101 and the second is told, even of a last-character difference;
        // on 102 both changes are kept
        EXPECT_TRUE(won.ok()) << won.errorText().toStdString();
        EXPECT_EQ(lost.errorText(), "Registro alterado por outro usuário: " + item101)
            << c.field.toStdString();
        EXPECT_TRUE(beside.ok()) << beside.errorText().toStdString();
        const QString of102 = " FROM ITEMSOLI WHERE CDPRODUTO = '0000000102'";
        EXPECT_EQ(stored("SELECT " + c.field + " FROM ITEMSOLI WHERE CDPRODUTO = '0000000101'"),
                  c.first);
        EXPECT_EQ(stored("SELECT " + c.field + of102), c.first);
        EXPECT_EQ(stored("SELECT " + c.otherField + of102), c.other);
        exec("UPDATE ITEMSOLI SET QTSOLIPROD = 5, TXOBSITMSOL = NULL, DTUTILIZA = NULL");
    }
}

TEST_P(ResolverOnBackend, shouldMatchNullOriginalsAndFloatsOffOnlyByRounding)
{
    for (const auto& [storedMeanwhile, matches] :
         {std::pair<QString, bool>{"3.000000000001", true}, {"3.001", false}}) {
        // Given a client that loaded item 102, whose stored quantity then became slightly other
        ClientDataSet cdsItemSoli("cdsItemSoli");
        load(cdsItemSoli, "ITEMSOLI");
        exec("UPDATE ITEMSOLI SET QTSOLIPROD = " + storedMeanwhile +
             " WHERE CDPRODUTO = '0000000102'");
        // When it fills the empty first-use date and changes the quantity
        edit(cdsItemSoli, "0000000102", "DTUTILIZA", QDate(2026, 12, 9));
        edit(cdsItemSoli, "0000000102", "QTSOLIPROD", 4.0);
        // Then only a difference of rounding passes
        EXPECT_EQ(applyChangePacket(db(), itemSoli, cdsItemSoli.Delta()).ok(), matches)
            << storedMeanwhile.toStdString();
        exec("UPDATE ITEMSOLI SET QTSOLIPROD = 3, DTUTILIZA = NULL");
    }
}

TEST_P(ResolverOnBackend, shouldRefuseUnknownTablesAndColumnsAndPacketsWithoutKeyWritingNothing)
{
    ClientDataSet cdsItemSoli("cdsItemSoli");
    load(cdsItemSoli, "ITEMSOLI");
    edit(cdsItemSoli, "0000000101", "QTSOLIPROD", 7.5);
    const DataPacket delta = cdsItemSoli.Delta();
    DataPacket withoutKey = delta;
    withoutKey.fields[withoutKey.fieldIndex("DTPROGENTR")].name = "DTENTREGA";
    const ResolveTarget unknownTable{"ITEMSOLI; DELETE FROM SOLICITA", itemSoli.keyFields,
                                     itemSoli.columns};
    const ResolveTarget unknownColumn{"ITEMSOLI", itemSoli.keyFields, {"QTSOLIPROD", "QTEXTRA"}};
    const struct
    {
        const ResolveTarget& target;
        const DataPacket& packet;
        QString error;
    } cases[] = {
        {unknownTable, delta, "Tabela desconhecida: ITEMSOLI; DELETE FROM SOLICITA"},
        {unknownColumn, delta, "Coluna desconhecida em ITEMSOLI: QTEXTRA"},
        {itemSoli, withoutKey, "Pacote de ITEMSOLI sem o campo chave DTPROGENTR"},
    };
    for (const auto& c : cases) {
        // An empty packet, as sent for a record set without changes, is passed over
        const ResolveResult result =
            applyChangePackets(db(), {{solicita, DataPacket{}}, {c.target, c.packet}});
        EXPECT_EQ(result.error, c.error);
    }
    EXPECT_EQ(quantity("0000000101").toDouble(), 5.0);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM SOLICITA").toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, ResolverOnBackend,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace
