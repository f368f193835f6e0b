// The kinds of controls a form is rendered with, found by the control's own
// type: adding a kind of control is adding its factory and its line in
// widgetKinds(). Labels, images and buttons are built here.
#include "ui/qt/widget_kinds.h"

#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "framework/forms/standard_controls.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/widget_factories.h"

#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <typeindex>
#include <unordered_map>

namespace cmp::ui {

using fw::Control;
using fw::Property;

namespace {

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

} // namespace

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

QWidget* commandButtonWidget(fw::Button& control, QWidget& parent, FormBinder& binder)
{
    return buttonWidget(control, parent, binder, commandPixmap(control.Name()), true);
}

QWidget* lookupButtonWidget(fw::LookupButton& control, QWidget& parent, FormBinder& binder)
{
    return buttonWidget(control, parent, binder, QStyle::SP_FileDialogContentsView, false);
}

namespace {

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
