// ui/qt/form_view.cpp
#include "ui/qt/form_view.h"

#include "framework/core/edit_mask.h"
#include "framework/core/formats.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "ui/qt/grid_widgets.h"
#include "ui/qt/user_action.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <optional>

namespace cmp::ui {

namespace {

using fw::Control;
using fw::Property;

// The state a widget mirrors; Popup and Selection tell of events instead.
constexpr Property allProperties[] = {
    Property::Enabled,  Property::Visible, Property::Text,       Property::Hint,
    Property::Color,    Property::Checked, Property::Items,      Property::ItemIndex,
    Property::ReadOnly, Property::Focus,   Property::ActivePage, Property::TabVisible,
    Property::Contents, Property::Picture};

// Command buttons carry no pictures in the models; the verb in their names
// picks a standard one, so every screen's command bar looks alike.
std::optional<QStyle::StandardPixmap> commandPixmap(const QString& name)
{
    static const std::pair<const char*, QStyle::StandardPixmap> verbs[] = {
        {"incl", QStyle::SP_FileDialogNewFolder},
        {"alter", QStyle::SP_FileDialogDetailedView},
        {"exclu", QStyle::SP_TrashIcon},
        {"procur", QStyle::SP_FileDialogContentsView},
        {"pesq", QStyle::SP_FileDialogContentsView},
        {"filtr", QStyle::SP_FileDialogListView},
        {"verific", QStyle::SP_BrowserReload},
        {"confirm", QStyle::SP_DialogApplyButton},
        {"cancel", QStyle::SP_DialogCancelButton},
        {"imprim", QStyle::SP_FileIcon},
        {"ajuda", QStyle::SP_DialogHelpButton},
        {"fechar", QStyle::SP_DialogCloseButton},
        {"save", QStyle::SP_DialogSaveButton},
        {"salv", QStyle::SP_DialogSaveButton},
        {"load", QStyle::SP_DialogOpenButton},
        {"carreg", QStyle::SP_DialogOpenButton},
    };
    const QString lower = name.toLower();
    for (const auto& [verb, pixmap] : verbs)
        if (lower.contains(QLatin1String(verb)))
            return pixmap;
    return std::nullopt;
}

// An image whose resource is a video clip is the animation of a busy panel.
bool isAnimation(const QString& resourceName)
{
    return resourceName.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
}

QPixmap pixmapOf(const QString& resourceName)
{
    QPixmap pixmap(resourceName);
    return pixmap.isNull() ? QPixmap(QStringLiteral(":/") + resourceName) : pixmap;
}

void applyColor(QWidget& widget, fw::ColorRole role)
{
    if (role == fw::ColorRole::Normal) {
        widget.setPalette(QPalette());
        return;
    }
    QPalette palette = widget.palette();
    QColor background;
    switch (role) {
    case fw::ColorRole::Required:
        background = palette.color(QPalette::ToolTipBase);
        break;
    case fw::ColorRole::Disabled:
        background = palette.color(QPalette::Window);
        break;
    default:
        background = palette.color(QPalette::Highlight).lighter(180);
        break;
    }
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Window, background);
    widget.setPalette(palette);
}

QString maskOf(const fw::Edit& edit)
{
    if (const auto* masked = dynamic_cast<const fw::MaskEdit*>(&edit))
        return masked->EditMask();
    if (dynamic_cast<const fw::DateEdit*>(&edit))
        return fw::DateMask();
    return {};
}

// What the control's text would be after what the widget shows.
QString typedText(const fw::Edit& edit, const QLineEdit& widget)
{
    const QString mask = maskOf(edit);
    return mask.isEmpty() ? widget.text() : fw::EditMask::parse(mask).strip(widget.displayText());
}

constexpr const char* editMaskProperty = "cmpEditMask";

void showEditText(const fw::Edit& edit, QLineEdit& widget)
{
    // QLineEdit gives its mask back without the blank character: the
    // widget remembers which one it was given.
    const QString mask = maskOf(edit);
    if (widget.property(editMaskProperty).toString() != mask) {
        widget.setProperty(editMaskProperty, mask);
        widget.setInputMask(mask.isEmpty() ? QString() : fw::EditMask::parse(mask).toQtInputMask());
    }
    // Unchanged text keeps the cursor where the user is typing.
    if (typedText(edit, widget) == edit.Text())
        return;
    const int cursor = widget.cursorPosition();
    widget.setText(mask.isEmpty() ? edit.Text() : fw::EditMask::parse(mask).apply(edit.Text()));
    widget.setCursorPosition(cursor);
}

bool isStandardEditing(const QKeyEvent& key)
{
    return key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut) ||
           key.matches(QKeySequence::Paste) || key.matches(QKeySequence::SelectAll) ||
           key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo);
}

