// The widgets of the container kinds (panels, group boxes, page controls
// with their pages) and of the two grids.
#include "ui/qt/widget_factories.h"

#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/form_layout.h"
#include "ui/qt/grid_widgets.h"

#include <QGroupBox>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

namespace cmp::ui {

using fw::Property;

namespace {

void showActivePage(const fw::PageControl& control, QTabWidget& tabs, const FormBinder& binder)
{
    const QWidget* sheet = binder.widgetOf(control.ActivePage());
    const int index = sheet ? tabs.indexOf(sheet) : -1;
    if (index >= 0 && tabs.currentIndex() != index) {
        const QSignalBlocker quiet(&tabs);
        tabs.setCurrentIndex(index);
    }
}

void orderPages(const fw::PageControl& control, QTabWidget& tabs, const FormBinder& binder)
{
    const auto pages = control.Pages();
    const QSignalBlocker quiet(&tabs);
    for (int position = 0; position < static_cast<int>(pages.size()); ++position) {
        const int index = tabs.indexOf(binder.widgetOf(pages[size_t(position)]));
        if (index >= 0 && index != position)
            tabs.tabBar()->moveTab(index, position);
    }
}

// A page is a tab of its page control's widget, shown and hidden there.
void addPage(fw::TabSheet& page, QTabWidget& tabs, FormBinder& binder)
{
    auto* sheet = new QWidget;
    tabs.addTab(sheet, page.Caption());
    layOutContainer(page, *sheet, Margins::Standard, SpareHeight::Below, binder);
    const auto refresh = [&page, &tabs, sheet, &binder](Property property) {
        const int index = tabs.indexOf(sheet);
        if (property == Property::Text) {
            tabs.setTabText(index, page.Caption());
        } else if (property == Property::Enabled) {
            tabs.setTabEnabled(index, page.Enabled());
        } else if (property == Property::TabVisible || property == Property::Visible) {
            tabs.setTabVisible(index, page.TabVisible() && page.Visible());
            if (fw::PageControl* pages = page.pageControl())
                showActivePage(*pages, tabs, binder); // hiding the current tab moves Qt's
        }
    };
    binder.bind(page, sheet, refresh, FormBinder::Mirror::AllButVisible);
}

// The user clicked a tab: the page control decides, and may refuse; the
// tabs show what it decided.
void choosePage(fw::PageControl& control, QTabWidget& tabs, int index, FormBinder& binder)
{
    const QWidget* sheet = tabs.widget(index);
    for (fw::TabSheet* page : control.Pages())
        if (binder.widgetOf(page) == sheet)
            binder.click(*page, Property::TabVisible);
}

} // namespace

QWidget* panelWidget(fw::Panel& control, QWidget& parent, FormBinder& binder)
{
    auto* widget = new QWidget(&parent);
    layOutContainer(control, *widget, Margins::None, SpareHeight::ToNeighbours, binder);
    return binder.bind(control, widget, {});
}

QWidget* groupBoxWidget(fw::GroupBox& control, QWidget& parent, FormBinder& binder)
{
    auto* widget = new QGroupBox(&parent);
    layOutContainer(control, *widget, Margins::Standard, SpareHeight::ToNeighbours, binder);
    return binder.bind(control, widget, [&control, widget](Property property) {
        if (property == Property::Text)
            widget->setTitle(control.Caption());
    });
}

QWidget* pageControlWidget(fw::PageControl& control, QWidget& parent, FormBinder& binder)
{
    auto* tabs = new QTabWidget(&parent);
    for (fw::TabSheet* page : control.Pages())
        addPage(*page, *tabs, binder);
    QObject::connect(
        tabs, &QTabWidget::currentChanged, &binder,
        [&binder, &control, tabs](int index) { choosePage(control, *tabs, index, binder); });
    binder.route(*tabs->tabBar(), control);
    return binder.bind(control, tabs, [&binder, &control, tabs](Property property) {
        if (property == Property::Contents)
            orderPages(control, *tabs, binder);
        if (property == Property::ActivePage || property == Property::Contents)
            showActivePage(control, *tabs, binder);
    });
}

QWidget* dbGridWidget(fw::DBGrid& control, QWidget& parent, FormBinder& binder)
{
    return binder.bindGrid(control, createDBGridWidget(control, &parent));
}

QWidget* decisionGridWidget(fw::DecisionGrid& control, QWidget& parent, FormBinder& binder)
{
    return binder.bindGrid(control, createDecisionGridWidget(control, &parent));
}

} // namespace cmp::ui
