#include "ui/qt/user_action.h"

#include "framework/core/abort.h"

#include <QString>

namespace cmp::ui {

void showUnexpectedError(const std::exception& error)
{
    fw::MensErro(QString::fromUtf8(error.what()), false);
}

bool runFromWidget(const std::function<void()>& action)
{
    try {
        return fw::RunUserAction(action);
    } catch (const std::exception& error) {
        showUnexpectedError(error);
        return false;
    }
}

} // namespace cmp::ui