// Keys the widget handles as typing or moving inside its text; the text it
// ends with reaches the control through Form::userType. Every other key is
// the form's.
bool typesItself(const QObject& widget, const QKeyEvent& key)
{
    const bool multiLine = qobject_cast<const QPlainTextEdit*>(&widget) != nullptr;
    const bool text = multiLine || qobject_cast<const QLineEdit*>(&widget) != nullptr;
    if (text && isStandardEditing(key))
        return true;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (!key.text().isEmpty() && key.text().at(0).isPrint())
        return true;
    if (!text)
        return false;
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return multiLine;
    default:
        return false;
    }
}

// Where the height a container has beyond its fields goes: below them in a
// window or a page, to the neighbours in a panel or group box inside them.
enum class SpareHeight
{
    Below,
    ToNeighbours
};

// Where a control goes in its container: blocks take a line of their own,
// a label or a check box opens a line, and editors and buttons join it.
enum class Placement
{
    Block,
    OpensRow,
    JoinsRow
};

Placement placementOf(const Control& control)
{
    if (dynamic_cast<const fw::Label*>(&control) || dynamic_cast<const fw::CheckBox*>(&control))
        return Placement::OpensRow;
    if (dynamic_cast<const fw::Memo*>(&control))
        return Placement::Block;
    if (dynamic_cast<const fw::Edit*>(&control) || dynamic_cast<const fw::ComboBox*>(&control) ||
        dynamic_cast<const fw::Button*>(&control) || dynamic_cast<const fw::Image*>(&control))
        return Placement::JoinsRow;
    return Placement::Block;
}

bool growsTall(const Control& control)
{
    if (dynamic_cast<const fw::PageControl*>(&control) ||
        dynamic_cast<const fw::DBGrid*>(&control) ||
        dynamic_cast<const fw::DecisionGrid*>(&control) || dynamic_cast<const fw::Memo*>(&control))
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
        return dynamic_cast<const fw::Button*>(c) ||
               (dynamic_cast<const fw::Panel*>(c) && isCommandBar(*c));
    };
    return std::any_of(children.begin(), children.end(), commands) &&
           std::all_of(children.begin(), children.end(), [&](const Control* c) {
               return commands(c) || dynamic_cast<const fw::Label*>(c);
           });
}

bool insideBar(const Control& control)
{
    return control.Parent() && isCommandBar(*control.Parent());
}

// The widest face a hint gives a button, a few words, so that a bar of
// such buttons still fits a window.
int maxHintFaceWidth(const QWidget& button)
{
    const QFontMetrics metrics = button.fontMetrics();
    return metrics.horizontalAdvance(QStringLiteral("Cadastramento Automático")) +
           metrics.averageCharWidth();
}

bool isEditor(const Control& control)
{
    return dynamic_cast<const fw::Edit*>(&control) || dynamic_cast<const fw::ComboBox*>(&control);
}

} // namespace

struct FormView::Bindings : public QObject
{
    using Refresh = std::function<void(Property)>;
    // What the generic part of a binding mirrors besides the kind's own refresh.
    enum class Mirror
    {
        All,
        AllButVisible // pages show through their page control
    };
    struct Binding
    {
        QWidget* widget = nullptr;
        Refresh refresh;
        Mirror mirror = Mirror::All;
    };

