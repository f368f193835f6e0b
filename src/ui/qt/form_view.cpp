#include "ui/qt/form_view.h"

#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "ui/qt/form_binder.h"
#include "ui/qt/form_layout.h"

#include <QVBoxLayout>

namespace cmp::ui {

FormView::FormView(fw::Form& form, QWidget* parent)
    : QWidget(parent), form_(form), binder_(std::make_unique<FormBinder>(*this, form))
{
    setObjectName(form.Name());
    auto* layout = new QVBoxLayout(this);
    binder_->buildMenus(*layout);
    std::vector<fw::Control*> topLevel;
    for (fw::Control* control : form.controls())
        if (!control->Parent() && !dynamic_cast<fw::Menu*>(control))
            topLevel.push_back(control);
    layOutControls(topLevel, *layout, *this, SpareHeight::Below, *binder_);
    binder_->attachToForm();
    binder_->focusActive();
}

FormView::~FormView() = default;

} // namespace cmp::ui
