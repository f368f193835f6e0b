#pragma once

#include <QApplication>

namespace cmp::ui {

// The desktop client's application: an exception that escapes an event
// handler is shown to the user and the window stays, instead of Qt ending
// the process. The widgets catch what the user's actions raise themselves;
// this catches what reaches the event loop some other way (a timer, a
// queued call).
class ClientApplication : public QApplication
{
    Q_OBJECT

public:
    ClientApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace cmp::ui
