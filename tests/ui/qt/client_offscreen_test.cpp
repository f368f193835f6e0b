// The desktop as a person meets it, on real widgets without a display: sign
// in to a fresh embedded database through the dialog, open the module from
// the menu, cancel the filter it opens, and close the main screen.
#include "db/demo_data.h"
#include "framework/forms/form.h"
#include "framework/ui/ui_port.h"
#include "server/embedded_server.h"
#include "support/qt_application.h"
#include "ui/qt/qt_ui_port.h"
#include "ui/qt/shell/client_session.h"
#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace cmp::ui {
namespace {

QToolButton* button(QWidget& window, const char* name)
{
    return window.findChild<QToolButton*>(QString::fromLatin1(name));
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

    MainWindow window;
    QtUiPort port(window.childArea());
    fw::UiPort* previousPort = fw::SetUiPort(&port);
    startSession(*dialog.session(), dialog.processingBranch(), port);
    window.showSession(*dialog.session());
    window.show();

    // The filter opens once the module's connections are up: watch for it.
    QString filterTitle;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* filter = QApplication::activeModalWidget();
        if (!filter || !button(*filter, "sbtCancel"))
            return;
        watch.stop();
        filterTitle = filter->windowTitle();
        button(*filter, "sbtCancel")->click();
    });
    watch.start(20);
    window.requisitionAction()->trigger();

    EXPECT_EQ(filterTitle, "Filtro de Solicitação de Compras");
    const QList<QMdiSubWindow*> children = window.childArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    QMdiSubWindow* mainScreen = children.front();
    EXPECT_EQ(mainScreen->windowTitle(), "Lançamento de Solicitação de Compras");
    ASSERT_TRUE(fw::findLiveForm(QStringLiteral("frmLancaSoliCmp")));

    ASSERT_TRUE(button(*mainScreen, "sbtFechar"));
    button(*mainScreen, "sbtFechar")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();

    EXPECT_EQ(fw::findLiveForm(QStringLiteral("frmLancaSoliCmp")), nullptr);
    EXPECT_TRUE(window.childArea()->subWindowList().isEmpty());
    window.close();
    endSession();
    fw::SetUiPort(previousPort);
}

} // namespace
} // namespace cmp::ui
