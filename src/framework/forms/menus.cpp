#include "framework/forms/menus.h"

#include <QHash>
#include <QStringList>

namespace cmp::fw {

namespace {

const QHash<QString, Key>& namedKeys()
{
    static const QHash<QString, Key> keys{
        {"ENTER", Qt::Key_Return},  {"RETURN", Qt::Key_Return}, {"ESC", Qt::Key_Escape},
        {"TAB", Qt::Key_Tab},       {"INS", Qt::Key_Insert},    {"DEL", Qt::Key_Delete},
        {"HOME", Qt::Key_Home},     {"END", Qt::Key_End},       {"PGUP", Qt::Key_PageUp},
        {"PGDN", Qt::Key_PageDown}, {"UP", Qt::Key_Up},         {"DOWN", Qt::Key_Down},
        {"LEFT", Qt::Key_Left},     {"RIGHT", Qt::Key_Right},   {"SPACE", Qt::Key_Space},
        {"BKSP", Qt::Key_Backspace}};
    return keys;
}

Key keyOfName(const QString& name)
{
    if (name.size() == 1 && name.at(0).isLetterOrNumber() && name.at(0).unicode() < 128)
        return name.at(0).toUpper().unicode(); // Qt numbers letters and digits by ASCII
    if (name.startsWith('F') && name.size() > 1) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 24)
            return Qt::Key_F1 + n - 1;
    }
    return namedKeys().value(name, 0);
}

Shift modifierOfName(const QString& name)
{
    if (name == "CTRL")
        return Qt::ControlModifier;
    if (name == "SHIFT")
        return Qt::ShiftModifier;
    if (name == "ALT")
        return Qt::AltModifier;
    return Qt::NoModifier;
}

constexpr Shift relevantModifiers = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;

} // namespace

ShortCut ShortCut::parse(const QString& text)
{
    const QStringList parts = text.toUpper().split('+', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    ShortCut result;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const Shift modifier = modifierOfName(parts.at(i).trimmed());
        if (modifier == Qt::NoModifier)
            return {};
        result.shift |= modifier;
    }
    result.key = keyOfName(parts.last().trimmed());
    return result.key ? result : ShortCut{};
}

bool ShortCut::matches(Key pressed, Shift modifiers) const
{
    return key != 0 && key == pressed && shift == (modifiers & relevantModifiers);
}

void MenuItem::SetShortCut(const QString& text)
{
    shortCutText_ = text;
    shortCut_ = ShortCut::parse(text);
}

void MenuItem::SetChecked(bool checked)
{
    if (checked_ == checked)
        return;
    checked_ = checked;
    changed(Property::Checked);
}

namespace {

MenuItem* findShortCutIn(const std::vector<Control*>& items, Key key, Shift shift)
{
    for (Control* child : items) {
        auto* item = dynamic_cast<MenuItem*>(child);
        if (!item)
            continue;
        if (MenuItem* found = item->findShortCut(key, shift))
            return found;
    }
    return nullptr;
}

} // namespace

// A disabled or hidden entry answers no key, nor do the entries below it.
MenuItem* MenuItem::findShortCut(Key key, Shift shift)
{
    if (!Enabled() || !Visible())
        return nullptr;
    if (ShortCutKey().matches(key, shift))
        return this;
    return findShortCutIn(Children(), key, shift);
}

Menu::Menu(Form& form, QString name, Kind kind) : Control(form, std::move(name)), kind_(kind)
{
    TabStop = false;
}

void Menu::Popup(Control& at)
{
    if (!Enabled())
        return;
    popupComponent_ = &at;
    fire(OnPopup);
    changed(Property::Popup);
}

MenuItem* Menu::findShortCut(Key key, Shift shift)
{
    return Enabled() && Visible() ? findShortCutIn(Children(), key, shift) : nullptr;
}

} // namespace cmp::fw
