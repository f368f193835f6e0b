// The user's actions on the controls of the current form.
#include "scenario/commands.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "scenario/arguments.h"
#include "scenario/grid_cells.h"
#include "scenario/runner.h"

namespace cmp::scenario {

namespace {

bool onScreen(const fw::Control& control)
{
    if (const auto* page = dynamic_cast<const fw::TabSheet*>(&control))
        return page->TabVisible() && page->pageControl() && page->pageControl()->Showing();
    return control.Showing();
}

// A person can only act on what is enabled and shown; acting on anything
// else is a mistake in the scenario or a fault in the screen.
fw::Control& usable(Runner& runner, const QString& name)
{
    fw::Control& control = runner.control(name);
    if (!control.EnabledInTree())
        fail(QStringLiteral("%1 is disabled").arg(name));
    if (!onScreen(control))
        fail(QStringLiteral("%1 is not visible").arg(name));
    return control;
}

fw::Control& focusable(Runner& runner, const QString& name)
{
    fw::Control& control = usable(runner, name);
    if (!control.CanFocus())
        fail(QStringLiteral("%1 cannot take the focus").arg(name));
    return control;
}

void click(Runner& runner, const Step& step)
{
    usable(runner, step.args.at(0));
    runner.form().userClick(step.args.at(0));
}

void doubleClick(Runner& runner, const Step& step)
{
    usable(runner, step.args.at(0));
    runner.form().userDblClick(step.args.at(0));
}

void focus(Runner& runner, const Step& step)
{
    focusable(runner, step.args.at(0));
    runner.form().userFocus(step.args.at(0));
}

void type(Runner& runner, const Step& step)
{
    focusable(runner, step.args.at(0));
    runner.form().userType(step.args.at(0), step.args.at(1));
}

void pressKey(Runner& runner, const QString& name, const KeyPress& press)
{
    focusable(runner, name);
    runner.form().userKey(name, press.key, press.shift);
}

// Each key is an action of its own, as a person types: the field's key
// handlers see the text typed so far, and one refused key ends only itself.
void typeKeys(Runner& runner, const Step& step)
{
    const QString& name = step.args.at(0);
    for (const KeyPress& press : toTypedKeys(step.args.at(1)))
        pressKey(runner, name, press);
}

// The grid gets the focus, as a click on it would give, then the selection moves.
template <class Grid, class Select> void selectInGrid(Runner& runner, Grid& grid, Select select)
{
    fw::Form& form = runner.form();
    if (form.userFocus(grid.Name()))
        fw::RunUserAction(select);
}

void selectRecord(Runner& runner, fw::DBGrid& grid, const GridCell& cell)
{
    fw::ClientDataSet* set = grid.GetDataSource() ? grid.GetDataSource()->DataSet() : nullptr;
    if (!set)
        fail(QStringLiteral("%1 shows no record set").arg(grid.Name()));
    selectInGrid(runner, grid, [&] {
        set->SetRecNo(cell.row + 1);
        grid.SetSelectedIndex(cell.column);
    });
}

void selectRow(Runner& runner, const Step& step)
{
    auto& grid = runner.control<fw::DBGrid>(step.args.at(0), "data grid");
    focusable(runner, grid.Name());
    selectRecord(runner, grid, {findRecord(grid, step.args.at(1)), grid.SelectedIndex()});
}

void selectCell(Runner& runner, const Step& step)
{
    fw::Control& control = focusable(runner, step.args.at(0));
    const QString& row = step.args.at(1);
    const QString& column = step.args.at(2);
    if (auto* grid = dynamic_cast<fw::DBGrid*>(&control))
        return selectRecord(runner, *grid, findCell(*grid, row, column));
    auto& cross = runner.control<fw::DecisionGrid>(control.Name(), "grid");
    const GridCell cell = findCell(cross, row, column);
    selectInGrid(runner, cross, [&] { cross.SelectCell(cell.column, cell.row); });
}

} // namespace

const std::vector<Command>& actionCommands()
{
    static const std::vector<Command> commands{
        {"click", "click CONTROL", 1, 1, nullptr, click},
        {"dblclick", "dblclick CONTROL", 1, 1, nullptr, doubleClick},
        {"focus", "focus CONTROL", 1, 1, nullptr, focus},
        {"type", "type CONTROL TEXT", 2, 2, nullptr, type},
        {"leave", "leave CONTROL", 1, 1, nullptr,
         [](Runner& runner, const Step& step) {
             pressKey(runner, step.args.at(0), {Qt::Key_Tab, Qt::NoModifier});
         }},
        {"key", "key CONTROL KEY", 2, 2, [](const QStringList& args) { toKey(args.at(1)); },
         [](Runner& runner, const Step& step) {
             pressKey(runner, step.args.at(0), toKey(step.args.at(1)));
         }},
        {"keys", "keys CONTROL TEXT", 2, 2,
         [](const QStringList& args) { toTypedKeys(args.at(1)); }, typeKeys},
        {"row", "row GRID ROW", 2, 2, [](const QStringList& args) { checkGridRow(args.at(1)); },
         selectRow},
        {"cell", "cell GRID ROW COLUMN", 3, 3, nullptr, selectCell},
        {"close", "close", 0, 0, nullptr,
         [](Runner& runner, const Step&) { runner.form().userClose(); }},
    };
    return commands;
}

} // namespace cmp::scenario
