#include "framework/data/client_dataset.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"

#include <gtest/gtest.h>

#include <QDate>

#include <tuple>

using namespace cmp::fw;

namespace {

const QDate dec7(2026, 12, 7);
const QDate dec8(2026, 12, 8);
const QDate dec9(2026, 12, 9);

// The matrix source of a requisition: product label, delivery date, quantity.
class Matrix : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cdsDecisionProdutos.AddField("NMPRODUTO", FieldType::String, 72);
        cdsDecisionProdutos.AddField("DTPROGENTR", FieldType::DateTime);
        cdsDecisionProdutos.AddField("QTSOLIPROD", FieldType::Float);
        cdsDecisionProdutos.CreateDataSet();
        add("Feijão||0102", dec8, 2);
        add("Arroz||0101", dec7, 5);
        add("Arroz||0101", dec8, 0);
        add("Arroz||0101", dec8, 1.5);      // a second record of a cell is summed
        add("Sal||0103", dec9, QVariant()); // places its row and column, no data
    }

    void add(const QString& product, QDate date, const QVariant& quantity)
    {
        cdsDecisionProdutos.Append();
        cdsDecisionProdutos.FieldByName("NMPRODUTO").SetValue(product);
        cdsDecisionProdutos.FieldByName("DTPROGENTR").SetValue(QDateTime(date, QTime()));
        cdsDecisionProdutos.FieldByName("QTSOLIPROD").SetValue(quantity);
        cdsDecisionProdutos.Post();
    }

    void build()
    {
        degItemSoli.Build(cdsDecisionProdutos, "NMPRODUTO", "DTPROGENTR", "QTSOLIPROD");
    }

    ClientDataSet cdsDecisionProdutos{"cdsDecisionProdutos"};
    Form form{"frmLancaSoliCmp"};
    DecisionGrid& degItemSoli = form.create<DecisionGrid>("degItemSoli");
};

TEST_F(Matrix, shouldSumCellsRowsAndColumnsWithTotalsLast)
{
    build();
    ASSERT_EQ(degItemSoli.RowCount(), 1 + 3 + 1);
    ASSERT_EQ(degItemSoli.ColCount(), 1 + 3 + 1);
    EXPECT_EQ(degItemSoli.RowLabel(1), "Arroz||0101");
    EXPECT_EQ(degItemSoli.ColLabel(1), "07/12/2026");

    EXPECT_EQ(degItemSoli.CellText(1, 1), "5,000");
    EXPECT_EQ(degItemSoli.CellText(2, 1), "1,500");
    EXPECT_EQ(degItemSoli.CellText(1, 2), "") << "a cell without records shows nothing";
    EXPECT_EQ(degItemSoli.CellText(3, 3), "") << "a record without a value adds no data";
    EXPECT_EQ(degItemSoli.CellText(4, 1), "6,500");
    EXPECT_EQ(degItemSoli.CellText(4, 4), "8,500");
    EXPECT_EQ(degItemSoli.Kind(4, 4), DecisionGrid::CellKind::GrandTotal);
    EXPECT_TRUE(degItemSoli.IsTotalRow(4));

    degItemSoli.SetColTotals(TotalPlacement::First);
    degItemSoli.SetRowTotals(TotalPlacement::Hidden);
    EXPECT_EQ(degItemSoli.RowCount(), 4);
    EXPECT_EQ(degItemSoli.CellText(1, 1), "6,500");
    EXPECT_EQ(degItemSoli.CellText(2, 1), "5,000");
}

TEST_F(Matrix, shouldShowAZeroRecordButHideRowsAndColumnsWithoutDataWhenSparse)
{
    add("Óleo||0104", dec7, 0.0);
    build();
    degItemSoli.SetSparseRows(true);
    degItemSoli.SetSparseCols(true);
    EXPECT_EQ(degItemSoli.RowCount(), 1 + 3 + 1);
    EXPECT_EQ(degItemSoli.ColCount(), 1 + 2 + 1);
    EXPECT_EQ(degItemSoli.CellText(1, 3), "0,000");

    degItemSoli.SetSparseRows(false);
    EXPECT_EQ(degItemSoli.RowLabel(3), "Sal||0103");
}

