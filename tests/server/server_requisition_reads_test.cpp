#include "server/requisition_reads.h"

#include "framework/data/client_dataset.h"
#include "framework/data/field.h"
#include "framework/net/net_connection.h"
#include "server/in_process_transport.h"
#include "server/demo_server_fixture.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using test::Args;
using test::column;
using test::demoOperator;
using test::fieldsOf;
using test::Rows;
using test::rowsOf;

const QString number = QStringLiteral("8000000001");

const QStringList itemSoliFields{
    "CDFILSOLI:string:4",      "CDFILLAN:string:4",        "NRSOLICMP:string:10",
    "CDPRODUTO:string:10",     "CDARVPROD:string:20",      "DTPROGENTR:date:0",
    "DTUTILIZA:date:0",        "QTSOLIPROD:float:0",       "TXOBSITMSOL:string:2000",
    "IDBAIXITMSOL:string:1",   "QTTRANSFSOL:float:0",      "IDSOLIAPROV:string:1",
    "QTVOLUITEMSO:float:0",    "CDPRODORIG:string:10",     "QTSOLIORIG:float:0",
    "DTIMPORTASAC:dateTime:0", "DTULTATUITSOL:dateTime:0", "IDIMPITMSAC:string:1",
    "NRSEQUCONSOL:string:10",  "VRCMPANTERIOR:float:0",    "DTCMPANTERIOR:date:0",
    "IDINSVRCMPANT:string:1"};

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
            "QTSOLIPROD, TXOBSITMSOL, IDIMPITMSAC) VALUES (%1, '%2', '%3', %4, %5, %6)");
        sql(item.arg(key, pack.code, QStringLiteral("2027-03-08"), QStringLiteral("2.5"),
                     QStringLiteral("'Sem casca'"), QStringLiteral("'N'")));
        sql(item.arg(key, rice.code, QStringLiteral("2027-03-15"), QStringLiteral("4"),
                     QStringLiteral("NULL"), QStringLiteral("'P'")));
        sql(item.arg(key, pack.code, QStringLiteral("2027-03-15"), QStringLiteral("1"),
                     QStringLiteral("NULL"), QStringLiteral("NULL")));
        sql(QStringLiteral(
                "INSERT INTO ITEMSOLI VALUES (%1, '%2', '2027-03-08', '2027-03-07', 3, NULL, '1', "
                "1.5, 'S', 2, '%2', 3, '2027-03-02T08:00:00.000', '2027-03-01T09:30:00.000', "
                "'N', '0000000555', 12.5, '2027-02-01', 'S')")
                .arg(key, rice.code));
        const QString change = QStringLiteral(
            "INSERT INTO MOVOPSOL VALUES (%1, %2, '%3', '%4', '%5', '%6', %7, %8, %9, '%10', "
            "'Cmp03100.rdmLancaSoliCmp', NULL, NULL, 'Confirmar')");
        sql(change.arg(key, QStringLiteral("2"), pack.code, QStringLiteral("2027-03-15"),
                       QStringLiteral("2027-03-02T14:02:00.000"), demoOperator(1),
                       QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("NULL"),
                       QStringLiteral("I")));
        sql(change.arg(key, QStringLiteral("1"), rice.code, QStringLiteral("2027-03-08"),
                       QStringLiteral("2027-03-02T14:01:00.000"), demoOperator(7),
                       QStringLiteral("5"), QStringLiteral("3"),
                       QStringLiteral("'Redução do consumo'"), QStringLiteral("A")));
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
    EXPECT_EQ(fieldsOf(header),
              QStringList({"NRSOLICMP:string:10", "CDFILLANCA:string:4", "DTSOLCMP:date:0",
                           "CDFILSOLI:string:4", "IDTIPLAN:string:1", "CDFILCENT:string:4",
                           "NMFILIAL_LANCAMENTO:string:30", "CDOPERADOR:string:12",
                           "NMOPERADOR:string:40", "CDDESTSOLI:string:3", "NMDESTSOLI:string:30",
                           "IDSOLEXTRA:string:1", "CDOPERLANC:string:12", "IDINSVRCMPANT:string:1",
                           "NRNECECMPSOL:string:10"}));
    EXPECT_EQ(rowsOf(header),
              Rows({{number, "0004", "2027-03-01", "0004", "M", "0001",
                     "Restaurante Industrial Sumaré", "000000000002", "Carlos Eduardo Souza", "004",
                     "Refeitório Diretoria", "S", "000000000007", "S", "0000000123"}}));
    EXPECT_EQ(rowsOf(read("GetSolicita", QStringLiteral("4"))), rowsOf(header))
        << "typed codes are padded";

    const fw::RemoteValue justification = read("GetJustSoli", QStringLiteral("0004"));
    EXPECT_EQ(
        fieldsOf(justification),
        QStringList({"CDFILSOLEXT:string:4", "CDFILLANCEXT:string:4", "NRSOLIMOVEXT:string:10",
                     "DTMOVSOLEXT:dateTime:0", "CDOPERADOR:string:12", "DSJUSTSOLEXT:string:40"}));
    EXPECT_EQ(rowsOf(justification), Rows({{"0004", "0004", number, "2027-03-01T10:15:00.000",
                                            "000000000007", "Evento especial"}}));
}

