// The widgets of the editor kinds: one-line editors (plain, masked, number,
// date), memos, check boxes, radio buttons and combo boxes.
#include "ui/qt/widget_factories.h"

#include "framework/core/edit_mask.h"
#include "framework/core/formats.h"
#include "framework/forms/standard_controls.h"
#include "ui/qt/form_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <functional>

namespace cmp::ui {

using fw::Property;

namespace {

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

} // namespace

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

} // namespace cmp::ui
