// An exception that reaches the client's event loop is shown, and the
// client goes on.
#include "ui/qt/shell/client_application.h"

#include "framework/core/abort.h"
#include "framework/ui/scripted_ui_port.h"

#include <QTimer>

#include <stdexcept>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

TEST(ClientApplication, shouldShowAnErrorThatReachesTheEventLoopAndGoOn)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "client_application_test";
    char* argv[] = {name, nullptr};
    ClientApplication app(argc, argv);
    fw::ScriptedUiPort ui;
    fw::UiPort* previous = fw::SetUiPort(&ui);

    bool wentOn = false;
    QTimer::singleShot(0, &app, [] { throw std::logic_error("falha num temporizador"); });
    QTimer::singleShot(0, &app, [] { fw::Abort(); }); // its message was shown: nothing to add
    QTimer::singleShot(0, &app, [&] {
        wentOn = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();

    EXPECT_TRUE(wentOn);
    EXPECT_EQ(ui.texts(fw::UiEventKind::Error),
              QStringList{QStringLiteral("falha num temporizador")});
    fw::SetUiPort(previous);
}

} // namespace
} // namespace cmp::ui
