#pragma once

#include "ui/qt/shell/client_app.h"

#include <QString>

class QWidget;

namespace cmp::ui {

class MainWindow;

// Saves windows to numbered PNG files named after their titles, in the order
// the tour reaches them, and prints each file's path.
class Camera
{
public:
    explicit Camera(QString folder);

    // The file written; empty when it could not be (and the terminal is told).
    QString shoot(QWidget& widget, const QString& title);

private:
    QString folder_;
    int count_ = 0;
};

// The sign-in dialog, filled in from the options and shot at both steps.
ClientSignIn signInOnCamera(const ClientOptions& options, ServerLauncher& launcher, Camera& camera);

// Enters the module, confirms each modal screen it opens once after shooting
// it (and what its detours open, such as the filter's list of requesting
// branches) and, when none is left open, shoots the module's windows: a
// window with pages once per page the user can choose, picked by a click on
// its tab. Then shoots the main window and closes it.
void tourModule(MainWindow& window, Camera& camera);

} // namespace cmp::ui
