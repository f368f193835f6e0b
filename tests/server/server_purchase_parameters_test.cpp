#include "server/purchase_parameters.h"

#include "framework/data/client_dataset.h"
#include "framework/data/field.h"
#include "framework/net/net_connection.h"
#include "server/demo_server_fixture.h"
#include "server/in_process_transport.h"
#include "server/remote_modules.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using test::Args;
using test::demoOperator;
using test::fieldsOf;
using test::Rows;
using test::rowsOf;

using PurchaseParameters = test::DemoServerTest;

TEST_P(PurchaseParameters, shouldGiveSupplyParametersOfTheCenterAndPurchasingParametersOfTheBranch)
{
    const auto GetParamCmp = [this](const QString& code, const char* kind) {
        return result(rdmCompras, QStringLiteral("GetParamCmp"), {code, kind});
    };
    EXPECT_EQ(rowsOf(GetParamCmp("0002", "SUP")),
              Rows({{"0002", "N", "S", "N", "S", "N", "S", "N", "N"}}));
    EXPECT_EQ(rowsOf(GetParamCmp("0005", "CMP")), Rows({{"0005", "S"}}));

    // Callers rely on an empty packet, still with its fields, for "no parameters".
    const fw::RemoteValue noPurchasing = GetParamCmp("0012", "CMP");
    EXPECT_EQ(fieldsOf(noPurchasing), QStringList({"CDFILIAL:string:4", "IDUTPRODPREF:string:1"}));
    EXPECT_TRUE(rowsOf(noPurchasing).empty());
    EXPECT_TRUE(rowsOf(GetParamCmp("0004", "SUP")).empty()) << "a branch is not a purchase center";

    const CallOutcome unknownKind =
        call(rdmCompras, QStringLiteral("GetParamCmp"), {"0001", "XYZ"});
    EXPECT_EQ(unknownKind.failure, CallFailure::MethodFailed);
    EXPECT_TRUE(unknownKind.reply.error.contains(QLatin1String("\"XYZ\"")));
}

