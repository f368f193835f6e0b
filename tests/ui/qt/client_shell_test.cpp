#include "ui/qt/shell/client_app.h"
#include "ui/qt/shell/client_session.h"
#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include "db/demo_data.h"
#include "framework/sql/host_database.h"
#include "framework/ui/scripted_ui_port.h"
#include "server/embedded_server.h"
#include "support/qt_application.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

// The shell against the embedded server on a demo database of its own,
// created once: the demo takes a while to build.
class ClientShell : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        embedded = new server::EmbeddedServer(folder->filePath(QStringLiteral("cmp.sqlite")));
    }

    static void TearDownTestSuite()
    {
        delete embedded;
        delete folder;
    }

    void SetUp() override { previousPort = fw::SetUiPort(&ui); }

    void TearDown() override { fw::SetUiPort(previousPort); }

    static void type(SignInDialog& dialog, const QString& operatorCode, const QString& password)
    {
        field(dialog, "edtOperador")->setText(operatorCode);
        field(dialog, "edtSenha")->setText(password);
    }

    static QLineEdit* field(SignInDialog& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    static QStringList offeredBranches(SignInDialog& dialog)
    {
        auto* branches = dialog.findChild<QComboBox*>(QStringLiteral("cbxFilial"));
        QStringList codes;
        for (int i = 0; i < branches->count(); ++i)
            codes << branches->itemData(i).toString();
        return codes;
    }

    static QString shownError(SignInDialog& dialog)
    {
        const auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblErro"));
        return label->isVisibleTo(&dialog) ? label->text() : QString();
    }

    static QString embeddedOnly(const ServerAddress&) { return {}; }

    static inline QTemporaryDir* folder = nullptr;
    static inline server::EmbeddedServer* embedded = nullptr;
    fw::ScriptedUiPort ui;

private:
    fw::UiPort* previousPort = nullptr;
};

TEST_F(ClientShell, shouldPadTheOperatorCodeAndKeepTheDialogOpenOnAWrongPassword)
{
    const QString refusal =
        embedded->server().signIn(QStringLiteral("000000000001"), QStringLiteral("errada")).error;
    ASSERT_FALSE(refusal.isEmpty());

    SignInDialog dialog(embeddedOnly);
    type(dialog, QStringLiteral(" 1"), QStringLiteral("errada"));
    dialog.submit();

    EXPECT_EQ(field(dialog, "edtOperador")->text(), QStringLiteral("000000000001"));
    EXPECT_EQ(shownError(dialog).toStdString(), refusal.toStdString()) << "the server's own text";
    EXPECT_FALSE(dialog.session());
    EXPECT_TRUE(offeredBranches(dialog).isEmpty());
}

TEST_F(ClientShell, shouldOfferTheOperatorsBranchesAndSignInOnTheChosenOne)
{
    SignInDialog dialog(embeddedOnly);
    type(dialog, QStringLiteral("2"), db::demoPassword);
    dialog.submit();
    ASSERT_EQ(shownError(dialog).toStdString(), "");
    ASSERT_TRUE(dialog.session());

    // Operator 2 is kept out of the Rio center's branches.
    EXPECT_FALSE(offeredBranches(dialog).contains(QStringLiteral("0008")));

    auto* branches = dialog.findChild<QComboBox*>(QStringLiteral("cbxFilial"));
    branches->setCurrentIndex(branches->findData(QStringLiteral("0005")));
    dialog.submit();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.processingBranch(), QStringLiteral("0005"));
    EXPECT_EQ(dialog.session()->operatorName, QStringLiteral("Carlos Eduardo Souza"));
}

TEST_F(ClientShell, shouldShowWhyTheServerCouldNotStart)
{
    SignInDialog dialog([](const ServerAddress&) { return QStringLiteral("Disco cheio."); });
    type(dialog, QStringLiteral("1"), db::demoPassword);
    dialog.submit();
    EXPECT_EQ(shownError(dialog), QStringLiteral("Disco cheio."));
    EXPECT_FALSE(dialog.session());
}

TEST_F(ClientShell, shouldGiveTheScreensTheOperatorBranchDatesAndServerAddress)
{
    const QDate today = QDate::currentDate();
    SignedIn session{QStringLiteral("000000000001"),
                     QStringLiteral("Ana"),
                     parseServerAddress(QStringLiteral(" compras.local:8443 ")),
                     {{QStringLiteral("0004"), QStringLiteral("Sumaré"), QDate(2026, 12, 7)},
                      {QStringLiteral("0005"), QStringLiteral("Santa Clara"), QDate()}}};

    fw::HostContext context = hostContextFor(session, QStringLiteral("0004"));
    EXPECT_FALSE(context.branchBound) << "two branches to choose from";
    EXPECT_EQ(context.processingDate(QStringLiteral("0004")), QDate(2026, 12, 7));
    EXPECT_EQ(context.processingDate(QStringLiteral("0005")), today) << "no date of its own";
    EXPECT_EQ(context.processingDate(QStringLiteral("0099")), today) << "not the operator's";
    EXPECT_EQ(context.webURL, QStringLiteral("compras.local"));
    EXPECT_EQ(context.webPort, 8443);
    // The other modules of the suite are not installed: opening one is refused.
    EXPECT_FALSE(context.modules.contains(QStringLiteral("CMP06400")));

    session.branches.pop_back();
    session.server = parseServerAddress(QString());
    context = hostContextFor(session, QStringLiteral("0004"));
    EXPECT_TRUE(context.branchBound) << "one branch only";
    EXPECT_TRUE(context.webURL.isEmpty()) << "the embedded server";
}

