// One factory per control kind, found by the control's own type: adding a
// kind of control is adding its factory and its line in widgetKinds().
#include "ui/qt/widget_kinds.h"

#include "framework/core/edit_mask.h"
#include "framework/core/formats.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "framework/forms/standard_controls.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/form_layout.h"
#include "ui/qt/grid_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <typeindex>
#include <unordered_map>

namespace cmp::ui {

namespace {

using fw::Control;
using fw::Property;

// --- labels and images ---------------------------------------------------------------

QWidget* labelWidget(fw::Label& control, QWidget& parent, FormBinder& binder)
{
    auto* widget = new QLabel(&parent);
    widget->setTextFormat(Qt::PlainText);
    return binder.bind(control, widget, [&control, widget](Property property) {
        if (property == Property::Text)
            widget->setText(control.Caption());
        else if (property == Property::Color)
            widget->setAutoFillBackground(control.Color() != fw::ColorRole::Normal);
    });
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

QWidget* imageWidget(fw::Image& control, QWidget& parent, FormBinder& binder)
{
    if (isAnimation(control.ResourceName())) {
        auto* busy = new QProgressBar(&parent);
        busy->setRange(0, 0);
        busy->setTextVisible(false);
        return binder.bind(control, busy, {});
    }
    auto* widget = new QLabel(&parent);
    return binder.bind(control, widget, [&control, widget](Property property) {
        if (property == Property::Picture)
            widget->setPixmap(pixmapOf(control.ResourceName()));
    });
}

// --- one-line editors --------------------------------------------------------------------

// What sets one kind of one-line editor apart.
struct LineEditStyle
{
    std::function<QString()> mask; // empty: none
    Qt::Alignment alignment = Qt::AlignLeft;
    std::function<QString()> weekday; // set: a date, whose weekday shows inside
};

QString maskOf(const LineEditStyle& style)
{
    return style.mask ? style.mask() : QString();
}

// What the control's text would be after what the widget shows.
QString typedText(const QString& mask, const QLineEdit& widget)
{
    return mask.isEmpty() ? widget.text() : fw::EditMask::parse(mask).strip(widget.displayText());
}

constexpr const char* editMaskProperty = "cmpEditMask";

void showEditText(const fw::Edit& edit, const QString& mask, QLineEdit& widget)
{
    // QLineEdit gives its mask back without the blank character: the widget
    // remembers which one it was given.
    if (widget.property(editMaskProperty).toString() != mask) {
        widget.setProperty(editMaskProperty, mask);
        widget.setInputMask(mask.isEmpty() ? QString() : fw::EditMask::parse(mask).toQtInputMask());
    }
    // Unchanged text keeps the cursor where the user is typing.
    if (typedText(mask, widget) == edit.Text())
        return;
    const int cursor = widget.cursorPosition();
    widget.setText(mask.isEmpty() ? edit.Text() : fw::EditMask::parse(mask).apply(edit.Text()));
    widget.setCursorPosition(cursor);
}

// The weekday of a date, inside the editor on its right ("Segunda-feira").
QLabel* weekdayLabel(QLineEdit& editor, const QString& name)
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
        editor.fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000  Quarta-feira")) + 24);
    editor.setSizePolicy(QSizePolicy::Fixed, editor.sizePolicy().verticalPolicy());
    return label;
}

QWidget* lineEditWidget(fw::Edit& control, QWidget& parent, FormBinder& binder, LineEditStyle style)
{
    auto* widget = new QLineEdit(&parent);
    if (control.MaxLength > 0 && maskOf(style).isEmpty())
        widget->setMaxLength(control.MaxLength);
    widget->setAlignment(style.alignment);
    QObject::connect(widget, &QLineEdit::textEdited, &binder, [&binder, &control, widget, style] {
        binder.type(control, typedText(maskOf(style), *widget));
    });
    binder.route(*widget, control);
    QLabel* weekday = style.weekday ? weekdayLabel(*widget, control.Name()) : nullptr;
    return binder.bind(control, widget, [&control, widget, weekday, style](Property property) {
        if (property == Property::Text) {
            showEditText(control, maskOf(style), *widget);
            if (weekday)
                weekday->setText(style.weekday());
        } else if (property == Property::ReadOnly) {
            widget->setReadOnly(control.ReadOnly());
        }
    });
}

QWidget* editWidget(fw::Edit& control, QWidget& parent, FormBinder& binder)
{
    return lineEditWidget(control, parent, binder, {});
}

QWidget* maskEditWidget(fw::MaskEdit& control, QWidget& parent, FormBinder& binder)
{
    return lineEditWidget(control, parent, binder,
                          {[&control] { return control.EditMask(); }, Qt::AlignLeft, {}});
}

QWidget* numberEditWidget(fw::NumberEdit& control, QWidget& parent, FormBinder& binder)
{
    return lineEditWidget(control, parent, binder, {{}, Qt::AlignRight, {}});
}

QWidget* dateEditWidget(fw::DateEdit& control, QWidget& parent, FormBinder& binder)
{
    return lineEditWidget(control, parent, binder, {fw::DateMask, Qt::AlignLeft, [&control] {
                                                        return control.WeekdayName();
                                                    }});
}

// --- other editors --------------------------------------------------------------------------

QWidget* memoWidget(fw::Memo& control, QWidget& parent, FormBinder& binder)
{
    auto* widget = new QPlainTextEdit(&parent);
    widget->setTabChangesFocus(true);
    QObject::connect(widget, &QPlainTextEdit::textChanged, &binder,
                     [&binder, &control, widget] { binder.type(control, widget->toPlainText()); });
    binder.route(*widget, control);
    return binder.bind(control, widget, [&control, widget](Property property) {
        if (property == Property::Text && widget->toPlainText() != control.Text()) {
            const QSignalBlocker quiet(widget);
            widget->setPlainText(control.Text());
            widget->moveCursor(QTextCursor::End);
        } else if (property == Property::ReadOnly) {
            widget->setReadOnly(control.ReadOnly());
        }
    });
}

QWidget* checkableWidget(fw::CheckBox& control, QAbstractButton* widget, FormBinder& binder)
{
    QObject::connect(widget, &QAbstractButton::clicked, &binder,
                     [&binder, &control] { binder.click(control, Property::Checked); });
    binder.route(*widget, control);
    return binder.bind(control, widget, [&control, widget](Property property) {
        if (property == Property::Text) {
            widget->setText(control.Caption());
        } else if (property == Property::Checked) {
            const QSignalBlocker quiet(widget);
            widget->setChecked(control.Checked());
        }
    });
}

QWidget* checkBoxWidget(fw::CheckBox& control, QWidget& parent, FormBinder& binder)
{
    return checkableWidget(control, new QCheckBox(&parent), binder);
}

QWidget* radioButtonWidget(fw::RadioButton& control, QWidget& parent, FormBinder& binder)
{
    auto* radio = new QRadioButton(&parent);
    radio->setAutoExclusive(false); // the control unchecks its siblings itself
    return checkableWidget(control, radio, binder);
}

QWidget* comboBoxWidget(fw::ComboBox& control, QWidget& parent, FormBinder& binder)
{
    auto* widget = new QComboBox(&parent);
    QObject::connect(widget, &QComboBox::activated, &binder,
                     [&binder, &control, widget](int index) {
                         binder.type(control, widget->itemText(index), Property::ItemIndex);
                     });
    binder.route(*widget, control);
    return binder.bind(control, widget, [&control, widget](Property property) {
        const QSignalBlocker quiet(widget);
        if (property == Property::Items) {
            widget->clear();
            widget->addItems(control.Items());
        }
        if (property == Property::Items || property == Property::ItemIndex)
            widget->setCurrentIndex(control.ItemIndex());
    });
}

// --- buttons ------------------------------------------------------------------------------

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

// The widest face a hint gives a button, a few words, so that a bar of such
// buttons still fits a window.
int maxHintFaceWidth(const QWidget& button)
{
    const QFontMetrics metrics = button.fontMetrics();
    return metrics.horizontalAdvance(QStringLiteral("Cadastramento Automático")) +
           metrics.averageCharWidth();
}

// A button with nothing else to show still needs a face to be clicked: its
// hint, when it has one to show, cut to a few words (the tip shows it
// whole), or else "...".
void showButtonFace(const fw::Button& control, QToolButton& widget, bool hintFace)
{
    QString text = control.Caption();
    if (text.isEmpty() && widget.icon().isNull())
        text = hintFace ? widget.fontMetrics().elidedText(control.Hint(), Qt::ElideRight,
                                                          maxHintFaceWidth(widget))
                        : QStringLiteral("...");
    widget.setText(text);
    widget.setToolButtonStyle(widget.icon().isNull() ? Qt::ToolButtonTextOnly
                              : text.isEmpty()       ? Qt::ToolButtonIconOnly
                                                     : Qt::ToolButtonTextBesideIcon);
}

QWidget* buttonWidget(fw::Button& control, QWidget& parent, FormBinder& binder,
                      std::optional<QStyle::StandardPixmap> pixmap, bool hintFace)
{
    auto* widget = new QToolButton(&parent);
    if (pixmap)
        widget->setIcon(binder.view().style()->standardIcon(*pixmap));
    // A speed button never takes the focus, so the field being typed in keeps
    // it; a bit button takes it through the click, as the form says.
    const bool bit = control.ButtonKind() == fw::Button::Kind::Bit;
    widget->setFocusPolicy(bit ? Qt::TabFocus : Qt::NoFocus);
    QObject::connect(widget, &QToolButton::clicked, &binder,
                     [&binder, &control] { binder.click(control, Property::Text); });
    if (bit)
        binder.route(*widget, control);
    return binder.bind(control, widget, [&control, widget, hintFace](Property property) {
        if (property != Property::Text && property != Property::Hint)
            return;
        showButtonFace(control, *widget, hintFace && !control.Hint().isEmpty());
    });
}

QWidget* commandButtonWidget(fw::Button& control, QWidget& parent, FormBinder& binder)
{
    return buttonWidget(control, parent, binder, commandPixmap(control.Name()), true);
}

QWidget* lookupButtonWidget(fw::LookupButton& control, QWidget& parent, FormBinder& binder)
{
    return buttonWidget(control, parent, binder, QStyle::SP_FileDialogContentsView, false);
}

// --- containers ------------------------------------------------------------------------------

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

// --- grids ------------------------------------------------------------------------------------

QWidget* dbGridWidget(fw::DBGrid& control, QWidget& parent, FormBinder& binder)
{
    return binder.bindGrid(control, createDBGridWidget(control, &parent));
}

QWidget* decisionGridWidget(fw::DecisionGrid& control, QWidget& parent, FormBinder& binder)
{
    return binder.bindGrid(control, createDecisionGridWidget(control, &parent));
}

// --- the kinds ---------------------------------------------------------------------------------

// The factory of one kind, taking the control as the type it builds for.
template <class Kind, auto factory>
QWidget* buildAs(Control& control, QWidget& parent, FormBinder& binder)
{
    return factory(static_cast<Kind&>(control), parent, binder);
}

template <class Kind, auto factory>
std::pair<const std::type_index, WidgetKind> kind(Placement placement, WidgetRole role,
                                                  bool tall = false)
{
    return {std::type_index(typeid(Kind)), {&buildAs<Kind, factory>, placement, role, tall}};
}

// Menus are built apart, and pages by their page control.
const std::unordered_map<std::type_index, WidgetKind>& widgetKinds()
{
    using P = Placement;
    using R = WidgetRole;
    static const std::unordered_map<std::type_index, WidgetKind> kinds{
        kind<fw::Label, labelWidget>(P::OpensRow, R::Label),
        kind<fw::DBText, labelWidget>(P::OpensRow, R::Label),
        kind<fw::Image, imageWidget>(P::JoinsRow, R::Other),
        kind<fw::Edit, editWidget>(P::JoinsRow, R::Editor),
        kind<fw::DBEdit, editWidget>(P::JoinsRow, R::Editor),
        kind<fw::MaskEdit, maskEditWidget>(P::JoinsRow, R::Editor),
        kind<fw::NumberEdit, numberEditWidget>(P::JoinsRow, R::Editor),
        kind<fw::DateEdit, dateEditWidget>(P::JoinsRow, R::Editor),
        kind<fw::Memo, memoWidget>(P::Block, R::Editor, true),
        kind<fw::DBMemo, memoWidget>(P::Block, R::Editor, true),
        kind<fw::ComboBox, comboBoxWidget>(P::JoinsRow, R::Editor),
        kind<fw::CheckBox, checkBoxWidget>(P::OpensRow, R::Other),
        kind<fw::DBCheckBox, checkBoxWidget>(P::OpensRow, R::Other),
        kind<fw::RadioButton, radioButtonWidget>(P::OpensRow, R::Other),
        kind<fw::SpeedButton, commandButtonWidget>(P::JoinsRow, R::Command),
        kind<fw::BitBtn, commandButtonWidget>(P::JoinsRow, R::Command),
        kind<fw::LookupButton, lookupButtonWidget>(P::JoinsRow, R::Command),
        kind<fw::Panel, panelWidget>(P::Block, R::Panel),
        kind<fw::DBNavigator, panelWidget>(P::Block, R::Panel),
        kind<fw::GroupBox, groupBoxWidget>(P::Block, R::Other),
        kind<fw::PageControl, pageControlWidget>(P::Block, R::Other, true),
        kind<fw::DBGrid, dbGridWidget>(P::Block, R::Other, true),
        kind<fw::DecisionGrid, decisionGridWidget>(P::Block, R::Other, true),
    };
    return kinds;
}

QString typeName(const std::type_info& type)
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return QString::fromLatin1(status == 0 ? readable.get() : type.name());
}

} // namespace

const WidgetKind* findWidgetKind(const Control& control)
{
    const auto& kinds = widgetKinds();
    const auto found = kinds.find(std::type_index(typeid(control)));
    return found == kinds.end() ? nullptr : &found->second;
}

const WidgetKind& widgetKind(const Control& control)
{
    if (const WidgetKind* kind = findWidgetKind(control))
        return *kind;
    throw UnknownControlKind(
        QStringLiteral("no widget is made for %1, the kind of control %2.%3")
            .arg(typeName(typeid(control)), control.Owner().Name(), control.Name())
            .toStdString());
}

} // namespace cmp::ui
