#include "support/qt_application.h"
#include "ui/qt/grid_widgets.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "support/shown_errors.h"

#include <QHeaderView>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

using fw::FieldType;

// A form with an item grid and a quantity matrix over the same records,
// each rendered in a shown window.
class GridWidgetsTest : public test::ShownErrors
{
protected:
    void SetUp() override
    {
        ShownErrors::SetUp();
        items.AddField("CDPRODUTO", FieldType::String, 10);
        items.AddField("DTENTREGA", FieldType::Date);
        items.AddField("QTSOLI", FieldType::Float).DisplayFormat = "#,##0.000";
        items.CreateDataSet();
        for (int i = 1; i <= 3; ++i)
            for (int day = 7; day <= 8; ++day) {
                items.Append();
                items.FieldByName("CDPRODUTO")
                    .SetValue(QString::number(i * 101).rightJustified(4, '0'));
                items.FieldByName("DTENTREGA").SetValue(QDate(2026, 12, day));
                items.FieldByName("QTSOLI").SetValue(i * day);
                items.Post();
            }
        items.First();

        dbGrid.SetDataSource(&source);
        dbGrid.AddColumn("CDPRODUTO", "Produto").ReadOnly = true;
        dbGrid.AddColumn("DTENTREGA", "Entrega");
        dbGrid.AddColumn("QTSOLI", "Quantidade").ButtonStyle = fw::ColumnButtonStyle::Ellipsis;
        matrix.Build(items, "CDPRODUTO", "DTENTREGA", "QTSOLI");

        itemView = qobject_cast<QTableView*>(createDBGridWidget(dbGrid, &window));
        matrixView = qobject_cast<QTableView*>(createDecisionGridWidget(matrix, &window));
        ASSERT_TRUE(itemView && matrixView);
        itemView->setGeometry(0, 0, 400, 300);
        matrixView->setGeometry(0, 300, 400, 300);
        window.resize(400, 600);
        window.show();
    }

    static void click(QTableView& view, const QModelIndex& index)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
    }

    fw::ClientDataSet items{"cdsItemSoli"};
    fw::DataSource source{&items};
    fw::Form form{"frmItens"};
    fw::DBGrid& dbGrid = form.create<fw::DBGrid>("grdItens");
    fw::DecisionGrid& matrix = form.create<fw::DecisionGrid>("dcgMatriz");
    QWidget window;
    QTableView* itemView = nullptr;
    QTableView* matrixView = nullptr;
};

TEST_F(GridWidgetsTest, shouldShowTheColumnsOfTheGridWithTheirTitles)
{
    EXPECT_EQ(itemView->model()->headerData(1, Qt::Horizontal).toString(), "Entrega");
    // A title wider than its column widens it rather than being cut.
    const QFontMetrics header = itemView->horizontalHeader()->fontMetrics();
    EXPECT_GT(itemView->columnWidth(2), header.horizontalAdvance("Quantidade"));
}

TEST_F(GridWidgetsTest, shouldKeepTheCurrentRowAndRecordInStepBothWays)
{
    items.SetRecNo(4);
    dbGrid.SetSelectedIndex(2);
    EXPECT_EQ(itemView->currentIndex(), itemView->model()->index(3, 2));

    click(*itemView, itemView->model()->index(1, 1));
    EXPECT_EQ(items.RecNo(), 2);
    EXPECT_EQ(dbGrid.SelectedIndex(), 1);

    // A record set that refuses to scroll keeps the view where the record is.
    items.BeforeScroll = [](fw::ClientDataSet&) { fw::MensErro("Registro em uso", true); };
    click(*itemView, itemView->model()->index(4, 1));
    EXPECT_EQ(items.RecNo(), 2);
    EXPECT_EQ(itemView->currentIndex().row(), 1);
    EXPECT_EQ(shown, QStringList{"Registro em uso"});
}

