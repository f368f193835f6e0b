#pragma once

#include <vector>

class QBoxLayout;
class QWidget;

namespace cmp::fw {
class Control;
}

namespace cmp::ui {

class FormBinder;

// Where the height a container has beyond its fields goes: below them in a
// window or a page, to the neighbours in a panel or group box inside them.
enum class SpareHeight
{
    Below,
    ToNeighbours
};

// Lays the controls' widgets out as a form reads: blocks take a line of
// their own, a label or a check box opens a line, and editors and buttons
// join it; grids and pages take the height their neighbours leave.
void layOutControls(const std::vector<fw::Control*>& controls, QBoxLayout& layout, QWidget& parent,
                    SpareHeight spare, FormBinder& binder);

// A plain panel only groups: its fields line up with their neighbours,
// without margins of its own.
enum class Margins
{
    None,
    Standard
};

// Gives the container's widget a layout of its children: one row when the
// container is a command bar, lines as layOutControls makes them otherwise.
void layOutContainer(const fw::Control& container, QWidget& widget, Margins margins,
                     SpareHeight spare, FormBinder& binder);

} // namespace cmp::ui
