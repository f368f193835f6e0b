// ui/qt/qt_ui_port.cpp
#include "ui/qt/qt_ui_port.h"

#include "framework/core/abort.h"
#include "framework/forms/form.h"
#include "ui/qt/form_view.h"
#include "ui/qt/shell/sign_in_dialog.h"
#include "ui/qt/ui_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QObjectCleanupHandler>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>

namespace cmp::ui {

namespace {

QWidget* dialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QString caption(fw::MsgButton button)
{
    switch (button) {
    case fw::MsgButton::Yes:
        return QStringLiteral("Sim");
    case fw::MsgButton::No:
        return QStringLiteral("Não");
    case fw::MsgButton::Ok:
        return QStringLiteral("OK");
    case fw::MsgButton::Cancel:
        return QStringLiteral("Cancelar");
    case fw::MsgButton::Abort:
        return QStringLiteral("Abortar");
    case fw::MsgButton::Retry:
        return QStringLiteral("Repetir");
    case fw::MsgButton::Ignore:
        return QStringLiteral("Ignorar");
    case fw::MsgButton::All:
        return QStringLiteral("Todos");
    case fw::MsgButton::None:
        break;
    }
    return {};
}

QString title(fw::MsgType type)
{
    switch (type) {
    case fw::MsgType::Information:
        return QStringLiteral("Informação");
    case fw::MsgType::Confirmation:
        return QStringLiteral("Confirmação");
    case fw::MsgType::Warning:
        return QStringLiteral("Aviso");
    case fw::MsgType::Error:
        break;
    }
    return QStringLiteral("Erro");
}

QMessageBox::Icon icon(fw::MsgType type)
{
    switch (type) {
    case fw::MsgType::Information:
        return QMessageBox::Information;
    case fw::MsgType::Confirmation:
        return QMessageBox::Question;
    case fw::MsgType::Warning:
        return QMessageBox::Warning;
    case fw::MsgType::Error:
        break;
    }
    return QMessageBox::Critical;
}

// The small window of the progress animation: while shown it takes every
// input, so nothing is clicked while the screen waits.
class BusyWindow : public QFrame
{
public:
    BusyWindow() : QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    {
        setObjectName(QStringLiteral("frmAguarde"));
        setFrameStyle(QFrame::Box | QFrame::Raised);
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        text_ = new QLabel(this);
        text_->setAlignment(Qt::AlignCenter);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        layout->addWidget(text_);
        layout->addWidget(bar);
    }

    QString text() const { return text_->text(); }