TEST_F(ClientShell, shouldTellTheUserWhenTheModuleLibraryIsMissing)
{
    MainWindow window(folder->filePath(QStringLiteral("libPkg_ausente.so")));
    window.requisitionAction()->trigger();

    const QStringList errors = ui.texts(fw::UiEventKind::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("Pkg_cmp03100"))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("libPkg_ausente.so")));
}

TEST_F(ClientShell, shouldShowAnUnexpectedErrorOfTheModuleAndKeepTheWindow)
{
    // A wiring fault: the screens' queries have nowhere to go.
    fw::HostDatabase* installed = fw::SetHostDatabase(nullptr);
    {
        MainWindow window;
        window.show();
        window.requisitionAction()->trigger();
        EXPECT_EQ(ui.texts(fw::UiEventKind::Error),
                  QStringList{QStringLiteral("no host database installed")});
        EXPECT_TRUE(window.isVisible());
    }
    fw::SetHostDatabase(installed);
}

TEST(ClientOptions, shouldReadTheCommandLineAndSignInDirectlyOnlyWithOperatorPasswordAndBranch)
{
    const auto parse = [](QStringList arguments) {
        arguments.prepend(QStringLiteral("cmp-client"));
        return parseClientOptions(arguments);
    };
    qunsetenv("CMP_PASSWORD");
    ClientOptions options = parse({"--server", "compras.local:8443", "--database", "/tmp/c.sqlite",
                                   "--operator", "1", "--password", "demo", "--branch", "0004",
                                   "--open", "CMP03100", "--screenshots", "/tmp/fotos"});
    EXPECT_TRUE(options.direct);
    EXPECT_EQ(unusableOptions(options), QString());

    options = parse({"--operator", "1", "--branch", "0004"});
    EXPECT_FALSE(options.direct) << "no password";
    EXPECT_FALSE(options.openModule);
    EXPECT_EQ(options.databasePath,
              QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                  .filePath(QStringLiteral("cmp.sqlite")));

    qputenv("CMP_PASSWORD", "segredo");
    options = parse({"--operator", "1", "--branch", "0004"});
    qunsetenv("CMP_PASSWORD");
    EXPECT_EQ(options.password, QStringLiteral("segredo"));
    EXPECT_TRUE(options.direct) << "the password from the environment";

    EXPECT_EQ(unusableOptions(parse({"--screenshots", "/tmp/fotos", "--operator", "1"})),
              QStringLiteral("--screenshots precisa de --operator, --password e --branch"));
    EXPECT_EQ(unusableOptions(parse({"--open", "CMP06400"})),
              QStringLiteral("Módulo CMP06400 não está disponível nesta instalação."));
}

TEST(ClientServerLauncher, shouldStartTheEmbeddedServerOnceAndOnlyForTheEmbeddedAddress)
{
    QStringList started;
    ServerLauncher launcher(QStringLiteral("/dados/cmp.sqlite"), [&](const QString& path) {
        started << path;
        return true;
    });
    EXPECT_EQ(launcher.start(parseServerAddress(QStringLiteral("compras.local:8443"))), QString());
    EXPECT_TRUE(started.isEmpty()) << "a remote server is not ours to start";
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(launcher.start({}), QString());
    EXPECT_EQ(started, QStringList{QStringLiteral("/dados/cmp.sqlite")});
    EXPECT_TRUE(launcher.createdDatabase());

    ServerLauncher failing(QStringLiteral("/dados/cmp.sqlite"), [&](const QString&) -> bool {
        throw std::runtime_error("disco cheio");
    });
    EXPECT_EQ(
        failing.start({}),
        QStringLiteral("Não foi possível abrir o banco de dados /dados/cmp.sqlite: disco cheio"));
    EXPECT_FALSE(failing.createdDatabase());
}

TEST_F(ClientShell, shouldSignInDirectlyOnlyOnABranchOfTheOperator)
{
    // The suite's server is running already: nothing left to start.
    ServerLauncher launcher(QString(), [](const QString&) { return false; });
    ClientOptions options;
    options.operatorCode = QStringLiteral("2");
    options.password = db::demoPassword;
    options.branch = QStringLiteral("0005");

    ClientSignIn signedIn = signInDirectly(options, launcher);
    ASSERT_TRUE(signedIn.entry) << signedIn.error.toStdString();
    EXPECT_EQ(signedIn.entry->session.operatorCode, QStringLiteral("000000000002"));

    options.branch = QStringLiteral("0008");
    signedIn = signInDirectly(options, launcher);
    EXPECT_FALSE(signedIn.entry);
    EXPECT_EQ(signedIn.error,
              QStringLiteral("Filial 0008 não liberada para o operador 000000000002."));

    options.password = QStringLiteral("errada");
    EXPECT_FALSE(signInDirectly(options, launcher).error.isEmpty()) << "the server's refusal";
}

} // namespace
} // namespace cmp::ui
