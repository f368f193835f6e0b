#include "ui/qt/form_binder.h"

#include "framework/forms/control.h"
#include "framework/forms/form.h"
#include "ui/qt/user_action.h"
#include "ui/qt/widget_kinds.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

namespace cmp::ui {

namespace {

using fw::Control;
using fw::Property;

// The state a widget mirrors; Popup and Selection tell of events instead.
constexpr Property allProperties[] = {
    Property::Enabled,  Property::Visible, Property::Text,       Property::Hint,
    Property::Color,    Property::Checked, Property::Items,      Property::ItemIndex,
    Property::ReadOnly, Property::Focus,   Property::ActivePage, Property::TabVisible,
    Property::Contents, Property::Picture};

void applyColor(QWidget& widget, fw::ColorRole role)
{
    if (role == fw::ColorRole::Normal) {
        widget.setPalette(QPalette());
        return;
    }
    QPalette palette = widget.palette();
    QColor background;
    switch (role) {
    case fw::ColorRole::Required:
        background = palette.color(QPalette::ToolTipBase);
        break;
    case fw::ColorRole::Disabled:
        background = palette.color(QPalette::Window);
        break;
    default:
        background = palette.color(QPalette::Highlight).lighter(180);
        break;
    }
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Window, background);
    widget.setPalette(palette);
}

bool isStandardEditing(const QKeyEvent& key)
{
    return key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut) ||
           key.matches(QKeySequence::Paste) || key.matches(QKeySequence::SelectAll) ||
           key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo);
}

// Keys the widget handles as typing or moving inside its text; the text it
// ends with reaches the control through Form::userType. Every other key is
// the form's.
bool typesItself(const QObject& widget, const QKeyEvent& key)
{
    const bool multiLine = qobject_cast<const QPlainTextEdit*>(&widget) != nullptr;
    const bool text = multiLine || qobject_cast<const QLineEdit*>(&widget) != nullptr;
    if (text && isStandardEditing(key))
        return true;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (!key.text().isEmpty() && key.text().at(0).isPrint())
        return true;
    if (!text)
        return false;
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return multiLine;
    default:
        return false;
    }
}

} // namespace

FormBinder::FormBinder(QWidget& view, fw::Form& form) : view_(view), form_(form) {}

FormBinder::~FormBinder()
{
    if (attached_ && fw::IsLiveForm(&form_))
        form_.releaseRequested = previousRelease_;
    detach();
}

// --- lifetime --------------------------------------------------------------------

void FormBinder::attachToForm()
{
    formObserver_ = form_.addObserver([this](fw::Form& f, fw::FormProperty property) {
        if (attached_ && property == fw::FormProperty::Caption)
            view_.setWindowTitle(f.Caption());
    });
    view_.setWindowTitle(form_.Caption());
    // A form that frees itself on close may go once this action ends: from
    // then on the view leaves it alone.
    previousRelease_ = form_.releaseRequested;
    form_.releaseRequested = [this](fw::Form& f) {
        const fw::Form::Event previous = previousRelease_;
        detach();
        if (previous)
            previous(f);
    };
}

void FormBinder::detach()
{
    if (!std::exchange(attached_, false) || !fw::IsLiveForm(&form_))
        return;
    for (const auto& [control, id] : observers_)
        control->removeObserver(id);
    form_.removeObserver(formObserver_);
}

// --- binding ---------------------------------------------------------------------

QWidget* FormBinder::build(Control& control, QWidget& parent)
{
    return widgetKind(control).build(control, parent, *this);
}

QWidget* FormBinder::bind(Control& control, QWidget* widget, Refresh refresh, Mirror mirror)
{
    widget->setObjectName(control.Name());
    bindings_.insert(&control, {widget, std::move(refresh), mirror});
    observe(control, [this](Control& c, Property property) { apply(c, property); });
    for (Property property : allProperties)
        apply(control, property);
    if (fw::Menu* popup = control.PopupMenu())
        offerContextMenu(control, *widget, *popup);
    return widget;
}

