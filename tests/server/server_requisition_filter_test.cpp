#include "server/requisition_filter.h"

#include "framework/data/client_dataset.h"
#include "framework/data/field.h"
#include "framework/net/net_connection.h"
#include "server/in_process_transport.h"
#include "server/demo_server_fixture.h"

#include <gtest/gtest.h>

#include <QDate>

#include <algorithm>

namespace cmp::server {
namespace {

using test::Args;
using test::column;
using test::demoOperator;
using test::fieldsOf;
using test::Rows;
using test::rowsOf;

const QString all = QStringLiteral("T");
const QString restricting; // an empty flag: the criterion restricts

fw::RemoteValue dateArg(const QDate& date)
{
    return date.isValid() ? fw::RemoteValue(date) : fw::RemoteValue();
}

// The filter's values as the dialog sends them; by default every criterion
// is open except the requisition dates, which keep the cases to March 2027,
// where the demo has no requisition.
struct Filter
{
    QString group;
    QString allBranches = all;
    QString branches;
    QDate requisitionFrom{2027, 3, 1};
    QDate requisitionTo{2027, 3, 31};
    QString requisitionDates = restricting;
    QString buyers;
    QString allBuyers = all;
    QString destinations;
    QString allDestinations = all;
    QDate deliveryFrom;
    QDate deliveryTo;
    QString deliveryDates = all;
    QString manager;
    QString allManagers = all;
    QString approval = all;

    Filter& inGroup(const QString& code)
    {
        group = code;
        return *this;
    }
    Filter& branchesIn(const QString& list, const QString& flag = restricting)
    {
        branches = list;
        allBranches = flag;
        return *this;
    }
    Filter& requisitionsFrom(const QDate& from, const QDate& to, const QString& flag = restricting)
    {
        requisitionFrom = from;
        requisitionTo = to;
        requisitionDates = flag;
        return *this;
    }
    Filter& buyersIn(const QString& list, const QString& flag = restricting)
    {
        buyers = list;
        allBuyers = flag;
        return *this;
    }
    Filter& destinationsIn(const QString& list, const QString& flag = restricting)
    {
        destinations = list;
        allDestinations = flag;
        return *this;
    }
    Filter& deliveredFrom(const QDate& from, const QDate& to, const QString& flag = restricting)
    {
        deliveryFrom = from;
        deliveryTo = to;
        deliveryDates = flag;
        return *this;
    }
    Filter& decidedBy(const QString& code, const QString& set = all,
                      const QString& flag = restricting)
    {
        manager = code;
        allManagers = flag;
        approval = set;
        return *this;
    }

    // Arguments 4 to 16 of GetFilialSoli, 2 to 14 of GetServSolicita.
    Args criteria() const
    {
        return {dateArg(requisitionFrom),
                dateArg(requisitionTo),
                requisitionDates,
                buyers,
                allBuyers,
                destinations,
                allDestinations,
                dateArg(deliveryFrom),
                dateArg(deliveryTo),
                deliveryDates,
                manager,
                allManagers,
                approval};
    }

    Args filialSoli(int asOperator) const
    {
        Args args{group, allBranches, branches};
        const Args shared = criteria();
        args.insert(args.end(), shared.begin(), shared.end());
        args.push_back(demoOperator(asOperator));
        return args;
    }

    Args servSolicita(const QString& branch, int asOperator) const
    {
        Args args{branch};
        const Args shared = criteria();
        args.insert(args.end(), shared.begin(), shared.end());
        args.push_back(demoOperator(asOperator));
        return args;
    }
};

struct Approval
{
    int manager;
    const char* decision; // nullptr: not decided yet
};

struct Requisition
{
    const char* branch;
    const char* launching;
    const char* number;
    const char* date;
    int buyer;
    const char* destination;
    const char* delivery;
    std::vector<Approval> approvals;
};

// Four requisitions of March 2027: 0004 and 0005 under the center 0001, which
// restricts nobody; 0008 under 0002, which restricts its operators.
const Requisition march[] = {
    {"0004", "0004", "9000000001", "2027-03-01", 2, "001", "2027-03-08", {}},
    {"0004", "0004", "9000000002", "2027-03-10", 3, "004", "2027-03-15", {{4, "S"}}},
    {"0005", "0001", "9000000003", "2027-03-20", 2, "002", "2027-04-05", {{4, "N"}, {5, nullptr}}},
    {"0008", "0008", "9000000004", "2027-03-05", 2, "001", "2027-03-08", {}},
};

class RequisitionFilter : public test::DemoServerTest
{
protected:
    void addMarchRequisitions()
    {
        for (const Requisition& r : march)
            add(r);
    }

