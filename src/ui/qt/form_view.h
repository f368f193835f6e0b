#pragma once

#include <QWidget>

namespace cmp::fw {
class Form;
}

namespace cmp::ui {

// A form rendered as widgets, built generically from its control tree. The
// widgets follow the controls both ways for as long as the view lives.
class FormView : public QWidget
{
    Q_OBJECT

public:
    explicit FormView(fw::Form& form, QWidget* parent = nullptr);
    ~FormView() override;

    fw::Form& form() const { return form_; }

private:
    fw::Form& form_;
    struct Bindings;
    Bindings* bindings_;
};

} // namespace cmp::ui
