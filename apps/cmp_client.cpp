// cmp-client: the desktop host shell. Without --server it runs the
// application server in this process on a SQLite file in the user's data
// folder, created with the demo data on first start.
#include "framework/ui/ui_port.h"
#include "server/database_options.h"
#include "server/embedded_server.h"
#include "ui/qt/qt_ui_port.h"
#include "ui/qt/shell/client_session.h"
#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace cmp;

const QCommandLineOption serverOption("server", "Application server address (host:port).",
                                      "address");
const QCommandLineOption databaseOption(
    "database", "SQLite file of the embedded server (default: in the user's data folder).", "path");
const QCommandLineOption operatorOption("operator",
                                        "Operator code: signs in without the dialog "
                                        "when password and branch are given too.",
                                        "code");
const QCommandLineOption passwordOption("password", "Password (or environment CMP_PASSWORD).",
                                        "password");
const QCommandLineOption branchOption("branch", "Processing branch.", "code");
const QCommandLineOption openOption("open", "Module to open after sign-in (CMP03100).", "module");
const QCommandLineOption
    screenshotsOption("screenshots",
                      "Saves the sign-in dialog and every window opened to PNG files, then quits.",
                      "folder");

void fail(const QString& text)
{
    std::fprintf(stderr, "cmp-client: %s\n", qPrintable(text));
}

// Everything the shell holds while it runs, torn down in order: the module's
// screens before the port that shows them, the port before the server.
struct Host
{
    QString databasePath;
    std::unique_ptr<server::EmbeddedServer> embedded;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::QtUiPort> port;

    ~Host()
    {
        window.reset(); // finalizes the module
        ui::endSession();
        fw::SetUiPort(nullptr);
        port.reset();
    }

    QString startServer(const ui::ServerAddress& address)
    {
        if (!address.embedded() || embedded)
            return {};
        try {
            embedded = std::make_unique<server::EmbeddedServer>(databasePath);
            return {};
        } catch (const std::exception& error) {
            return QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
                .arg(databasePath, QString::fromUtf8(error.what()));
        }
    }
};

QString slug(const QString& title)
{
    QString text = title.normalized(QString::NormalizationForm_D).toLower();
    text.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    text.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    return text.remove(QRegularExpression(QStringLiteral("^-|-$")));
}

// Saves windows to numbered PNG files as the tour reaches them.
class Camera
{
public:
    explicit Camera(QString folder) : folder_(std::move(folder)) { QDir().mkpath(folder_); }

    void shoot(QWidget& widget, const QString& title)
    {
        QApplication::processEvents();
        const QString file = QDir(folder_).filePath(
            QStringLiteral("%1-%2.png").arg(++count_, 2, 10, QChar(u'0')).arg(slug(title)));
        if (!widget.grab().save(file))
            fail(QStringLiteral("não foi possível gravar %1").arg(file));
        std::printf("%s\n", qPrintable(file));
        std::fflush(stdout);
    }

private:
    QString folder_;
    int count_ = 0;
};

// The signed-in operator and the processing branch chosen.
struct Entry
{
    ui::SignedIn session;
    QString branch;
};

std::optional<Entry> signInDirectly(Host& host, const QCommandLineParser& parser,
                                    const QString& password)
{
    const ui::ServerAddress address = ui::parseServerAddress(parser.value(serverOption));
    ui::SignInAttempt attempt;
    attempt.error = host.startServer(address);
    if (attempt.error.isEmpty())
        attempt = ui::signIn(address, parser.value(operatorOption), password);
    if (!attempt.session) {
        fail(attempt.error);
        return std::nullopt;
    }
    if (!attempt.session->branch(parser.value(branchOption))) {
        fail(QStringLiteral("Filial %1 não liberada para o operador %2.")
                 .arg(parser.value(branchOption), attempt.session->operatorCode));
        return std::nullopt;
    }
    return Entry{*attempt.session, parser.value(branchOption)};
}

// The sign-in dialog, filled in and shot at both steps.
std::optional<Entry> signInOnCamera(Host& host, const QCommandLineParser& parser,
                                    const QString& password, Camera& camera)
{
    ui::SignInDialog dialog([&host](const ui::ServerAddress& a) { return host.startServer(a); });
    dialog.fill(parser.value(serverOption), parser.value(operatorOption));
    dialog.findChild<QLineEdit*>(QStringLiteral("edtSenha"))->setText(password);
    dialog.show();
    camera.shoot(dialog, QStringLiteral("entrar"));
    dialog.submit();
    auto* branches = dialog.findChild<QComboBox*>(QStringLiteral("cbxFilial"));
    branches->setCurrentIndex(branches->findData(parser.value(branchOption)));
    camera.shoot(dialog, QStringLiteral("entrar filial"));
    dialog.submit();
    if (dialog.result() != QDialog::Accepted) {
        fail(dialog.findChild<QLabel*>(QStringLiteral("lblErro"))->text());
        return std::nullopt;
    }
    return Entry{*dialog.session(), dialog.processingBranch()};
}