TEST_F(GridWidgetsTest, shouldWriteWhatIsTypedOnAnEditableCell)
{
    click(*itemView, itemView->model()->index(2, 1));
    QTest::keyClicks(itemView, "3");
    QWidget* editor = itemView->indexWidget(itemView->currentIndex());
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, "1/12/2026");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits from the event loop
    EXPECT_EQ(items.RecNo(), 3);
    EXPECT_EQ(items.FieldByName("DTENTREGA").AsDate(), QDate(2026, 12, 31));
}

TEST_F(GridWidgetsTest, shouldHandKeysToTheGridControlWhoseHandlerMaySwallowThem)
{
    QList<int> seen;
    dbGrid.OnKeyDown = [&](fw::Control&, fw::Key& key, fw::Shift) {
        seen.append(key);
        if (key == Qt::Key_Delete)
            key = 0;
    };
    QTest::keyClick(itemView, Qt::Key_Down);
    EXPECT_EQ(items.RecNo(), 2) << "the control's default moves the record set";
    QTest::keyClick(itemView, Qt::Key_Delete);
    EXPECT_EQ(seen, (QList<int>{Qt::Key_Down, Qt::Key_Delete}));
    EXPECT_EQ(items.RecordCount(), 6);

    int lookups = 0;
    dbGrid.OnEditButtonClick = [&](fw::Control&) { ++lookups; };
    dbGrid.SetSelectedIndex(2);
    QTest::keyClick(itemView, Qt::Key_F2);
    QTest::keyClick(itemView, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(lookups, 2);
}

TEST_F(GridWidgetsTest, shouldFollowEnabledVisibleAndRowSelectOfTheGrid)
{
    dbGrid.SetEnabled(false);
    EXPECT_FALSE(itemView->isEnabled());
    matrix.SetVisible(false);
    EXPECT_TRUE(matrixView->isHidden());

    dbGrid.RowSelect = true;
    dbGrid.AddColumn("CDPRODUTO", "Outro");
    EXPECT_EQ(itemView->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(
        itemView->model()->flags(itemView->model()->index(0, 1)).testFlag(Qt::ItemIsEditable));
}

TEST_F(GridWidgetsTest, shouldKeepTheMatrixCellAndTheControlSelectionInStep)
{
    matrix.SelectCell(2, 3);
    EXPECT_EQ(matrixView->currentIndex(), matrixView->model()->index(2, 1));

    click(*matrixView, matrixView->model()->index(1, 0));
    EXPECT_EQ(matrix.Col(), 1);
    EXPECT_EQ(matrix.Row(), 2);

    // A matrix of another shape starts again at its first cell.
    matrix.Build(items, "DTENTREGA", "CDPRODUTO", "QTSOLI");
    EXPECT_EQ(matrixView->currentIndex(), matrixView->model()->index(0, 0));
}

TEST_F(GridWidgetsTest, shouldRouteMatrixKeysAndDoubleClicksToTheControl)
{
    QString typed;
    matrix.OnKeyDown = [](fw::Control&, fw::Key& key, fw::Shift) {
        if (key == Qt::Key_Down)
            key = 0;
    };
    matrix.OnKeyPress = [&](fw::Control&, QChar& key) { typed.append(key); };
    QTest::keyClick(matrixView, Qt::Key_Down);
    EXPECT_EQ(matrix.Row(), 1) << "a swallowed key does nothing else";
    EXPECT_EQ(matrixView->currentIndex().row(), 0);
    QTest::keyClick(matrixView, Qt::Key_Right);
    EXPECT_EQ(matrix.Col(), 2);
    QTest::keyClicks(matrixView, "5");
    EXPECT_EQ(typed, "5");

    QList<int> clickedRows;
    matrix.OnDblClick = [&](fw::Control& control) {
        clickedRows.append(static_cast<fw::DecisionGrid&>(control).Row());
    };
    const QPoint cell = matrixView->visualRect(matrixView->model()->index(2, 0)).center();
    QTest::mouseClick(matrixView->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(matrixView->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(clickedRows, QList<int>{3});
}

} // namespace
} // namespace cmp::ui