TEST_P(PurchaseParameters, shouldGiveBranchParametersAndTheBranchOnlyWhenTheOperatorMayUseIt)
{
    const auto GetParCmpSup = [this](const char* branch, int asOperator) {
        const fw::RemoteValue array = result(rdmLancaSoliCmp, QStringLiteral("GetParCmpSup"),
                                             {branch, demoOperator(asOperator)}, asOperator);
        return std::pair{rowsOf(array.at(0)), rowsOf(array.at(1))};
    };
    // Supply flags of the center 0001, purchasing flags of the branch itself.
    EXPECT_EQ(GetParCmpSup("4", 2).first,
              Rows({{"S", "S", "S", "S", "S", "N", "S", "N", "S", "S", "SNN", "0001",
                     "Central de Compras Campinas", "S", "N", "S", "S"}}));
    EXPECT_EQ(GetParCmpSup("0002", 1).first.at(0).mid(11, 2),
              QStringList({"0002", "Central de Compras Rio"}));

    const struct
    {
        const char* branch;
        int asOperator;
        Rows operatorBranches;
    } cases[] = {
        {"0004", 2, {{"0004"}}}, // center 0001 restricts nobody
        {"0007", 2, {{"0007"}}}, // center 0002 restricts, OPERFILI lists it
        {"0008", 2, {}},         // ... and does not
        {"0008", 8, {{"0008"}}}, {"9999", 1, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetParCmpSup(c.branch, c.asOperator).second, c.operatorBranches)
            << c.branch << " for operator " << c.asOperator;

    // The refused operator still gets IDRESTRFILIOPER "S": the client's cue to refuse the branch.
    EXPECT_EQ(GetParCmpSup("0008", 2).first.at(0).at(14), QStringLiteral("S"));
    // Without PARCMPSUP the branch has no parameters, though any operator may use it.
    EXPECT_EQ(GetParCmpSup("0012", 2), std::pair(Rows{}, Rows({{"0012"}})));
}

TEST_P(PurchaseParameters, shouldGiveIntegrationAndProductGroupParametersOfTheBranch)
{
    const auto GetParamFilial = [this](const char* branch) {
        const fw::RemoteValue array =
            result(rdmLancaSoliCmp, QStringLiteral("GetParamFilial"), {branch});
        return std::pair{rowsOf(array.at(0)), rowsOf(array.at(1))};
    };
    EXPECT_EQ(GetParamFilial("0004"),
              std::pair(Rows({{"S", "N", "N"}}),
                        Rows({{"0004", "S", "02", "", "S", "S", "S", "N", "null", "null"}})));
    EXPECT_EQ(GetParamFilial("0008"), std::pair(Rows({{"N", "N", "N"}}), Rows{}));
    EXPECT_EQ(GetParamFilial("9999"), std::pair(Rows{}, Rows{}));
}

TEST_P(PurchaseParameters, shouldGiveThePermissionsOfTheSignedInOperatorOnly)
{
    const auto GetPermissoes = [this](int asOperator) {
        return result(rdmLancaSoliCmp, QStringLiteral("GetPermissoes"), {demoOperator(asOperator)},
                      asOperator);
    };
    EXPECT_EQ(rowsOf(GetPermissoes(8)), Rows({{"AUMENTAR_QUANTIDADE", "10"},
                                              {"DIMINUIR_QUANTIDADE", "20"},
                                              {"INCLUIR_PRODUTO", "null"}}));
    EXPECT_TRUE(rowsOf(GetPermissoes(7)).empty());
    EXPECT_EQ(rowsOf(result(rdmLancaSoliCmp, QStringLiteral("GetPermissoes"), {"12"}, 12)).size(),
              1u)
        << "the typed code is padded";

    for (const auto& [method, args] : {std::pair{"GetPermissoes", Args{demoOperator(1)}},
                                       std::pair{"GetParCmpSup", Args{"0004", demoOperator(1)}}}) {
        const CallOutcome someoneElse = call(rdmLancaSoliCmp, QString::fromLatin1(method), args, 2);
        EXPECT_EQ(someoneElse.failure, CallFailure::MethodFailed) << method;
        EXPECT_EQ(someoneElse.reply.error,
                  QStringLiteral("O operador informado não é o operador conectado."));
    }
}

TEST_P(PurchaseParameters, shouldRefuseTheParametersOfBranchesTheirCenterKeepsFromTheOperator)
{
    // Center 0002 restricts its operators: OPERFILI lists 0007 for operator
    // 2, 0007 and 0008 for operator 8, none for operator 3. Center 0001 does not.
    const struct
    {
        QLatin1String module;
        const char* method;
        Args args;
        int asOperator;
        const char* refusal;
    } cases[] = {
        {rdmLancaSoliCmp,
         "GetParamFilial",
         {"0008"},
         2,
         "Filial 0008 não liberada para o operador."},
        {rdmLancaSoliCmp, "GetParamFilial", {"0008"}, 8, nullptr},
        {rdmCompras, "GetParamCmp", {"8", "CMP"}, 2, "Filial 0008 não liberada para o operador."},
        {rdmCompras, "GetParamCmp", {"0002", "SUP"}, 2, nullptr}, // the center of 0007
        {rdmCompras,
         "GetParamCmp",
         {"0002", "SUP"},
         3,
         "Filial 0002 não liberada para o operador."},
        {rdmCompras, "GetParamCmp", {"0001", "SUP"}, 3, nullptr},
    };
    for (const auto& c : cases) {
        const CallOutcome outcome =
            call(c.module, QString::fromLatin1(c.method), c.args, c.asOperator);
        EXPECT_EQ(outcome.reply.error, QString::fromUtf8(c.refusal ? c.refusal : ""))
            << c.method << " " << c.args.at(0).toString().toStdString() << " for operator "
            << c.asOperator;
    }
}

TEST_P(PurchaseParameters, shouldRefuseCallsThatDoNotMatchTheDeclaration)
{
    const struct
    {
        QLatin1String module;
        const char* method;
        Args args;
        CallFailure failure;
    } cases[] = {
        {rdmCompras, "GetParamCmp", {"0001"}, CallFailure::BadArguments},
        {rdmLancaSoliCmp, "GetParamFilial", {"0004", "0005"}, CallFailure::BadArguments},
        {rdmLancaSoliCmp, "GetPermissoes", {}, CallFailure::BadArguments},
        {rdmLancaSoliCmp, "GetParamFilial", {4}, CallFailure::BadArguments},
        {rdmLancaSoliCmp, "GetParamCmp", {"0001", "SUP"}, CallFailure::UnknownMethod},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call(c.module, QString::fromLatin1(c.method), c.args).failure, c.failure)
            << c.method;
}

TEST_P(PurchaseParameters, shouldServeTheClientConnectionInTheSameProcess)
{
    fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
    fw::TNetConnection netCompras(rdmCompras);
    ASSERT_TRUE(netCompras.SignIn(db::demoOperator, db::demoPassword).ok);

    // A typed code comes back padded, by reference.
    Args args{" 3", "SUP"};
    const fw::RemoteReply reply = netCompras.Call(QStringLiteral("GetParamCmp"), args);
    fw::TNetConnection::SignOut();
    fw::TNetConnection::SetEmbeddedTransport(nullptr);

    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(args.at(0).toString(), QStringLiteral("0003"));
    fw::ClientDataSet cdsParaSupri;
    cdsParaSupri.SetData(reply.result.toPacket());
    EXPECT_EQ(cdsParaSupri.FieldByName(QStringLiteral("IDBLOQALTSOLAUT")).AsString(),
              QStringLiteral("S"));
}

INSTANTIATE_TEST_SUITE_P(Backends, PurchaseParameters,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
