#pragma once

#include <QWidget>

#include <memory>

namespace cmp::fw {
class Form;
}

namespace cmp::ui {

class FormBinder;

// A form rendered as widgets, built generically from its control tree. The
// widgets follow the controls both ways for as long as the view lives.
// Throws UnknownControlKind for a control no widget is made for.
class FormView : public QWidget
{
    Q_OBJECT

public:
    explicit FormView(fw::Form& form, QWidget* parent = nullptr);
    ~FormView() override;

    fw::Form& form() const { return form_; }

private:
    fw::Form& form_;
    std::unique_ptr<FormBinder> binder_;
};

} // namespace cmp::ui
