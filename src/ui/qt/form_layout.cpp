#include "ui/qt/form_layout.h"

#include "framework/forms/control.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/widget_kinds.h"

#include <QBoxLayout>
#include <QLabel>

#include <algorithm>

namespace cmp::ui {

namespace {

using fw::Control;

WidgetRole roleOf(const Control& control)
{
    const WidgetKind* kind = findWidgetKind(control);
    return kind ? kind->role : WidgetRole::Other;
}

Placement placementOf(const Control& control)
{
    const WidgetKind* kind = findWidgetKind(control);
    return kind ? kind->placement : Placement::Block;
}

bool growsTall(const Control& control)
{
    if (const WidgetKind* kind = findWidgetKind(control); kind && kind->tall)
        return true;
    const auto& children = control.Children();
    return std::any_of(children.begin(), children.end(),
                       [](const Control* child) { return growsTall(*child); });
}

// A container of buttons (and labels beside them) is a command bar. A panel
// that is a bar itself counts as one more button group of its container, as
// the record navigator beside the record's labels does.
bool isCommandBar(const Control& container)
{
    const auto& children = container.Children();
    const auto commands = [](const Control* c) {
        const WidgetRole role = roleOf(*c);
        return role == WidgetRole::Command || (role == WidgetRole::Panel && isCommandBar(*c));
    };
    return std::any_of(children.begin(), children.end(), commands) &&
           std::all_of(children.begin(), children.end(), [&](const Control* c) {
               return commands(c) || roleOf(*c) == WidgetRole::Label;
           });
}

bool insideBar(const Control& control)
{
    return control.Parent() && isCommandBar(*control.Parent());
}

// Buttons to the left, labels to the right. A bar inside a bar keeps to the
// width of its buttons, so that it stays beside its neighbours.
void layOutBar(const Control& bar, QBoxLayout& layout, QWidget& parent, FormBinder& binder)
{
    const bool nested = insideBar(bar);
    if (nested)
        layout.setContentsMargins(0, 0, 0, 0);
    else
        layout.setContentsMargins(2, 2, 2, 2);
    bool stretched = nested;
    for (Control* child : bar.Children()) {
        QWidget* widget = binder.build(*child, parent);
        if (!stretched && roleOf(*child) == WidgetRole::Label) {
            layout.addStretch();
            stretched = true;
        }
        layout.addWidget(widget);
    }
    if (!stretched)
        layout.addStretch();
}

} // namespace

void layOutControls(const std::vector<Control*>& controls, QBoxLayout& layout, QWidget& parent,
                    SpareHeight spare, FormBinder& binder)
{
    QHBoxLayout* row = nullptr;
    bool rowFills = false; // something in the row takes the width left
    QLabel* pendingLabel = nullptr;
    const auto closeRow = [&] {
        if (row && !rowFills)
            row->addStretch();
        row = nullptr;
        rowFills = false;
        pendingLabel = nullptr;
    };
    for (Control* child : controls) {
        QWidget* widget = binder.build(*child, parent);
        const Placement placement = placementOf(*child);
        if (placement == Placement::Block) {
            closeRow();
            layout.addWidget(widget, growsTall(*child) ? 1 : 0);
            continue;
        }
        if (placement == Placement::OpensRow || !row) {
            closeRow();
            row = new QHBoxLayout;
            layout.addLayout(row);
        }
        row->addWidget(widget);
        if (pendingLabel && roleOf(*child) == WidgetRole::Editor)
            pendingLabel->setBuddy(widget);
        pendingLabel = qobject_cast<QLabel*>(widget);
        rowFills = rowFills || (widget->sizePolicy().expandingDirections() & Qt::Horizontal);
    }
    closeRow();
    if (spare == SpareHeight::Below && std::none_of(controls.begin(), controls.end(),
                                                    [](const Control* c) { return growsTall(*c); }))
        layout.addStretch();
}

void layOutContainer(const Control& container, QWidget& widget, Margins margins, SpareHeight spare,
                     FormBinder& binder)
{
    if (isCommandBar(container)) {
        layOutBar(container, *new QHBoxLayout(&widget), widget, binder);
        return;
    }
    auto* layout = new QVBoxLayout(&widget);
    if (margins == Margins::None)
        layout->setContentsMargins(0, 0, 0, 0);
    layOutControls(container.Children(), *layout, widget, spare, binder);
}

} // namespace cmp::ui
