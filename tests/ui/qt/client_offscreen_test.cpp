// The desktop as a person meets it, on real widgets without a display: sign
// in, open the module from the menu, answer the filter it opens, and close
// the main screen; on the embedded server and against a cmp-server.
#include "db/demo_data.h"
#include "framework/forms/form.h"
#include "server/admin_commands.h"
#include "server/embedded_server.h"
#include "support/qt_application.h"
#include "ui/qt/shell/client_app.h"
#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/screenshot_tour.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace cmp::ui {
namespace {

QToolButton* button(QWidget& window, const char* name)
{
    return window.findChild<QToolButton*>(QString::fromLatin1(name));
}

// cmp-server as an administrator starts it, on a demo SQLite file of its own
// and a free port; stopped when this goes.
class ServerProcess
{
public:
    explicit ServerProcess(const QString& sqlitePath)
    {
        const auto database = server::DatabaseConfig::sqlite(sqlitePath);
        server::migrateDatabase(database);
        server::AdminDatabase(database).loadDemo();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../apps/cmp-server"),
                       {QStringLiteral("--sqlite"), sqlitePath, QStringLiteral("--port"),
                        QStringLiteral("0")});
        // It prints its address once it serves.
        static const QRegularExpression ready(QStringLiteral("http://([^:]+):(\\d+)"));
        while (process_.waitForReadyRead(30000)) {
            const QRegularExpressionMatch match =
                ready.match(QString::fromUtf8(process_.readLine()));
            if (match.hasMatch()) {
                address_ = match.captured(1) + u':' + match.captured(2);
                return;
            }
        }
    }
    ~ServerProcess()
    {
        process_.terminate();
        process_.waitForFinished();
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // "host:port"; empty when the server did not start.
    const QString& address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

struct ModuleOpening
{
    QString filterTitle; // empty when no filter opened
    QStringList messages;
};

// Opens the module from the menu and presses the button on the filter it
// opens; a message shown on the way is noted and closed.
ModuleOpening openModuleAndAnswerFilter(MainWindow& window, const char* filterButton)
{
    ModuleOpening opening;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* message = qobject_cast<QMessageBox*>(modal)) {
            opening.messages << message->text();
            message->reject();
        } else if (modal && button(*modal, filterButton) && opening.filterTitle.isEmpty()) {
            opening.filterTitle = modal->windowTitle();
            button(*modal, filterButton)->click();
        }
    });
    watch.start(20);
    window.requisitionAction()->trigger();
    return opening;
}

QMdiSubWindow* onlyChildWindow(MainWindow& window)
{
    const QList<QMdiSubWindow*> children = window.childArea()->subWindowList();
    return children.size() == 1 ? children.front() : nullptr;
}

void closeMainScreen(MainWindow& window, QMdiSubWindow& mainScreen)
{
    ASSERT_TRUE(button(mainScreen, "sbtFechar"));
    button(mainScreen, "sbtFechar")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_EQ(fw::findLiveForm(QStringLiteral("frmLancaSoliCmp")), nullptr);
    EXPECT_TRUE(window.childArea()->subWindowList().isEmpty());
}

TEST(ClientOffscreen, shouldSignInOpenTheModuleCancelTheFilterAndCloseTheMainScreen)
{
    QTemporaryDir folder;
    std::unique_ptr<server::EmbeddedServer> embedded;
    SignInDialog dialog([&](const ServerAddress&) {
        embedded = std::make_unique<server::EmbeddedServer>(folder.filePath("cmp.sqlite"));
        return QString();
    });
    dialog.findChild<QLineEdit*>(QStringLiteral("edtOperador"))->setText(QStringLiteral("1"));
    dialog.findChild<QLineEdit*>(QStringLiteral("edtSenha"))->setText(db::demoPassword);
    dialog.submit();
    auto* branches = dialog.findChild<QComboBox*>(QStringLiteral("cbxFilial"));
    branches->setCurrentIndex(branches->findData(QStringLiteral("0004")));
    dialog.submit();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(embedded && embedded->created()) << "a fresh database with the demo";

    ClientHost host;
    host.enter({*dialog.session(), dialog.processingBranch()});
    const ModuleOpening opening = openModuleAndAnswerFilter(host.window(), "sbtCancel");
    EXPECT_EQ(opening.filterTitle, "Filtro de Solicitação de Compras");
    EXPECT_TRUE(opening.messages.isEmpty()) << opening.messages.join(u'\n').toStdString();

    QMdiSubWindow* mainScreen = onlyChildWindow(host.window());
    ASSERT_TRUE(mainScreen);
    EXPECT_EQ(mainScreen->windowTitle(), "Lançamento de Solicitação de Compras");
    ASSERT_TRUE(fw::findLiveForm(QStringLiteral("frmLancaSoliCmp")));
    closeMainScreen(host.window(), *mainScreen);
}

