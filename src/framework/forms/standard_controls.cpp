#include "framework/forms/standard_controls.h"

#include "framework/core/formats.h"

#include <algorithm>

namespace cmp::fw {

void Image::SetResourceName(const QString& name)
{
    if (resourceName_ == name)
        return;
    resourceName_ = name;
    changed(Property::Picture);
}

void Edit::SetReadOnly(bool readOnly)
{
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    changed(Property::ReadOnly);
}

void Edit::typeText(const QString& text)
{
    if (readOnly_)
        return;
    acceptTyped(MaxLength > 0 ? text.left(MaxLength) : text);
}

void Edit::keyPressDefault(QChar key)
{
    if (key == u'\b')
        typeText(Text().left(std::max<qsizetype>(Text().size() - 1, 0)));
    else if (key.isPrint())
        typeText(Text() + key);
}

void MaskEdit::SetEditMask(const QString& mask)
{
    maskText_ = mask;
    mask_ = cmp::fw::EditMask::parse(mask);
    SetText(Text(), Announce::Quiet);
}

QString MaskEdit::EditText() const
{
    return maskText_.isEmpty() ? Text() : mask_.apply(Text());
}

void MaskEdit::SetText(const QString& text, Announce announce)
{
    assignText(maskText_.isEmpty() ? text : mask_.strip(mask_.apply(text)), announce);
}

bool MaskEdit::IsComplete() const
{
    return maskText_.isEmpty() || Text().trimmed().isEmpty() || mask_.accepts(Text());
}

QString NumberEdit::formatted(double value) const
{
    if (!DisplayFormat.isEmpty())
        return FormatFloat(DisplayFormat, value);
    const QString decimals = decimals_ > 0 ? "." + QString(decimals_, u'0') : QString();
    return FormatFloat("0" + decimals, value);
}

void NumberEdit::SetValue(double value, Announce announce)
{
    value_ = value;
    assignText(formatted(value), announce);
}

void NumberEdit::SetText(const QString& text, Announce announce)
{
    value_ = FloatMaskOut(text);
    assignText(text, announce);
}

void NumberEdit::leaving()
{
    if (!IsEmpty())
        assignText(formatted(value_), Announce::Quiet);
}

void DateEdit::SetDate(const QDate& date, Announce announce)
{
    date_ = date;
    assignText(FormatDate(date), announce);
}

// What an editor shows for a cleared date ("  /  /    ") is no text at all,
// so that a blank date reads blank wherever its text is read.
void DateEdit::SetText(const QString& text, Announce announce)
{
    date_ = DateSetText(text);
    assignText(DateTextIsBlank(text) ? QString() : text, announce);
}

bool DateEdit::IsBlank() const
{
    return Text().isEmpty();
}

QString DateEdit::WeekdayName() const
{
    return NomeSemana(date_);
}

QStringList Memo::Lines() const
{
    return Text().isEmpty() ? QStringList() : Text().split(u'\n');
}

void Memo::SetLines(const QStringList& lines, Announce announce)
{
    SetText(lines.join(u'\n'), announce);
}

void Memo::keyPressDefault(QChar key)
{
    if (key == u'\r')
        typeText(Text() + u'\n');
    else
        Edit::keyPressDefault(key);
}

void CheckBox::storeChecked(bool checked)
{
    checked_ = checked;
    changed(Property::Checked);
}

void CheckBox::SetChecked(bool checked, Announce announce)
{
    if (checked_ == checked)
        return;
    storeChecked(checked);
    if (announce == Announce::Emit)
        fire(OnClick);
}

void CheckBox::keyPressDefault(QChar key)
{
    if (key == u' ')
        Click();
}

void RadioButton::SetChecked(bool checked, Announce announce)
{
    if (checked && Parent()) {
        for (Control* sibling : Parent()->Children()) {
            auto* radio = dynamic_cast<RadioButton*>(sibling);
            if (radio && radio != this && radio->Checked())
                radio->storeChecked(false);
        }
    }
    CheckBox::SetChecked(checked, announce);
}

void ComboBox::SetItems(const QStringList& items)
{
    items_ = items;
    changed(Property::Items);
    if (itemIndex_ >= items_.size())
        SetItemIndex(-1, Announce::Quiet);
}

void ComboBox::SetItemIndex(int index, Announce announce)
{
    if (index < -1 || index >= items_.size())
        index = -1;
    if (itemIndex_ == index)
        return;
    itemIndex_ = index;
    changed(Property::ItemIndex);
    assignText(index < 0 ? QString() : items_.at(index), Announce::Quiet);
    if (announce == Announce::Emit)
        fire(OnChange);
}

void ComboBox::typeText(const QString& text)
{
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const QString& item) {
        return item.compare(text, Qt::CaseInsensitive) == 0;
    });
    if (it != items_.end())
        SetItemIndex(static_cast<int>(it - items_.begin()));
}

void ComboBox::keyDownDefault(Key& key, Shift shift)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        const int next = itemIndex_ + (key == Qt::Key_Down ? 1 : -1);
        if (next >= 0 && next < items_.size())
            SetItemIndex(next);
        key = 0;
        return;
    }
    Control::keyDownDefault(key, shift);
}

} // namespace cmp::fw
