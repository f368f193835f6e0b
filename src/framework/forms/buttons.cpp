#include "framework/forms/buttons.h"

#include "framework/forms/form.h"
#include "framework/forms/menus.h"

namespace cmp::fw {

Button::Button(Form& form, QString name, Kind kind) : Control(form, std::move(name)), kind_(kind)
{
    TabStop = kind == Kind::Bit;
}

void Button::clicked()
{
    fire(OnClick);
    if (ModalResult != mrNone)
        Owner().SetModalResult(ModalResult);
    if (DropdownMenu)
        DropdownMenu->Popup(*this);
}

void LookupButton::clicked()
{
    fire(OnClick);
    bool canSearch = true;
    if (BeforePesq)
        BeforePesq(*this, canSearch);
    if (canSearch && runLookup && runLookup(*this) && AfterPesq)
        AfterPesq(*this);
}

} // namespace cmp::fw