TEST_P(RequisitionReads, shouldGiveTheItemsInMatrixOrderWithTheNotImportedOnesApart)
{
    addRequisition(QStringLiteral("0004"));
    const fw::RemoteValue items = read("GetItemSoli", QStringLiteral("0004"));
    EXPECT_EQ(fieldsOf(items.at(0)), itemSoliFields);
    const Rows rows = rowsOf(items.at(0));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.front(), QStringList({"0004",
                                         "0004",
                                         number,
                                         rice.code,
                                         rice.tree,
                                         "2027-03-08",
                                         "2027-03-07",
                                         "3",
                                         "null",
                                         "1",
                                         "1.5",
                                         "S",
                                         "2",
                                         rice.code,
                                         "3",
                                         "2027-03-02T08:00:00.000",
                                         "2027-03-01T09:30:00.000",
                                         "N",
                                         "0000000555",
                                         "12.5",
                                         "2027-02-01",
                                         "S"}));
    const auto productAndDay = [](const QStringList& row) { return row.at(4) + ' ' + row.at(5); };
    QStringList order;
    for (const QStringList& row : rows)
        order << productAndDay(row);
    EXPECT_EQ(order, QStringList({rice.tree + " 2027-03-08", rice.tree + " 2027-03-15",
                                  pack.tree + " 2027-03-08", pack.tree + " 2027-03-15"}));
    EXPECT_EQ(rows.at(2).at(8), QStringLiteral("Sem casca"));

    EXPECT_EQ(fieldsOf(items.at(1)), QStringList({"CDARVPROD:string:20", "DTPROGENTR:date:0"}));
    EXPECT_EQ(rowsOf(items.at(1)), Rows({{rice.tree, "2027-03-08"}, {pack.tree, "2027-03-08"}}));

    const fw::RemoteValue matrix = read("GetDecisionProdutos", QStringLiteral("0004"));
    EXPECT_EQ(fieldsOf(matrix),
              QStringList({"NMPRODUTO:string:72", "DTPROGENTR:date:0", "QTSOLIPROD:float:0"}));
    const QString riceKey = rice.name + QStringLiteral("||") + rice.tree;
    const QString packKey = pack.name + QStringLiteral("||") + pack.tree;
    EXPECT_EQ(rowsOf(matrix), Rows({{riceKey, "2027-03-08", "3"},
                                    {riceKey, "2027-03-15", "4"},
                                    {packKey, "2027-03-08", "2.5"},
                                    {packKey, "2027-03-15", "1"}}));
}

TEST_P(RequisitionReads, shouldGiveTheAlterationLogInTheOrderOfTheChanges)
{
    addRequisition(QStringLiteral("0004"));
    const fw::RemoteValue log = read("GetMovoPSol", QStringLiteral("0004"));
    EXPECT_EQ(fieldsOf(log),
              QStringList({"NMPRODUTO:string:50", "DTENTROPER:date:0", "QTANTOPER:float:0",
                           "QTDEPOPER:float:0", "DSJUSTOPER:string:40", "CDFILSOLMOV:string:4",
                           "CDFILLANMOV:string:4", "NRSOLIMOV:string:10", "DTOPERSOL:dateTime:0",
                           "CDOPERADOR:string:12", "CDPRODUTO:string:10", "CDARVPROD:string:20",
                           "NMOPERADOR:string:40", "IDOPERAMOVS:string:1", "DSRDMUSUMOVS:string:50",
                           "DSENDUSUMOVS:string:50", "DSNMUSUMOVS:string:50",
                           "DSMETUSUMOVS:string:250"}));
    EXPECT_EQ(rowsOf(log), Rows({{rice.name, "2027-03-08", "5", "3", "Redução do consumo", "0004",
                                  "0004", number, "2027-03-02T14:01:00.000", "000000000007",
                                  rice.code, rice.tree, "Luciana Pereira Santos", "A",
                                  "Cmp03100.rdmLancaSoliCmp", "null", "null", "Confirmar"},
                                 {pack.name, "2027-03-15", "0", "1", "null", "0004", "0004", number,
                                  "2027-03-02T14:02:00.000", "000000000001", pack.code, pack.tree,
                                  "Ana Paula Ribeiro", "I", "Cmp03100.rdmLancaSoliCmp", "null",
                                  "null", "Confirmar"}}));
}

