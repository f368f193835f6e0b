#pragma once

#include <functional>

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

// Runs what a user did on a widget as the outermost action: an abort ends it
// quietly (its message was shown), any other error is shown, and nothing
// escapes into Qt's event loop. False when the action did not complete.
bool runFromWidget(const std::function<void()>& action);

} // namespace cmp::ui
