#pragma once

// The widget factories of the control kinds, for the table of kinds: each
// builds the widget of one kind of control inside parent, binds it and
// returns it.

class QWidget;

namespace cmp::fw {
class Button;
class CheckBox;
class ComboBox;
class DateEdit;
class DBGrid;
class DecisionGrid;
class Edit;
class GroupBox;
class Image;
class Label;
class LookupButton;
class MaskEdit;
class Memo;
class NumberEdit;
class PageControl;
class Panel;
class RadioButton;
} // namespace cmp::fw

namespace cmp::ui {

class FormBinder;

QWidget* labelWidget(fw::Label& control, QWidget& parent, FormBinder& binder);
QWidget* imageWidget(fw::Image& control, QWidget& parent, FormBinder& binder);
QWidget* commandButtonWidget(fw::Button& control, QWidget& parent, FormBinder& binder);
QWidget* lookupButtonWidget(fw::LookupButton& control, QWidget& parent, FormBinder& binder);

// editor_widgets.cpp
QWidget* editWidget(fw::Edit& control, QWidget& parent, FormBinder& binder);
QWidget* maskEditWidget(fw::MaskEdit& control, QWidget& parent, FormBinder& binder);
QWidget* numberEditWidget(fw::NumberEdit& control, QWidget& parent, FormBinder& binder);
QWidget* dateEditWidget(fw::DateEdit& control, QWidget& parent, FormBinder& binder);
QWidget* memoWidget(fw::Memo& control, QWidget& parent, FormBinder& binder);
QWidget* checkBoxWidget(fw::CheckBox& control, QWidget& parent, FormBinder& binder);
QWidget* radioButtonWidget(fw::RadioButton& control, QWidget& parent, FormBinder& binder);
QWidget* comboBoxWidget(fw::ComboBox& control, QWidget& parent, FormBinder& binder);

// container_widgets.cpp
QWidget* panelWidget(fw::Panel& control, QWidget& parent, FormBinder& binder);
QWidget* groupBoxWidget(fw::GroupBox& control, QWidget& parent, FormBinder& binder);
QWidget* pageControlWidget(fw::PageControl& control, QWidget& parent, FormBinder& binder);
QWidget* dbGridWidget(fw::DBGrid& control, QWidget& parent, FormBinder& binder);
QWidget* decisionGridWidget(fw::DecisionGrid& control, QWidget& parent, FormBinder& binder);

} // namespace cmp::ui