TEST(ClientOffscreen, shouldOpenTheModuleAgainstACmpServerAndListTheBranchesTheFilterChose)
{
    QTemporaryDir folder;
    const ServerProcess server(folder.filePath(QStringLiteral("cmp.sqlite")));
    ASSERT_FALSE(server.address().isEmpty()) << "cmp-server did not start";

    ClientOptions options;
    options.server = server.address();
    options.operatorCode = QStringLiteral("1");
    options.password = db::demoPassword;
    options.branch = QStringLiteral("0004");
    ServerLauncher launcher(QString(), [](const QString&) -> bool {
        throw std::logic_error("no embedded server against cmp-server");
    });
    const ClientSignIn signedIn = signInDirectly(options, launcher);
    ASSERT_TRUE(signedIn.entry) << signedIn.error.toStdString();

    ClientHost host;
    host.enter(*signedIn.entry);
    const ModuleOpening opening = openModuleAndAnswerFilter(host.window(), "sbtConfirma");
    EXPECT_EQ(opening.filterTitle, "Filtro de Solicitação de Compras");
    EXPECT_TRUE(opening.messages.isEmpty()) << opening.messages.join(u'\n').toStdString();

    // The filter's criteria went to the server and the branches came back.
    QMdiSubWindow* mainScreen = onlyChildWindow(host.window());
    ASSERT_TRUE(mainScreen);
    auto* branchGrid = mainScreen->findChild<QTableView*>(QStringLiteral("DBGrid1"));
    ASSERT_TRUE(branchGrid);
    EXPECT_GT(branchGrid->model()->rowCount(), 0);
    closeMainScreen(host.window(), *mainScreen);
}

TEST(ClientOffscreen, shouldTourTheModuleShootingTheFiltersBranchListOnTheWay)
{
    QTemporaryDir folder;
    const server::EmbeddedServer embedded(folder.filePath(QStringLiteral("cmp.sqlite")));
    ClientOptions options;
    options.operatorCode = QStringLiteral("1");
    options.password = db::demoPassword;
    options.branch = QStringLiteral("0004");
    ServerLauncher launcher(QString(), [](const QString&) { return false; }); // running already
    const ClientSignIn signedIn = signInDirectly(options, launcher);
    ASSERT_TRUE(signedIn.entry) << signedIn.error.toStdString();
    ClientHost host;
    host.enter(*signedIn.entry);

    Camera camera(folder.filePath(QStringLiteral("fotos")));
    tourModule(host.window(), camera);
    QTRY_VERIFY_WITH_TIMEOUT(!host.window().isVisible(), 300000);

    const QStringList shots = QDir(folder.filePath(QStringLiteral("fotos")))
                                  .entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    const auto named = [&](const char* title) {
        const auto found = std::find_if(shots.begin(), shots.end(), [&](const QString& shot) {
            return shot.endsWith(QStringLiteral("-%1.png").arg(QLatin1String(title)));
        });
        return found == shots.end() ? -1 : int(found - shots.begin());
    };
    // Between the filter and the pages it led to: what "..." of "Lista" opened.
    const int filter = named("filtro-de-solicitacao-de-compras");
    const int firstPage = named("lancamento-de-solicitacao-de-compras-filial-solicitante");
    ASSERT_GE(filter, 0) << shots.join(u' ').toStdString();
    EXPECT_EQ(firstPage, filter + 2) << shots.join(u' ').toStdString();
}

} // namespace
} // namespace cmp::ui
