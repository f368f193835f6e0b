#include "framework/net/call_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <atomic>
#include <exception>
#include <memory>

namespace cmp::fw {

namespace {

// One thread for every call of the application, not one per call: the
// embedded server keeps a database connection per thread it serves on, and
// an HTTP transport's network manager belongs to the thread that made it.
class CallThread
{
public:
    CallThread()
    {
        thread_.setObjectName(QStringLiteral("cmp-server-calls"));
        context_.moveToThread(&thread_);
        thread_.start();
    }
    ~CallThread()
    {
        thread_.quit();
        thread_.wait();
    }
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    // Lives on the thread: work invoked on it runs there.
    QObject* context() { return &context_; }

private:
    QThread thread_;
    QObject context_;
};

std::unique_ptr<CallThread>& callThreadSlot()
{
    static std::unique_ptr<CallThread> slot;
    return slot;
}

// Started on first use and stopped with the application, which cannot
// outlive a running QThread.
CallThread& callThread()
{
    std::unique_ptr<CallThread>& slot = callThreadSlot();
    if (!slot) {
        slot = std::make_unique<CallThread>();
        qAddPostRoutine([] { callThreadSlot().reset(); });
    }
    return *slot;
}

bool onApplicationThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && application->thread() == QThread::currentThread();
}

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Drops what the user does while it lives. Events the program sends itself
// are not spontaneous and pass.
class InputRefusal : public QObject
{
public:
    InputRefusal() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputRefusal() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputRefusal(const InputRefusal&) = delete;
    InputRefusal& operator=(const InputRefusal&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!event->spontaneous() || !isUserInput(event->type()))
            return false;
        event->ignore(); // a refused close keeps the window
        return true;
    }
};

struct Completion
{
    std::atomic<bool> finished{false};
    std::exception_ptr failure; // written before finished
};

} // namespace

void runOffGuiThread(const std::function<void()>& work)
{
    if (!onApplicationThread()) {
        work();
        return;
    }
    // Shared: the worker's wake-up may arrive after this call returned.
    const auto completion = std::make_shared<Completion>();
    QMetaObject::invokeMethod(
        callThread().context(),
        [&work, completion] {
            try {
                work();
            } catch (...) {
                completion->failure = std::current_exception();
            }
            completion->finished = true;
            // Any posted event wakes the waiting thread up to see it.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    {
        const InputRefusal refusal;
        // Not a QEventLoop: once the application was told to quit, exec()
        // would return at once and this would spin.
        while (!completion->finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (completion->failure)
        std::rethrow_exception(completion->failure);
}

} // namespace cmp::fw
