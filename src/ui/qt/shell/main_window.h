#pragma once

#include "ui/qt/shell/module_loader.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QMdiArea;

namespace cmp::ui {

struct SignedIn;

// The host's main window: the module screens open as its child windows, the
// "Módulos" menu enters the module, the status bar names the operator, the
// processing branch and its processing date.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The module library; empty: found by defaultModulePath().
    explicit MainWindow(const QString& modulePath = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    QMdiArea* childArea() const { return childArea_; }
    QAction* requisitionAction() const { return requisitionAction_; }

    // Reads the host values the session installed.
    void showSession(const SignedIn& session);
    // The module entry behind the menu; a missing library is told to the user.
    void openRequisitions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* statusLabel(const char* name);

    QMdiArea* childArea_;
    QAction* requisitionAction_;
    QLabel* operator_;
    QLabel* branch_;
    QLabel* date_;
    ModuleLoader module_;
};

} // namespace cmp::ui
