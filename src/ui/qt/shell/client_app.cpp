#include "ui/qt/shell/client_app.h"

#include "framework/sql/host_database.h"
#include "framework/ui/ui_port.h"
#include "ui/qt/qt_ui_port.h"
#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/screenshot_tour.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace cmp::ui {

namespace {

const auto requisitionModule = QStringLiteral("CMP03100");

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

QString defaultDatabasePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("cmp.sqlite"));
}

ClientSignIn signInWithDialog(const ClientOptions& options, ServerLauncher& launcher)
{
    SignInDialog dialog([&launcher](const ServerAddress& a) { return launcher.start(a); });
    dialog.fill(options.server, options.operatorCode);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return {ClientEntry{*dialog.session(), dialog.processingBranch()}, {}};
}

void announceNewDatabase(MainWindow& window, const ServerLauncher& launcher)
{
    if (!launcher.createdDatabase())
        return;
    window.statusBar()->showMessage(
        QStringLiteral("Banco de dados criado com os dados de demonstração."));
    std::printf("cmp-client: banco de dados de demonstração criado em %s\n",
                qPrintable(launcher.databasePath()));
}

} // namespace

ClientOptions parseClientOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Purchase requisitions desktop client."));
    parser.addHelpOption();
    parser.addOptions({serverOption, databaseOption, operatorOption, passwordOption, branchOption,
                       openOption, screenshotsOption});
    parser.process(arguments);

    ClientOptions options;
    options.server = parser.value(serverOption);
    options.databasePath =
        parser.isSet(databaseOption) ? parser.value(databaseOption) : defaultDatabasePath();
    options.operatorCode = parser.value(operatorOption);
    // From the environment, secrets need not appear in the process list.
    options.password = parser.isSet(passwordOption) ? parser.value(passwordOption)
                                                    : qEnvironmentVariable("CMP_PASSWORD");
    options.branch = parser.value(branchOption);
    if (parser.isSet(openOption))
        options.openModule = parser.value(openOption);
    options.screenshotFolder = parser.value(screenshotsOption);
    options.direct =
        parser.isSet(operatorOption) && !options.password.isEmpty() && parser.isSet(branchOption);
    return options;
}

QString unusableOptions(const ClientOptions& options)
{
    if (!options.screenshotFolder.isEmpty() && !options.direct)
        return QStringLiteral("--screenshots precisa de --operator, --password e --branch");
    if (options.openModule && *options.openModule != requisitionModule)
        return QStringLiteral("Módulo %1 não está disponível nesta instalação.")
            .arg(*options.openModule);
    return {};
}

ServerLauncher::ServerLauncher(QString databasePath, EmbeddedServerStarter startEmbedded)
    : databasePath_(std::move(databasePath)), startEmbedded_(std::move(startEmbedded))
{}

QString ServerLauncher::start(const ServerAddress& address)
{
    if (!address.embedded() || started_)
        return {};
    try {
        created_ = startEmbedded_(databasePath_);
        started_ = true;
        return {};
    } catch (const std::exception& error) {
        return QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
            .arg(databasePath_, QString::fromUtf8(error.what()));
    }
}

ClientHost::ClientHost()
    : window_(std::make_unique<MainWindow>()),
      port_(std::make_unique<QtUiPort>(window_->childArea()))
{
    fw::SetUiPort(port_.get());
}

ClientHost::~ClientHost()
{
    window_.reset(); // finalizes the module
    endSession();
    if (remoteDatabase_) {
        fw::HostDatabase* installed = fw::SetHostDatabase(nullptr);
        if (installed != remoteDatabase_.get())
            fw::SetHostDatabase(installed); // someone else's since; leave it
    }
    fw::SetUiPort(nullptr);
    port_.reset();
}

void ClientHost::enter(const ClientEntry& entry)
{
    const ServerAddress& server = entry.session.server;
    // The embedded server installs its own connection to the database file.
    if (!server.embedded()) {
        remoteDatabase_ = fw::HostDatabase::Remote(server.host, server.port);
        fw::SetHostDatabase(remoteDatabase_.get());
    }
    startSession(entry.session, entry.branch, *port_);
    window_->showSession(entry.session);
    window_->show();
}

ClientSignIn signInDirectly(const ClientOptions& options, ServerLauncher& launcher)
{
    const ServerAddress address = parseServerAddress(options.server);
    SignInAttempt attempt;
    attempt.error = launcher.start(address);
    if (attempt.error.isEmpty())
        attempt = signIn(address, options.operatorCode, options.password);
    if (!attempt.session)
        return {std::nullopt, attempt.error};
    if (!attempt.session->branch(options.branch))
        return {std::nullopt, QStringLiteral("Filial %1 não liberada para o operador %2.")
                                  .arg(options.branch, attempt.session->operatorCode)};
    return {ClientEntry{*attempt.session, options.branch}, {}};
}

void printError(const QString& text)
{
    std::fprintf(stderr, "cmp-client: %s\n", qPrintable(text));
}

int runClient(const EmbeddedServerStarter& startEmbedded)
{
    QApplication::setApplicationName(QStringLiteral("cmp-client"));
    const ClientOptions options = parseClientOptions(QCoreApplication::arguments());
    if (const QString refusal = unusableOptions(options); !refusal.isEmpty()) {
        printError(refusal);
        return 2;
    }

    ServerLauncher launcher(options.databasePath, startEmbedded);
    ClientHost host;
    std::optional<Camera> camera;
    if (!options.screenshotFolder.isEmpty())
        camera.emplace(options.screenshotFolder);
    const ClientSignIn signedIn = camera           ? signInOnCamera(options, launcher, *camera)
                                  : options.direct ? signInDirectly(options, launcher)
                                                   : signInWithDialog(options, launcher);
    if (!signedIn.entry) {
        if (!signedIn.error.isEmpty())
            printError(signedIn.error);
        return 1;
    }

    host.enter(*signedIn.entry);
    announceNewDatabase(host.window(), launcher);
    if (camera) {
        camera->shoot(host.window(), QStringLiteral("janela principal"));
        tourModule(host.window(), *camera);
    } else if (options.openModule) {
        QTimer::singleShot(0, &host.window(), [&host] { host.window().openRequisitions(); });
    }
    return QApplication::exec();
}

} // namespace cmp::ui
