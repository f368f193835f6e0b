#pragma once

#include "framework/forms/form.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QBoxLayout;
class QKeyEvent;
class QWidget;

namespace cmp::fw {
class MenuItem;
}

namespace cmp::ui {

// Keeps the controls of a form and the widgets built for them in step, both
// ways, for as long as the view lives: a change of a control shows in its
// widget, and what the user does on a widget reaches the form as the user's
// action. Once the form is gone, or about to free itself, it leaves both
// alone.
class FormBinder : public QObject
{
public:
    // What a widget of one kind shows of a change of its control, beyond the
    // enabled state, visibility, hint, colour and focus every widget follows.
    using Refresh = std::function<void(fw::Property)>;
    // Pages show and hide through their page control.
    enum class Mirror
    {
        All,
        AllButVisible
    };

    FormBinder(QWidget& view, fw::Form& form);
    ~FormBinder() override;
    FormBinder(const FormBinder&) = delete;
    FormBinder& operator=(const FormBinder&) = delete;

    QWidget& view() const { return view_; }

    // Builds the widget of a control inside parent, as its kind says; throws
    // UnknownControlKind for a kind no widget is made for.
    QWidget* build(fw::Control& control, QWidget& parent);
    // Names the widget after the control, shows the control's state in it and
    // follows its changes from now on.
    QWidget* bind(fw::Control& control, QWidget* widget, Refresh refresh,
                  Mirror mirror = Mirror::All);
    // The grid widgets follow their controls themselves; the view only moves
    // the focus to them and tells the form when the user does.
    QWidget* bindGrid(fw::Control& control, QWidget* widget);
    // Keys and focus changes on the widget go to the form as the user's.
    void route(QWidget& widget, fw::Control& control);
    QWidget* widgetOf(const fw::Control* control) const { return bindings_.value(control).widget; }

    // What the user did, each as the outermost action; afterwards the widget
    // shows what the control kept of it (the property named).
    void type(fw::Control& control, const QString& text, fw::Property shown = fw::Property::Text);
    void click(fw::Control& control, fw::Property shown);

    // The main menu in a bar above the layout; pop-up menus ready to show.
    void buildMenus(QBoxLayout& layout);
    // The view's title follows the form's caption from now on.
    void attachToForm();
    // The focus goes to the widget of the form's active control.
    void focusActive();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Binding
    {
        QWidget* widget = nullptr;
        Refresh refresh;
        Mirror mirror = Mirror::All;
    };

    void detach();
    void observe(fw::Control& control, fw::Control::Observer observer);
    void apply(fw::Control& control, fw::Property property);
    void followFocus(const fw::Control& control, QWidget& widget);
    void entered(fw::Control& control);
    bool pressed(fw::Control& control, const QObject& widget, const QKeyEvent& key);

    void addEntries(const fw::Control& parent, QWidget& into);
    void bindEntry(fw::MenuItem& item, QAction& action);
    void bindPopup(fw::Menu& menu);
    void offerContextMenu(fw::Control& control, QWidget& widget, fw::Menu& menu);

    QWidget& view_;
    fw::Form& form_;
    QHash<const fw::Control*, Binding> bindings_;
    QHash<const QObject*, fw::Control*> routed_; // widgets whose keys and focus reach the form
    QSet<const QObject*> focusOnly_;             // widgets that route their keys themselves
    std::vector<std::pair<fw::Control*, int>> observers_;
    int formObserver_ = -1;
    fw::Form::Event previousRelease_;
    bool attached_ = true;
    bool inFocusIn_ = false;
};

} // namespace cmp::ui
