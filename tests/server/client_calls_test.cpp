// The client's calls through the real transports, embedded and HTTP, as a
// screen makes them: what a failure means, a session the server ended, a
// server that goes away, and a window that keeps painting while it works.
#include "db/password_hash.h"
#include "framework/net/net_connection.h"
#include "framework/ui/scripted_ui_port.h"
#include "server/http_server.h"
#include "server/in_process_transport.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"
#include "support/qt_application.h"

#include <QPushButton>
#include <QSemaphore>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
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
        startHttp(server(), port_);
        fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
        previousPort_ = fw::SetUiPort(&ui);
    }

    void TearDown() override
    {
        fw::SetUiPort(previousPort_);
        fw::TNetConnection::SignOut();
        fw::TNetConnection::SetEmbeddedTransport(nullptr);
        http_.reset();
        others_.clear();
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

    // The HTTP server goes away; its port stays free for the next one.
    void stopHttp()
    {
        port_ = http_->port();
        http_.reset();
    }

    // Another server, by both routes from now on; the embedded route reaches
    // it after a connection's Reconnect, as after a restart of the client.
    Server& serveFromAnother(ServerOptions options)
    {
        Server& another = *others_.emplace_back(std::make_unique<Server>(std::move(options)));
        addMethods(another);
        if (http_)
            stopHttp();
        startHttp(another, port_);
        fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(another));
        return another;
    }

    // A column of the test operator's row.
    void setOperator(const QString& column, const QString& value)
    {
        QSqlQuery query(server().database().connection());
        query.prepare(
            QStringLiteral("UPDATE OPERADOR SET %1 = ? WHERE CDOPERADOR = ?").arg(column));
        query.addBindValue(value);
        query.addBindValue(QString::fromLatin1(test::testOperator));
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
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
    int port_ = 0;
    std::vector<std::unique_ptr<Server>> others_;
    fw::UiPort* previousPort_ = nullptr;
};

constexpr Route routes[] = {Route::Embedded, Route::Http};

TEST_P(ClientCalls, shouldRunACallOnceInARenewedSessionAndNeverRepeatARefusalNorACancelledCall)
{
    for (const Route route : routes) {
        const auto netCompras = connect(route);
        runs_ = 0;
        const RemoteReply refused = netCompras->Call(QStringLiteral("Recusa"));
        EXPECT_TRUE(refused.refused()) << route;
        EXPECT_EQ(refused.error, "Requisição já aprovada.");
        EXPECT_EQ(runs_, 1) << route;

        passHours(9);
        ui.typePasswordNext(test::testPassword);
        const RemoteReply renewed = netCompras->Call(QStringLiteral("Conta"));
        ASSERT_TRUE(renewed.ok) << route << ": " << renewed.error.toStdString();
        EXPECT_EQ(runs_, 2) << route;

        passHours(9);
        ui.cancelNext();
        const RemoteReply cancelled = netCompras->Call(QStringLiteral("Conta"));
        EXPECT_TRUE(cancelled.sessionEnded()) << route;
        EXPECT_EQ(cancelled.error, "A sessão terminou e a senha não foi informada: a operação não "
                                   "foi executada.");
        EXPECT_EQ(runs_, 2) << route;
    }
    EXPECT_EQ(promptReasons(), QStringList(4, QStringLiteral("Sessão expirada. Entre novamente.")));
}

TEST_P(ClientCalls, shouldSignInAgainAfterThePasswordChangedAndEndTheCallOnceTheOperatorIsDisabled)
{
    static const QString newHash = db::hashPassword(QStringLiteral("nova-senha"));
    static const QString oldHash = db::hashPassword(test::testPassword);
    for (const Route route : routes) {
        const auto netCompras = connect(route);
        runs_ = 0;
        setOperator(QStringLiteral("DSSENHAOPER"), newHash);
        ui.typePasswordNext(test::testPassword);
        ui.typePasswordNext(QStringLiteral("nova-senha"));
        const RemoteReply renewed = netCompras->Call(QStringLiteral("Conta"));
        ASSERT_TRUE(renewed.ok) << route << ": " << renewed.error.toStdString();

        setOperator(QStringLiteral("IDATIVOOPER"), QStringLiteral("N"));
        ui.typePasswordNext(QStringLiteral("nova-senha"));
        ui.cancelNext();
        EXPECT_TRUE(netCompras->Call(QStringLiteral("Conta")).sessionEnded()) << route;
        EXPECT_EQ(runs_, 1) << route;

        setOperator(QStringLiteral("DSSENHAOPER"), oldHash);
        setOperator(QStringLiteral("IDATIVOOPER"), QStringLiteral("S"));
    }
    EXPECT_EQ(promptReasons(),
              QStringList(8, QStringLiteral("Sessão encerrada: entre novamente.")));
    EXPECT_EQ(ui.texts(UiEventKind::Error),
              QStringList(4, QStringLiteral("Operador ou senha inválidos.")));
}

TEST_P(ClientCalls, shouldReachARestartedServerAfterReconnectAndSignInAgainThere)
{
    const auto netCompras = connect(Route::Http);
    stopHttp();
    const RemoteReply stopped = netCompras->Call(QStringLiteral("Conta"));
    EXPECT_TRUE(stopped.unreachable()) << stopped.error.toStdString();
    EXPECT_TRUE(stopped.error.startsWith("Não foi possível conectar ao servidor de aplicação"))
        << stopped.error.toStdString();
    EXPECT_FALSE(netCompras->Reconnect());

    ServerOptions restarted = options();
    restarted.tokenSecret = QByteArray(32, 'b'); // every token given before is void
    serveFromAnother(std::move(restarted));
    ASSERT_TRUE(netCompras->Reconnect());
    ui.typePasswordNext(test::testPassword);

    const RemoteReply reply = netCompras->Call(QStringLiteral("Conta"));

    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(runs_, 1);
    EXPECT_EQ(promptReasons(), QStringList{"Sessão inválida. Entre novamente."});
}

TEST_P(ClientCalls, shouldTellAServerWhoseDatabaseIsDownIsUnreachable)
{
    if (GetParam() != test::Backend::SQLite)
        GTEST_SKIP() << "the database that goes is a SQLite file of its own on either backend";
    std::vector<std::unique_ptr<fw::TNetConnection>> connections;
    for (const Route route : routes)
        connections.push_back(connect(route));
    // A server whose database goes once it started: no thread of the calls
    // can open its connection.
    auto folder = std::make_unique<QTemporaryDir>();
    ServerOptions options = this->options();
    options.database = DatabaseConfig::sqlite(folder->filePath(QStringLiteral("cmp.sqlite")));
    serveFromAnother(std::move(options));
    folder.reset();

    for (const auto& netCompras : connections) {
        ASSERT_TRUE(netCompras->Reconnect());
        const RemoteReply reply = netCompras->Call(QStringLiteral("Conta"));
        EXPECT_TRUE(reply.unreachable()) << netCompras->WebURL().toStdString();
        EXPECT_EQ(reply.error, "Banco de dados indisponível. Tente novamente em instantes.");
    }
    EXPECT_EQ(runs_, 0);
    EXPECT_TRUE(ui.events().empty());
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
