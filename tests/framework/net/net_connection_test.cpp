#include "framework/net/net_connection.h"

#include "framework/ui/scripted_ui_port.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace cmp::fw;

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// The embedded server as far as the connection can tell: answers each call
// with what the test asks and remembers what it was sent. Each sign-in
// issues a new token; a call with a token the test says expired is turned
// away unrun.
class FakeServer : public Transport
{
public:
    std::function<RemoteReply(const RemoteCall&)> answer = [](const RemoteCall&) {
        RemoteReply reply;
        reply.ok = true;
        return reply;
    };
    std::function<bool(const QString& token)> expired = [](const QString&) { return false; };
    std::vector<RemoteCall> calls; // the calls that ran
    std::vector<QString> tokens;   // the token of every call sent
    bool reachable = true;

    SignInResult signIn(const QString& operatorCode, const QString& password) override
    {
        SignInResult result;
        if (!reachable) {
            result.error = "Não foi possível conectar ao servidor de aplicação.";
            result.failureKind = FailureKind::Unreachable;
        } else if (password != "segredo") {
            result.error = "Operador ou senha inválidos.";
        } else {
            result = {true,
                      {},
                      QString("token-%1-%2").arg(operatorCode).arg(++signIns_),
                      operatorCode,
                      "Maria das Dores",
                      QDateTime::currentDateTimeUtc().addSecs(3600)};
        }
        return result;
    }
    RemoteReply call(const RemoteCall& call, const QString& token) override
    {
        tokens.push_back(token);
        if (expired(token))
            return RemoteReply::failure("Sessão expirada. Entre novamente.",
                                        FailureKind::SessionEnded);
        calls.push_back(call);
        return answer(call);
    }

private:
    int signIns_ = 0;
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

TEST_F(EmbeddedConnection, shouldAnswerFailuresWithTheirKindOrThrowThemAndAlwaysClearTheBusyHook)
{
    server->answer = [](const RemoteCall& call) -> RemoteReply {
        if (call.method == "Confirmar")
            return RemoteReply::failure("Requisição alterada por outro usuário.");
        if (call.method == "GetMedia")
            return RemoteReply::failure({});
        if (call.method == "GetItemSoli")
            return RemoteReply::failure("Banco de dados indisponível. Tente novamente.",
                                        FailureKind::Unreachable);
        throw std::logic_error("índice fora da lista");
    };
    const auto thrown = [&](const QString& method) -> std::pair<std::string, FailureKind> {
        try {
            netLancaSoliCmp.Call(method);
        } catch (const ENetError& error) {
            return {error.what(), error.kind()};
        }
        return {"(no exception)", FailureKind::Refused};
    };

    EXPECT_TRUE(netLancaSoliCmp.Call("GetItemSoli").unreachable());
    EXPECT_EQ(netLancaSoliCmp.Call("GetMedia").error,
              "O servidor de aplicação recusou Cmp03100.rdmLancaSoliCmp.GetMedia sem dizer o "
              "motivo.");
    // A fault is no reply: it reaches the caller as it is.
    EXPECT_THROW(netLancaSoliCmp.Call("GetPrimProd"), std::logic_error);
    netLancaSoliCmp.SetThrowException(true);
    EXPECT_EQ(thrown("Confirmar"),
              std::make_pair(std::string("Requisição alterada por outro usuário."),
                             FailureKind::Refused));
    EXPECT_EQ(thrown("GetItemSoli"),
              std::make_pair(std::string("Banco de dados indisponível. Tente novamente."),
                             FailureKind::Unreachable));

    // Once per call, also the first, which opens the connection inside its own wait.
    std::vector<bool> fiveCalls;
    for (int call = 0; call < 5; ++call)
        fiveCalls.insert(fiveCalls.end(), {true, false});
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
    EXPECT_EQ(server->tokens, std::vector<QString>{"token-0007-1"});

    // A manager confirming with a password does not take the session over.
    EXPECT_TRUE(netCompras.CheckPassword("0009", "segredo").ok);
    EXPECT_FALSE(netCompras.CheckPassword("0009", "errada").ok);
    EXPECT_EQ(TNetConnection::Session().operatorCode, "0007");
}

namespace {

// Signed in as operator 0007 with a scripted port standing for the person.
class SessionRenewal : public EmbeddedConnection
{
protected:
    void SetUp() override
    {
        EmbeddedConnection::SetUp();
        previousPort = SetUiPort(&ui);
        ASSERT_TRUE(netLancaSoliCmp.SignIn("0007", "segredo").ok);
    }
    void TearDown() override
    {
        SetUiPort(previousPort);
        EmbeddedConnection::TearDown();
    }

    ScriptedUiPort ui;
    UiPort* previousPort = nullptr;
};

} // namespace

// What the real transports cannot show: which token each attempt carried.
TEST_F(SessionRenewal, shouldSendTheCallOnceMoreInTheNewSessionOnlyAndCopyItsArgumentsBack)
{
    server->expired = [](const QString& token) { return token == "token-0007-1"; };
    server->answer = [](const RemoteCall& call) {
        if (call.method == "Confirmar")
            return RemoteReply::failure("Sem resposta em 300 segundos.", FailureKind::Unreachable);
        return succeeded("Arroz tipo 1", {RemoteValue(), "0101.0002"});
    };
    ui.typePasswordNext("segredo");
    std::vector<RemoteValue> args{"0001", "0101"};

    ASSERT_TRUE(netLancaSoliCmp.Call("DescComplProd", args).ok);
    EXPECT_EQ(args, (std::vector<RemoteValue>{"0001", "0101.0002"}));
    // An unreachable server is no reason to sign in again, nor to repeat.
    TNetConnection netCompras("Cmp.rdmCompras");
    EXPECT_TRUE(netCompras.Call("Confirmar").unreachable());
    EXPECT_EQ(server->tokens,
              (std::vector<QString>{"token-0007-1", "token-0007-2", "token-0007-2"}));

    // A session that ends again at once is not renewed a second time.
    server->expired = [](const QString&) { return true; };
    ui.typePasswordNext("segredo");
    const RemoteReply reply = netLancaSoliCmp.Call("DescComplProd", args);
    EXPECT_TRUE(reply.sessionEnded());
    EXPECT_EQ(reply.error, "Sessão expirada. Entre novamente.");
    EXPECT_EQ(server->tokens.size(), 5u);
    EXPECT_EQ(ui.texts(UiEventKind::Password).size(), 2);
}

TEST_F(SessionRenewal, shouldEndTheCallWhenTheServerGoesAwayDuringTheRenewalOrNobodySignedIn)
{
    server->expired = [](const QString&) { return true; };
    server->reachable = false;
    ui.typePasswordNext("segredo");
    netLancaSoliCmp.SetThrowException(true);
    try {
        netLancaSoliCmp.Call("Confirmar");
        ADD_FAILURE() << "no exception";
    } catch (const ENetError& error) {
        EXPECT_EQ(error.kind(), FailureKind::Unreachable);
        EXPECT_STREQ(error.what(), "Não foi possível conectar ao servidor de aplicação.");
    }

    TNetConnection::SignOut();
    netLancaSoliCmp.SetThrowException(false);
    EXPECT_EQ(netLancaSoliCmp.Call("Confirmar").error, "Sessão expirada. Entre novamente.");
    EXPECT_EQ(ui.texts(UiEventKind::Password).size(), 1) << "no operator to ask";
    EXPECT_TRUE(server->calls.empty());
}
