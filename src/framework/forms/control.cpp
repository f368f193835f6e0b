#include "framework/forms/control.h"

#include "framework/forms/form.h"

#include <algorithm>

namespace cmp::fw {

Control::Control(Form& form, QString name) : form_(form), name_(std::move(name)) {}

Control::~Control()
{
    // The form frees children before their containers.
    if (parent_)
        parent_->detach(this);
}

void Control::attach(Control* parent)
{
    parent_ = parent;
    if (parent_)
        parent_->children_.push_back(this);
}

void Control::detach(Control* child)
{
    std::erase(children_, child);
}

void Control::moveChild(Control& child, int position)
{
    const auto it = std::find(children_.begin(), children_.end(), &child);
    if (it == children_.end())
        return;
    children_.erase(it);
    const int last = static_cast<int>(children_.size());
    children_.insert(children_.begin() + std::clamp(position, 0, last), &child);
    changed(Property::Contents);
}

void Control::SetEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    changed(Property::Enabled);
}

void Control::SetVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    changed(Property::Visible);
}

bool Control::EnabledInTree() const
{
    return enabled_ && (!parent_ || parent_->EnabledInTree());
}

bool Control::Showing() const
{
    return visible_ && (!parent_ || parent_->Showing());
}

bool Control::CanFocus() const
{
    return focusable() && EnabledInTree() && Showing();
}

bool Control::Focused() const
{
    return form_.ActiveControl() == this;
}

void Control::SetText(const QString& text, Announce announce)
{
    assignText(text, announce);
}

void Control::assignText(const QString& text, Announce announce)
{
    if (text_ == text)
        return;
    text_ = text;
    changed(Property::Text);
    if (announce == Announce::Emit)
        fire(OnChange);
}

void Control::SetHint(const QString& hint)
{
    if (hint_ == hint)
        return;
    hint_ = hint;
    changed(Property::Hint);
}

void Control::SetColor(ColorRole color)
{
    if (color_ == color)
        return;
    color_ = color;
    changed(Property::Color);
}

void Control::Click()
{
    if (clickable())
        clicked();
}

void Control::DblClick()
{
    if (clickable())
        fire(OnDblClick);
}

void Control::keyDownDefault(Key& key, Shift shift)
{
    if (key == Qt::Key_Tab && !(shift & (Qt::ControlModifier | Qt::AltModifier))) {
        form_.SelectNext(!(shift & Qt::ShiftModifier));
        key = 0;
    }
}

void Control::keyPressDefault(QChar) {}

void Control::typeText(const QString&) {}

Control* Control::clickFocusTarget()
{
    return focusable() && TabStop ? this : nullptr;
}

} // namespace cmp::fw
