#include "server/statements.h"

#include "db/demo_data.h"
#include "db/demo_parts.h"
#include "framework/net/net_connection.h"
#include "framework/product/product_library.h"
#include "framework/sql/host_database.h"
#include "framework/sql/statement_registry.h"
#include "server/in_process_transport.h"
#include "server/server_fixture.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using Lines = QStringList;

const QString qryPesqFilSoli = QStringLiteral("qryPesqFilSoli_statements_test");
const fw::SqlTexts branchLookup{
    .SQL = QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL "
                          "WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) ORDER BY CDFILIAL")};

// "code|name" per row, to compare whole results.
Lines linesOf(const fw::DataPacket& packet)
{
    Lines lines;
    for (const fw::PacketRow& row : packet.rows) {
        QStringList texts;
        for (const QVariant& value : row.values)
            texts << value.toString();
        lines << texts.join(u'|');
    }
    return lines;
}

fw::SqlParam paramOf(const QString& name, const QVariant& value)
{
    fw::SqlParam param(name);
    param.SetValue(value);
    return param;
}

// The demo company on a real server, reached by the client's remote host
// database through the in-process transport, signed in as the demo operator.
class ServerStatements : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        QSqlDatabase connection = server().database().connection();
        db::loadDemoData(connection);
        // Declaring the same texts again, test after test, changes nothing.
        fw::declaredStatements().Declare(qryPesqFilSoli, branchLookup);

        fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
        fw::TNetConnection signIn(fw::runStatementModule);
        const fw::SignInResult signedIn = signIn.SignIn(db::demoOperator, db::demoPassword);
        ASSERT_TRUE(signedIn.ok) << signedIn.error.toStdString();
        host_ = fw::HostDatabase::Remote(QString(), 0);
        previous_ = fw::SetHostDatabase(host_.get());
    }

    void TearDown() override
    {
        if (host_) {
            fw::SetHostDatabase(previous_);
            host_.reset();
            fw::TNetConnection::SignOut();
            fw::TNetConnection::SetEmbeddedTransport(nullptr);
        }
        ServerTest::TearDown();
    }

    fw::HostDatabase& host() { return *host_; }

    int branchCount()
    {
        QSqlQuery query(server().database().connection());
        query.exec(QStringLiteral("SELECT COUNT(*) FROM FILIAL"));
        query.next();
        return query.value(0).toInt();
    }

    // The refusal text of a host database read, empty when it ran.
    QString refusalOf(const QString& name, const std::vector<fw::SqlParam>& params)
    {
        try {
            host().open(name, params);
        } catch (const fw::SqlError& error) {
            return QString::fromStdString(error.what());
        }
        return QString();
    }

private:
    std::unique_ptr<fw::HostDatabase> host_;
    fw::HostDatabase* previous_ = nullptr;
};

TEST_P(ServerStatements, shouldRunADeclaredStatementWithTheValuesTheClientSent)
{
    ASSERT_TRUE(host().IsRemote());
    const struct
    {
        QVariant code;
        Lines expected;
    } cases[] = {
        {QStringLiteral("0004"), {"0004|Restaurante Industrial Sumaré"}},
        {QStringLiteral("9999"), {}},
    };
    for (const auto& c : cases) {
        // As the screens do: a query of the host, opened by its name.
        fw::SqlQuery query = host().Query(qryPesqFilSoli, branchLookup);
        query.ParamByName(QStringLiteral("P_CDFILIAL")).SetValue(c.code);
        EXPECT_EQ(linesOf(host().Open(query)), c.expected) << c.code.toString().toStdString();
    }

    // A null code lists every branch, in code order.
    const fw::DataPacket all =
        host().open(qryPesqFilSoli, {paramOf(QStringLiteral("P_CDFILIAL"), QVariant())});
    ASSERT_EQ(static_cast<int>(all.rows.size()), branchCount());
    EXPECT_EQ(linesOf(all).mid(0, 2),
              Lines({"0001|Central de Compras Campinas", "0002|Central de Compras Rio"}));

    // Parameter names are matched regardless of case.
    EXPECT_EQ(linesOf(host().open(qryPesqFilSoli,
                                  {paramOf(QStringLiteral("p_cdfilial"), QStringLiteral("0005"))})),
              Lines({"0005|Cozinha Hospital Santa Clara"}));
}

