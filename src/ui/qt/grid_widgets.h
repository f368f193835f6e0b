#pragma once

class QWidget;

namespace cmp::fw {
class DBGrid;
class DecisionGrid;
} // namespace cmp::fw

namespace cmp::ui {

// The widgets of the two grid control kinds. Each widget follows its control
// both ways (contents, current row or cell, enabled, visible) and routes the
// keys typed on it to the control's key events; it lives as long as parent.
QWidget* createDBGridWidget(fw::DBGrid& grid, QWidget* parent);
QWidget* createDecisionGridWidget(fw::DecisionGrid& grid, QWidget* parent);

} // namespace cmp::ui
