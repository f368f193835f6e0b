#include "server/requisition_filter.h"

#include "server/demo_server_fixture.h"

#include <gtest/gtest.h>

#include <QDate>

namespace cmp::server {
namespace {

using test::Args;
using test::column;
using test::demoOperator;
using test::Rows;
using test::rowsOf;

const QString all = QStringLiteral("T");
const QString restricting; // an empty flag: the criterion restricts

fw::RemoteValue dateArg(const QDate& date)
{
    return date.isValid() ? fw::RemoteValue(date) : fw::RemoteValue();
}

// The filter's values as the dialog sends them, in its order; by default every
// criterion is open except the requisition dates, which keep the cases to
// March 2027, where the demo has no requisition.
struct Filter
{
    QString group{};
    QString allBranches = all;
    QString branches{};
    QDate requisitionFrom{2027, 3, 1};
    QDate requisitionTo{2027, 3, 31};
    QString requisitionDates = restricting;
    QString buyers{};
    QString allBuyers = all;
    QString destinations{};
    QString allDestinations = all;
    QDate deliveryFrom{};
    QDate deliveryTo{};
    QString deliveryDates = all;
    QString manager{};
    QString allManagers = all;
    QString approval = all;

    // GetFilialSoli takes the branch criteria first, GetServSolicita the branch.
    Args filialSoli(int asOperator = 1) const
    {
        return withCriteria({group, allBranches, branches}, asOperator);
    }
    Args servSolicita(const QString& branch, int asOperator = 1) const
    {
        return withCriteria({branch}, asOperator);
    }

private:
    Args withCriteria(Args args, int asOperator) const
    {
        args.insert(args.end(), {dateArg(requisitionFrom), dateArg(requisitionTo), requisitionDates,
                                 buyers, allBuyers, destinations, allDestinations,
                                 dateArg(deliveryFrom), dateArg(deliveryTo), deliveryDates, manager,
                                 allManagers, approval, demoOperator(asOperator)});
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

    fw::RemoteValue branchesReply(const Filter& filter, int asOperator = 1)
    {
        return result(QStringLiteral("GetFilialSoli"), filter.filialSoli(asOperator), asOperator);
    }

    Rows requisitions(const Filter& filter, const QString& branch, int asOperator = 1)
    {
        return rowsOf(result(QStringLiteral("GetServSolicita"),
                             filter.servSolicita(branch, asOperator), asOperator));
    }

    // The numbers of the requisitions the filter finds, branch by branch, as
    // the dialog loads them: the branches first, then each one's requisitions.
    QStringList found(const Filter& filter, int asOperator = 1)
    {
        const fw::RemoteValue branches = branchesReply(filter, asOperator);
        EXPECT_EQ(branches.at(2).toString(), QString());
        QStringList numbers;
        for (const QString& branch : column(rowsOf(branches.at(0)), 0))
            numbers << column(requisitions(filter, branch, asOperator), 1);
        numbers.sort();
        return numbers;
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

TEST_P(RequisitionFilter, shouldGiveTheRequisitionsOfTheBranchWithBuyerDestinationAndOperatorNames)
{
    addMarchRequisitions();
    EXPECT_EQ(
        requisitions({}, QStringLiteral("4")),
        Rows({{"0004", "9000000001", "0004", "2027-03-01", "Carlos Eduardo Souza", "Cozinha", "M",
               "N", "null", "000000000007", "Luciana Pereira Santos", "null", "001", "null"},
              {"0004", "9000000002", "0004", "2027-03-10", "Mariana Figueiredo Lima",
               "Refeitório Diretoria", "M", "N", "null", "000000000007", "Luciana Pereira Santos",
               "null", "004", "null"}}));
}

TEST_P(RequisitionFilter, shouldApplyEachCriterionUnlessItsFlagSaysAll)
{
    addMarchRequisitions();
    const QDate march8(2027, 3, 8);
    const struct
    {
        const char* what;
        Filter filter;
        QStringList expected;
    } cases[] = {
        {"March", Filter{}, numbers({1, 2, 3, 4})},
        {"requisition dates, both days included", Filter{.requisitionTo = QDate(2027, 3, 5)},
         numbers({1, 4})},
        {"branch list, codes padded", Filter{.allBranches = restricting, .branches = "_4_"},
         numbers({1, 2})},
        {"branch list under T", Filter{.branches = "_0005_"}, numbers({1, 2, 3, 4})},
        {"branch group and list",
         Filter{.group = "0000000002", .allBranches = restricting, .branches = "_0004_0005_"},
         numbers({1, 2})},
        {"buyer list", Filter{.buyers = "_2_", .allBuyers = restricting}, numbers({1, 3, 4})},
        {"destination list", Filter{.destinations = "_004_002_", .allDestinations = restricting},
         numbers({2, 3})},
        {"delivery dates",
         Filter{.deliveryFrom = march8, .deliveryTo = march8, .deliveryDates = restricting},
         numbers({1, 4})},
        {"manager, reproved",
         Filter{.manager = "000000000004", .allManagers = restricting, .approval = "_N"},
         numbers({3})},
        {"manager, approved or undecided",
         Filter{.manager = "5", .allManagers = restricting, .approval = "_S_X"}, numbers({3})},
        {"manager without the decision",
         Filter{.manager = "5", .allManagers = restricting, .approval = "_S_N"},
         {}},
        {"undecided by any manager", Filter{.approval = "_X"}, numbers({3})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.filter), c.expected) << c.what;
}

TEST_P(RequisitionFilter, shouldHideTheBranchesAnOperatorIsRestrictedFrom)
{
    addMarchRequisitions();
    EXPECT_EQ(found(Filter{}, 2), numbers({1, 2, 3})) << "OPERFILI lists only 0007 for 2";
    EXPECT_EQ(found(Filter{}, 8), numbers({1, 2, 3, 4})) << "... and 0007, 0008 for 8";
    EXPECT_TRUE(requisitions({}, QStringLiteral("0008"), 2).empty());
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
        {Filter{.requisitionFrom = QDate(), .requisitionTo = march1},
         "Data de solicitação inicial deve ser informada."},
        {Filter{.requisitionFrom = march1, .requisitionTo = QDate()},
         "Data de solicitação final deve ser informada."},
        {Filter{.requisitionFrom = march2, .requisitionTo = march1},
         "Data de solicitação inicial deve ser menor ou igual a data de solicitação final."},
        {Filter{.deliveryDates = restricting}, "Data de entrega inicial deve ser informada."},
        {Filter{.allBuyers = restricting}, "Comprador deve ser informado."},
        {Filter{.allDestinations = restricting}, "Destino da solicitação deve ser informado."},
        {Filter{.allBranches = restricting}, "Filial deve ser informada."},
        {Filter{.destinations = "004"}, "Lista de destinos inválida: \"004\"."},
        {Filter{.allManagers = restricting}, "Gerente deve ser informado."},
        {Filter{.approval = ""}, "Aprovação deve ser informada."},
        {Filter{.approval = "_S_Q"}, "Aprovação inválida: \"_S_Q\" (use \"T\" ou _S, _N e _X)."},
        {Filter{.approval = "_S\n"}, "Aprovação inválida: \"_S\n\" (use \"T\" ou _S, _N e _X)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(branchesReply(c.filter).at(2).toString(), QString::fromUtf8(c.refusal));
        if (c.filter.allBranches != all)
            continue; // the requisition list is of one branch, it takes no branch list
        // It has no error element: the same refusal is the call's error.
        const CallOutcome list =
            call(QStringLiteral("GetServSolicita"), c.filter.servSolicita(QStringLiteral("0004")));
        EXPECT_EQ(list.reply.error, QString::fromUtf8(c.refusal));
    }
}

TEST_P(RequisitionFilter, shouldRefuseAnOperatorCodeOtherThanTheSignedInOne)
{
    const Filter filter;
    for (const auto& [method, args] :
         {std::pair{"GetFilialSoli", filter.filialSoli(2)},
          std::pair{"GetServSolicita", filter.servSolicita(QStringLiteral("0004"), 2)}}) {
        const CallOutcome outcome = call(QString::fromLatin1(method), args, 1);
        EXPECT_EQ(outcome.failure, CallFailure::MethodFailed) << method;
        EXPECT_EQ(outcome.reply.error,
                  QStringLiteral("O operador informado não é o operador conectado."));
    }
}

TEST_P(RequisitionFilter, shouldGiveTheBranchGroupsTheirBranchesAndDestinations)
{
    const auto branchesOfGroup = [this](const char* group, int asOperator = 1) {
        return rowsOf(result(QStringLiteral("GetFiliGrupFil"), {group}, asOperator));
    };
    EXPECT_EQ(column(branchesOfGroup("0000000002"), 1), QStringList({"0004", "0006", "0007"}));
    EXPECT_EQ(column(branchesOfGroup("2", 10), 1), QStringList({"0004", "0006"}))
        << "operator 10 may use no branch of the Rio center";
    EXPECT_TRUE(branchesOfGroup("9").empty());

    EXPECT_EQ(rowsOf(result(QStringLiteral("GetDestGrupFili"), {"1"})),
              Rows({{"N", "001", "Cozinha Escolar"}, {"N", "002", "Despensa"}}));
}

TEST_P(RequisitionFilter, shouldTellManagersAndWhetherManagerApprovalIsInUse)
{
    const auto manager = [this](const char* code) {
        return rowsOf(result(QStringLiteral("GetVd_Gerente"), {code}));
    };
    EXPECT_EQ(manager("4"), Rows({{"000000000004", "João Batista Almeida"}}));
    EXPECT_TRUE(manager("7").empty()) << "an operator, not a manager";

    const auto counter = [this](int asOperator) {
        return rowsOf(result(QStringLiteral("GetVdAprovSoliGer"), {}, asOperator));
    };
    // Meat needs the manager at 0004, 0005 and 0007; operator 10 may not use 0007.
    EXPECT_EQ(counter(1), Rows({{"3"}}));
    EXPECT_EQ(counter(10), Rows({{"2"}}));
    sql(QStringLiteral("UPDATE PARGRPRODGER SET IDAPROVITMSOLGR = 'N'"));
    EXPECT_EQ(counter(1), Rows({{"0"}}));
}

TEST_P(RequisitionFilter, shouldGiveTheCriteriaBackAsRead)
{
    Args args = Filter{.allBranches = restricting,
                       .branches = "_4_5_",
                       .manager = "4",
                       .allManagers = restricting}
                    .filialSoli();
    args[14] = fw::RemoteValue(); // stTodosGerente sent as null
    const CallOutcome outcome = call(QStringLiteral("GetFilialSoli"), args);

    ASSERT_TRUE(outcome.reply.ok) << outcome.reply.error.toStdString();
    const Args& back = outcome.reply.args;
    ASSERT_EQ(back.size(), args.size());
    EXPECT_EQ(back[2].toString(), QStringLiteral("_0004_0005_"));
    EXPECT_EQ(back[13].toString(), QStringLiteral("000000000004"));
    EXPECT_EQ(back[14].kind(), fw::RemoteValue::Kind::String) << "a null flag comes back as text";
    EXPECT_EQ(back[3].toDate(), QDate(2027, 3, 1));
}

INSTANTIATE_TEST_SUITE_P(Backends, RequisitionFilter,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
