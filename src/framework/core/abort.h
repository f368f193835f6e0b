#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace cmp::fw {

// The silent abort: ends the running user operation without a message of its
// own. Whatever had to be said was shown before it was thrown.
class EAbort : public std::exception
{
public:
    const char* what() const noexcept override;
};

[[noreturn]] void Abort();

// Shows an error text to the user.
using ErrorPresenter = std::function<void(const QString&)>;

// Installs the process-wide error presenter and returns the previous one.
// An empty presenter restores the default, which writes the text with qWarning.
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);

// Shows the text as an error. With stop true the running operation ends:
// EAbort is thrown after the text was shown, so the call never returns.
void MensErro(const QString& text, bool stop);

// Runs a user action (a click, a key, leaving a field) as the outermost
// handler: an abort ends the action and leaves the screen usable. Returns true
// when the action completed, false when it was aborted. Other exceptions are
// not an abort and pass through.
template <class F> bool RunUserAction(F&& action)
{
    try {
        std::forward<F>(action)();
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

} // namespace cmp::fw
