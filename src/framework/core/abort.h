#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>
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
// handler: an abort ends the action and leaves the screen usable. A failure
// nothing expected (a record set refusing an operation, memory running out)
// is shown with its text and ends the action the same way. Returns true when
// the action completed. A mistake in the program's logic (std::logic_error)
// is not the user's to see here: it goes on to the host, which reports it.
template <class F> bool RunUserAction(F&& action)
{
    try {
        std::forward<F>(action)();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::logic_error&) {
        throw;
    } catch (const std::exception& failure) {
        MensErro(QString::fromUtf8(failure.what()), false);
        return false;
    }
}

} // namespace cmp::fw
