#pragma once

#include "framework/core/edit_mask.h"
#include "framework/forms/control.h"
#include "framework/forms/form.h"

#include <QDate>
#include <QStringList>

namespace cmp::fw {

class Label : public Control
{
public:
    Label(Form& form, QString name) : Control(form, std::move(name)) { TabStop = false; }
};

// A control after the label that names it, so that the row reads as a form.
template <class T>
T& createLabelled(const QString& name, Form& form, Control* parent, const char* labelName,
                  const char* caption)
{
    form.createCaptioned<Label>(QString::fromLatin1(labelName), parent, QString::fromUtf8(caption));
    return form.create<T>(name, parent);
}

class Image : public Control
{
public:
    Image(Form& form, QString name) : Control(form, std::move(name)) { TabStop = false; }

    const QString& ResourceName() const { return resourceName_; }
    void SetResourceName(const QString& name);

private:
    QString resourceName_;
};

// A one-line editor. Typing replaces the text, cut at MaxLength (0: no limit);
// a read-only editor refuses typing but can be focused.
class Edit : public Control
{
public:
    using Control::Control;

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    int MaxLength = 0;

    void typeText(const QString& text) override;
    void keyPressDefault(QChar key) override;

protected:
    bool focusable() const override { return true; }
    // The typed text as it is accepted, already cut to MaxLength.
    virtual void acceptTyped(const QString& text) { SetText(text); }

private:
    bool readOnly_ = false;
};

// An editor with an edit mask: Text is the raw value (literals kept only when
// the mask saves them), EditText what the user sees.
class MaskEdit : public Edit
{
public:
    using Edit::Edit;

    QString EditMask() const { return maskText_; }
    void SetEditMask(const QString& mask);
    QString EditText() const;
    void SetText(const QString& text, Announce announce = Announce::Emit) override;
    // Empty, or every required position filled.
    bool IsComplete() const;

private:
    QString maskText_;
    cmp::fw::EditMask mask_;
};

// A number editor: the text follows the typing while it has the focus and
// is written with the display format when the focus leaves.
class NumberEdit : public Edit
{
public:
    using Edit::Edit;

    double Value() const { return value_; }
    void SetValue(double value, Announce announce = Announce::Emit);
    void SetText(const QString& text, Announce announce = Announce::Emit) override;
    bool IsEmpty() const { return Text().trimmed().isEmpty(); }

    int Decimals() const { return decimals_; }
    void SetDecimals(int decimals) { decimals_ = decimals; }
    // "#,##0.000"; empty: plain digits with Decimals decimals.
    QString DisplayFormat;

    QString formatted(double value) const;

protected:
    void leaving() override;

private:
    double value_ = 0;
    int decimals_ = 0;
};

// A date editor, "dd/mm/yyyy"; an empty or impossible text has no date.
class DateEdit : public Edit
{
public:
    using Edit::Edit;

    QDate Date() const { return date_; }
    void SetDate(const QDate& date, Announce announce = Announce::Emit);
    void SetText(const QString& text, Announce announce = Announce::Emit) override;
    bool IsBlank() const;
    // Blank, or a real date.
    bool HasValidDate() const { return IsBlank() || date_.isValid(); }
    QString WeekdayName() const;

private:
    QDate date_;
};

// Several lines of text; Lines and Text show the same content.
class Memo : public Edit
{
public:
    using Edit::Edit;

    QStringList Lines() const;
    void SetLines(const QStringList& lines, Announce announce = Announce::Emit);
    void keyPressDefault(QChar key) override;
};

// A check box and a radio button both raise OnClick when their state
// changes, also by code, unless told to be quiet.
class CheckBox : public Control
{
public:
    using Control::Control;

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool checked, Announce announce = Announce::Emit);
    void keyPressDefault(QChar key) override;

protected:
    bool focusable() const override { return true; }
    void clicked() override { SetChecked(!checked_); }
    void storeChecked(bool checked);

private:
    bool checked_ = false;
};

// Checking a radio button unchecks the other radio buttons of its container.
class RadioButton : public CheckBox
{
public:
    using CheckBox::CheckBox;

    void SetChecked(bool checked, Announce announce = Announce::Emit) override;

protected:
    void clicked() override { SetChecked(true); }
};

// A drop-down list: the text is the chosen item's.
class ComboBox : public Control
{
public:
    using Control::Control;

    const QStringList& Items() const { return items_; }
    void SetItems(const QStringList& items);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index, Announce announce = Announce::Emit);
    // Typing chooses the item with that text, ignoring case.
    void typeText(const QString& text) override;
    void keyDownDefault(Key& key, Shift shift) override;

protected:
    bool focusable() const override { return true; }

private:
    QStringList items_;
    int itemIndex_ = -1;
};

} // namespace cmp::fw
