#pragma once

#include <stdexcept>

class QWidget;

namespace cmp::fw {
class Control;
}

namespace cmp::ui {

class FormBinder;

// Where a control's widget goes among its neighbours: blocks take a line of
// their own, a label or a check box opens a line, editors and buttons join it.
enum class Placement
{
    Block,
    OpensRow,
    JoinsRow
};

// What the layout makes of a control besides its place.
enum class WidgetRole
{
    Other,
    Label,   // to the right in a command bar; the buddy of the editor after it
    Editor,  // a label just before it names it
    Command, // a button: a container of buttons and labels is a command bar
    Panel    // groups others; a bar when its children make one
};

// One kind of control, by the control's own type: how its widget is built
// and where the layout puts it.
struct WidgetKind
{
    // Builds, binds and returns the widget, a child of parent.
    using Build = QWidget* (*)(fw::Control& control, QWidget& parent, FormBinder& binder);

    Build build;
    Placement placement;
    WidgetRole role;
    bool tall; // takes the height its neighbours leave: grids, pages, memos
};

// A control of a kind no widget is made for: a renderer that falls behind
// the framework's controls must say so, not leave a hole in the window.
class UnknownControlKind : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

// The kind of the control's own type; null for a type no widget is made for.
const WidgetKind* findWidgetKind(const fw::Control& control);
// The same; throws UnknownControlKind, naming the type and the control.
const WidgetKind& widgetKind(const fw::Control& control);

} // namespace cmp::ui
