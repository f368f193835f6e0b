#include "framework/net/net_connection.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace cmp::fw;

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The embedded server as far as the connection can tell: answers each call
// with what the test asks and remembers what it was sent.
class FakeServer : public Transport
{
public:
    std::function<RemoteReply(const RemoteCall&)> answer = [](const RemoteCall&) {
        RemoteReply reply;
        reply.ok = true;
        return reply;
    };
    std::vector<RemoteCall> calls;
    std::vector<QString> tokens;

    SignInResult signIn(const QString& operatorCode, const QString& password) override
    {
        if (password != "segredo")
            return {false, "Operador ou senha inválidos.", {}, {}, {}, {}};
        return {true,
                {},
                "token-" + operatorCode,
                operatorCode,
                "Maria das Dores",
                QDateTime::currentDateTimeUtc().addSecs(3600)};
    }
    RemoteReply call(const RemoteCall& call, const QString& token) override
    {
        calls.push_back(call);
        tokens.push_back(token);
        return answer(call);
    }
};

RemoteReply succeeded(RemoteValue result, std::vector<RemoteValue> args = {})
{
    RemoteReply reply;
    reply.ok = true;
    reply.result = std::move(result);
    reply.args = std::move(args);
    return reply;
}

class EmbeddedConnection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TNetConnection::SetEmbeddedTransport(server);
        TNetConnection::SetBusyHook([this](bool busy) { busyEvents.push_back(busy); });
    }
    void TearDown() override
    {
        TNetConnection::SetEmbeddedTransport(nullptr);
        TNetConnection::SetBusyHook({});
        TNetConnection::SignOut();
    }

    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>();
    std::vector<bool> busyEvents;
    TNetConnection netLancaSoliCmp{"Cmp03100.rdmLancaSoliCmp"};
};

} // namespace

TEST_F(EmbeddedConnection, shouldNameItsModuleAndCopyArgumentsPassedByReferenceBack)
{
    server->answer = [](const RemoteCall& call) {
        if (call.method == "GetParam") // one argument back for a call of two
            return succeeded({}, {"0101.0002"});
        // As the server does: null in the by-value position.
        return succeeded("Arroz tipo 1", {RemoteValue(), "0101.0002"});
    };
    std::vector<RemoteValue> args{"0001", "0101"};

    const RemoteReply reply = netLancaSoliCmp.Call("DescComplProd", args);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.result, RemoteValue("Arroz tipo 1"));
    EXPECT_EQ(args, (std::vector<RemoteValue>{"0001", "0101.0002"}));
    EXPECT_EQ(server->calls[0].module, "Cmp03100.rdmLancaSoliCmp");
    EXPECT_EQ(server->calls[0].method, "DescComplProd");
    EXPECT_EQ(server->calls[0].args, (std::vector<RemoteValue>{"0001", "0101"}));

    args = {"0001", "0101"};
    EXPECT_EQ(netLancaSoliCmp.Call("GetParam", args).error,
              "O servidor de aplicação devolveu 1 argumentos de "
              "Cmp03100.rdmLancaSoliCmp.GetParam, que recebe 2.");
    EXPECT_EQ(args, (std::vector<RemoteValue>{"0001", "0101"}));
}

TEST_F(EmbeddedConnection, shouldAnswerFailuresOrThrowThemAndAlwaysClearTheBusyHook)
{
    server->answer = [](const RemoteCall& call) -> RemoteReply {
        if (call.method == "Confirmar")
            return RemoteReply::failure("Requisição alterada por outro usuário.");
        if (call.method == "GetMedia")
            return RemoteReply::failure({});
        throw std::runtime_error("Banco de dados indisponível.");
    };
    const auto thrown = [&](const QString& method) -> std::string {
        try {
            netLancaSoliCmp.Call(method);
        } catch (const ENetError& error) {
            return error.what();
        }
        return "(no exception)";
    };

    EXPECT_EQ(netLancaSoliCmp.Call("Confirmar").error, "Requisição alterada por outro usuário.");
    EXPECT_EQ(netLancaSoliCmp.Call("GetItemSoli").error, "Banco de dados indisponível.");
    EXPECT_EQ(netLancaSoliCmp.Call("GetMedia").error,
              "O servidor de aplicação recusou Cmp03100.rdmLancaSoliCmp.GetMedia sem dizer o "
              "motivo.");
    netLancaSoliCmp.SetThrowException(true);
    EXPECT_EQ(thrown("Confirmar"), "Requisição alterada por outro usuário.");
    EXPECT_EQ(thrown("GetItemSoli"), "Banco de dados indisponível.");

    // Once per call, also the first, which opens the connection inside its own wait.
    const std::vector<bool> fiveCalls{true,  false, true,  false, true,
                                      false, true,  false, true,  false};
    EXPECT_EQ(busyEvents, fiveCalls);
}

TEST_F(EmbeddedConnection, shouldSayTheEmbeddedServerIsMissingAndReachItAfterReconnect)
{
    TNetConnection::SetEmbeddedTransport(nullptr);
    int beforeConnect = 0;
    netLancaSoliCmp.BeforeConnect = [&](TNetConnection& connection) {
        ++beforeConnect;
        connection.SetWebURL({});
    };

    EXPECT_FALSE(netLancaSoliCmp.Connect());
    const RemoteReply reply = netLancaSoliCmp.Call("GetSolicita");
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, "Não foi possível conectar ao servidor de aplicação embutido: ele "
                           "não foi iniciado.");

    TNetConnection::SetEmbeddedTransport(server);
    EXPECT_TRUE(netLancaSoliCmp.Reconnect());
    EXPECT_TRUE(netLancaSoliCmp.Call("GetSolicita").ok);
    EXPECT_TRUE(netLancaSoliCmp.Call("GetSolicita").ok);
    EXPECT_EQ(beforeConnect, 3); // each opening, none for an open connection
}

TEST_F(EmbeddedConnection, shouldShareTheSignedInSessionWithEveryConnection)
{
    TNetConnection netCompras("Cmp.rdmCompras");

    const SignInResult refused = netLancaSoliCmp.SignIn("0007", "errada");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "Operador ou senha inválidos.");
    EXPECT_TRUE(TNetConnection::Session().token.isEmpty());

    ASSERT_TRUE(netLancaSoliCmp.SignIn("0007", "segredo").ok);
    netCompras.Call("GetParamCmp");

    EXPECT_EQ(TNetConnection::Session().operatorCode, "0007");
    EXPECT_EQ(TNetConnection::Session().operatorName, "Maria das Dores");
    EXPECT_EQ(server->tokens, std::vector<QString>{"token-0007"});
    EXPECT_EQ(server->calls[0].module, "Cmp.rdmCompras");

    // A manager confirming with a password does not take the session over.
    EXPECT_TRUE(netCompras.CheckPassword("0009", "segredo").ok);
    EXPECT_FALSE(netCompras.CheckPassword("0009", "errada").ok);
    EXPECT_EQ(TNetConnection::Session().operatorCode, "0007");
}
