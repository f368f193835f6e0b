#pragma once

#include <QMetaType>
#include <QString>
#include <Qt>

#include <functional>
#include <map>
#include <vector>

namespace cmp::fw {

class Form;
class Menu;

// A key as Qt numbers it (Qt::Key_Down, Qt::Key_F9, ...); a handler swallows
// it by setting it to 0.
using Key = int;
using Shift = Qt::KeyboardModifiers;

// What the background of an editor tells the user.
enum class ColorRole
{
    Normal,
    Required,
    Disabled,
    Info
};

// Whether a change of state runs the control's change event.
enum class Announce
{
    Emit,
    Quiet
};

// The piece of state a renderer has to mirror after a change.
enum class Property
{
    Enabled,
    Visible,
    Text,
    Hint,
    Color,
    Checked,
    Items,
    ItemIndex,
    ReadOnly,
    Focus,
    ActivePage,
    TabVisible,
    Contents,
    Selection,
    Popup,
    Picture
};

// Observers called after each change, in the order they were added.
template <class Sender, class What> class Observers
{
public:
    using Observer = std::function<void(Sender&, What)>;

    int add(Observer observer)
    {
        observers_.emplace(next_, std::move(observer));
        return next_++;
    }
    void remove(int id) { observers_.erase(id); }
    void notify(Sender& sender, What what) const
    {
        // Copied: an observer may remove itself while being told.
        const auto current = observers_;
        for (const auto& [id, observer] : current)
            observer(sender, what);
    }

private:
    std::map<int, Observer> observers_;
    int next_ = 0;
};

// What every control of a form shares: its name in the design, its place in
// the form's tree, its state and the events the screens handle.
class Control
{
public:
    using Event = std::function<void(Control&)>;
    using KeyEvent = std::function<void(Control&, Key&, Shift)>;
    using KeyPressEvent = std::function<void(Control&, QChar&)>;
    using Observer = Observers<Control, Property>::Observer;

    Control(Form& form, QString name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& Name() const { return name_; }
    Form& Owner() const { return form_; }
    Control* Parent() const { return parent_; }
    const std::vector<Control*>& Children() const { return children_; }
    virtual bool AcceptsChildren() const { return false; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Enabled itself and inside enabled containers: the user can reach it.
    bool EnabledInTree() const;
    // Visible itself and inside shown containers (a page only while active).
    virtual bool Showing() const;
    bool CanFocus() const;
    bool Focused() const;

    QString Text() const { return text_; }
    virtual void SetText(const QString& text, Announce announce = Announce::Emit);
    QString Caption() const { return text_; }
    void SetCaption(const QString& caption) { SetText(caption, Announce::Quiet); }
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    ColorRole Color() const { return color_; }
    void SetColor(ColorRole color);
    Menu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(Menu* menu) { popupMenu_ = menu; }

    int Tag = 0;
    int TabOrder = 0;
    bool TabStop = true;

    Event OnClick, OnDblClick, OnChange, OnEnter, OnExit;
    KeyEvent OnKeyDown, OnKeyUp;
    KeyPressEvent OnKeyPress;

    // Runs the click only when the user could click it: enabled and shown.
    void Click();
    void DblClick();

    // What the control does with a key no handler swallowed.
    virtual void keyDownDefault(Key& key, Shift shift);
    virtual void keyPressDefault(QChar key);
    // The text the user typed, replacing what was there.
    virtual void typeText(const QString& text);
    // The control that takes the focus when the user clicks this one; null
    // when clicking leaves the focus where it is (speed buttons, labels).
    virtual Control* clickFocusTarget();

    int addObserver(Observer observer) { return observers_.add(std::move(observer)); }
    void removeObserver(int id) { observers_.remove(id); }

protected:
    virtual bool focusable() const { return false; }
    virtual bool clickable() const { return EnabledInTree() && Showing(); }
    virtual void clicked() { fire(OnClick); }
    // Focus arrives or is about to leave, before OnEnter and OnExit.
    virtual void entering() {}
    virtual void leaving() {}

    // Moves a child to another place among its siblings (tab and page order).
    void moveChild(Control& child, int position);
    // Stores the text; an emitted change runs OnChange when the text differs.
    void assignText(const QString& text, Announce announce);
    void changed(Property property) { observers_.notify(*this, property); }
    void fire(const Event& event)
    {
        if (event)
            event(*this);
    }

private:
    friend class Form;
    void attach(Control* parent);
    void detach(Control* child);

    Form& form_;
    QString name_;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    bool enabled_ = true;
    bool visible_ = true;
    QString text_;
    QString hint_;
    ColorRole color_ = ColorRole::Normal;
    Menu* popupMenu_ = nullptr;
    Observers<Control, Property> observers_;
};

} // namespace cmp::fw

// Screens hand controls to other modules inside argument lists.
Q_DECLARE_METATYPE(cmp::fw::Control*)