    Bindings(FormView& view, fw::Form& form) : view(view), form(form) {}
    ~Bindings() override
    {
        if (attached && fw::IsLiveForm(&form))
            form.releaseRequested = previousRelease;
        detach();
    }

    FormView& view;
    fw::Form& form;
    QHash<const Control*, Binding> bindings;
    QHash<const QObject*, Control*> routed; // widgets whose keys and focus reach the form
    QSet<const QObject*> focusOnly;         // widgets that route their keys themselves
    std::vector<std::pair<Control*, int>> observers;
    int formObserver = -1;
    fw::Form::Event previousRelease;
    bool attached = true;
    bool inFocusIn = false;

    // --- lifetime -----------------------------------------------------------------

    void attachToForm()
    {
        formObserver = form.addObserver([this](fw::Form& f, fw::FormProperty property) {
            if (attached && property == fw::FormProperty::Caption)
                view.setWindowTitle(f.Caption());
        });
        view.setWindowTitle(form.Caption());
        // A form that frees itself on close may go once this action ends:
        // from then on the view leaves it alone.
        previousRelease = form.releaseRequested;
        form.releaseRequested = [this](fw::Form& f) {
            const fw::Form::Event previous = previousRelease;
            detach();
            if (previous)
                previous(f);
        };
    }

    void detach()
    {
        if (!std::exchange(attached, false) || !fw::IsLiveForm(&form))
            return;
        for (const auto& [control, id] : observers)
            control->removeObserver(id);
        form.removeObserver(formObserver);
    }

    // --- binding --------------------------------------------------------------------

    QWidget* bind(Control& control, QWidget* widget, Refresh refresh, Mirror mirror = Mirror::All)
    {
        widget->setObjectName(control.Name());
        bindings.insert(&control, {widget, std::move(refresh), mirror});
        observers.emplace_back(&control, control.addObserver([this](Control& c, Property property) {
            if (attached)
                apply(c, property);
        }));
        for (Property property : allProperties)
            apply(control, property);
        if (fw::Menu* popup = control.PopupMenu())
            offerContextMenu(control, *widget, *popup);
        return widget;
    }

    // Keys and focus changes on the widget go to the form as user actions.
    void route(QWidget& widget, Control& control)
    {
        routed.insert(&widget, &control);
        widget.installEventFilter(this);
    }

    void apply(Control& control, Property property)
    {
        const Binding binding = bindings.value(&control);
        if (!binding.widget)
            return;
        QWidget& widget = *binding.widget;
        switch (property) {
        case Property::Enabled:
            widget.setEnabled(control.Enabled());
            break;
        case Property::Visible:
            if (binding.mirror == Mirror::All)
                widget.setVisible(control.Visible());
            break;
        case Property::Hint:
            widget.setToolTip(control.Hint());
            break;
        case Property::Color:
            applyColor(widget, control.Color());
            break;
        case Property::Focus:
            followFocus(control, widget);
            break;
        default:
            break;
        }
        if (binding.refresh)
            binding.refresh(property);
    }

    void followFocus(const Control& control, QWidget& widget)
    {
        if (!control.Focused() || widget.hasFocus())
            return;
        // Qt does not take a focus change while it delivers one.
        if (inFocusIn)
            QTimer::singleShot(0, &view, [this] { focusActive(); });
        else
            widget.setFocus(Qt::OtherFocusReason);
    }

    void focusActive()
    {
        if (!attached || !form.ActiveControl())
            return;
        if (QWidget* widget = bindings.value(form.ActiveControl()).widget)
            widget->setFocus(Qt::OtherFocusReason);
    }

    // --- user actions -------------------------------------------------------------------

    // After an action the widget shows what the control kept of it.
    void afterAction(Control& control, Property property)
    {
        if (attached)
            apply(control, property);
    }