    // The numbers of the requisitions the filter finds, branch by branch, as
    // the dialog loads them: the branches first, then each one's requisitions.
    QStringList found(const Filter& filter, int asOperator = 1)
    {
        const fw::RemoteValue branches =
            result(QStringLiteral("GetFilialSoli"), filter.filialSoli(asOperator), asOperator);
        EXPECT_EQ(branches.at(2).toString(), QString());
        QStringList numbers;
        for (const QString& branch : column(rowsOf(branches.at(0)), 0))
            numbers << column(rowsOf(result(QStringLiteral("GetServSolicita"),
                                            filter.servSolicita(branch, asOperator), asOperator)),
                              1);
        numbers.sort();
        return numbers;
    }

    QStringList branchesFound(const Filter& filter, int asOperator = 1)
    {
        return column(rowsOf(result(QStringLiteral("GetFilialSoli"), filter.filialSoli(asOperator),
                                    asOperator)
                                 .at(0)),
                      0);
    }

    QString refusal(const Filter& filter)
    {
        return result(QStringLiteral("GetFilialSoli"), filter.filialSoli(1)).at(2).toString();
    }

private:
    void add(const Requisition& r)
    {
        const QString key = QStringLiteral("'%1', '%2', '%3'").arg(r.branch, r.launching, r.number);
        sql(QStringLiteral(
                "INSERT INTO SOLICITA (CDFILSOLI, CDFILLANCA, NRSOLICMP, DTSOLCMP, "
                "CDOPERADOR, CDDESTSOLI, CDOPERLANC) VALUES (%1, '%2', '%3', '%4', '%5')")
                .arg(key, r.date, demoOperator(r.buyer), r.destination, demoOperator(7)));
        sql(QStringLiteral("INSERT INTO ITEMSOLI (CDFILSOLI, CDFILLAN, NRSOLICMP, CDPRODUTO, "
                           "DTPROGENTR, QTSOLIPROD) SELECT %1, CDPRODUTO, '%2', 5 FROM PRODUTO "
                           "WHERE CDARVPROD = '0101001001'")
                .arg(key, r.delivery));
        for (const Approval& a : r.approvals)
            sql(QStringLiteral("INSERT INTO APROVCMPGER (CDFILSOLI, CDFILLAN, NRSOLICMP, "
                               "CDOPERADOR, CDPRODUTO, IDAPROVPRGER) SELECT %1, '%2', CDPRODUTO, "
                               "%3 FROM PRODUTO WHERE CDARVPROD = '0101001001'")
                    .arg(key, demoOperator(a.manager),
                         a.decision ? QStringLiteral("'%1'").arg(a.decision)
                                    : QStringLiteral("NULL")));
    }
};

QStringList numbers(std::initializer_list<int> lastDigits)
{
    QStringList list;
    for (int digit : lastDigits)
        list << QStringLiteral("900000000%1").arg(digit);
    return list;
}

TEST_P(RequisitionFilter, shouldListTheBranchesWithRequisitionsAndTheirParameters)
{
    const Filter everything = Filter{}.requisitionsFrom({}, {}, all);
    const fw::RemoteValue reply = result(QStringLiteral("GetFilialSoli"), everything.filialSoli(1));

    EXPECT_EQ(
        fieldsOf(reply.at(0)),
        QStringList({"CDFILIAL:string:4", "NMFILIAL:string:30", "CDFILCENTCMP:string:4",
                     "NMCENTCMP:string:30", "IDJUSSOLEXT:string:1", "IDAUDALTSOL:string:1",
                     "IDULTIDTULTI:string:1", "IDULTCOMPSOL:string:1", "IDULTDESTSOL:string:1",
                     "IDUTQTDEVOLU:string:1", "IDBAIXSOLDFS:string:1", "IDUTPRODPREF:string:1",
                     "IDUTAPROVSOL:string:1", "IDUTLOPERSOL:string:1", "IDPERALTSAPR:string:3",
                     "IDIMPINCSOLAPR:fixedString:1", "IDBLOQALTSOLAUT:string:1",
                     "IDALTVRCMPANT:string:1"}));
    // The centers and branches with purchasing parameters, and the schools
    // the meal central launched for; 0012 has no requisition.
    QStringList expected;
    for (int code = 1; code <= 11; ++code)
        expected << QString::number(code).rightJustified(4, u'0');
    for (int code = 101; code <= 124; ++code)
        expected << QString::number(code).rightJustified(4, u'0');
    const Rows branches = rowsOf(reply.at(0));
    EXPECT_EQ(column(branches, 0), expected);
    // Supply flags of the center 0001, purchasing flags of the branch.
    EXPECT_EQ(branches.at(3), QStringList({"0004", "Restaurante Industrial Sumaré", "0001",
                                           "Central de Compras Campinas", "S", "S", "S", "S", "S",
                                           "N", "S", "N", "S", "S", "SNN", "S", "S", "S"}));

    EXPECT_EQ(fieldsOf(reply.at(1)), QStringList({"DATA:date:0"}));
    EXPECT_EQ(rowsOf(reply.at(1)), Rows({{QDate::currentDate().toString(Qt::ISODate)}}));
    EXPECT_EQ(reply.at(2).toString(), QString());

    // The Rio center lists only 0007 for operator 2.
    QStringList restricted = expected;
    for (const char* hidden : {"0002", "0008", "0009"})
        restricted.removeOne(QLatin1String(hidden));
    EXPECT_EQ(branchesFound(everything, 2), restricted);
}

TEST_P(RequisitionFilter, shouldGiveTheRequisitionsOfTheBranchWithBuyerDestinationAndOperatorNames)
{
    addMarchRequisitions();
    const fw::RemoteValue list =
        result(QStringLiteral("GetServSolicita"), Filter{}.servSolicita(QStringLiteral("4"), 1));
    EXPECT_EQ(fieldsOf(list),
              QStringList({"CDFILSOLI:string:4", "NRSOLICMP:string:10", "CDFILLANCA:string:4",
                           "DTSOLCMP:date:0", "NMOPERADOR:string:40", "NMDESTSOLI:string:30",
                           "IDTIPLAN:string:1", "IDSOLEXTRA:string:1", "IDBAIXASOL:string:1",
                           "CDOPERLANC:string:12", "NMOPERLANC:string:40", "IDIMPSOLSAC:string:1",
                           "CDDESTSOLI:string:3", "NRNECECMPSOL:string:10"}));
    EXPECT_EQ(
        rowsOf(list),
        Rows({{"0004", "9000000001", "0004", "2027-03-01", "Carlos Eduardo Souza", "Cozinha", "M",
               "N", "null", "000000000007", "Luciana Pereira Santos", "null", "001", "null"},
              {"0004", "9000000002", "0004", "2027-03-10", "Mariana Figueiredo Lima",
               "Refeitório Diretoria", "M", "N", "null", "000000000007", "Luciana Pereira Santos",
               "null", "004", "null"}}));
}

TEST_P(RequisitionFilter, shouldApplyEachCriterionUnlessItsFlagSaysAll)
{
    addMarchRequisitions();
    const QDate march1(2027, 3, 1);
    const QDate march8(2027, 3, 8);
    const QDate never(2030, 1, 1);
    const struct
    {
        const char* what;
        Filter filter;
        QStringList expected;
    } cases[] = {
        {"March", Filter{}, numbers({1, 2, 3, 4})},
        {"requisition dates, both days included",
         Filter{}.requisitionsFrom(march1, QDate(2027, 3, 5)), numbers({1, 4})},
        {"branch list, codes padded", Filter{}.branchesIn("_4_"), numbers({1, 2})},
        {"branch list under T", Filter{}.branchesIn("_0005_", all), numbers({1, 2, 3, 4})},
        {"branch group", Filter{}.inGroup("3"), numbers({3})},
        {"branch group and list", Filter{}.inGroup("0000000002").branchesIn("_0004_0005_"),
         numbers({1, 2})},
        {"buyer list", Filter{}.buyersIn("_2_"), numbers({1, 3, 4})},
        {"buyer list under T", Filter{}.buyersIn("_3_", all), numbers({1, 2, 3, 4})},
        {"destination list", Filter{}.destinationsIn("_004_002_"), numbers({2, 3})},
        {"destination list under T", Filter{}.destinationsIn("_9_", all), numbers({1, 2, 3, 4})},
        {"delivery dates", Filter{}.deliveredFrom(march8, march8), numbers({1, 4})},
        {"delivery dates in April", Filter{}.deliveredFrom(QDate(2027, 4, 1), QDate(2027, 4, 30)),
         numbers({3})},
        {"delivery dates under T", Filter{}.deliveredFrom(never, never, all),
         numbers({1, 2, 3, 4})},
        {"manager, any decision", Filter{}.decidedBy("4"), numbers({2, 3})},
        {"manager, approved", Filter{}.decidedBy("4", "_S"), numbers({2})},
        {"manager, reproved", Filter{}.decidedBy("000000000004", "_N"), numbers({3})},
        {"manager, approved or undecided", Filter{}.decidedBy("5", "_S_X"), numbers({3})},
        {"manager without the decision", Filter{}.decidedBy("5", "_S_N"), {}},
        {"manager under T", Filter{}.decidedBy("9", all, all), numbers({1, 2, 3, 4})},
        {"undecided by any manager", Filter{}.decidedBy("", "_X", all), numbers({3})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.filter), c.expected) << c.what;

    // Outside the dates the demo's requisitions come in, ours with them.
    const QStringList atSumare =
        found(Filter{}.requisitionsFrom(never, never, all).branchesIn("_0004_"));
    EXPECT_EQ(atSumare.size(), 6 + 2);
    EXPECT_TRUE(atSumare.contains(QLatin1String("9000000001")));
}

TEST_P(RequisitionFilter, shouldHideTheBranchesAnOperatorIsRestrictedFrom)
{
    addMarchRequisitions();
    EXPECT_EQ(found(Filter{}, 2), numbers({1, 2, 3})) << "OPERFILI lists only 0007 for 2";
    EXPECT_EQ(found(Filter{}, 8), numbers({1, 2, 3, 4})) << "... and 0007, 0008 for 8";
    EXPECT_TRUE(rowsOf(result(QStringLiteral("GetServSolicita"),
                              Filter{}.servSolicita(QStringLiteral("0008"), 2), 2))
                    .empty());
}

TEST_P(RequisitionFilter, shouldRefuseCriteriaItCannotApplyWithTheFiltersOwnWords)
{
    const QDate march1(2027, 3, 1);
    const QDate march2(2027, 3, 2);
    const struct
    {
        Filter filter;
        const char* refusal;
    } cases[] = {
        {Filter{}.requisitionsFrom(QDate(), march1),
         "Data de solicitação inicial deve ser informada."},
        {Filter{}.requisitionsFrom(march1, QDate()),
         "Data de solicitação final deve ser informada."},
        {Filter{}.requisitionsFrom(march2, march1),
         "Data de solicitação inicial deve ser menor ou igual a data de solicitação final."},
        {Filter{}.deliveredFrom(QDate(), QDate()), "Data de entrega inicial deve ser informada."},
        {Filter{}.deliveredFrom(march1, QDate()), "Data de entrega final deve ser informada."},
        {Filter{}.deliveredFrom(march2, march1),
         "Data de entrega inicial deve ser menor ou igual a data de entrega final."},
        {Filter{}.buyersIn(""), "Comprador deve ser informado."},
        {Filter{}.destinationsIn(""), "Destino da solicitação deve ser informado."},
        {Filter{}.branchesIn(""), "Filial deve ser informada."},
        {Filter{}.destinationsIn("004", all), "Lista de destinos inválida: \"004\"."},
        {Filter{}.decidedBy(""), "Gerente deve ser informado."},
        {Filter{}.decidedBy("", "", all), "Aprovação deve ser informada."},
        {Filter{}.decidedBy("", "_S_Q", all),
         "Aprovação inválida: \"_S_Q\" (use \"T\" ou _S, _N e _X)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusal(c.filter), QString::fromUtf8(c.refusal));
        if (c.filter.allBranches != all)
            continue; // the requisition list is of one branch, it takes no branch list
        // It has no error element: the same refusal is the call's error.
        const CallOutcome list = call(QStringLiteral("GetServSolicita"),
                                      c.filter.servSolicita(QStringLiteral("0004"), 1));
        EXPECT_EQ(list.reply.error, QString::fromUtf8(c.refusal));
    }
}

TEST_P(RequisitionFilter, shouldRefuseAnOperatorCodeOtherThanTheSignedInOne)
{
    Filter filter;
    Args branches = filter.filialSoli(1);
    Args requisitions = filter.servSolicita(QStringLiteral("0004"), 1);
    for (Args* args : {&branches, &requisitions})
        args->back() = demoOperator(2);
    for (const auto& [method, args] :
         {std::pair{"GetFilialSoli", branches}, std::pair{"GetServSolicita", requisitions}}) {
        const CallOutcome outcome = call(QString::fromLatin1(method), args, 1);
        EXPECT_EQ(outcome.failure, CallFailure::MethodFailed) << method;
        EXPECT_EQ(outcome.reply.error,
                  QStringLiteral("O operador informado não é o operador conectado."));
    }
}

TEST_P(RequisitionFilter, shouldGiveTheBranchGroupsTheirBranchesAndDestinations)
{
    EXPECT_EQ(fieldsOf(result(QStringLiteral("GetAgruFili"), {})),
              QStringList({"CDGRUPFILI:string:10", "NMGRUPFILI:string:40"}));
    EXPECT_EQ(rowsOf(result(QStringLiteral("GetAgruFili"), {})),
              Rows({{"0000000001", "Merenda Escolar Campinas"},
                    {"0000000002", "Restaurantes Industriais"},
                    {"0000000003", "Hospitais"}}));

    const auto GetFiliGrupFil = [this](const char* group, int asOperator) {
        return result(QStringLiteral("GetFiliGrupFil"), {group}, asOperator);
    };
    EXPECT_EQ(fieldsOf(GetFiliGrupFil("2", 1)),
              QStringList({"IDMARCADO:fixedString:1", "CDFILIAL:string:4", "CDGRUPFILI:string:10",
                           "NMFILIAL:string:30", "IDCNTRRESC:string:1", "CDFILCENTCMP:string:4",
                           "CDREGIAO:string:3"}));
    EXPECT_EQ(rowsOf(GetFiliGrupFil("2", 1)).front(),
              QStringList({"N", "0004", "0000000002", "Restaurante Industrial Sumaré", "N", "0001",
                           "001"}));
    EXPECT_EQ(column(rowsOf(GetFiliGrupFil("0000000002", 1)), 1),
              QStringList({"0004", "0006", "0007"}));
    EXPECT_EQ(column(rowsOf(GetFiliGrupFil("2", 10)), 1), QStringList({"0004", "0006"}))
        << "operator 10 may use no branch of the Rio center";
    EXPECT_EQ(rowsOf(GetFiliGrupFil("1", 1)).size(), 24u);
    EXPECT_TRUE(rowsOf(GetFiliGrupFil("9", 1)).empty());

    const fw::RemoteValue destinations = result(QStringLiteral("GetDestGrupFili"), {"1"});
    EXPECT_EQ(fieldsOf(destinations), QStringList({"IDMARCADO:fixedString:1", "CDDESTSOLI:string:3",
                                                   "NMDESTSOLI:string:30"}));
    EXPECT_EQ(rowsOf(destinations),
              Rows({{"N", "001", "Cozinha Escolar"}, {"N", "002", "Despensa"}}));
}

TEST_P(RequisitionFilter, shouldTellManagersAndWhetherManagerApprovalIsInUse)
{
    const auto GetVd_Gerente = [this](const char* code) {
        return result(QStringLiteral("GetVd_Gerente"), {code});
    };
    EXPECT_EQ(fieldsOf(GetVd_Gerente("4")),
              QStringList({"CDOPERADOR:string:12", "NMOPERADOR:string:40"}));
    EXPECT_EQ(rowsOf(GetVd_Gerente("4")), Rows({{"000000000004", "João Batista Almeida"}}));
    EXPECT_TRUE(rowsOf(GetVd_Gerente("7")).empty()) << "an operator, not a manager";
    EXPECT_TRUE(rowsOf(GetVd_Gerente("")).empty());

    const auto CONTADOR = [this](int asOperator) {
        const fw::RemoteValue counter = result(QStringLiteral("GetVdAprovSoliGer"), {}, asOperator);
        EXPECT_EQ(fieldsOf(counter), QStringList({"CONTADOR:float:0"}));
        return rowsOf(counter);
    };
    // Meat needs the manager at 0004, 0005 and 0007; operator 10 may not use 0007.
    EXPECT_EQ(CONTADOR(1), Rows({{"3"}}));
    EXPECT_EQ(CONTADOR(10), Rows({{"2"}}));
    sql(QStringLiteral("UPDATE PARGRPRODGER SET IDAPROVITMSOLGR = 'N'"));
    EXPECT_EQ(CONTADOR(1), Rows({{"0"}}));
}

TEST_P(RequisitionFilter, shouldGiveTheCriteriaBackAsReadToTheClientConnection)
{
    addMarchRequisitions();
    fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
    fw::TNetConnection netLancaSoliCmp(rdmLancaSoliCmp);
    ASSERT_TRUE(netLancaSoliCmp.SignIn(db::demoOperator, db::demoPassword).ok);
    Args args = Filter{}.branchesIn("_4_5_").decidedBy("4").filialSoli(1);
    args[14] = fw::RemoteValue(); // stTodosGerente sent as null
    const fw::RemoteReply reply = netLancaSoliCmp.Call(QStringLiteral("GetFilialSoli"), args);
    fw::TNetConnection::SignOut();
    fw::TNetConnection::SetEmbeddedTransport(nullptr);

    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(args[2].toString(), QStringLiteral("_0004_0005_"));
    EXPECT_EQ(args[13].toString(), QStringLiteral("000000000004"));
    EXPECT_EQ(args[14].kind(), fw::RemoteValue::Kind::String) << "a null flag comes back as text";
    EXPECT_EQ(args[3].toDate(), QDate(2027, 3, 1));
    EXPECT_EQ(args[16].toString(), demoOperator(1)) << "by-value arguments keep their values";

    fw::ClientDataSet cdsFilialSoli;
    cdsFilialSoli.SetData(reply.result.at(0).toPacket());
    EXPECT_EQ(cdsFilialSoli.RecordCount(), 2);
    EXPECT_EQ(cdsFilialSoli.FieldByName(QStringLiteral("IDPERALTSAPR")).Size(), 3);
    fw::ClientDataSet cdsData;
    cdsData.SetData(reply.result.at(1).toPacket());
    EXPECT_EQ(cdsData.FieldByName(QStringLiteral("DATA")).AsDate(), QDate::currentDate());
}

INSTANTIATE_TEST_SUITE_P(Backends, RequisitionFilter,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
