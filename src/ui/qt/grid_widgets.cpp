#include "ui/qt/grid_widgets.h"

#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "ui/qt/pivot_model.h"
#include "ui/qt/record_set_model.h"
#include "ui/qt/user_action.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTableView>

#include <algorithm>

namespace cmp::ui {

namespace {

// What both grid views share: they follow the control's enabled and visible
// state, hand keys to the control's key events and double clicks to its
// OnDblClick, and keep the view's current cell in step with the control.
class ControlTableView : public QTableView
{
public:
    ControlTableView(fw::Control& control, QWidget* parent)
        : QTableView(parent), control_(control), form_(&control.Owner())
    {
        setObjectName(control.Name());
        setSelectionMode(QAbstractItemView::SingleSelection);
        // Tab leaves the grid, as the control's own Tab handling does.
        setTabKeyNavigation(false);
        setEnabled(control.Enabled());
        if (!control.Visible())
            hide();
        connect(this, &QAbstractItemView::doubleClicked, this, [this] {
            if (control_.OnDblClick)
                runFromWidget([this] { control_.Owner().userDblClick(control_.Name()); });
        });
    }
    ~ControlTableView() override
    {
        // A released form may go before its window does.
        if (fw::IsLiveForm(form_))
            control_.removeObserver(observer_);
    }

protected:
    // Starts following the control and the view's current cell, once the
    // view has its model: the model hears of a change before the view does.
    void follow()
    {
        observer_ = control_.addObserver(
            [this](fw::Control&, fw::Property property) { controlChanged(property); });
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) {
                    if (syncing_ || !current.isValid())
                        return;
                    {
                        const QScopedValueRollback guard(syncing_, true);
                        runFromWidget([&] { userMoved(current); });
                    }
                    // Back where the control is, when it refused the move.
                    showCurrent();
                });
        showCurrent();
    }

    // The view's current cell becomes the control's, unless the user is
    // moving it right now.
    void showCurrent()
    {
        if (syncing_)
            return;
        const QModelIndex target = controlCurrent();
        if (target == currentIndex())
            return;
        const QScopedValueRollback guard(syncing_, true);
        if (target.isValid()) {
            setCurrentIndex(target);
            scrollTo(target);
        } else {
            selectionModel()->clearCurrentIndex();
        }
    }

    void routeKey(QKeyEvent* event)
    {
        runFromWidget(
            [&] { control_.Owner().userKey(control_.Name(), event->key(), event->modifiers()); });
        event->accept();
    }

    virtual void controlChanged(fw::Property property)
    {
        if (property == fw::Property::Enabled)
            setEnabled(control_.Enabled());
        else if (property == fw::Property::Visible)
            setVisible(control_.Visible());
        else if (property == fw::Property::Selection)
            showCurrent();
    }

    virtual QModelIndex controlCurrent() const = 0;
    virtual void userMoved(const QModelIndex& current) = 0;

private:
    fw::Control& control_;
    const fw::Form* form_;
    int observer_ = -1;
    bool syncing_ = false;
};

std::vector<RecordSetColumn> gridColumns(const fw::DBGrid& grid)
{
    std::vector<RecordSetColumn> columns;
    for (const fw::GridColumn& column : grid.VisibleColumns())
        columns.push_back({column.FieldName, grid.ColumnTitle(column),
                           column.ReadOnly || grid.ReadOnly || grid.RowSelect});
    return columns;
}

class DBGridView : public ControlTableView
{
public:
    DBGridView(fw::DBGrid& grid, QWidget* parent)
        : ControlTableView(grid, parent), grid_(grid),
          model_(grid.GetDataSource(), gridColumns(grid))
    {
        setModel(&model_);
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed);
        followRowSelect();
        applyWidths();
        connect(&model_, &RecordSetModel::currentRowChanged, this, [this] { showCurrent(); });
        connect(&model_, &QAbstractItemModel::modelReset, this, [this] { applyWidths(); });
        follow();
    }

protected:
    // Typed text opens the cell's editor where the cell takes it; every
    // other key is the control's, whose default moves the record set.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (opensLookup(*event))
            runFromWidget([this] { grid_.EditButtonClick(); });
        else if (startsEditing(*event))
            QTableView::keyPressEvent(event);
        else
            routeKey(event);
    }

    void controlChanged(fw::Property property) override
    {
        if (property == fw::Property::Contents) {
            model_.setDataSource(grid_.GetDataSource());
            model_.setColumns(gridColumns(grid_));
            followRowSelect();
            showCurrent();
        }
        ControlTableView::controlChanged(property);
    }

    QModelIndex controlCurrent() const override
    {
        return model_.index(model_.currentRow(), grid_.SelectedIndex());
    }

    void userMoved(const QModelIndex& current) override
    {
        grid_.SetSelectedIndex(current.column());
        model_.moveTo(current.row());
    }

private:
    void followRowSelect() { setSelectionBehavior(grid_.RowSelect ? SelectRows : SelectItems); }

    // Only when the columns change: a width the user dragged stays otherwise.
    // A column is never narrower than its title.
    void applyWidths()
    {
        const auto columns = grid_.VisibleColumns();
        for (size_t i = 0; i < columns.size(); ++i) {
            const int section = static_cast<int>(i);
            setColumnWidth(
                section, std::max(columns[i].Width, horizontalHeader()->sectionSizeHint(section)));
        }
    }

    bool opensLookup(const QKeyEvent& event) const
    {
        const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
        const bool asked =
            event.key() == Qt::Key_F2 || (enter && event.modifiers().testFlag(Qt::ControlModifier));
        const auto columns = grid_.VisibleColumns();
        const auto selected = static_cast<size_t>(grid_.SelectedIndex());
        return asked && selected < columns.size() &&
               columns[selected].ButtonStyle == fw::ColumnButtonStyle::Ellipsis;
    }

    bool startsEditing(const QKeyEvent& event) const
    {
        const QString text = event.text();
        return !text.isEmpty() && text.front().isPrint() &&
               !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
               (model_.flags(currentIndex()) & Qt::ItemIsEditable);
    }

    fw::DBGrid& grid_;
    RecordSetModel model_;
};

class DecisionGridView : public ControlTableView
{
public:
    DecisionGridView(fw::DecisionGrid& grid, QWidget* parent)
        : ControlTableView(grid, parent), model_(grid)
    {
        setModel(&model_);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionBehavior(SelectItems);
        horizontalHeader()->setDefaultSectionSize(grid.DefaultColWidth);
        verticalHeader()->setDefaultSectionSize(grid.DefaultRowHeight);
        verticalHeader()->setMinimumWidth(grid.FixedColWidth);
        follow();
    }

protected:
    // The control moves its own selection on arrow keys; the view follows.
    void keyPressEvent(QKeyEvent* event) override { routeKey(event); }

    void controlChanged(fw::Property property) override
    {
        if (property == fw::Property::Contents)
            showCurrent();
        ControlTableView::controlChanged(property);
    }

    QModelIndex controlCurrent() const override { return model_.selectedIndex(); }
    void userMoved(const QModelIndex& current) override { model_.select(current); }

private:
    PivotModel model_;
};

} // namespace

QWidget* createDBGridWidget(fw::DBGrid& grid, QWidget* parent)
{
    return new DBGridView(grid, parent);
}

QWidget* createDecisionGridWidget(fw::DecisionGrid& grid, QWidget* parent)
{
    return new DecisionGridView(grid, parent);
}

} // namespace cmp::ui
