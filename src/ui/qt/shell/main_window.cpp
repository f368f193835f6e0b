#include "ui/qt/shell/main_window.h"

#include "framework/core/formats.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"
#include "ui/qt/shell/client_session.h"
#include "ui/qt/user_action.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>
#include <memory>

namespace cmp::ui {

MainWindow::MainWindow(const QString& modulePath, QWidget* parent)
    : QMainWindow(parent), childArea_(new QMdiArea(this)), operator_(statusLabel("lblOperador")),
      branch_(statusLabel("lblFilial")), date_(statusLabel("lblDataProc")), module_(modulePath)
{
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Compras - Solicitação de Compras"));
    childArea_->setObjectName(QStringLiteral("mdiTelas"));
    childArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    childArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(childArea_);

    QMenu* modules = menuBar()->addMenu(QStringLiteral("&Módulos"));
    requisitionAction_ = modules->addAction(QStringLiteral("&Lançamento de Solicitação de Compras"),
                                            this, &MainWindow::openRequisitions);
    requisitionAction_->setObjectName(QStringLiteral("mnuCMP03100"));
    modules->addSeparator();
    QAction* quit = modules->addAction(QStringLiteral("&Sair"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("mnuSair"));
    quit->setShortcut(QKeySequence::Quit);
    resize(1280, 800);
}

MainWindow::~MainWindow()
{
    // The module's windows go before the module is finalized and frees the
    // screens they show; as children they would outlive it.
    const std::unique_ptr<QWidget> screens(takeCentralWidget());
}

QLabel* MainWindow::statusLabel(const char* name)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    statusBar()->addPermanentWidget(label);
    return label;
}

void MainWindow::showSession(const SignedIn& session)
{
    operator_->setText(QStringLiteral("Operador: %1 - %2").arg(fw::Operador(), fw::NomeOperador()));
    const OperatorBranch* branch = session.branch(fw::FiliProc());
    branch_->setText(
        QStringLiteral("Filial: %1 - %2").arg(fw::FiliProc(), branch ? branch->name : QString()));
    date_->setText(QStringLiteral("Data de processamento: %1")
                       .arg(fw::FormatDate(fw::DataProc(fw::FiliProc()))));
}

void MainWindow::openRequisitions()
{
    runFromWidget([this] {
        if (!module_.IniProc())
            fw::uiPort().showError(module_.errorString());
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A screen may refuse to close (a server call running, a justification
    // missing); then the host stays open too.
    childArea_->closeAllSubWindows();
    const QList<QMdiSubWindow*> windows = childArea_->subWindowList();
    const bool refused = std::any_of(windows.begin(), windows.end(),
                                     [](const QMdiSubWindow* w) { return w->isVisible(); });
    event->setAccepted(!refused);
}

} // namespace cmp::ui