std::optional<Entry> signInWithDialog(Host& host, const QCommandLineParser& parser)
{
    ui::SignInDialog dialog([&host](const ui::ServerAddress& a) { return host.startServer(a); });
    dialog.fill(parser.value(serverOption), parser.value(operatorOption));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Entry{*dialog.session(), dialog.processingBranch()};
}

// Confirms each modal screen the module opens, once, after shooting it; when
// none is left open, shoots the module's windows and quits.
void tourModule(ui::MainWindow& window, Camera& camera)
{
    auto* poll = new QTimer(&window);
    // Guarded, so that a new dialog at a freed one's address counts as new.
    auto visited = std::make_shared<std::vector<QPointer<QWidget>>>();
    auto idle = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, &camera, poll, visited, idle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            *idle = 0;
            const bool firstVisit =
                std::find(visited->begin(), visited->end(), modal) == visited->end();
            if (firstVisit) {
                visited->emplace_back(modal);
                camera.shoot(*modal, modal->windowTitle());
            }
            const auto confirms = modal->findChildren<QAbstractButton*>(
                QRegularExpression(QStringLiteral("^sbtConfirma")));
            // Queued: what the click opens runs its own event loop, and this
            // timer does not fire again until its handler has returned.
            if (firstVisit && !confirms.isEmpty() && confirms.first()->isEnabled())
                QMetaObject::invokeMethod(confirms.first(), &QAbstractButton::click,
                                          Qt::QueuedConnection);
            else
                QMetaObject::invokeMethod(modal, &QWidget::close, Qt::QueuedConnection);
            return;
        }
        if (++*idle < 3)
            return; // let the screens settle and paint
        poll->stop();
        for (QMdiSubWindow* child : window.childArea()->subWindowList())
            camera.shoot(*child, child->windowTitle());
        camera.shoot(window, QStringLiteral("janela principal com modulo"));
        if (!window.close()) {
            fail(QStringLiteral("uma tela do módulo recusou fechar"));
            QCoreApplication::exit(1);
        }
    });
    QTimer::singleShot(0, &window, [&window, poll] {
        poll->start(500);
        window.openRequisitions();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cmp-client"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Purchase requisitions desktop client."));
    parser.addHelpOption();
    parser.addOptions({serverOption, databaseOption, operatorOption, passwordOption, branchOption,
                       openOption, screenshotsOption});
    parser.process(app);

    const QString password = server::valueOrEnvironment(parser, passwordOption, "CMP_PASSWORD");
    const bool direct =
        parser.isSet(operatorOption) && !password.isEmpty() && parser.isSet(branchOption);
    const QString shots = parser.value(screenshotsOption);
    if (!shots.isEmpty() && !direct) {
        fail(QStringLiteral("--screenshots precisa de --operator, --password e --branch"));
        return 2;
    }
    if (parser.isSet(openOption) && parser.value(openOption) != QLatin1String("CMP03100")) {
        fail(QStringLiteral("Módulo %1 não está disponível nesta instalação.")
                 .arg(parser.value(openOption)));
        return 2;
    }

    Host host;
    host.databasePath =
        parser.isSet(databaseOption)
            ? parser.value(databaseOption)
            : QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                  .filePath(QStringLiteral("cmp.sqlite"));
    host.window = std::make_unique<ui::MainWindow>();
    host.port = std::make_unique<ui::QtUiPort>(host.window->childArea());
    fw::SetUiPort(host.port.get());

    std::optional<Camera> camera;
    if (!shots.isEmpty())
        camera.emplace(shots);
    const std::optional<Entry> entry = camera   ? signInOnCamera(host, parser, password, *camera)
                                       : direct ? signInDirectly(host, parser, password)
                                                : signInWithDialog(host, parser);
    if (!entry)
        return 1;

    ui::startSession(entry->session, entry->branch, *host.port);
    host.window->showSession(entry->session);
    host.window->show();
    if (host.embedded && host.embedded->created()) {
        host.window->statusBar()->showMessage(
            QStringLiteral("Banco de dados criado com os dados de demonstração."));
        std::printf("cmp-client: banco de dados de demonstração criado em %s\n",
                    qPrintable(host.databasePath));
    }
    if (camera) {
        camera->shoot(*host.window, QStringLiteral("janela principal"));
        tourModule(*host.window, *camera);
    } else if (parser.isSet(openOption)) {
        QTimer::singleShot(0, host.window.get(), [&host] { host.window->openRequisitions(); });
    }
    return app.exec();
}
