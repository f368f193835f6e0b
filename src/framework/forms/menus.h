#pragma once

#include "framework/forms/control.h"

namespace cmp::fw {

// A key with its modifiers, written as the designs write it: "Ctrl+M", "F9",
// "Shift+Ctrl+Del". An empty or unknown text is no shortcut.
struct ShortCut
{
    Key key = 0;
    Shift shift;

    static ShortCut parse(const QString& text);
    bool isEmpty() const { return key == 0; }
    bool matches(Key pressed, Shift modifiers) const;
};

// A menu entry; its sub-items are its children.
class MenuItem : public Control
{
public:
    using Control::Control;

    bool AcceptsChildren() const override { return true; }

    const QString& ShortCutText() const { return shortCutText_; }
    const ShortCut& ShortCutKey() const { return shortCut_; }
    void SetShortCut(const QString& text);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

    // The enabled entry, here or below, whose shortcut is the key.
    MenuItem* findShortCut(Key key, Shift shift);

private:
    QString shortCutText_;
    ShortCut shortCut_;
    bool checked_ = false;
};

// The entries of a window's menu bar or of a pop-up menu.
class Menu : public Control
{
public:
    enum class Kind
    {
        Main,
        Popup
    };

    Menu(Form& form, QString name, Kind kind);

    Kind MenuKind() const { return kind_; }
    bool AcceptsChildren() const override { return true; }
    // A pop-up menu is never on screen by itself: its entries answer while
    // the menu is enabled.
    bool Showing() const override { return Visible(); }

    // Opens the menu beside a control; the renderer shows it and the user
    // picks an entry (a click on that entry).
    void Popup(Control& at);
    Control* PopupComponent() const { return popupComponent_; }
    Event OnPopup;

    MenuItem* findShortCut(Key key, Shift shift);

private:
    Kind kind_;
    Control* popupComponent_ = nullptr;
};

class MainMenu : public Menu
{
public:
    MainMenu(Form& form, QString name) : Menu(form, std::move(name), Kind::Main) {}
};

class PopupMenu : public Menu
{
public:
    PopupMenu(Form& form, QString name) : Menu(form, std::move(name), Kind::Popup) {}
};

} // namespace cmp::fw
