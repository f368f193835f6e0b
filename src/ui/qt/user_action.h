#pragma once

#include <exception>
#include <functional>

namespace cmp::ui {

// Shows an error no handler expected (a fault of the program, a failed
// allocation) as any error is shown; the screen stays usable.
void showUnexpectedError(const std::exception& error);

// Runs what a user did on a widget as the outermost action: an abort ends it
// quietly (its message was shown), any other error is shown, and nothing
// escapes into Qt's event loop. False when the action did not complete.
bool runFromWidget(const std::function<void()>& action);

} // namespace cmp::ui
