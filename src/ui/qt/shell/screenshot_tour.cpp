#include "ui/qt/shell/screenshot_tour.h"

#include "ui/qt/shell/main_window.h"
#include "ui/qt/shell/sign_in_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace cmp::ui {

namespace {

// "Lançamento de Solicitação" gives "lancamento-de-solicitacao".
QString slug(const QString& title)
{
    QString text = title.normalized(QString::NormalizationForm_D).toLower();
    text.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    text.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    return text.remove(QRegularExpression(QStringLiteral("^-|-$")));
}

// Shoots the modal window the first time it shows, then confirms it, or
// closes it when it cannot be confirmed or was seen already.
class ModalVisits
{
public:
    explicit ModalVisits(Camera& camera) : camera_(camera) {}

    void visit(QWidget& modal)
    {
        const bool firstVisit = std::find(seen_.begin(), seen_.end(), &modal) == seen_.end();
        if (firstVisit) {
            seen_.emplace_back(&modal);
            camera_.shoot(modal, modal.windowTitle());
        }
        const auto confirms = modal.findChildren<QAbstractButton*>(
            QRegularExpression(QStringLiteral("^sbtConfirma")));
        // Queued: what the click opens runs its own event loop, and the tour's
        // timer does not fire again until its handler has returned.
        if (firstVisit && !confirms.isEmpty() && confirms.first()->isEnabled())
            QMetaObject::invokeMethod(confirms.first(), &QAbstractButton::click,
                                      Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(&modal, &QWidget::close, Qt::QueuedConnection);
    }

private:
    Camera& camera_;
    // Guarded, so that a new dialog at a freed one's address counts as new.
    std::vector<QPointer<QWidget>> seen_;
};

void shootModuleAndClose(MainWindow& window, Camera& camera)
{
    for (QMdiSubWindow* child : window.childArea()->subWindowList())
        camera.shoot(*child, child->windowTitle());
    camera.shoot(window, QStringLiteral("janela principal com modulo"));
    if (!window.close()) {
        printError(QStringLiteral("uma tela do módulo recusou fechar"));
        QCoreApplication::exit(1);
    }
}

} // namespace

Camera::Camera(QString folder) : folder_(std::move(folder))
{
    QDir().mkpath(folder_);
}

QString Camera::shoot(QWidget& widget, const QString& title)
{
    QApplication::processEvents();
    const QString file = QDir(folder_).filePath(
        QStringLiteral("%1-%2.png").arg(++count_, 2, 10, QChar(u'0')).arg(slug(title)));
    if (!widget.grab().save(file)) {
        printError(QStringLiteral("não foi possível gravar %1").arg(file));
        return {};
    }
    std::printf("%s\n", qPrintable(file));
    std::fflush(stdout);
    return file;
}

ClientSignIn signInOnCamera(const ClientOptions& options, ServerLauncher& launcher, Camera& camera)
{
    SignInDialog dialog([&launcher](const ServerAddress& a) { return launcher.start(a); });
    dialog.fill(options.server, options.operatorCode);
    dialog.findChild<QLineEdit*>(QStringLiteral("edtSenha"))->setText(options.password);
    dialog.show();
    camera.shoot(dialog, QStringLiteral("entrar"));
    dialog.submit();
    auto* branches = dialog.findChild<QComboBox*>(QStringLiteral("cbxFilial"));
    branches->setCurrentIndex(branches->findData(options.branch));
    camera.shoot(dialog, QStringLiteral("entrar filial"));
    dialog.submit();
    if (dialog.result() != QDialog::Accepted)
        return {std::nullopt, dialog.findChild<QLabel*>(QStringLiteral("lblErro"))->text()};
    return {ClientEntry{*dialog.session(), dialog.processingBranch()}, {}};
}

void tourModule(MainWindow& window, Camera& camera)
{
    auto* poll = new QTimer(&window);
    auto visits = std::make_shared<ModalVisits>(camera);
    auto idle = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, &camera, poll, visits, idle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            *idle = 0;
            visits->visit(*modal);
            return;
        }
        if (++*idle < 3)
            return; // let the screens settle and paint
        poll->stop();
        shootModuleAndClose(window, camera);
    });
    QTimer::singleShot(0, &window, [&window, poll] {
        poll->start(500);
        window.openRequisitions();
    });
}

} // namespace cmp::ui
