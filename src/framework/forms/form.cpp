#include "framework/forms/form.h"

#include "framework/core/abort.h"
#include "framework/forms/menus.h"

#include <algorithm>
#include <utility>

namespace cmp::fw {

namespace {

// The character a key types, null for keys that type none.
QChar typedChar(Key key, Shift shift)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return u'\r';
    case Qt::Key_Escape:
        return QChar(0x1b);
    case Qt::Key_Backspace:
        return u'\b';
    default:
        break;
    }
    if (shift & (Qt::ControlModifier | Qt::AltModifier) || key < 0x20 || key > 0x7e)
        return {};
    const QChar c(key); // Qt numbers printable keys by their ASCII character
    return shift & Qt::ShiftModifier ? c : c.toLower();
}

} // namespace

namespace {

std::vector<Form*>& forms()
{
    static std::vector<Form*> live;
    return live;
}

} // namespace

namespace {

int runningActions = 0;

std::vector<std::function<void()>>& idleWork()
{
    static std::vector<std::function<void()>> work;
    return work;
}

} // namespace

void DeferUntilIdle(std::function<void()> work)
{
    idleWork().push_back(std::move(work));
}

void FlushIdleWork()
{
    // Work may defer more work: take it in rounds.
    while (!idleWork().empty()) {
        auto round = std::exchange(idleWork(), {});
        for (auto& work : round)
            work();
    }
}

const std::vector<Form*>& liveForms()
{
    return forms();
}

bool IsLiveForm(const Form* form)
{
    return std::find(forms().begin(), forms().end(), form) != forms().end() && !form->destroyed_;
}

Form* findLiveForm(const QString& name)
{
    for (Form* form : forms())
        if (form->Name().compare(name, Qt::CaseInsensitive) == 0)
            return form;
    return nullptr;
}

Form::Form(QString name) : name_(std::move(name))
{
    forms().push_back(this);
}

Form::~Form()
{
    Destroy();
    std::erase(forms(), this);
}

void Form::adopt(std::unique_ptr<Control> control, Control* parent)
{
    const QString key = control->Name().toUpper();
    if (!key.isEmpty() && byName_.contains(key))
        throw std::invalid_argument("duplicate control name: " + control->Name().toStdString());
    if (parent && (&parent->Owner() != this || !parent->AcceptsChildren()))
        throw std::invalid_argument("not a container of this form: " +
                                    parent->Name().toStdString());
    control->attach(parent);
    if (!key.isEmpty())
        byName_.insert(key, control.get());
    controls_.push_back(std::move(control));
}

Control* Form::findControl(const QString& name) const
{
    return byName_.value(name.toUpper(), nullptr);
}

Control& Form::control(const QString& name) const
{
    Control* found = findControl(name);
    if (!found)
        throw std::invalid_argument("no control named " + name.toStdString());
    return *found;
}

std::vector<Control*> Form::controls() const
{
    std::vector<Control*> all;
    all.reserve(controls_.size());
    for (const auto& control : controls_)
        all.push_back(control.get());
    return all;
}

Menu* Form::MainMenu() const
{
    for (const auto& control : controls_)
        if (auto* menu = dynamic_cast<Menu*>(control.get());
            menu && menu->MenuKind() == Menu::Kind::Main)
            return menu;
    return nullptr;
}

void Form::SetCaption(const QString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    changed(FormProperty::Caption);
}

void Form::Create()
{
    fire(OnCreate);
}

void Form::Show()
{
    if (!visible_) {
        visible_ = true;
        changed(FormProperty::Visible);
        fire(OnShow);
    }
    Activate();
}

void Form::Hide()
{
    if (!visible_)
        return;
    visible_ = false;
    changed(FormProperty::Visible);
}

void Form::Activate()
{
    ++activations_;
    fire(OnActivate);
    if (!active_)
        SelectNext(true);
}

bool Form::closeQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(*this, canClose);
    return canClose;
}

CloseAction Form::closeAction(CloseAction proposed)
{
    if (OnClose)
        OnClose(*this, proposed);
    return proposed;
}

bool Form::Close()
{
    if (modal_) {
        SetModalResult(mrCancel);
        return !modal_;
    }
    if (!closeQuery())
        return false;
    const CloseAction action = closeAction(CloseAction::Hide);
    if (action == CloseAction::None)
        return false;
    Hide();
    if (action == CloseAction::Free)
        fire(releaseRequested);
    return true;
}

void Form::Destroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    fire(OnDestroy);
    active_ = nullptr;
    byName_.clear();
    // Children were created after their containers: free them first.
    while (!controls_.empty())
        controls_.pop_back();
}

void Form::SetWindowState(fw::WindowState state)
{
    if (windowState_ == state)
        return;
    windowState_ = state;
    changed(FormProperty::WindowState);
}

void Form::beginModal()
{
    modal_ = true;
    modalResult_ = mrNone;
    changed(FormProperty::Modal);
    Show();
}

void Form::SetModalResult(int result)
{
    modalResult_ = result;
    if (!modal_ || result == mrNone)
        return;
    CloseAction action = CloseAction::None;
    try {
        if (closeQuery())
            action = closeAction(CloseAction::Hide);
    } catch (...) {
        modalResult_ = mrNone; // a refusal by abort keeps the dialog running
        throw;
    }
    if (action == CloseAction::None) {
        modalResult_ = mrNone;
        return;
    }
    endModal();
    if (action == CloseAction::Free)
        fire(releaseRequested);
}

void Form::endModal()
{
    modal_ = false;
    changed(FormProperty::Modal);
    Hide();
    fire(modalEnded);
}

void Form::setActive(Control* control)
{
    Control* previous = std::exchange(active_, control);
    if (previous)
        previous->changed(Property::Focus);
    if (control)
        control->changed(Property::Focus);
    changed(FormProperty::ActiveControl);
}

