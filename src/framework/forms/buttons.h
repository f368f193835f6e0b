#pragma once

#include "framework/forms/control.h"

#include <functional>

namespace cmp::fw {

class ClientDataSet;

// Command buttons. A speed button does not take the focus, so clicking it
// leaves the field being typed in without running its OnExit; a bit button
// takes the focus first, as any focusable control does.
class Button : public Control
{
public:
    enum class Kind
    {
        Speed,
        Bit
    };

    Button(Form& form, QString name, Kind kind = Kind::Speed);

    Kind ButtonKind() const { return kind_; }
    // Set on a modal form by the click, after OnClick, when not mrNone.
    int ModalResult = 0;
    // A menu the click opens under the button, after OnClick.
    Menu* DropdownMenu = nullptr;

protected:
    bool focusable() const override { return kind_ == Kind::Bit; }
    void clicked() override;

private:
    Kind kind_;
};

class SpeedButton : public Button
{
public:
    SpeedButton(Form& form, QString name) : Button(form, std::move(name), Kind::Speed) {}
};

class BitBtn : public Button
{
public:
    BitBtn(Form& form, QString name) : Button(form, std::move(name), Kind::Bit) {}
};

// The lookup button of an editor: BeforePesq may refuse and prepares the
// rows, the UI port shows them (runLookup, true when the user chose a row,
// leaving the record set on it) and AfterPesq copies the chosen row.
class LookupButton : public Button
{
public:
    using BeforeEvent = std::function<void(LookupButton&, bool& canSearch)>;
    using AfterEvent = std::function<void(LookupButton&)>;

    LookupButton(Form& form, QString name) : Button(form, std::move(name), Kind::Speed) {}

    QString Title;
    QString EmptyMessage; // shown by the port when there is no row to choose
    ClientDataSet* DataSet = nullptr;

    BeforeEvent BeforePesq;
    AfterEvent AfterPesq;
    std::function<bool(LookupButton&)> runLookup;

protected:
    void clicked() override;
};

} // namespace cmp::fw