    void type(Control& control, const QString& text)
    {
        if (!attached)
            return;
        runFromWidget([&] { form.userType(control.Name(), text); });
        afterAction(control, Property::Text);
    }

    void click(Control& control, Property shown)
    {
        if (!attached)
            return;
        runFromWidget([&] { form.userClick(control.Name()); });
        afterAction(control, shown);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Control* control = attached ? routed.value(watched) : nullptr;
        if (!control)
            return false;
        if (event->type() == QEvent::FocusIn)
            entered(*control);
        else if (event->type() == QEvent::KeyPress && !focusOnly.contains(watched))
            return pressed(*control, *watched, static_cast<QKeyEvent&>(*event));
        return false;
    }

    void entered(Control& control)
    {
        // An edit mask set after the text shows from the first visit on.
        apply(control, Property::Text);
        if (control.Focused())
            return;
        inFocusIn = true;
        bool reached = false;
        runFromWidget([&] { reached = form.userFocus(control.Name()); });
        inFocusIn = false;
        // A refusal to leave the former control keeps the focus there.
        if (attached && (!reached || !control.Focused()))
            QTimer::singleShot(0, &view, [this] { focusActive(); });
    }

    bool pressed(Control& control, const QObject& widget, const QKeyEvent& key)
    {
        if (typesItself(widget, key))
            return false;
        fw::Key code = key.key();
        fw::Shift shift =
            key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (code == Qt::Key_Backtab) {
            code = Qt::Key_Tab;
            shift |= Qt::ShiftModifier;
        }
        runFromWidget([&] { form.userKey(control.Name(), code, shift); });
        return true;
    }

    // --- menus --------------------------------------------------------------------------

    void buildMenus(QBoxLayout& layout)
    {
        for (Control* control : form.controls()) {
            auto* menu = dynamic_cast<fw::Menu*>(control);
            if (!menu)
                continue;
            if (menu == form.MainMenu()) {
                auto* bar = new QMenuBar(&view);
                bar->setObjectName(menu->Name());
                addEntries(*menu, *bar);
                layout.setMenuBar(bar);
            } else if (menu->MenuKind() == fw::Menu::Kind::Popup) {
                bindPopup(*menu);
            }
        }
    }

    void addEntries(const Control& parent, QWidget& into)
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