bool Form::SetFocus(Control& control)
{
    if (&control.Owner() != this || !control.CanFocus())
        return false;
    if (active_ == &control)
        return true;
    if (active_) {
        active_->leaving();
        active_->fire(active_->OnExit); // an abort here keeps the focus
    }
    setActive(&control);
    control.entering();
    control.fire(control.OnEnter);
    return true;
}

void Form::appendInTabOrder(const std::vector<Control*>& siblings,
                            std::vector<Control*>& order) const
{
    std::vector<Control*> sorted(siblings);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Control* a, const Control* b) { return a->TabOrder < b->TabOrder; });
    for (Control* control : sorted) {
        order.push_back(control);
        appendInTabOrder(control->Children(), order);
    }
}

std::vector<Control*> Form::tabOrder() const
{
    std::vector<Control*> topLevel;
    for (const auto& control : controls_)
        if (!control->Parent() && !dynamic_cast<Menu*>(control.get()))
            topLevel.push_back(control.get());
    std::vector<Control*> order;
    appendInTabOrder(topLevel, order);
    std::erase_if(order, [](const Control* c) { return !c->TabStop || !c->CanFocus(); });
    return order;
}

void Form::SelectNext(bool forward)
{
    const std::vector<Control*> order = tabOrder();
    if (order.empty())
        return;
    const auto current = std::find(order.begin(), order.end(), active_);
    const int count = static_cast<int>(order.size());
    int next = 0;
    if (current != order.end()) {
        const int at = static_cast<int>(current - order.begin());
        next = (at + (forward ? 1 : count - 1)) % count;
    } else if (!forward) {
        next = count - 1;
    }
    SetFocus(*order[static_cast<size_t>(next)]);
}

void Form::SetChildEnabled(Control& container, bool enabled)
{
    for (Control* child : container.Children()) {
        child->SetEnabled(enabled);
        SetChildEnabled(*child, enabled);
    }
}

bool Form::dispatchShortCut(Key key, Shift shift)
{
    std::vector<Menu*> menus;
    for (Control* c = active_; c; c = c->Parent())
        if (c->PopupMenu())
            menus.push_back(c->PopupMenu());
    for (const auto& control : controls_)
        if (auto* menu = dynamic_cast<Menu*>(control.get());
            menu && menu->MenuKind() == Menu::Kind::Main)
            menus.push_back(menu);
    for (Menu* menu : menus) {
        if (MenuItem* item = menu->findShortCut(key, shift)) {
            item->Click();
            return true;
        }
    }
    return false;
}

// Menu shortcuts come first, then the form when it previews keys, then the
// control's handler and its own reaction.
void Form::routeKeyDown(Control& control, Key& key, Shift shift)
{
    if (dispatchShortCut(key, shift)) {
        key = 0;
        return;
    }
    if (KeyPreview && OnKeyDown)
        OnKeyDown(*this, key, shift);
    if (key && control.OnKeyDown)
        control.OnKeyDown(control, key, shift);
    if (key)
        control.keyDownDefault(key, shift);
}

void Form::routeKeyPress(Control& control, QChar& key)
{
    if (KeyPreview && OnKeyPress)
        OnKeyPress(*this, key);
    if (!key.isNull() && control.OnKeyPress)
        control.OnKeyPress(control, key);
}

void Form::routeKeyUp(Control& control, Key key, Shift shift)
{
    if (KeyPreview && OnKeyUp)
        OnKeyUp(*this, key, shift);
    if (key && control.OnKeyUp)
        control.OnKeyUp(control, key, shift);
}

bool Form::reach(Control& control)
{
    return control.CanFocus() && SetFocus(control);
}

template <class F> bool Form::userAction(F&& action)
{
    ++runningActions;
    bool completed = false;
    try {
        completed = RunUserAction(std::forward<F>(action));
    } catch (...) {
        --runningActions;
        throw;
    }
    if (--runningActions == 0)
        FlushIdleWork();
    return completed;
}

bool Form::userPoint(const QString& name, void (Control::*action)())
{
    Control& target = control(name);
    return userAction([&] {
        // Clicking a focusable control moves the focus there first.
        if (Control* focus = target.clickFocusTarget(); focus && focus->CanFocus())
            SetFocus(*focus);
        (target.*action)();
    });
}

bool Form::userClick(const QString& name)
{
    return userPoint(name, &Control::Click);
}

bool Form::userDblClick(const QString& name)
{
    return userPoint(name, &Control::DblClick);
}

bool Form::userFocus(const QString& name)
{
    Control& target = control(name);
    if (!target.CanFocus())
        return false;
    return userAction([&] { reach(target); });
}

bool Form::userType(const QString& name, const QString& text)
{
    Control& target = control(name);
    if (!target.CanFocus())
        return false;
    return userAction([&] {
        reach(target);
        QString typed;
        for (QChar c : text) {
            routeKeyPress(target, c);
            if (!c.isNull())
                typed.append(c);
        }
        target.typeText(typed);
    });
}

bool Form::userKey(const QString& name, Key key, Shift shift)
{
    Control& target = control(name);
    if (!target.CanFocus())
        return false;
    return userAction([&] {
        reach(target);
        Key down = key;
        routeKeyDown(target, down, shift);
        if (QChar c = down ? typedChar(down, shift) : QChar(); !c.isNull()) {
            routeKeyPress(target, c);
            if (!c.isNull())
                target.keyPressDefault(c);
        }
        routeKeyUp(target, key, shift);
    });
}

bool Form::userClose()
{
    bool closed = false;
    userAction([&] { closed = Close(); });
    return closed;
}

} // namespace cmp::fw
