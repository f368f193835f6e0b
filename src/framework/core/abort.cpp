#include "framework/core/abort.h"

#include <QDebug>

#include <mutex>

namespace cmp::fw {

namespace {

void warnPresenter(const QString& text)
{
    qWarning().noquote() << text;
}

struct PresenterHolder
{
    std::mutex mutex;
    ErrorPresenter presenter = warnPresenter;
};

PresenterHolder& presenterHolder()
{
    static PresenterHolder instance;
    return instance;
}

ErrorPresenter currentPresenter()
{
    PresenterHolder& holder = presenterHolder();
    const std::lock_guard lock(holder.mutex);
    return holder.presenter;
}

} // namespace

const char* EAbort::what() const noexcept
{
    return "Operação cancelada";
}

void Abort()
{
    throw EAbort();
}

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter)
{
    PresenterHolder& holder = presenterHolder();
    const std::lock_guard lock(holder.mutex);
    return std::exchange(holder.presenter, presenter ? std::move(presenter) : warnPresenter);
}

void MensErro(const QString& text, bool stop)
{
    // Called outside the lock: a presenter may run a modal loop that reports errors itself.
    currentPresenter()(text);
    if (stop)
        Abort();
}

} // namespace cmp::fw
