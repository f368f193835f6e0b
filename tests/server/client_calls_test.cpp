// The client's calls through the real transports, embedded and HTTP, as a
// screen makes them: what a failure means, a session the server ended, a
// server that goes away, and a window that keeps painting while it works.
#include "framework/net/net_connection.h"
#include "framework/ui/scripted_ui_port.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"
#include "support/qt_application.h"

#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace cmp::server {
namespace {

using fw::RemoteReply;
using fw::UiEventKind;

enum class Route
{
    Embedded,
    Http
};

std::ostream& operator<<(std::ostream& out, Route route)
{
    return out << (route == Route::Embedded ? "embedded" : "HTTP");
}

class ClientCalls : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        addMethods(server());
        startHttp(server(), 0);
        fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
        previousPort_ = fw::SetUiPort(&ui);
    }

    void TearDown() override
    {
        fw::SetUiPort(previousPort_);
        fw::TNetConnection::SignOut();
        fw::TNetConnection::SetEmbeddedTransport(nullptr);
        http_.reset();
        restarted_.reset();
        ServerTest::TearDown();
    }

    ServerOptions options() override
    {
        ServerOptions options = ServerTest::options();
        options.tokenSecret = QByteArray(32, 'a');
        options.clock = [this] { return QDateTime::currentDateTimeUtc().addSecs(secondsLater_); };
        return options;
    }

    // Conta counts its runs; Recusa counts and refuses; Aguarda waits until
    // the test lets it go, at most five seconds, and says whether it was let go.
    void addMethods(Server& target)
    {
        const auto count = [this](CallContext&, std::vector<fw::RemoteValue>&) {
            return fw::RemoteValue(++runs_);
        };
        target.registry().add(rdmCompras, QStringLiteral("Conta"), {}, count);
        target.registry().add(
            rdmCompras, QStringLiteral("Recusa"), {},
            [this](CallContext&, std::vector<fw::RemoteValue>&) -> fw::RemoteValue {
                ++runs_;
                throw ServerError(QStringLiteral("Requisição já aprovada."));
            });
        target.registry().add(rdmCompras, QStringLiteral("Aguarda"), {},
                              [this](CallContext&, std::vector<fw::RemoteValue>&) {
                                  return fw::RemoteValue(released_.tryAcquire(1, 5000));
                              });
    }

    void startHttp(Server& target, int port)
    {
        HttpOptions options;
        options.port = port;
        options.threads = 4;
        http_.emplace(target, options);
    }

    // The server stops, and starts again on the same port with another token
    // secret: every token it gave before is void.
    void restartWithAnotherSecret(const std::function<void()>& whileStopped)
    {
        const int port = http_->port();
        http_.reset();
        whileStopped();
        ServerOptions options = this->options();
        options.tokenSecret = QByteArray(32, 'b');
        restarted_.emplace(std::move(options));
        addMethods(*restarted_);
        startHttp(*restarted_, port);
    }

    // A connection by the route, signed in as the test operator.
    std::unique_ptr<fw::TNetConnection> connect(Route route)
    {
        auto connection = std::make_unique<fw::TNetConnection>(QString(rdmCompras));
        if (route == Route::Http) {
            connection->SetWebURL(QStringLiteral("127.0.0.1"));
            connection->SetWebPort(http_->port());
        }
        const fw::SignInResult signedIn =
            connection->SignIn(test::testOperator, test::testPassword);
        EXPECT_TRUE(signedIn.ok) << signedIn.error.toStdString();
        return connection;
    }

    void passHours(int hours) { secondsLater_ += hours * 3600; }

    // The text each password prompt gave as its reason.
    QStringList promptReasons() const
    {
        QStringList reasons;
        for (const fw::UiEvent& event : ui.events())
            if (event.kind == UiEventKind::Password)
                reasons << event.options.value(1);
        return reasons;
    }

    fw::ScriptedUiPort ui;
    std::atomic<int> runs_{0};
    QSemaphore released_;

private:
    std::atomic<qint64> secondsLater_{0};
    std::optional<HttpServer> http_;
    std::optional<Server> restarted_;
    fw::UiPort* previousPort_ = nullptr;
};

constexpr Route routes[] = {Route::Embedded, Route::Http};

