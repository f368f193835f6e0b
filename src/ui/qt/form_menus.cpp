// The menus of a form: the main menu in a bar above the form's widgets, the
// pop-up menus shown where their control asks.
#include "ui/qt/form_binder.h"

#include "framework/forms/menus.h"
#include "ui/qt/user_action.h"

#include <QAction>
#include <QBoxLayout>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>

namespace cmp::ui {

using fw::Control;
using fw::Property;

void FormBinder::buildMenus(QBoxLayout& layout)
{
    for (Control* control : form_.controls()) {
        auto* menu = dynamic_cast<fw::Menu*>(control);
        if (!menu)
            continue;
        if (menu == form_.MainMenu()) {
            auto* bar = new QMenuBar(&view_);
            bar->setObjectName(menu->Name());
            addEntries(*menu, *bar);
            layout.setMenuBar(bar);
        } else if (menu->MenuKind() == fw::Menu::Kind::Popup) {
            bindPopup(*menu);
        }
    }
}

void FormBinder::addEntries(const Control& parent, QWidget& into)
{
    for (Control* child : parent.Children()) {
        auto* item = dynamic_cast<fw::MenuItem*>(child);
        if (!item)
            continue;
        QAction* action = nullptr;
        if (item->Children().empty()) {
            action = new QAction(&into);
        } else {
            auto* submenu = new QMenu(&into);
            addEntries(*item, *submenu);
            action = submenu->menuAction();
        }
        into.addAction(action);
        bindEntry(*item, *action);
    }
}

void FormBinder::bindEntry(fw::MenuItem& item, QAction& action)
{
    action.setObjectName(item.Name());
    // The shortcut is shown, not registered: keys reach the form, which
    // dispatches them to its menus itself.
    const auto show = [&item, &action] {
        action.setSeparator(item.Caption() == QLatin1String("-"));
        const QString shortCut = item.ShortCutText();
        action.setText(shortCut.isEmpty() ? item.Caption() : item.Caption() + u'\t' + shortCut);
        action.setEnabled(item.Enabled());
        action.setVisible(item.Visible());
        action.setCheckable(action.isCheckable() || item.Checked());
        action.setChecked(item.Checked());
    };
    show();
    observe(item, [show](Control&, Property) { show(); });
    QObject::connect(&action, &QAction::triggered, this, [this, &item, show] {
        if (!attached_)
            return;
        runFromWidget([&] { form_.userClick(item.Name()); });
        if (attached_)
            show();
    });
}

void FormBinder::bindPopup(fw::Menu& menu)
{
    auto* popup = new QMenu(&view_);
    popup->setObjectName(menu.Name());
    addEntries(menu, *popup);
    observe(menu, [this, popup](Control& c, Property property) {
        if (property != Property::Popup)
            return;
        const QWidget* at = widgetOf(static_cast<fw::Menu&>(c).PopupComponent());
        popup->popup(at ? at->mapToGlobal(QPoint(0, at->height())) : QCursor::pos());
    });
}

void FormBinder::offerContextMenu(Control& control, QWidget& widget, fw::Menu& menu)
{
    widget.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&widget, &QWidget::customContextMenuRequested, this, [this, &control, &menu] {
        if (attached_)
            runFromWidget([&] { menu.Popup(control); });
    });
}

} // namespace cmp::ui