    void bindEntry(fw::MenuItem& item, QAction& action)
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
        observers.emplace_back(&item, item.addObserver([this, show](Control&, Property) {
            if (attached)
                show();
        }));
        QObject::connect(&action, &QAction::triggered, this, [this, &item, show] {
            if (!attached)
                return;
            runFromWidget([&] { form.userClick(item.Name()); });
            if (attached)
                show();
        });
    }

    void bindPopup(fw::Menu& menu)
    {
        auto* popup = new QMenu(&view);
        popup->setObjectName(menu.Name());
        addEntries(menu, *popup);
        observers.emplace_back(&menu,
                               menu.addObserver([this, popup](Control& c, Property property) {
                                   if (attached && property == Property::Popup)
                                       showPopup(static_cast<fw::Menu&>(c), *popup);
                               }));
    }

    void showPopup(const fw::Menu& menu, QMenu& popup)
    {
        const QWidget* at = bindings.value(menu.PopupComponent()).widget;
        popup.popup(at ? at->mapToGlobal(QPoint(0, at->height())) : QCursor::pos());
    }

    void offerContextMenu(Control& control, QWidget& widget, fw::Menu& menu)
    {
        widget.setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(&widget, &QWidget::customContextMenuRequested, this,
                         [this, &control, &menu] {
                             if (attached)
                                 runFromWidget([&] { menu.Popup(control); });
                         });
    }

    // --- layout ---------------------------------------------------------------------------

    void layoutChildren(const std::vector<Control*>& children, QBoxLayout& layout, QWidget& parent,
                        SpareHeight spare)
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
        for (Control* child : children) {
            QWidget* widget = build(*child, parent);
            if (!widget)
                continue;
            const Placement placement = placementOf(*child);
            if (placement == Placement::Block) {
                closeRow();
                // Grids and pages take the height their neighbours leave.
                layout.addWidget(widget, growsTall(*child) ? 1 : 0);
                continue;
            }
            if (placement == Placement::OpensRow || !row) {
                closeRow();
                row = new QHBoxLayout;
                layout.addLayout(row);
            }
            row->addWidget(widget);
            if (pendingLabel && isEditor(*child))
                pendingLabel->setBuddy(widget);
            pendingLabel = qobject_cast<QLabel*>(widget);
            rowFills = rowFills || (widget->sizePolicy().expandingDirections() & Qt::Horizontal);
        }
        closeRow();
        if (spare == SpareHeight::Below &&
            std::none_of(children.begin(), children.end(),
                         [](const Control* c) { return growsTall(*c); }))
            layout.addStretch();
    }

    // Buttons to the left, labels to the right. A bar inside a bar keeps to
    // the width of its buttons, so that it stays beside its neighbours.
    void layoutBar(const Control& bar, QBoxLayout& layout, QWidget& parent)
    {
        const bool nested = insideBar(bar);
        if (nested)
            layout.setContentsMargins(0, 0, 0, 0);
        else
            layout.setContentsMargins(2, 2, 2, 2);
        bool stretched = nested;
        for (Control* child : bar.Children()) {
            QWidget* widget = build(*child, parent);
            if (!widget)
                continue;
            if (!stretched && dynamic_cast<const fw::Label*>(child)) {
                layout.addStretch();
                stretched = true;
            }
            layout.addWidget(widget);
        }
        if (!stretched)
            layout.addStretch();
    }

    void fill(const Control& container, QWidget& widget)
    {
        if (isCommandBar(container)) {
            layoutBar(container, *new QHBoxLayout(&widget), widget);
            return;
        }
        auto* layout = new QVBoxLayout(&widget);
        // A plain panel only groups: its fields line up with their neighbours.
        if (dynamic_cast<const fw::Panel*>(&container))
            layout->setContentsMargins(0, 0, 0, 0);
        const bool page = dynamic_cast<const fw::TabSheet*>(&container) != nullptr;
        layoutChildren(container.Children(), *layout, widget,
                       page ? SpareHeight::Below : SpareHeight::ToNeighbours);
    }

    // --- widgets per kind -------------------------------------------------------------------

    QWidget* build(Control& control, QWidget& parent)
    {
        if (auto* grid = dynamic_cast<fw::DBGrid*>(&control))
            return gridWidget(control, createDBGridWidget(*grid, &parent));
        if (auto* grid = dynamic_cast<fw::DecisionGrid*>(&control))
            return gridWidget(control, createDecisionGridWidget(*grid, &parent));
        if (auto* pages = dynamic_cast<fw::PageControl*>(&control))
            return pageControlWidget(*pages, parent);
        if (auto* box = dynamic_cast<fw::GroupBox*>(&control))
            return groupBoxWidget(*box, parent);
        if (auto* container = dynamic_cast<fw::Container*>(&control))
            return panelWidget(*container, parent);
        if (auto* memo = dynamic_cast<fw::Memo*>(&control))
            return memoWidget(*memo, parent);
        if (auto* edit = dynamic_cast<fw::Edit*>(&control))
            return lineEditWidget(*edit, parent);
        if (auto* check = dynamic_cast<fw::CheckBox*>(&control))
            return checkBoxWidget(*check, parent);
        if (auto* combo = dynamic_cast<fw::ComboBox*>(&control))
            return comboBoxWidget(*combo, parent);
        if (auto* button = dynamic_cast<fw::Button*>(&control))
            return buttonWidget(*button, parent);
        if (auto* label = dynamic_cast<fw::Label*>(&control))
            return labelWidget(*label, parent);
        if (auto* image = dynamic_cast<fw::Image*>(&control))
            return imageWidget(*image, parent);
        return nullptr; // menus are built apart; other kinds have no picture
    }

    // The grid widgets follow their controls themselves; the view only
    // moves the focus to them and tells the form when the user does.
    QWidget* gridWidget(Control& control, QWidget* widget)
    {
        widget->setObjectName(control.Name());
        bindings.insert(&control, {widget, {}, Mirror::All});
        observers.emplace_back(&control, control.addObserver([this](Control& c, Property property) {
            if (attached && property == Property::Focus)
                apply(c, property);
        }));
        focusOnly.insert(widget);
        route(*widget, control);
        return widget;
    }

    QWidget* labelWidget(fw::Label& control, QWidget& parent)
    {
        auto* widget = new QLabel(&parent);
        widget->setTextFormat(Qt::PlainText);
        return bind(control, widget, [&control, widget](Property property) {
            if (property == Property::Text)
                widget->setText(control.Caption());
            else if (property == Property::Color)
                widget->setAutoFillBackground(control.Color() != fw::ColorRole::Normal);
        });
    }

    QWidget* imageWidget(fw::Image& control, QWidget& parent)
    {
        if (isAnimation(control.ResourceName())) {
            auto* busy = new QProgressBar(&parent);
            busy->setRange(0, 0);
            busy->setTextVisible(false);
            return bind(control, busy, {});
        }
        auto* widget = new QLabel(&parent);
        return bind(control, widget, [&control, widget](Property property) {
            if (property == Property::Picture)
                widget->setPixmap(pixmapOf(control.ResourceName()));
        });
    }

    QWidget* lineEditWidget(fw::Edit& control, QWidget& parent)
    {
        auto* widget = new QLineEdit(&parent);
        if (control.MaxLength > 0 && maskOf(control).isEmpty())
            widget->setMaxLength(control.MaxLength);
        if (dynamic_cast<const fw::NumberEdit*>(&control))
            widget->setAlignment(Qt::AlignRight);
        QObject::connect(widget, &QLineEdit::textEdited, this,
                         [this, &control, widget] { type(control, typedText(control, *widget)); });
        route(*widget, control);
        QLabel* weekday = nullptr;
        if (dynamic_cast<const fw::DateEdit*>(&control))
            weekday = weekdayLabel(*widget, control.Name());
        return bind(control, widget, [&control, widget, weekday](Property property) {
            if (property == Property::Text) {
                showEditText(control, *widget);
                if (weekday)
                    weekday->setText(static_cast<const fw::DateEdit&>(control).WeekdayName());
            } else if (property == Property::ReadOnly) {
                widget->setReadOnly(control.ReadOnly());
            }
        });
    }

    // The weekday of a date, inside the editor on its right ("Segunda-feira").
    static QLabel* weekdayLabel(QLineEdit& editor, const QString& name)
    {
        auto* label = new QLabel(&editor);
        label->setObjectName(name + QStringLiteral("_semana"));
        label->setEnabled(false);
        auto* layout = new QHBoxLayout(&editor);
        layout->setContentsMargins(0, 0, 6, 0);
        layout->addStretch();
        layout->addWidget(label);
        editor.setTextMargins(
            0, 0, label->fontMetrics().horizontalAdvance(QStringLiteral("Quarta-feira")) + 8, 0);
        // A date has one width, whatever room its row leaves.
        editor.setFixedWidth(
            editor.fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000  Quarta-feira")) +
            24);
        editor.setSizePolicy(QSizePolicy::Fixed, editor.sizePolicy().verticalPolicy());
        return label;
    }

    QWidget* memoWidget(fw::Memo& control, QWidget& parent)
    {
        auto* widget = new QPlainTextEdit(&parent);
        widget->setTabChangesFocus(true);
        QObject::connect(widget, &QPlainTextEdit::textChanged, this,
                         [this, &control, widget] { type(control, widget->toPlainText()); });
        route(*widget, control);
        return bind(control, widget, [&control, widget](Property property) {
            if (property == Property::Text && widget->toPlainText() != control.Text()) {
                const QSignalBlocker quiet(widget);
                widget->setPlainText(control.Text());
                widget->moveCursor(QTextCursor::End);
            } else if (property == Property::ReadOnly) {
                widget->setReadOnly(control.ReadOnly());
            }
        });
    }

    QWidget* checkBoxWidget(fw::CheckBox& control, QWidget& parent)
    {
        QAbstractButton* widget = nullptr;
        if (dynamic_cast<const fw::RadioButton*>(&control)) {
            auto* radio = new QRadioButton(&parent);
            radio->setAutoExclusive(false); // the control unchecks its siblings itself
            widget = radio;
        } else {
            widget = new QCheckBox(&parent);
        }
        QObject::connect(widget, &QAbstractButton::clicked, this,
                         [this, &control] { click(control, Property::Checked); });
        route(*widget, control);
        return bind(control, widget, [&control, widget](Property property) {
            if (property == Property::Text) {
                widget->setText(control.Caption());
            } else if (property == Property::Checked) {
                const QSignalBlocker quiet(widget);
                widget->setChecked(control.Checked());
            }
        });
    }

    QWidget* comboBoxWidget(fw::ComboBox& control, QWidget& parent)
    {
        auto* widget = new QComboBox(&parent);
        QObject::connect(widget, &QComboBox::activated, this, [this, &control, widget](int index) {
            type(control, widget->itemText(index));
            afterAction(control, Property::ItemIndex);
        });
        route(*widget, control);
        return bind(control, widget, [&control, widget](Property property) {
            const QSignalBlocker quiet(widget);
            if (property == Property::Items) {
                widget->clear();
                widget->addItems(control.Items());
            }
            if (property == Property::Items || property == Property::ItemIndex)
                widget->setCurrentIndex(control.ItemIndex());
        });
    }

    QWidget* buttonWidget(fw::Button& control, QWidget& parent)
    {
        auto* widget = new QToolButton(&parent);
        const bool lookup = dynamic_cast<const fw::LookupButton*>(&control) != nullptr;
        const std::optional<QStyle::StandardPixmap> pixmap =
            lookup ? QStyle::SP_FileDialogContentsView : commandPixmap(control.Name());
        if (pixmap)
            widget->setIcon(view.style()->standardIcon(*pixmap));
        // A speed button never takes the focus, so the field being typed in
        // keeps it; a bit button takes it through the click, as the form says.
        widget->setFocusPolicy(control.ButtonKind() == fw::Button::Kind::Bit ? Qt::TabFocus
                                                                             : Qt::NoFocus);
        QObject::connect(widget, &QToolButton::clicked, this,
                         [this, &control] { click(control, Property::Text); });
        if (control.ButtonKind() == fw::Button::Kind::Bit)
            route(*widget, control);
        return bind(control, widget, [&control, widget, lookup](Property property) {
            if (property != Property::Text && property != Property::Hint)
                return;
            QString text = control.Caption();
            // A button with nothing else to show still needs a face to be
            // clicked; a long hint is cut there and shows whole in the tip.
            if (text.isEmpty() && widget->icon().isNull())
                text = lookup || control.Hint().isEmpty()
                           ? QStringLiteral("...")
                           : widget->fontMetrics().elidedText(control.Hint(), Qt::ElideRight,
                                                              maxHintFaceWidth(*widget));
            widget->setText(text);
            widget->setToolButtonStyle(widget->icon().isNull() ? Qt::ToolButtonTextOnly
                                       : text.isEmpty()        ? Qt::ToolButtonIconOnly
                                                               : Qt::ToolButtonTextBesideIcon);
        });
    }

    QWidget* panelWidget(fw::Container& control, QWidget& parent)
    {
        auto* widget = new QWidget(&parent);
        fill(control, *widget);
        return bind(control, widget, {});
    }

    QWidget* groupBoxWidget(fw::GroupBox& control, QWidget& parent)
    {
        auto* widget = new QGroupBox(&parent);
        fill(control, *widget);
        return bind(control, widget, [&control, widget](Property property) {
            if (property == Property::Text)
                widget->setTitle(control.Caption());
        });
    }

    QWidget* pageControlWidget(fw::PageControl& control, QWidget& parent)
    {
        auto* tabs = new QTabWidget(&parent);
        for (fw::TabSheet* page : control.Pages()) {
            auto* sheet = new QWidget;
            tabs->addTab(sheet, page->Caption());
            fill(*page, *sheet);
            bindPage(*page, *tabs, *sheet);
        }
        QObject::connect(tabs, &QTabWidget::currentChanged, this,
                         [this, &control, tabs](int index) { chosePage(control, *tabs, index); });
        routed.insert(tabs->tabBar(), &control);
        tabs->tabBar()->installEventFilter(this);
        return bind(control, tabs, [this, &control, tabs](Property property) {
            if (property == Property::Contents)
                orderPages(control, *tabs);
            if (property == Property::ActivePage || property == Property::Contents)
                showActivePage(control, *tabs);
        });
    }

    void bindPage(fw::TabSheet& page, QTabWidget& tabs, QWidget& sheet)
    {
        bind(
            page, &sheet,
            [this, &page, &tabs, &sheet](Property property) {
                const int index = tabs.indexOf(&sheet);
                if (property == Property::Text) {
                    tabs.setTabText(index, page.Caption());
                } else if (property == Property::Enabled) {
                    tabs.setTabEnabled(index, page.Enabled());
                } else if (property == Property::TabVisible || property == Property::Visible) {
                    tabs.setTabVisible(index, page.TabVisible() && page.Visible());
                    if (fw::PageControl* pages = page.pageControl())
                        showActivePage(*pages, tabs); // hiding the current tab moves Qt's
                }
            },
            Mirror::AllButVisible);
    }

    void orderPages(const fw::PageControl& control, QTabWidget& tabs)
    {
        const auto pages = control.Pages();
        const QSignalBlocker quiet(&tabs);
        for (int position = 0; position < static_cast<int>(pages.size()); ++position) {
            const int index = tabs.indexOf(bindings.value(pages[size_t(position)]).widget);
            if (index >= 0 && index != position)
                tabs.tabBar()->moveTab(index, position);
        }
    }

    void showActivePage(const fw::PageControl& control, QTabWidget& tabs)
    {
        const QWidget* sheet = bindings.value(control.ActivePage()).widget;
        const int index = sheet ? tabs.indexOf(sheet) : -1;
        if (index >= 0 && tabs.currentIndex() != index) {
            const QSignalBlocker quiet(&tabs);
            tabs.setCurrentIndex(index);
        }
    }

    // The user clicked a tab: the page control decides, and may refuse.
    void chosePage(fw::PageControl& control, QTabWidget& tabs, int index)
    {
        if (!attached)
            return;
        const QWidget* sheet = tabs.widget(index);
        for (fw::TabSheet* page : control.Pages()) {
            if (bindings.value(page).widget == sheet) {
                runFromWidget([&] { form.userClick(page->Name()); });
                break;
            }
        }
        if (attached)
            showActivePage(control, tabs);
    }
};

FormView::FormView(fw::Form& form, QWidget* parent)
    : QWidget(parent), form_(form), bindings_(new Bindings(*this, form))
{
    setObjectName(form.Name());
    auto* layout = new QVBoxLayout(this);
    bindings_->buildMenus(*layout);
    std::vector<fw::Control*> topLevel;
    for (fw::Control* control : form.controls())
        if (!control->Parent() && !dynamic_cast<fw::Menu*>(control))
            topLevel.push_back(control);
    bindings_->layoutChildren(topLevel, *layout, *this, SpareHeight::Below);
    bindings_->attachToForm();
    bindings_->focusActive();
}

FormView::~FormView()
{
    delete bindings_;
}

} // namespace cmp::ui