TEST_P(ServerStatements, shouldRefuseUndeclaredNamesAndParametersTheTextLacks)
{
    const auto branch = paramOf(QStringLiteral("P_CDFILIAL"), QStringLiteral("0004"));
    const struct
    {
        QString name;
        std::vector<fw::SqlParam> params;
        QString refusal;
    } cases[] = {
        {QStringLiteral("qryNaoDeclarada"),
         {branch},
         QStringLiteral("Consulta não declarada: qryNaoDeclarada")},
        {qryPesqFilSoli,
         {branch, paramOf(QStringLiteral("P_CDPRODUTO"), QStringLiteral("0000000004"))},
         QStringLiteral("Parâmetro P_CDPRODUTO não declarado na consulta %1.").arg(qryPesqFilSoli)},
        {qryPesqFilSoli,
         {},
         QStringLiteral("Parâmetro P_CDFILIAL sem valor na consulta %1.").arg(qryPesqFilSoli)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusalOf(c.name, c.params), QStringLiteral("%1: %2").arg(c.name, c.refusal));

    // On the server side the refusal is an error reply, not a broken call,
    // and a text sent as the name never runs.
    const int branches = branchCount();
    const QString token = server().signIn(db::demoOperator, db::demoPassword).token;
    const CallOutcome outcome = server().execute(
        {fw::runStatementModule,
         fw::runStatementMethod,
         {QStringLiteral("DELETE FROM FILIAL"), fw::statementParamsPacket({branch})}},
        token);
    EXPECT_EQ(outcome.failure, CallFailure::MethodFailed);
    EXPECT_EQ(outcome.reply.error, QStringLiteral("Consulta não declarada: DELETE FROM FILIAL"));
    EXPECT_EQ(branchCount(), branches);
}

TEST_P(ServerStatements, shouldLeaveOutTheBranchesTheOperatorMayNotUse)
{
    // Operator 3 may not use the Rio center's branches (0002, 0007, 0008, 0009)
    const auto branchCodes = [this](int demoOperator) {
        const QString token =
            server().signIn(db::demoOperatorCode(demoOperator), db::demoPassword).token;
        const CallOutcome outcome = server().execute(
            {fw::runStatementModule,
             fw::runStatementMethod,
             {qryPesqFilSoli,
              fw::statementParamsPacket({paramOf(QStringLiteral("P_CDFILIAL"), QVariant())})}},
            token);
        EXPECT_TRUE(outcome.reply.ok) << outcome.reply.error.toStdString();
        QStringList codes;
        for (const QString& line : linesOf(outcome.reply.result.toPacket()))
            codes << line.left(4);
        return codes;
    };

    const QStringList everyBranch = branchCodes(1);
    EXPECT_EQ(everyBranch.size(), branchCount());
    QStringList unrestricted = everyBranch;
    for (const char* restricted : {"0002", "0007", "0008", "0009"})
        EXPECT_TRUE(unrestricted.removeOne(restricted)) << restricted;
    EXPECT_EQ(branchCodes(3), unrestricted);
}

TEST_P(ServerStatements, shouldGiveTheProductDataThroughTheRemoteHost)
{
    EXPECT_EQ(fw::Dados_Produto(QStringLiteral(" 0101001001 ")),
              (QStringList{"0101001001", "Arroz Agulhinha Tipo 1 kg", "0000000004"}));
    EXPECT_EQ(fw::Dados_Produto(QStringLiteral("9999999999")), (QStringList{"9999999999", "", ""}));
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerStatements,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