TEST_P(RequisitionReads, shouldGiveNothingOfAnUnknownRequisitionOrOfABranchTheOperatorMayNotUse)
{
    addRequisition(QStringLiteral("0008"));
    const char* packets[] = {"GetSolicita", "GetJustSoli", "GetMovoPSol", "GetDecisionProdutos"};
    for (const char* method : packets) {
        const fw::RemoteValue unknown = read(method, QStringLiteral("0004"));
        EXPECT_TRUE(rowsOf(unknown).empty()) << method;
        EXPECT_FALSE(fieldsOf(unknown).isEmpty()) << method << ": the layout comes all the same";
        // The Rio center lists 0008 for operator 8, not for operator 2.
        EXPECT_FALSE(rowsOf(read(method, QStringLiteral("0008"), 8)).empty()) << method;
        EXPECT_TRUE(rowsOf(read(method, QStringLiteral("0008"), 2)).empty()) << method;
    }
    const fw::RemoteValue items = read("GetItemSoli", QStringLiteral("0008"), 2);
    EXPECT_TRUE(rowsOf(items.at(0)).empty());
    EXPECT_TRUE(rowsOf(items.at(1)).empty());
    EXPECT_EQ(fieldsOf(items.at(0)), itemSoliFields);
    EXPECT_EQ(rowsOf(read("GetItemSoli", QStringLiteral("0008"), 8).at(0)).size(), 4u);

    EXPECT_EQ(call(QStringLiteral("GetItemSoli"), {"0004", "0004"}).failure,
              CallFailure::BadArguments);
}

TEST_P(RequisitionReads, shouldLoadIntoTheMainScreensRecordSets)
{
    addRequisition(QStringLiteral("0004"));
    fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
    fw::TNetConnection netLancaSoliCmp(rdmLancaSoliCmp);
    ASSERT_TRUE(netLancaSoliCmp.SignIn(db::demoOperator, db::demoPassword).ok);
    const Args key{QStringLiteral("0004"), QStringLiteral("0004"), number};
    const fw::RemoteReply items = netLancaSoliCmp.Call(QStringLiteral("GetItemSoli"), key);
    const fw::RemoteReply log = netLancaSoliCmp.Call(QStringLiteral("GetMovoPSol"), key);
    fw::TNetConnection::SignOut();
    fw::TNetConnection::SetEmbeddedTransport(nullptr);
    ASSERT_TRUE(items.ok) << items.error.toStdString();
    ASSERT_TRUE(log.ok) << log.error.toStdString();

    fw::ClientDataSet cdsItemSoli;
    cdsItemSoli.SetData(items.result.at(0).toPacket());
    cdsItemSoli.SetIndexFieldNames(QStringLiteral("CDARVPROD;DTPROGENTR"));
    cdsItemSoli.Last();
    EXPECT_EQ(cdsItemSoli.FieldByName(QStringLiteral("CDARVPROD")).AsString(), pack.tree);
    EXPECT_EQ(cdsItemSoli.FieldByName(QStringLiteral("TXOBSITMSOL")).Size(), 2000);
    fw::ClientDataSet cdsMovoPSol;
    cdsMovoPSol.SetData(log.result.toPacket());
    EXPECT_EQ(cdsMovoPSol.FieldByName(QStringLiteral("DTOPERSOL")).AsDateTime(),
              QDateTime(QDate(2027, 3, 2), QTime(14, 1)));
}

INSTANTIATE_TEST_SUITE_P(Backends, RequisitionReads,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
