#include "support/qt_application.h"
#include "ui/qt/pivot_model.h"

#include "framework/data/client_dataset.h"
#include "framework/forms/form.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QPalette>
#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

using fw::DecisionGrid;
using fw::FieldType;

class PivotModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        items.AddField("CDPRODUTO", FieldType::String, 10);
        items.AddField("DTENTREGA", FieldType::Date);
        items.AddField("QTSOLI", FieldType::Float);
        items.CreateDataSet();
        add("0101", 7, 5);
        add("0101", 8, 2.5);
        add("0202", 7, 0);
        add("0303", 8, QVariant()); // a product without any quantity
        build();
    }

    void add(const QString& product, int day, const QVariant& quantity)
    {
        items.Append();
        items.FieldByName("CDPRODUTO").SetValue(product);
        items.FieldByName("DTENTREGA").SetValue(QDate(2026, 12, day));
        items.FieldByName("QTSOLI").SetValue(quantity);
        items.Post();
    }

    void build() { grid.Build(items, "CDPRODUTO", "DTENTREGA", "QTSOLI"); }

    QString text(int row, int column) const { return model.index(row, column).data().toString(); }
    QVariant background(int row, int column) const
    {
        return model.index(row, column).data(Qt::BackgroundRole);
    }

    fw::ClientDataSet items{"cdsMatriz"};
    fw::Form form{"frmMatriz"};
    DecisionGrid& grid = form.create<DecisionGrid>("dcgMatriz");
    PivotModel model{grid};
};

TEST_F(PivotModelTest, shouldShowLabelsAsHeadersAndSumsWithTotalsWhereTheGridPutsThem)
{
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "07/12/2026");
    EXPECT_EQ(model.headerData(2, Qt::Vertical).toString(), "0303");
    EXPECT_EQ(model.headerData(3, Qt::Vertical).toString(), "Sum");
    EXPECT_EQ(text(0, 1), "2,500");
    EXPECT_EQ(text(1, 1), "") << "a cell without records";
    EXPECT_EQ(text(3, 2), "7,500");
    EXPECT_EQ(model.index(0, 0).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
}

TEST_F(PivotModelTest, shouldPaintTheColoursOfTheDrawCellHook)
{
    const QColor info = QGuiApplication::palette().color(QPalette::ToolTipBase);
    EXPECT_EQ(background(0, 0).value<QColor>(), info);
    EXPECT_EQ(background(3, 2).value<QColor>(), QColor(Qt::lightGray));
    EXPECT_FALSE(model.headerData(0, Qt::Vertical, Qt::BackgroundRole).isValid());

    grid.OnDrawCell = [](DecisionGrid& g, int col, int row, DecisionGrid::CellDraw& draw) {
        const auto kind = g.Kind(col, row);
        if (g.RowLabel(row) == "0202" &&
            (kind == DecisionGrid::CellKind::RowLabel || kind == DecisionGrid::CellKind::Data)) {
            draw.color = DecisionGrid::CellColor::Yellow;
            draw.text = "*" + draw.text;
        }
    };
    EXPECT_EQ(background(1, 0).value<QColor>(), QColor(Qt::yellow));
    EXPECT_EQ(text(1, 0), "*0,000");
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::BackgroundRole).value<QColor>(),
              QColor(Qt::yellow));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "*0202");
}

TEST_F(PivotModelTest, shouldFollowRebuildsTotalsAndSparseRowsAsAValidModel)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    // A quantity typed into a cell rebuilds the same shape: no reset.
    items.First();
    items.Edit();
    items.FieldByName("QTSOLI").SetValue(6.0);
    items.Post();
    build();
    EXPECT_EQ(text(3, 2), "8,500");
    EXPECT_EQ(resets.count(), 0);

    grid.SetRowTotals(fw::TotalPlacement::First);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "Sum");
    grid.SetSparseRows(true);
    EXPECT_EQ(model.rowCount(), 3) << "the product without quantities is hidden";
    grid.SetColTotals(fw::TotalPlacement::Hidden);
    EXPECT_EQ(model.columnCount(), 2);
    add("0404", 9, 1);
    build();
    EXPECT_EQ(model.rowCount(), 4);
    grid.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.selectedIndex().isValid());
}

// One cell written back repaints that cell and its three totals, nothing else.
TEST_F(PivotModelTest, shouldRepaintOnlyTheCellWrittenBackAndItsTotals)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    grid.SetValue("0202", QDate(2026, 12, 8), 4.0);
    EXPECT_EQ(resets.count(), 0);
    QSet<std::pair<int, int>> repainted;
    for (const QList<QVariant>& signal : changed) {
        const auto from = signal.at(0).toModelIndex();
        const auto to = signal.at(1).toModelIndex();
        ASSERT_EQ(from, to);
        repainted.insert({from.row(), from.column()});
    }
    EXPECT_EQ(repainted, (QSet<std::pair<int, int>>{{1, 1}, {1, 2}, {3, 1}, {3, 2}}));
    EXPECT_EQ(text(1, 1), "4,000");
    EXPECT_EQ(text(1, 2), "4,000");
    EXPECT_EQ(text(3, 2), "11,500");

    // A new product is a new row: the views take the new shape.
    grid.SetValue("0150", QDate(2026, 12, 7), 1.0);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "0150");
}

TEST_F(PivotModelTest, shouldMirrorTheSelectionOfTheGridBothWays)
{
    EXPECT_EQ(model.selectedIndex(), model.index(0, 0));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    grid.SelectCell(2, 3);
    EXPECT_EQ(model.selectedIndex(), model.index(2, 1));
    EXPECT_EQ(changed.count(), 2) << "the cell left and the cell reached repaint";

    EXPECT_TRUE(model.select(model.index(1, 2)));
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_FALSE(model.select(QModelIndex()));
    EXPECT_EQ(grid.Row(), 2);
}

} // namespace
} // namespace cmp::ui
