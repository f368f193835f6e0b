#include "server/requisition_reads.h"

#include "server/demo_server_fixture.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using test::demoOperator;
using test::Rows;
using test::rowsOf;

const QString number = QStringLiteral("8000000001");

// One extra requisition of March 2027 with two products on two days, its
// justification and two logged changes, at a branch of choice.
class RequisitionReads : public test::DemoServerTest
{
protected:
    void SetUp() override
    {
        DemoServerTest::SetUp();
        if (IsSkipped())
            return;
        rice = product(QStringLiteral("0101001001"));
        pack = product(QStringLiteral("0101001002"));
    }

    struct Product
    {
        QString code;
        QString tree;
        QString name;
    };

    Product product(const QString& tree)
    {
        const QString where = QStringLiteral(" FROM PRODUTO WHERE CDARVPROD = '%1'").arg(tree);
        return {demoValue(QStringLiteral("SELECT CDPRODUTO") + where), tree,
                demoValue(QStringLiteral("SELECT NMPRODUTO") + where)};
    }

    void addRequisition(const QString& branch)
    {
        const QString key = QStringLiteral("'%1', '%1', '%2'").arg(branch, number);
        sql(QStringLiteral("INSERT INTO SOLICITA (CDFILSOLI, CDFILLANCA, NRSOLICMP, DTSOLCMP, "
                           "IDTIPLAN, CDFILCENT, CDOPERADOR, CDDESTSOLI, IDSOLEXTRA, CDOPERLANC, "
                           "IDINSVRCMPANT, NRNECECMPSOL) VALUES (%1, '2027-03-01', 'M', '0001', "
                           "'%2', '004', 'S', '%3', 'S', '0000000123')")
                .arg(key, demoOperator(2), demoOperator(7)));
        sql(QStringLiteral("INSERT INTO MOVSOLEXT VALUES (%1, '2027-03-01T10:15:00.000', '%2', "
                           "'Evento especial')")
                .arg(key, demoOperator(7)));
        // Written out of the matrix order, which the reads restore.
        const QString item = QStringLiteral(
            "INSERT INTO ITEMSOLI (CDFILSOLI, CDFILLAN, NRSOLICMP, CDPRODUTO, DTPROGENTR, "
            "QTSOLIPROD, TXOBSITMSOL, IDIMPITMSAC) VALUES (%1, '%2', ");
        sql((item + QStringLiteral("'2027-03-08', 2.5, 'Sem casca', 'N')")).arg(key, pack.code));
        sql((item + QStringLiteral("'2027-03-15', 4, NULL, 'P')")).arg(key, rice.code));
        sql((item + QStringLiteral("'2027-03-15', 1, NULL, NULL)")).arg(key, pack.code));
        sql(QStringLiteral(
                "INSERT INTO ITEMSOLI VALUES (%1, '%2', '2027-03-08', '2027-03-07', 3, NULL, '1', "
                "1.5, 'S', 2, '%2', 3, '2027-03-02T08:00:00.000', '2027-03-01T09:30:00.000', "
                "'N', '0000000555', 12.5, '2027-02-01', 'S')")
                .arg(key, rice.code));
        sql(QStringLiteral("INSERT INTO MOVOPSOL VALUES (%1, 2, '%2', '2027-03-15', "
                           "'2027-03-02T14:02:00.000', '%3', 0, 1, NULL, 'I', "
                           "'Cmp03100.rdmLancaSoliCmp', NULL, NULL, 'Confirmar')")
                .arg(key, pack.code, demoOperator(1)));
        sql(QStringLiteral("INSERT INTO MOVOPSOL VALUES (%1, 1, '%2', '2027-03-08', "
                           "'2027-03-02T14:01:00.000', '%3', 5, 3, 'Redução do consumo', 'A', "
                           "'Cmp03100.rdmLancaSoliCmp', NULL, NULL, 'Confirmar')")
                .arg(key, rice.code, demoOperator(7)));
    }

    fw::RemoteValue read(const char* method, const QString& branch, int asOperator = 1)
    {
        return result(QString::fromLatin1(method), {branch, branch, number}, asOperator);
    }

    Product rice;
    Product pack;
};

