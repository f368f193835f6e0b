#pragma once

#include "framework/forms/control.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace cmp::fw {

class Menu;

// How a modal form ended; buttons carry one to end their dialog.
enum ModalResultCode : int
{
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8
};

enum class CloseAction
{
    None,
    Hide,
    Free
};

enum class FormProperty
{
    Caption,
    Visible,
    ActiveControl,
    Modal,
    WindowState
};

enum class WindowState
{
    Normal,
    Minimized,
    Maximized
};

// A screen as a headless presentation model: it owns its named controls,
// keeps the focus, routes keys and runs the lifecycle events. Renderers and
// scenarios act on it through the user* entry points, each of which is one
// user action: an abort inside ends it and leaves the form usable.
class Form
{
public:
    using Event = std::function<void(Form&)>;
    using CloseQueryEvent = std::function<void(Form&, bool& canClose)>;
    using CloseEvent = std::function<void(Form&, CloseAction& action)>;
    using KeyEvent = std::function<void(Form&, Key&, Shift)>;
    using KeyPressEvent = std::function<void(Form&, QChar&)>;
    using Observer = Observers<Form, FormProperty>::Observer;

    explicit Form(QString name = {});
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const QString& Name() const { return name_; }

    // --- controls -----------------------------------------------------------
    // Creates a control inside parent (a container, a page control, a menu or
    // a menu entry), or at the top of the form. Names are unique, ignoring case.
    template <class T, class... Args>
    T& create(const QString& name, Control* parent = nullptr, Args&&... args)
    {
        auto control = std::make_unique<T>(*this, name, std::forward<Args>(args)...);
        T& created = *control;
        adopt(std::move(control), parent);
        return created;
    }
    // A control with its caption or text, as labelled controls are created.
    template <class T>
    T& createCaptioned(const QString& name, Control* parent, const QString& caption)
    {
        T& control = create<T>(name, parent);
        control.SetCaption(caption);
        return control;
    }
    Control* findControl(const QString& name) const;
    // The control of that name; a missing name is a mistake in the caller.
    Control& control(const QString& name) const;
    template <class T> T& control(const QString& name) const
    {
        auto* typed = dynamic_cast<T*>(&control(name));
        if (!typed)
            throw std::invalid_argument("control of another kind: " + name.toStdString());
        return *typed;
    }
    // In creation order.
    std::vector<Control*> controls() const;
    // The first main menu created, or null.
    Menu* MainMenu() const;

    // --- description ----------------------------------------------------------
    QString ScreenCode;
    QString HelpFile;
    int HelpContext = 0;
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    int Tag = 0;
    bool KeyPreview = false;

    // --- lifecycle ------------------------------------------------------------
    // Runs OnCreate; the creation routine calls it once the handlers are set.
    void Create();
    bool Visible() const { return visible_; }
    fw::WindowState WindowState() const { return windowState_; }
    void SetWindowState(fw::WindowState state);
    void Show();
    void Hide();
    // The window became the active one; FirstActivation tells OnActivate
    // whether it is the first time.
    void Activate();
    bool FirstActivation() const { return activations_ == 1; }
    // Asks OnCloseQuery (which may refuse or abort), then runs OnClose with
    // the action Hide. A modal form ends with mrCancel. Returns whether the
    // form closed.
    bool Close();
    // Runs OnDestroy once and frees the controls. A screen deriving from Form
    // calls it in its own destructor, so its handlers still see its members
    // and data-aware controls leave data sources that are still alive.
    void Destroy();

    // --- modal showing ---------------------------------------------------------
    // The UI port starts the modal run; setting a result ends it, unless the
    // close is refused.
    void beginModal();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);

    // --- focus ------------------------------------------------------------------
    Control* ActiveControl() const { return active_; }
    // Moves the focus: the current control's OnExit runs first and may abort,
    // which keeps the focus where it was. False when the control cannot take
    // the focus (disabled, hidden, or in a disabled or hidden container).
    bool SetFocus(Control& control);
    // The next (or previous) focusable control in tab order.
    void SelectNext(bool forward = true);
    // Sets Enabled on every control inside the container, at any depth.
    void SetChildEnabled(Control& container, bool enabled);

    // --- user actions ------------------------------------------------------------
    // Each returns false when the action was aborted, or when the control it
    // types or presses on cannot take the focus. An unknown name throws.
    bool userClick(const QString& name);
    bool userDblClick(const QString& name);
    bool userType(const QString& name, const QString& text);
    bool userKey(const QString& name, Key key, Shift shift = Qt::NoModifier);
    bool userFocus(const QString& name);
    // The user closing the window: a refusal or an abort keeps it open.
    bool userClose();

    // --- events ------------------------------------------------------------------
    Event OnCreate, OnShow, OnActivate, OnDestroy;
    CloseQueryEvent OnCloseQuery;
    CloseEvent OnClose;
    KeyEvent OnKeyDown, OnKeyUp;
    KeyPressEvent OnKeyPress;

    // For the owner of the form and the UI port: a modal run ended, and a
    // close with the action Free asks the owner to delete the form, which it
    // does through DeferUntilIdle, since the form's own handlers are still
    // running.
    Event modalEnded;
    Event releaseRequested;

    int addObserver(Observer observer) { return observers_.add(std::move(observer)); }
    void removeObserver(int id) { observers_.remove(id); }

private:
    template <class F> bool userAction(F&& action);
    void adopt(std::unique_ptr<Control> control, Control* parent);
    bool closeQuery();
    CloseAction closeAction(CloseAction proposed);
    void endModal();
    void setActive(Control* control);
    std::vector<Control*> tabOrder() const;
    void appendInTabOrder(const std::vector<Control*>& siblings,
                          std::vector<Control*>& order) const;
    // Focuses a control for an action on it; false when it cannot be reached.
    bool reach(Control& control);
    bool userPoint(const QString& name, void (Control::*action)());
    bool dispatchShortCut(Key key, Shift shift);
    void routeKeyDown(Control& control, Key& key, Shift shift);
    void routeKeyPress(Control& control, QChar& key);
    void routeKeyUp(Control& control, Key key, Shift shift);
    void changed(FormProperty property) { observers_.notify(*this, property); }
    void fire(const Event& event)
    {
        if (event)
            event(*this);
    }

    QString name_;
    QString caption_;
    std::vector<std::unique_ptr<Control>> controls_;
    QHash<QString, Control*> byName_; // upper-case name
    Control* active_ = nullptr;
    bool visible_ = false;
    fw::WindowState windowState_ = fw::WindowState::Normal;
    int activations_ = 0;
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool destroyed_ = false;
    friend bool IsLiveForm(const Form* form);
    Observers<Form, FormProperty> observers_;
};

// Runs the work once no user action is running any more, as a message loop
// would: a screen freed while its own click handler runs must outlive it.
// Outside any user action the work waits for FlushIdleWork.
void DeferUntilIdle(std::function<void()> work);
// Runs the deferred work now; the host calls it when it is idle.
void FlushIdleWork();

// The forms that exist in this process, oldest first: what a renderer or a
// scenario looks through to find a screen by its name. User-interface thread only.
const std::vector<Form*>& liveForms();
// The live form of that name (ignoring case), or null.
Form* findLiveForm(const QString& name);
// Whether the form still exists with its controls: a window or watcher that
// may outlive its form asks before it touches it.
bool IsLiveForm(const Form* form);

} // namespace cmp::fw