TEST_F(Matrix, shouldMoveTheSelectionWithArrowsInsideTheNonFixedCells)
{
    build();
    EXPECT_EQ(std::pair(degItemSoli.Col(), degItemSoli.Row()), std::pair(1, 1));
    form.userKey("degItemSoli", Qt::Key_Up);
    form.userKey("degItemSoli", Qt::Key_Left);
    EXPECT_EQ(std::pair(degItemSoli.Col(), degItemSoli.Row()), std::pair(1, 1));
    for (int i = 0; i < 6; ++i)
        form.userKey("degItemSoli", Qt::Key_Down);
    form.userKey("degItemSoli", Qt::Key_End);
    EXPECT_EQ(std::pair(degItemSoli.Col(), degItemSoli.Row()), std::pair(4, 4));
    EXPECT_FALSE(degItemSoli.SelectCell(0, 2));

    // A handler keeps the selection off the total row, as the matrix does.
    degItemSoli.SelectCell(2, 3);
    degItemSoli.OnKeyDown = [](Control& c, Key& key, Shift) {
        auto& grid = static_cast<DecisionGrid&>(c);
        if (key == Qt::Key_Down && grid.IsTotalRow(grid.Row() + 1))
            key = 0;
    };
    form.userKey("degItemSoli", Qt::Key_Down);
    EXPECT_EQ(degItemSoli.Row(), 3);
}

TEST_F(Matrix, shouldLetTheDrawHookChangeTextAndColourWithTheSelectionKnown)
{
    build();
    degItemSoli.SelectCell(2, 2);
    degItemSoli.OnDrawCell = [](DecisionGrid& grid, int col, int row,
                                DecisionGrid::CellDraw& draw) {
        if (draw.kind == DecisionGrid::CellKind::RowLabel)
            draw.text = draw.text.section("||", 0, 0);
        if (draw.kind == DecisionGrid::CellKind::Data && grid.ColLabel(col) == "08/12/2026" &&
            grid.RowLabel(row).endsWith("0102"))
            draw.color = DecisionGrid::CellColor::Yellow;
    };
    EXPECT_EQ(degItemSoli.DrawCell(0, 2).text, "Feijão");
    const auto marked = degItemSoli.DrawCell(2, 2);
    EXPECT_EQ(marked.color, DecisionGrid::CellColor::Yellow);
    EXPECT_TRUE(marked.selected);
    EXPECT_EQ(degItemSoli.DrawCell(1, 1).color, DecisionGrid::CellColor::InfoBackground);
    EXPECT_EQ(degItemSoli.DrawCell(4, 1).color, DecisionGrid::CellColor::TotalGrey);
}

QDateTime at(QDate date)
{
    return QDateTime(date, QTime());
}

// Writing a cell back by its values gives what a rebuild from the changed
// records would give, totals included, and leaves the selection where it was.
TEST_F(Matrix, shouldUpdateACellByItsValuesAsARebuildWould)
{
    build();
    degItemSoli.SetSparseRows(true);
    degItemSoli.SetSparseCols(true);
    ASSERT_TRUE(degItemSoli.SelectValues("Feijão||0102", at(dec8)));
    int contentChanges = 0;
    degItemSoli.addObserver([&](Control&, Property property) {
        contentChanges += property == Property::Contents ? 1 : 0;
    });

    degItemSoli.SetValue("Arroz||0101", at(dec7), 0.1);
    for (int i = 0; i < 10; ++i)
        degItemSoli.AddValue("Arroz||0101", at(dec8), 0.2);
    EXPECT_EQ(degItemSoli.ValueAt("Arroz||0101", at(dec7)), 0.1);
    EXPECT_FALSE(degItemSoli.ValueAt("Sal||0103", at(dec9)));
    EXPECT_FALSE(degItemSoli.ValueAt("Nada||9999", at(dec9)));
    const int arroz = degItemSoli.RowOf("Arroz||0101");
    EXPECT_EQ(degItemSoli.CellText(degItemSoli.ColCount() - 1, arroz), "3,600")
        << "0,1 + 1,5 + 2,0";
    EXPECT_EQ(degItemSoli.LastChange().layout, false);
    EXPECT_EQ(degItemSoli.LastChange().row, arroz);
    EXPECT_EQ(contentChanges, 11);

    // A new product between the others and a new date: both appear in order.
    degItemSoli.SetValue("Batata||0105", at(dec9), 4);
    EXPECT_EQ(degItemSoli.RowLabel(2), "Batata||0105");
    EXPECT_EQ(degItemSoli.ColLabel(3), "09/12/2026");
    EXPECT_TRUE(degItemSoli.LastChange().layout);
    // Emptying Feijão's only cell hides its row under sparse rows.
    degItemSoli.SetValue("Feijão||0102", at(dec8), std::nullopt);
    EXPECT_EQ(degItemSoli.RowOf("Feijão||0102"), -1);
    EXPECT_EQ(degItemSoli.RowCount(), 1 + 2 + 1);

    Form other{"frmOutra"};
    auto& rebuilt = other.create<DecisionGrid>("degItemSoli");
    ClientDataSet records;
    records.AddField("NMPRODUTO", FieldType::String, 72);
    records.AddField("DTPROGENTR", FieldType::DateTime);
    records.AddField("QTSOLIPROD", FieldType::Float);
    records.CreateDataSet();
    for (const auto& [product, date, quantity] : {std::tuple{"Arroz||0101", dec7, 0.1},
                                                  {"Arroz||0101", dec8, 3.5},
                                                  {"Batata||0105", dec9, 4.0}}) {
        records.Append();
        records.FieldByName("NMPRODUTO").SetValue(QString::fromUtf8(product));
        records.FieldByName("DTPROGENTR").SetValue(at(date));
        records.FieldByName("QTSOLIPROD").SetValue(quantity);
        records.Post();
    }
    rebuilt.Build(records, "NMPRODUTO", "DTPROGENTR", "QTSOLIPROD");
    rebuilt.SetSparseRows(true);
    rebuilt.SetSparseCols(true);
    ASSERT_EQ(degItemSoli.RowCount(), rebuilt.RowCount());
    ASSERT_EQ(degItemSoli.ColCount(), rebuilt.ColCount());
    for (int row = 0; row < rebuilt.RowCount(); ++row)
        for (int col = 0; col < rebuilt.ColCount(); ++col)
            EXPECT_EQ(degItemSoli.CellText(col, row), rebuilt.CellText(col, row))
                << "cell " << col << "," << row;
}