TEST_P(ClientCalls, shouldAskThePasswordAgainWhenTheSessionExpiredAndRunTheCallOnce)
{
    for (const Route route : routes) {
        const auto netCompras = connect(route);
        runs_ = 0;
        passHours(9);
        ui.typePasswordNext(QStringLiteral("errada"));
        ui.typePasswordNext(test::testPassword);

        const RemoteReply reply = netCompras->Call(QStringLiteral("Conta"));

        ASSERT_TRUE(reply.ok) << route << ": " << reply.error.toStdString();
        EXPECT_EQ(reply.result.toInteger(), 1) << route;
        EXPECT_EQ(runs_, 1) << route;
    }
    EXPECT_EQ(promptReasons(), QStringList(4, QStringLiteral("Sessão expirada. Entre novamente.")));
    EXPECT_EQ(ui.texts(UiEventKind::Error),
              QStringList(2, QStringLiteral("Operador ou senha inválidos.")));
}

TEST_P(ClientCalls, shouldNeverRepeatARefusalNorRunACallWhosePasswordPromptWasCancelled)
{
    for (const Route route : routes) {
        const auto netCompras = connect(route);
        runs_ = 0;
        const RemoteReply refused = netCompras->Call(QStringLiteral("Recusa"));
        EXPECT_TRUE(refused.refused()) << route;
        EXPECT_EQ(refused.error, "Requisição já aprovada.");
        EXPECT_EQ(runs_, 1) << route;

        passHours(9);
        ui.cancelNext();
        const RemoteReply cancelled = netCompras->Call(QStringLiteral("Conta"));
        EXPECT_TRUE(cancelled.sessionEnded()) << route;
        EXPECT_EQ(cancelled.error, "A sessão terminou e a senha não foi informada: a operação não "
                                   "foi executada.");
        EXPECT_EQ(runs_, 1) << route;
    }
    EXPECT_EQ(ui.texts(UiEventKind::Password).size(), 2);
}

TEST_P(ClientCalls, shouldReachARestartedServerAfterReconnectAndSignInAgainThere)
{
    const auto netCompras = connect(Route::Http);
    restartWithAnotherSecret([&] {
        const RemoteReply reply = netCompras->Call(QStringLiteral("Conta"));
        EXPECT_TRUE(reply.unreachable()) << reply.error.toStdString();
        EXPECT_TRUE(reply.error.startsWith("Não foi possível conectar ao servidor de aplicação"))
            << reply.error.toStdString();
        EXPECT_FALSE(netCompras->Reconnect());
    });
    ASSERT_TRUE(netCompras->Reconnect());
    ui.typePasswordNext(test::testPassword);

    const RemoteReply reply = netCompras->Call(QStringLiteral("Conta"));

    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(runs_, 1);
    EXPECT_EQ(promptReasons(), QStringList{"Sessão inválida. Entre novamente."});
}

class Canvas : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST_P(ClientCalls, shouldKeepTheWindowPaintingAndRefuseInputWhileTheServerWorks)
{
    for (const Route route : routes) {
        const auto netCompras = connect(route);
        Canvas canvas;
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
        QPushButton button(QStringLiteral("Filtro"));
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
        QTest::mouseClick(&button, Qt::LeftButton);
        ASSERT_EQ(clicks, 1) << "a click gets through outside a call";

        // The server waits for the window: the call returns true only if the
        // GUI thread ran its timer, repainted and took the click meanwhile.
        const int paintsBefore = canvas.paints;
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            canvas.update();
            if (++ticks == 2)
                QTest::mouseClick(&button, Qt::LeftButton);
            if (ticks > 2 && canvas.paints > paintsBefore)
                released_.release();
        });
        ticker.start(10);

        const RemoteReply reply = netCompras->Call(QStringLiteral("Aguarda"));
        ticker.stop();
        QApplication::processEvents();

        ASSERT_TRUE(reply.ok) << route << ": " << reply.error.toStdString();
        EXPECT_TRUE(reply.result.toBoolean()) << route << ": the server was not let go in time";
        EXPECT_EQ(clicks, 1) << route << ": the click during the call was refused, not held back";
        released_.tryAcquire(released_.available());
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ClientCalls,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