QWidget* FormBinder::bindGrid(Control& control, QWidget* widget)
{
    widget->setObjectName(control.Name());
    bindings_.insert(&control, {widget, {}, Mirror::All});
    observe(control, [this](Control& c, Property property) {
        if (property == Property::Focus)
            apply(c, property);
    });
    focusOnly_.insert(widget);
    route(*widget, control);
    return widget;
}

void FormBinder::observe(Control& control, Control::Observer observer)
{
    observers_.emplace_back(&control, control.addObserver([this, observer](Control& c, Property p) {
        if (attached_)
            observer(c, p);
    }));
}

void FormBinder::route(QWidget& widget, Control& control)
{
    routed_.insert(&widget, &control);
    widget.installEventFilter(this);
}

void FormBinder::apply(Control& control, Property property)
{
    const Binding binding = bindings_.value(&control);
    if (!binding.widget)
        return;
    QWidget& widget = *binding.widget;
    switch (property) {
    case Property::Enabled:
        widget.setEnabled(control.Enabled());
        break;
    case Property::Visible:
        if (binding.mirror == Mirror::All)
            widget.setVisible(control.Visible());
        break;
    case Property::Hint:
        widget.setToolTip(control.Hint());
        break;
    case Property::Color:
        applyColor(widget, control.Color());
        break;
    case Property::Focus:
        followFocus(control, widget);
        break;
    default:
        break;
    }
    if (binding.refresh)
        binding.refresh(property);
}

// --- focus -------------------------------------------------------------------------

void FormBinder::followFocus(const Control& control, QWidget& widget)
{
    if (!control.Focused() || widget.hasFocus())
        return;
    // Qt does not take a focus change while it delivers one.
    if (inFocusIn_)
        QTimer::singleShot(0, &view_, [this] { focusActive(); });
    else
        widget.setFocus(Qt::OtherFocusReason);
}

void FormBinder::focusActive()
{
    if (!attached_ || !form_.ActiveControl())
        return;
    if (QWidget* widget = widgetOf(form_.ActiveControl()))
        widget->setFocus(Qt::OtherFocusReason);
}

// --- user actions --------------------------------------------------------------------

void FormBinder::type(Control& control, const QString& text, Property shown)
{
    if (!attached_)
        return;
    runFromWidget([&] { form_.userType(control.Name(), text); });
    if (attached_)
        apply(control, shown);
}

void FormBinder::click(Control& control, Property shown)
{
    if (!attached_)
        return;
    runFromWidget([&] { form_.userClick(control.Name()); });
    if (attached_)
        apply(control, shown);
}

bool FormBinder::eventFilter(QObject* watched, QEvent* event)
{
    Control* control = attached_ ? routed_.value(watched) : nullptr;
    if (!control)
        return false;
    if (event->type() == QEvent::FocusIn)
        entered(*control);
    else if (event->type() == QEvent::KeyPress && !focusOnly_.contains(watched))
        return pressed(*control, *watched, static_cast<QKeyEvent&>(*event));
    return false;
}

void FormBinder::entered(Control& control)
{
    // An edit mask set after the text shows from the first visit on.
    apply(control, Property::Text);
    if (control.Focused())
        return;
    inFocusIn_ = true;
    bool reached = false;
    runFromWidget([&] { reached = form_.userFocus(control.Name()); });
    inFocusIn_ = false;
    // A refusal to leave the former control keeps the focus there.
    if (attached_ && (!reached || !control.Focused()))
        QTimer::singleShot(0, &view_, [this] { focusActive(); });
}

bool FormBinder::pressed(Control& control, const QObject& widget, const QKeyEvent& key)
{
    if (typesItself(widget, key))
        return false;
    fw::Key code = key.key();
    fw::Shift shift = key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (code == Qt::Key_Backtab) {
        code = Qt::Key_Tab;
        shift |= Qt::ShiftModifier;
    }
    runFromWidget([&] { form_.userKey(control.Name(), code, shift); });
    return true;
}

} // namespace cmp::ui