TEST_F(Matrix, shouldKeepTheSelectionOnItsValuesWhenRowsAppearOrHide)
{
    build();
    degItemSoli.SetSparseRows(true);
    ASSERT_TRUE(degItemSoli.SelectValues("Feijão||0102", at(dec8)));
    degItemSoli.SetValue("Abacate||0100", at(dec7), 1); // a row above the selection
    EXPECT_EQ(degItemSoli.RowValue(degItemSoli.Row()), "Feijão||0102");
    EXPECT_EQ(degItemSoli.ColValue(degItemSoli.Col()), at(dec8));
    degItemSoli.SetValue("Abacate||0100", at(dec7), std::nullopt);
    EXPECT_EQ(degItemSoli.RowValue(degItemSoli.Row()), "Feijão||0102");
    EXPECT_FALSE(degItemSoli.SelectValues("Abacate||0100", at(dec7))) << "hidden again";
}

TEST_F(Matrix, shouldDrawACellsOwnColourUnderTheHook)
{
    build();
    EXPECT_TRUE(degItemSoli.SetCellColor("Arroz||0101", at(dec8), DecisionGrid::CellColor::Yellow));
    EXPECT_FALSE(degItemSoli.SetCellColor("Nada||9", at(dec8), DecisionGrid::CellColor::Yellow));
    const int row = degItemSoli.RowOf("Arroz||0101");
    const int col = degItemSoli.ColOf(at(dec8));
    degItemSoli.SetValue("Arroz||0101", at(dec8), 9);
    EXPECT_EQ(degItemSoli.DrawCell(col, row).color, DecisionGrid::CellColor::Yellow)
        << "kept across a value change";
    EXPECT_EQ(degItemSoli.DrawCell(col - 1, row).color, DecisionGrid::CellColor::InfoBackground);
    degItemSoli.OnDrawCell = [](DecisionGrid&, int, int, DecisionGrid::CellDraw& draw) {
        if (draw.color == DecisionGrid::CellColor::Yellow)
            draw.color = DecisionGrid::CellColor::Normal;
    };
    EXPECT_EQ(degItemSoli.DrawCell(col, row).color, DecisionGrid::CellColor::Normal);
    degItemSoli.OnDrawCell = nullptr;
    degItemSoli.ClearCellColors();
    EXPECT_EQ(degItemSoli.DrawCell(col, row).color, DecisionGrid::CellColor::InfoBackground);
}

TEST(MatrixScale, shouldBuildFromManyRecordsWithoutMovingTheSet)
{
    ClientDataSet items;
    items.AddField("CDARVPROD", FieldType::Integer);
    items.AddField("DTPROGENTR", FieldType::Date);
    items.AddField("QTSOLIPROD", FieldType::Float);
    items.CreateDataSet();
    constexpr int products = 2000;
    constexpr int days = 30;
    for (int p = products; p > 0; --p)
        for (int d = 0; d < days; ++d) {
            items.Append();
            items.FieldByName("CDARVPROD").SetValue(p);
            items.FieldByName("DTPROGENTR").SetValue(dec7.addDays(d));
            items.FieldByName("QTSOLIPROD").SetValue(1.0);
            items.Post();
        }
    items.SetRecNo(7);
    Form form;
    auto& grid = form.create<DecisionGrid>("degItemSoli");
    grid.Build(items, "CDARVPROD", "DTPROGENTR", "QTSOLIPROD");
    EXPECT_EQ(items.RecNo(), 7);
    EXPECT_EQ(grid.RowCount(), 1 + products + 1);
    EXPECT_EQ(grid.RowLabel(1), "1") << "numbers sort by value";
    EXPECT_EQ(grid.RowLabel(products), QString::number(products));
    EXPECT_EQ(grid.Value(grid.ColCount() - 1, grid.RowCount() - 1), double(products * days));
}

} // namespace
