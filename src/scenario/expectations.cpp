// What a scenario checks: messages, controls, forms, grids and the database.
#include "scenario/commands.h"

#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/scripted_ui_port.h"
#include "scenario/arguments.h"
#include "scenario/grid_cells.h"
#include "scenario/runner.h"

#include <QSqlError>
#include <QSqlQuery>

namespace cmp::scenario {

namespace {

QString quote(const QString& text)
{
    return QStringLiteral("\"%1\"").arg(text);
}

void expectEqual(const QString& what, const QString& seen, const QString& expected)
{
    if (seen != expected)
        fail(QStringLiteral("%1 is %2").arg(what, quote(seen)));
}

// --- control state --------------------------------------------------------------

bool isChecked(const fw::Control& control)
{
    if (const auto* box = dynamic_cast<const fw::CheckBox*>(&control))
        return box->Checked();
    if (const auto* entry = dynamic_cast<const fw::MenuItem*>(&control))
        return entry->Checked();
    fail(QStringLiteral("%1 has no check mark").arg(control.Name()));
}

// Usable: enabled itself and inside enabled containers.
bool isEnabled(const fw::Control& control)
{
    return control.EnabledInTree();
}

// Visible as the user sees it: inside shown containers, a page only while
// active, and a page's tab while the tab shows.
bool isVisible(const fw::Control& control)
{
    if (const auto* page = dynamic_cast<const fw::TabSheet*>(&control))
        return page->Visible() && page->TabVisible() && page->pageControl() &&
               page->pageControl()->Showing();
    return control.Showing();
}

using StateTest = bool (*)(const fw::Control&);

// Checks every control named; a failure names each one that differs.
void expectState(Runner& runner, const Step& step, StateTest holds, bool expected)
{
    QStringList wrong;
    for (const QString& name : step.args)
        if (holds(runner.control(name)) != expected)
            wrong << name;
    if (!wrong.isEmpty())
        fail(QStringLiteral("not so: %1").arg(wrong.join(u' ')));
}

// --- forms ------------------------------------------------------------------------

void expectForm(Runner&, const Step& step)
{
    const QString& name = step.args.at(0);
    const QString& state = step.args.at(1);
    const fw::Form* form = fw::findLiveForm(name);
    const bool shown = form && form->Visible();
    const QString seen = !form   ? QStringLiteral("freed")
                         : shown ? QStringLiteral("visible")
                                 : QStringLiteral("hidden");
    const bool holds = state == QLatin1String("closed") ? !shown : seen == state;
    if (!holds)
        fail(QStringLiteral("%1 is %2").arg(name, seen));
}

void checkFormState(const QStringList& args)
{
    static const QStringList states{"visible", "hidden", "closed", "freed"};
    if (!states.contains(args.at(1)))
        badArgument(QStringLiteral("\"%1\" is not %2").arg(args.at(1), states.join(", ")));
}

// --- grids --------------------------------------------------------------------------

QString cellText(Runner& runner, const Step& step)
{
    fw::Control& control = runner.control(step.args.at(0));
    const QString& row = step.args.at(1);
    const QString& column = step.args.at(2);
    if (const auto* grid = dynamic_cast<const fw::DBGrid*>(&control)) {
        const GridCell cell = findCell(*grid, row, column);
        return grid->CellText(cell.row, cell.column);
    }
    auto& cross = runner.control<fw::DecisionGrid>(control.Name(), "grid");
    const GridCell cell = findCell(cross, row, column);
    return cross.DrawCell(cell.column, cell.row).text;
}

// The matrix names its selected cell by the labels of its row and column.
void expectSelected(Runner& runner, const Step& step)
{
    fw::Control& control = runner.control(step.args.at(0));
    const QString& row = step.args.at(1);
    const QString& column = step.args.at(2);
    if (const auto* grid = dynamic_cast<const fw::DBGrid*>(&control)) {
        const GridCell cell = findCell(*grid, row, column);
        if (grid->Row() != cell.row || grid->SelectedIndex() != cell.column)
            fail(QStringLiteral("the selected cell is row %1, column %2")
                     .arg(grid->Row() + 1)
                     .arg(grid->SelectedIndex() + 1));
        return;
    }
    auto& cross = runner.control<fw::DecisionGrid>(control.Name(), "grid");
    const GridCell cell = findCell(cross, row, column);
    if (cross.Row() != cell.row || cross.Col() != cell.column)
        fail(QStringLiteral("the selected cell is %1, %2")
                 .arg(quote(cross.RowLabel(cross.Row())), quote(cross.ColLabel(cross.Col()))));
}

void expectCellColor(Runner& runner, const Step& step)
{
    auto& grid = runner.control<fw::DecisionGrid>(step.args.at(0), "cross-table grid");
    const GridCell cell = findCell(grid, step.args.at(1), step.args.at(2));
    const fw::DecisionGrid::CellColor seen = grid.DrawCell(cell.column, cell.row).color;
    if (seen != toCellColor(step.args.at(3)))
        fail(QStringLiteral("the cell is %1").arg(cellColorName(seen)));
}

// --- server calls -----------------------------------------------------------------

void expectCalls(Runner& runner, const QStringList& methods)
{
    const Runner::ActionCalls last = runner.lastActionCalls();
    if (last.line == 0)
        fail(QStringLiteral("no action ran before this line"));
    if (last.methods != methods)
        fail(last.methods.isEmpty()
                 ? QStringLiteral("the action of line %1 called no server method").arg(last.line)
                 : QStringLiteral("the action of line %1 called %2")
                       .arg(last.line)
                       .arg(last.methods.join(u' ')));
}

// --- database ---------------------------------------------------------------------

QSqlQuery query(Runner& runner, const QString& sql)
{
    QSqlQuery rows(runner.database());
    if (!rows.exec(sql))
        fail(rows.lastError().text());
    return rows;
}

int rowCount(Runner& runner, const QString& sql)
{
    QSqlQuery rows = query(runner, sql);
    int count = 0;
    while (rows.next())
        ++count;
    return count;
}

QString firstValue(Runner& runner, const QString& sql)
{
    QSqlQuery rows = query(runner, sql);
    if (!rows.next())
        fail(QStringLiteral("the query gives no row"));
    return rows.value(0).toString();
}

void checkCount(const QStringList& args)
{
    toNumber(args.last());
}

} // namespace

const std::vector<Command>& expectCommands()
{
    static const std::vector<Command> commands{
        {"expect error", "expect error TEXT", 1, 1, nullptr,
         [](Runner& runner, const Step& step) {
             runner.expectMessage(fw::UiEventKind::Error, step.args.at(0));
         }},
        {"expect info", "expect info TEXT", 1, 1, nullptr,
         [](Runner& runner, const Step& step) {
             runner.expectMessage(fw::UiEventKind::Info, step.args.at(0));
         }},
        {"expect question", "expect question TEXT", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.expectQuestion(step.args.at(0)); }},
        {"expect no", "expect no messages|calls", 1, 1,
         [](const QStringList& args) {
             if (args.at(0) != QLatin1String("messages") && args.at(0) != QLatin1String("calls"))
                 badArgument(QStringLiteral("usage: expect no messages|calls"));
         },
         [](Runner& runner, const Step& step) {
             if (step.args.at(0) == QLatin1String("calls"))
                 expectCalls(runner, {});
             else
                 runner.expectNoMessages();
         }},
        {"expect calls", "expect calls METHOD...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectCalls(runner, step.args); }},
        {"expect enabled", "expect enabled CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isEnabled, true); }},
        {"expect disabled", "expect disabled CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isEnabled, false); }},
        {"expect visible", "expect visible CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isVisible, true); }},
        {"expect hidden", "expect hidden CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isVisible, false); }},
        {"expect checked", "expect checked CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isChecked, true); }},
        {"expect unchecked", "expect unchecked CONTROL...", 1, -1, nullptr,
         [](Runner& runner, const Step& step) { expectState(runner, step, isChecked, false); }},
        {"expect focus", "expect focus CONTROL", 1, 1, nullptr,
         [](Runner& runner, const Step& step) {
             const fw::Control* active = runner.form().ActiveControl();
             runner.control(step.args.at(0));
             if (!active || active->Name().compare(step.args.at(0), Qt::CaseInsensitive) != 0)
                 fail(QStringLiteral("the focus is on %1")
                          .arg(active ? active->Name() : QStringLiteral("nothing")));
         }},
        {"expect text", "expect text CONTROL TEXT", 2, 2, nullptr,
         [](Runner& runner, const Step& step) {
             expectEqual(QStringLiteral("the text"), runner.control(step.args.at(0)).Text(),
                         step.args.at(1));
         }},
        {"expect color", "expect color CONTROL normal|required|disabled|info", 2, 2,
         [](const QStringList& args) { toColorRole(args.at(1)); },
         [](Runner& runner, const Step& step) {
             const fw::ColorRole seen = runner.control(step.args.at(0)).Color();
             if (seen != toColorRole(step.args.at(1)))
                 fail(QStringLiteral("the colour is %1").arg(colorRoleName(seen)));
         }},
        {"expect page", "expect page PAGECONTROL PAGE", 2, 2, nullptr,
         [](Runner& runner, const Step& step) {
             const auto& pages = runner.control<fw::PageControl>(step.args.at(0), "page control");
             const QString seen = pages.ActivePage() ? pages.ActivePage()->Name() : QString();
             if (seen.compare(step.args.at(1), Qt::CaseInsensitive) != 0)
                 fail(QStringLiteral("the active page is %1").arg(seen.isEmpty() ? "none" : seen));
         }},
        {"expect caption", "expect caption TEXT", 1, 1, nullptr,
         [](Runner& runner, const Step& step) {
             expectEqual(QStringLiteral("the caption"), runner.form().Caption(), step.args.at(0));
         }},
        {"expect form", "expect form NAME visible|hidden|closed|freed", 2, 2, checkFormState,
         expectForm},
        {"expect count", "expect count GRID NUMBER", 2, 2, checkCount,
         [](Runner& runner, const Step& step) {
             const int seen = gridRowCount(runner.control(step.args.at(0)));
             if (seen != toNumber(step.args.at(1)))
                 fail(QStringLiteral("it has %1 rows").arg(seen));
         }},
        {"expect row", "expect row GRID ROW", 2, 2,
         [](const QStringList& args) { checkGridRow(args.at(1)); },
         [](Runner& runner, const Step& step) {
             const auto& grid = runner.control<fw::DBGrid>(step.args.at(0), "data grid");
             if (grid.Row() != findRecord(grid, step.args.at(1)))
                 fail(QStringLiteral("the current row is %1").arg(grid.Row() + 1));
         }},
        {"expect cell", "expect cell GRID ROW COLUMN TEXT", 4, 4, nullptr,
         [](Runner& runner, const Step& step) {
             expectEqual(QStringLiteral("the cell"), cellText(runner, step), step.args.at(3));
         }},
        {"expect selected", "expect selected GRID ROW COLUMN", 3, 3, nullptr, expectSelected},
        {"expect cellcolor", "expect cellcolor GRID ROW COLUMN normal|info|grey|yellow", 4, 4,
         [](const QStringList& args) { toCellColor(args.at(3)); }, expectCellColor},
        {"expect rows", "expect rows SQL NUMBER", 2, 2, checkCount,
         [](Runner& runner, const Step& step) {
             const int seen = rowCount(runner, step.args.at(0));
             if (seen != toNumber(step.args.at(1)))
                 fail(QStringLiteral("the query gives %1 rows").arg(seen));
         }},
        {"expect value", "expect value SQL TEXT", 2, 2, nullptr,
         [](Runner& runner, const Step& step) {
             expectEqual(QStringLiteral("the value"), firstValue(runner, step.args.at(0)),
                         step.args.at(1));
         }},
    };
    return commands;
}

} // namespace cmp::scenario