TEST_P(RequisitionReads, shouldGiveTheHeaderWithItsNamesAndTheJustification)
{
    addRequisition(QStringLiteral("0004"));
    const fw::RemoteValue header = read("GetSolicita", QStringLiteral("0004"));
    EXPECT_EQ(rowsOf(header),
              Rows({{number, "0004", "2027-03-01", "0004", "M", "0001",
                     "Restaurante Industrial Sumaré", "000000000002", "Carlos Eduardo Souza", "004",
                     "Refeitório Diretoria", "S", "000000000007", "S", "0000000123"}}));
    EXPECT_EQ(rowsOf(read("GetSolicita", QStringLiteral("4"))), rowsOf(header))
        << "typed codes are padded";

    EXPECT_EQ(rowsOf(read("GetJustSoli", QStringLiteral("0004"))),
              Rows({{"0004", "0004", number, "2027-03-01T10:15:00.000", "000000000007",
                     "Evento especial"}}));
}

TEST_P(RequisitionReads, shouldGiveTheItemsInMatrixOrderWithTheNotImportedOnesApart)
{
    addRequisition(QStringLiteral("0004"));
    const fw::RemoteValue items = read("GetItemSoli", QStringLiteral("0004"));
    const Rows rows = rowsOf(items.at(0));
    ASSERT_EQ(rows.size(), 4u);
    QStringList order;
    for (const QStringList& row : rows)
        order << row.at(4) + ' ' + row.at(5);
    EXPECT_EQ(order, QStringList({rice.tree + " 2027-03-08", rice.tree + " 2027-03-15",
                                  pack.tree + " 2027-03-08", pack.tree + " 2027-03-15"}));

    EXPECT_EQ(rowsOf(items.at(1)), Rows({{rice.tree, "2027-03-08"}, {pack.tree, "2027-03-08"}}));

    const QString riceKey = rice.name + QStringLiteral("||") + rice.tree;
    const QString packKey = pack.name + QStringLiteral("||") + pack.tree;
    EXPECT_EQ(rowsOf(read("GetDecisionProdutos", QStringLiteral("0004"))),
              Rows({{riceKey, "2027-03-08", "3"},
                    {riceKey, "2027-03-15", "4"},
                    {packKey, "2027-03-08", "2.5"},
                    {packKey, "2027-03-15", "1"}}));
}

TEST_P(RequisitionReads, shouldGiveTheAlterationLogInTheOrderOfTheChanges)
{
    addRequisition(QStringLiteral("0004"));
    // Each change with its product and operator named: (name, day, from, to, why, operator).
    QStringList changes;
    for (const QStringList& row : rowsOf(read("GetMovoPSol", QStringLiteral("0004"))))
        changes << QStringList{row.at(0), row.at(1), row.at(2), row.at(3), row.at(4), row.at(12)}
                       .join(u'|');
    EXPECT_EQ(changes, QStringList({rice.name + "|2027-03-08|5|3|Redução do consumo|Luciana "
                                                "Pereira Santos",
                                    pack.name + "|2027-03-15|0|1|null|Ana Paula Ribeiro"}));
}

TEST_P(RequisitionReads, shouldGiveNothingOfAnUnknownRequisitionOrOfABranchTheOperatorMayNotUse)
{
    addRequisition(QStringLiteral("0008"));
    const char* packets[] = {"GetSolicita", "GetJustSoli", "GetMovoPSol", "GetDecisionProdutos"};
    for (const char* method : packets) {
        const fw::RemoteValue unknown = read(method, QStringLiteral("0004"));
        EXPECT_TRUE(rowsOf(unknown).empty()) << method;
        EXPECT_FALSE(unknown.toPacket().fields.empty())
            << method << ": the layout comes all the same";
        // The Rio center lists 0008 for operator 8, not for operator 2.
        EXPECT_FALSE(rowsOf(read(method, QStringLiteral("0008"), 8)).empty()) << method;
        EXPECT_TRUE(rowsOf(read(method, QStringLiteral("0008"), 2)).empty()) << method;
    }
    const fw::RemoteValue items = read("GetItemSoli", QStringLiteral("0008"), 2);
    EXPECT_TRUE(rowsOf(items.at(0)).empty());
    EXPECT_TRUE(rowsOf(items.at(1)).empty());
    EXPECT_FALSE(items.at(0).toPacket().fields.empty());
    EXPECT_EQ(rowsOf(read("GetItemSoli", QStringLiteral("0008"), 8).at(0)).size(), 4u);

    EXPECT_EQ(call(QStringLiteral("GetItemSoli"), {"0004", "0004"}).failure,
              CallFailure::BadArguments);
}

INSTANTIATE_TEST_SUITE_P(Backends, RequisitionReads,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
