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
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <optional>
#include <utility>
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

// Views a user opens from inside a modal screen before confirming it, shot
// on the way: the screen's buttons clicked in turn, one per visit, so that
// what a click opens is visited itself.
struct Detour
{
    const char* form;
    std::vector<const char*> buttons;
};

const Detour detours[] = {
    // The list of requesting branches, back to "Todas" afterwards so that the
    // filter confirms as it opened.
    {"frmFiltroSolicita", {"rbtFilialLista", "btpFilial", "rbtFilialTodas"}},
};

// The buttons the tour clicks on a modal window: its detour's, then its
// confirmation; none when it cannot be confirmed.
std::deque<QPointer<QAbstractButton>> plannedClicks(QWidget& modal)
{
    std::deque<QPointer<QAbstractButton>> clicks;
    for (const Detour& detour : detours) {
        if (!modal.findChild<QWidget*>(QString::fromLatin1(detour.form)))
            continue;
        for (const char* name : detour.buttons)
            clicks.emplace_back(modal.findChild<QAbstractButton*>(QString::fromLatin1(name)));
    }
    const auto confirms =
        modal.findChildren<QAbstractButton*>(QRegularExpression(QStringLiteral("^sbtConfirma")));
    if (!confirms.isEmpty())
        clicks.emplace_back(confirms.first());
    return clicks;
}

// Shoots a modal window the first time it shows, then at each visit clicks
// the next of its planned buttons, and closes it when none is left or the
// next cannot be clicked.
class ModalVisits
{
public:
    explicit ModalVisits(Camera& camera) : camera_(camera) {}

    void visit(QWidget& modal)
    {
        auto visited = std::find_if(visits_.begin(), visits_.end(),
                                    [&](const Visit& v) { return v.modal == &modal; });
        if (visited == visits_.end()) {
            camera_.shoot(modal, modal.windowTitle());
            visited = visits_.insert(visits_.end(), {&modal, plannedClicks(modal)});
        }
        std::deque<QPointer<QAbstractButton>>& clicks = visited->clicks;
        const QPointer<QAbstractButton> next = clicks.empty() ? nullptr : clicks.front();
        if (!clicks.empty())
            clicks.pop_front();
        // Queued: what the click opens runs its own event loop, and the tour's
        // timer does not fire again until its handler has returned.
        if (next && next->isEnabled())
            QMetaObject::invokeMethod(next, &QAbstractButton::click, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(&modal, &QWidget::close, Qt::QueuedConnection);
    }

private:
    struct Visit
    {
        // Guarded, so that a new dialog at a freed one's address counts as new.
        QPointer<QWidget> modal;
        std::deque<QPointer<QAbstractButton>> clicks;
    };

    Camera& camera_;
    std::vector<Visit> visits_;
};

// The window that shows while a server call runs: the call's end, not the
// tour, closes it.
bool isBusyWindow(const QWidget& modal)
{
    return modal.objectName() == QLatin1String("frmAguarde");
}

// One picture the tour takes of a module window: the window as it is, or
// one page of its main page control.
struct WindowShot
{
    QPointer<QWidget> window;
    QPointer<QTabWidget> pages;
    QPointer<QWidget> page;
};

// Each window's main page control: findChild looks through one level before
// the levels under it, so the first one it finds lies inside no other.
std::deque<WindowShot> plannedShots(const QMdiArea& area)
{
    std::deque<WindowShot> shots;
    for (QMdiSubWindow* child : area.subWindowList()) {
        auto* pages = child->findChild<QTabWidget*>();
        if (!pages) {
            shots.push_back({child, nullptr, nullptr});
            continue;
        }
        for (int index = 0; index < pages->count(); ++index)
            shots.push_back({child, pages, pages->widget(index)});
    }
    return shots;
}

// Whether the user could pick the page now: an earlier page may have hidden
// or disabled it.
bool choosable(const WindowShot& shot)
{
    const int index = shot.pages->indexOf(shot.page);
    return index >= 0 && shot.pages->isTabVisible(index) && shot.pages->isTabEnabled(index);
}

// A click on the page's tab, so that the form decides as for the user.
void clickTab(QTabWidget& pages, QWidget& page)
{
    QTabBar& bar = *pages.tabBar();
    const QPointF at = bar.tabRect(pages.indexOf(&page)).center();
    const QPointF global = bar.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&bar, &release);
}

// Enters the module and, while a modal screen is open, visits it. Each time
// the screens have settled with none open, takes the picture chosen before
// and chooses the next page, until every page of every module window is
// shot; then shoots the main window and closes it.
class ModuleTour : public QObject
{
public:
    ModuleTour(MainWindow& window, Camera& camera)
        : QObject(&window), window_(window), camera_(camera), visits_(camera)
    {
        connect(&poll_, &QTimer::timeout, this, &ModuleTour::poll);
    }

    void start()
    {
        poll_.start(500);
        window_.openRequisitions();
    }

private:
    void poll()
    {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            idle_ = 0;
            if (!isBusyWindow(*modal))
                visits_.visit(*modal);
            return;
        }
        if (++idle_ < 3)
            return; // let the screens settle and paint
        idle_ = 0;
        settled();
    }

    void settled()
    {
        if (!shots_)
            shots_ = plannedShots(*window_.childArea());
        if (chosen_)
            shootChosen(*std::exchange(chosen_, std::nullopt));
        while (!shots_->empty()) {
            const WindowShot next = shots_->front();
            shots_->pop_front();
            if (!next.window)
                continue;
            if (!next.pages) {
                camera_.shoot(*next.window, next.window->windowTitle());
            } else if (next.page && choosable(next)) {
                choose(next);
                return;
            }
        }
        finish();
    }

    // Queued: what the page change opens runs its own event loop, and the
    // poll does not run again until its handler has returned.
    void choose(const WindowShot& shot)
    {
        chosen_ = shot;
        QMetaObject::invokeMethod(
            shot.pages,
            [shot] {
                if (shot.page)
                    clickTab(*shot.pages, *shot.page);
            },
            Qt::QueuedConnection);
    }

    void shootChosen(const WindowShot& shot)
    {
        if (!shot.window || !shot.pages || !shot.page)
            return;
        const QString page = shot.pages->tabText(shot.pages->indexOf(shot.page)).remove(u'&');
        if (shot.pages->currentWidget() != shot.page) {
            printError(QStringLiteral("a página %1 recusou ser escolhida").arg(page));
            return;
        }
        camera_.shoot(*shot.window, shot.window->windowTitle() + QStringLiteral(" - ") + page);
    }

    void finish()
    {
        poll_.stop();
        camera_.shoot(window_, QStringLiteral("janela principal com modulo"));
        if (!window_.close()) {
            printError(QStringLiteral("uma tela do módulo recusou fechar"));
            QCoreApplication::exit(1);
        }
    }

    MainWindow& window_;
    Camera& camera_;
    ModalVisits visits_;
    QTimer poll_;
    int idle_ = 0;
    std::optional<std::deque<WindowShot>> shots_;
    std::optional<WindowShot> chosen_;
};

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
    auto* tour = new ModuleTour(window, camera);
    QTimer::singleShot(0, tour, [tour] { tour->start(); });
}

} // namespace cmp::ui