    // An empty text keeps what an outer step said.
    void showText(const QString& text)
    {
        if (!text.isEmpty())
            text_->setText(text);
        else if (text_->text().isEmpty())
            text_->setText(QStringLiteral("Aguarde..."));
        setMinimumWidth(320);
        adjustSize();
        centre();
        show();
        raise();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    void finish()
    {
        hide();
        text_->clear();
    }

private:
    void centre()
    {
        const QWidget* over = QApplication::activeWindow();
        QRect area = over && over != this ? over->frameGeometry() : QRect();
        if (area.isEmpty() && QGuiApplication::primaryScreen())
            area = QGuiApplication::primaryScreen()->availableGeometry();
        move(area.center() - rect().center());
    }

    QLabel* text_ = nullptr;
};

// A prompt while the progress window shows would sit under it: the window
// steps aside until the prompt is answered, unless the progress ended meanwhile.
class ProgressPause
{
public:
    explicit ProgressPause(BusyWindow* busy) : busy_(busy && busy->isVisible() ? busy : nullptr)
    {
        if (busy_)
            busy_->hide();
    }
    ~ProgressPause()
    {
        if (busy_ && !busy_->text().isEmpty())
            busy_->show();
    }
    ProgressPause(const ProgressPause&) = delete;
    ProgressPause& operator=(const ProgressPause&) = delete;

private:
    BusyWindow* busy_;
};

// Shows the text with buttons of these captions, in this order; the index of
// the one pressed, or -1 when the box was closed without a choice.
int runMessageBox(BusyWindow* busy, fw::MsgType type, const QString& text,
                  const QStringList& captions, int defaultIndex = 0)
{
    const ProgressPause pause(busy);
    QMessageBox box(icon(type), title(type), text, QMessageBox::NoButton, dialogParent());
    box.setTextFormat(Qt::PlainText);
    std::vector<QPushButton*> buttons;
    for (const QString& label : captions)
        buttons.push_back(
            box.addButton(label, QMessageBox::ActionRole)); // one role keeps the order
    if (defaultIndex >= 0 && defaultIndex < static_cast<int>(buttons.size()))
        box.setDefaultButton(buttons[size_t(defaultIndex)]);
    // Esc and the window's close button answer nothing: a hidden button
    // takes the escape role, since QMessageBox would otherwise pick one.
    QPushButton* closer = box.addButton(QString(), QMessageBox::RejectRole);
    closer->hide();
    box.setEscapeButton(closer);
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

// A modal form in a dialog: the run ends when the form's modal result is
// set, and the dialog's close button asks the form to close.
class ModalDialog : public QDialog
{
public:
    ModalDialog(fw::Form& form, QWidget* parent) : QDialog(parent), form_(form)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new FormView(form, this);
        layout->addWidget(view);
        setWindowTitle(view->windowTitle());
        connect(view, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    }

    int run()
    {
        const fw::Form::Event previousEnded = form_.modalEnded;
        const fw::Form::Event previousRelease = form_.releaseRequested;
        form_.modalEnded = [this, previousEnded](fw::Form& form) {
            ended_ = true;
            result_ = form.ModalResult();
            done(result_);
            if (previousEnded)
                previousEnded(form);
        };
        form_.releaseRequested = [this, previousRelease](fw::Form& form) {
            released_ = true; // the form goes once the running action ends
            if (previousRelease)
                previousRelease(form);
        };
        try {
            form_.beginModal();
            if (!ended_)
                exec();
        } catch (...) {
            restore(previousEnded, previousRelease);
            throw;
        }
        restore(previousEnded, previousRelease);
        return result_;
    }

    void reject() override
    {
        if (!ended_)
            form_.userClose();
    }

private:
    void restore(const fw::Form::Event& ended, const fw::Form::Event& release)
    {
        if (released_)
            return;
        form_.modalEnded = ended;
        form_.releaseRequested = release;
    }

    fw::Form& form_;
    bool ended_ = false;
    bool released_ = false;
    int result_ = fw::mrNone;
};

// The window of a modeless form: it shows while the form does, closing it
// asks the form, and it goes when the form is released.
class ModelessWindow : public QObject
{
public:
    ModelessWindow(fw::Form& form, QWidget& window, std::function<void()> gone)
        : QObject(&window), form_(form), window_(window), gone_(std::move(gone))
    {
        window.installEventFilter(this);
        if (auto* sub = qobject_cast<QMdiSubWindow*>(&window); sub && sub->mdiArea())
            connect(sub->mdiArea(), &QMdiArea::subWindowActivated, this,
                    [this, sub](QMdiSubWindow* active) { activated(active == sub); });
        observer_ = form.addObserver([this](fw::Form&, fw::FormProperty property) {
            if (property == fw::FormProperty::Visible)
                window_.setVisible(form_.Visible());
            else if (property == fw::FormProperty::WindowState)
                showState();
        });
        const fw::Form::Event previous = form.releaseRequested;
        form.releaseRequested = [self = QPointer<ModelessWindow>(this), previous](fw::Form& f) {
            if (self)
                self->release();
            if (previous)
                previous(f);
        };
    }

    ~ModelessWindow() override
    {
        if (!released_ && fw::IsLiveForm(&form_))
            form_.removeObserver(observer_);
        if (gone_)
            gone_();
    }

    // The port is going first: nobody to tell when the window goes.
    void forget() { gone_ = {}; }

    void show()
    {
        form_.Show();
        window_.setVisible(form_.Visible());
        showState();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(&window_); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        window_.activateWindow();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (window_.isWindow() &&
            (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate))
            activated(event->type() == QEvent::WindowActivate);
        if (event->type() != QEvent::Close || released_ || !form_.Visible())
            return false;
        // Once closed the form may already be gone: only the window is touched.
        if (!form_.userClose()) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    void showState()
    {
        if (!window_.isVisible())
            return;
        switch (form_.WindowState()) {
        case fw::WindowState::Maximized:
            window_.showMaximized();
            break;
        case fw::WindowState::Minimized:
            window_.showMinimized();
            break;
        case fw::WindowState::Normal:
            window_.showNormal();
            break;
        }
    }

    // Coming back from another window activates the form again; showing it
    // was its first activation.
    void activated(bool active)
    {
        if (!active) {
            away_ = true;
            return;
        }
        if (std::exchange(away_, false) && !released_ && form_.Visible())
            fw::RunUserAction([this] { form_.Activate(); });
    }

    void release()
    {
        released_ = true;
        form_.removeObserver(observer_);
        window_.hide();
        window_.deleteLater();
    }

    fw::Form& form_;
    QWidget& window_;
    std::function<void()> gone_;
    int observer_ = -1;
    bool released_ = false;
    bool away_ = false;
};

// Room for a form whose content stretches (grids, page controls), so that
// it opens showing a useful part of its records.
constexpr QSize roomySize(1000, 640);

bool stretchesTall(const QWidget& view)
{
    const auto widgets = view.findChildren<QWidget*>();
    return std::any_of(widgets.begin(), widgets.end(), [](const QWidget* widget) {
        return widget->sizePolicy().verticalPolicy() & QSizePolicy::ExpandFlag;
    });
}

// Where a window of the port may spread: its window area, or the screen.
QSize availableSize(const QMdiArea* childArea)
{
    if (childArea && !childArea->viewport()->size().isEmpty())
        return childArea->viewport()->size();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableSize() : QSize();
}

// At least what the form asks for, roomy when its content stretches, within
// the space available unless the form cannot shrink that far.
QSize initialSize(const QWidget& frame, const QWidget& view, const QSize& available)
{
    QSize size = frame.sizeHint();
    if (stretchesTall(view))
        size = size.expandedTo(roomySize);
    if (available.isValid())
        size = size.boundedTo(available);
    return size.expandedTo(frame.minimumSizeHint());
}

} // namespace

struct QtUiPort::State
{
    QPointer<QMdiArea> childArea;
    std::unique_ptr<BusyWindow> busy;
    QHash<const fw::Form*, ModelessWindow*> modeless;
    bool busyCursor = false;
    // Top-level windows have no parent widget: they go with the port, or
    // earlier when their form is released. Child windows go with their area.
    QObjectCleanupHandler topLevelWindows;
};

QtUiPort::QtUiPort(QMdiArea* childArea) : state_(std::make_unique<State>())
{
    state_->childArea = childArea;
}

QtUiPort::~QtUiPort()
{
    // The port is going first: nobody to tell when a window goes.
    for (ModelessWindow* window : std::as_const(state_->modeless))
        window->forget();
    setBusyCursor(false);
}

void QtUiPort::showError(const QString& text)
{
    runMessageBox(state_->busy.get(), fw::MsgType::Error, text, {caption(fw::MsgButton::Ok)});
}

void QtUiPort::showInfo(const QString& text)
{
    runMessageBox(state_->busy.get(), fw::MsgType::Information, text, {caption(fw::MsgButton::Ok)});
}

fw::MsgButton QtUiPort::ask(const fw::Question& question)
{
    QStringList captions;
    for (fw::MsgButton button : question.buttons)
        captions << caption(button);
    const auto preferred =
        std::find(question.buttons.begin(), question.buttons.end(), question.defaultButton);
    const int defaultIndex = preferred == question.buttons.end()
                                 ? 0
                                 : static_cast<int>(preferred - question.buttons.begin());
    const int chosen =
        runMessageBox(state_->busy.get(), question.type, question.text, captions, defaultIndex);
    return chosen < 0 ? fw::MsgButton::None : question.buttons.at(size_t(chosen));
}

int QtUiPort::askCustom(const fw::CustomQuestion& question)
{
    const int chosen =
        runMessageBox(state_->busy.get(), question.type, question.text, question.captions);
    return chosen < 0 ? 0 : fw::firstCustomAnswer + chosen;
}

bool QtUiPort::lookup(const fw::LookupRequest& request)
{
    return execLookupDialog(request, dialogParent());
}

fw::ListChoice QtUiPort::chooseList(const fw::ListRequest& request)
{
    return execListDialog(request, dialogParent());
}

std::optional<fw::SearchInput> QtUiPort::askSearch(const fw::SearchRequest& request)
{
    return execSearchDialog(request, dialogParent());
}

std::optional<QString> QtUiPort::askPassword(const fw::PasswordPrompt& prompt)
{
    const ProgressPause pause(state_->busy.get());
    if (prompt.purpose == fw::PasswordPurpose::SignInAgain)
        return SignInDialog::askPasswordAgain(prompt, dialogParent());
    return execPasswordDialog(prompt, dialogParent());
}

int QtUiPort::showModal(fw::Form& form)
{
    ModalDialog dialog(form, dialogParent());
    return dialog.run();
}

void QtUiPort::showModeless(fw::Form& form)
{
    ModelessWindow* window = state_->modeless.value(&form);
    if (!window) {
        auto* view = new FormView(form);
        QWidget* frame = view;
        if (state_->childArea) {
            frame = state_->childArea->addSubWindow(view);
            frame->setAttribute(Qt::WA_DeleteOnClose, false); // a hidden form may show again
        } else {
            state_->topLevelWindows.add(frame);
        }
        frame->resize(initialSize(*frame, *view, availableSize(state_->childArea)));
        window = new ModelessWindow(
            form, *frame, [state = state_.get(), &form] { state->modeless.remove(&form); });
        state_->modeless.insert(&form, window);
    }
    window->show();
}

void QtUiPort::setBusyCursor(bool busy)
{
    if (std::exchange(state_->busyCursor, busy) == busy)
        return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUiPort::showProgress(const QString& text)
{
    if (!state_->busy)
        state_->busy = std::make_unique<BusyWindow>();
    state_->busy->showText(text);
}

void QtUiPort::hideProgress()
{
    if (state_->busy)
        state_->busy->finish();
}

} // namespace cmp::ui
