#include "ui/qt/shell/client_application.h"

#include "framework/core/abort.h"
#include "ui/qt/user_action.h"

namespace cmp::ui {

ClientApplication::ClientApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ClientApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const fw::EAbort&) {
        return false; // its message was shown before it was thrown
    } catch (const std::exception& error) {
        showUnexpectedError(error);
        return false;
    }
}

} // namespace cmp::ui
