// The products page of the requisition screen on the embedded demo, signed
// in as operator 1 of branch 0004: the matrix as drawn, the items the
// integration has not imported, the keys of the grid and the detail panel
// of the selected cell.
//
// Branch 0004 uses the integration (its items cycle through the import
// situations S, P, N, F) and item approval; branch 0005 does neither.
#include "framework/core/formats.h"
#include "framework/forms/buttons.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/standard_controls.h"
#include "requisition/Cli_cmp03100.h"
#include "support/module_session.h"

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03100::frmLancaSoliCmp;
using Cli_cmp03100::TfrmLancaSoliCmp;
using CellColor = DecisionGrid::CellColor;

namespace {

const QString integrated = QStringLiteral("0004");

class ProductsPage : public test::ModuleSession
{
protected:
    // A requisition's products page, reached as the user does.
    TfrmLancaSoliCmp& openProducts(const QString& branch, const QString& number)
    {
        ui.actInNextModal([](Form& filter) {
            filter.userClick(QStringLiteral("sbtConfirma"));
            return int(mrNone);
        });
        IniProc();
        TfrmLancaSoliCmp& screen = *frmLancaSoliCmp;
        EXPECT_TRUE(screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), branch));
        EXPECT_TRUE(screen.userClick(QStringLiteral("tshPadrao")));
        EXPECT_TRUE(screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), number));
        EXPECT_TRUE(screen.userClick(QStringLiteral("tshProdutos")));
        return screen;
    }

    struct Cell
    {
        int col = -1;
        int row = -1;
    };

    // The cell of a product (by tree code) and delivery date.
    static Cell cellOf(const DecisionGrid& grid, const QString& treeCode, const QDate& date)
    {
        Cell cell;
        for (int row = grid.FixedRows(); row < grid.RowCount(); ++row)
            if (grid.RowLabel(row).endsWith(QStringLiteral("||") + treeCode))
                cell.row = row;
        for (int col = grid.FixedCols(); col < grid.ColCount(); ++col)
            if (grid.ColValue(col).toDate() == date)
                cell.col = col;
        return cell;
    }

    static QString drawn(DecisionGrid& grid, Cell cell)
    {
        return grid.DrawCell(cell.col, cell.row).text;
    }

    // The items of the requisition as loaded, one per cell.
    struct Item
    {
        QString treeCode;
        QDate delivery;
        double quantity = 0;
        QString import;
    };
    static std::vector<Item> items(TfrmLancaSoliCmp& screen)
    {
        std::vector<Item> all;
        ClientDataSet& set = screen.state.cdsItemSoli;
        for (set.First(); !set.Eof(); set.Next())
            all.push_back({set.FieldByName(QStringLiteral("CDARVPROD")).AsString(),
                           set.FieldByName(QStringLiteral("DTPROGENTR")).AsDate(),
                           set.FieldByName(QStringLiteral("QTSOLIPROD")).AsFloat(),
                           set.FieldByName(QStringLiteral("IDIMPITMSAC")).AsString()});
        return all;
    }

    void select(TfrmLancaSoliCmp& screen, Cell cell)
    {
        ASSERT_TRUE(screen.degItemSoli.SelectCell(cell.col, cell.row));
    }
};

// --- drawing -------------------------------------------------------------------------------

TEST_F(ProductsPage, shouldDrawOneRowPerProductByNameWithItsQuantitiesAndTotals)
{
    // Two products named alike, a grouped quantity, a zero and an empty cell.
    const QString requisitionItem =
        QStringLiteral("rowid = (SELECT rowid FROM ITEMSOLI WHERE CDFILSOLI = '0005' AND "
                       "NRSOLICMP = '0000000001' ORDER BY rowid LIMIT 1 OFFSET %1)");
    exec(QStringLiteral(
        "UPDATE PRODUTO SET NMPRODUTO = 'Produto igual' WHERE CDPRODUTO IN (SELECT DISTINCT "
        "CDPRODUTO FROM ITEMSOLI WHERE CDFILSOLI = '0005' AND NRSOLICMP = '0000000001' ORDER BY "
        "CDPRODUTO LIMIT 2)"));
    exec(QStringLiteral("UPDATE ITEMSOLI SET QTSOLIPROD = 1234.5 WHERE ") + requisitionItem.arg(0));
    exec(QStringLiteral("UPDATE ITEMSOLI SET QTSOLIPROD = 0 WHERE ") + requisitionItem.arg(1));
    exec(QStringLiteral("DELETE FROM ITEMSOLI WHERE ") + requisitionItem.arg(2));
    auto& screen = openProducts("0005", "0000000001");
    DecisionGrid& grid = screen.degItemSoli;
    const auto all = items(screen);
    const auto withQuantity = [&all](double quantity) {
        return *std::find_if(all.begin(), all.end(),
                             [&](const Item& item) { return item.quantity == quantity; });
    };
    const Item large = withQuantity(1234.5);
    const Item zero = withQuantity(0);

    QSet<QString> products;
    QSet<QDate> dates;
    for (const Item& item : all) {
        products.insert(item.treeCode);
        dates.insert(item.delivery);
    }
    EXPECT_EQ(grid.RowCount(), 1 + products.size() + 1) << "header, products, total";
    EXPECT_EQ(grid.ColCount(), 1 + dates.size() + 1);
    int sameName = 0;
    for (int row = grid.FixedRows(); row + 1 < grid.RowCount(); ++row) {
        const QString name = grid.DrawCell(0, row).text;
        EXPECT_FALSE(name.contains(QStringLiteral("||"))) << name.toStdString();
        sameName += name == QLatin1String("Produto igual");
    }
    EXPECT_EQ(sameName, 2) << "two products of one name stay two rows";
    EXPECT_EQ(grid.DrawCell(1, 0).text, FormatDate(*std::min_element(dates.begin(), dates.end())));
    EXPECT_EQ(grid.DrawCell(grid.ColCount() - 1, 0).text, "Total");
    EXPECT_EQ(grid.DrawCell(0, grid.RowCount() - 1).text, "Total");

    EXPECT_EQ(drawn(grid, cellOf(grid, large.treeCode, large.delivery)), "1.234,500");
    EXPECT_EQ(drawn(grid, cellOf(grid, zero.treeCode, zero.delivery)), "0,000");
    int empty = 0;
    for (const QString& product : products)
        for (const QDate& date : dates)
            empty += drawn(grid, cellOf(grid, product, date)).isEmpty();
    EXPECT_EQ(empty, 1) << "the cell of the item removed";
    double rowTotal = 0;
    for (const Item& item : all)
        if (item.treeCode == large.treeCode)
            rowTotal += item.quantity;
    const Cell total{grid.ColCount() - 1, cellOf(grid, large.treeCode, large.delivery).row};
    EXPECT_EQ(drawn(grid, total), FormatFloat(QStringLiteral("#,##0.000"), rowTotal));
}

TEST_F(ProductsPage, shouldHideProductsAndDatesWithoutQuantities)
{
    auto& screen = openProducts("0005", "0000000001");
    const int shownDates = screen.degItemSoli.ColCount() - 2;
    // The first date's records lose their quantities; the page shows the
    // loaded source again.
    screen.userClick(QStringLiteral("tshPadrao"));
    ClientDataSet& source = screen.state.cdsDecisionProdutos;
    Field& date = source.FieldByName(QStringLiteral("DTPROGENTR"));
    source.First();
    const QDate first = date.AsDate();
    for (; !source.Eof(); source.Next()) {
        if (date.AsDate() != first)
            continue;
        source.Edit();
        source.FieldByName(QStringLiteral("QTSOLIPROD")).SetValue(QVariant());
        source.Post();
    }
    screen.userClick(QStringLiteral("tshProdutos"));
    EXPECT_EQ(screen.degItemSoli.ColCount() - 2, shownDates - 1);
    EXPECT_NE(screen.degItemSoli.ColValue(1).toDate(), first);
}

TEST_F(ProductsPage, shouldMarkInYellowTheItemsTheIntegrationHasNotImported)
{
    auto& screen = openProducts(integrated, "0000000003");
    DecisionGrid& grid = screen.degItemSoli;
    int yellow = 0;
    for (const Item& item : items(screen)) {
        const Cell cell = cellOf(grid, item.treeCode, item.delivery);
        const CellColor color = grid.DrawCell(cell.col, cell.row).color;
        EXPECT_EQ(color,
                  item.import == QLatin1String("N") ? CellColor::Yellow : CellColor::InfoBackground)
            << item.treeCode.toStdString() << " " << item.import.toStdString();
        yellow += color == CellColor::Yellow;
    }
    EXPECT_GT(yellow, 0);

    // Without the integration nothing is marked.
    screen.userClick(QStringLiteral("tshFilialSoli"));
    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0005"));
    screen.userClick(QStringLiteral("tshPadrao"));
    screen.userClick(QStringLiteral("tshProdutos"));
    for (const Item& item : items(screen)) {
        const Cell cell = cellOf(grid, item.treeCode, item.delivery);
        EXPECT_EQ(grid.DrawCell(cell.col, cell.row).color, CellColor::InfoBackground);
    }
}

// --- the detail panel ------------------------------------------------------------------------

TEST_F(ProductsPage, shouldShowTheSelectedCellsItemInTheDetailPanel)
{
    auto& screen = openProducts(integrated, "0000000003");
    DecisionGrid& grid = screen.degItemSoli;
    const auto all = items(screen);
    const QString situations[][2] = {{"S", "Disponível para importação"},
                                     {"P", "Importado com sucesso"},
                                     {"N", "Não Importado"},
                                     {"F", "Fech. concluído - AF's Geradas"}};
    for (const auto& [code, text] : situations) {
        const auto item =
            std::find_if(all.begin(), all.end(), [&](const Item& i) { return i.import == code; });
        ASSERT_NE(item, all.end()) << code.toStdString();
        const Cell cell = cellOf(grid, item->treeCode, item->delivery);
        select(screen, cell);
        EXPECT_EQ(screen.lblSituSoli.Caption(), text);
        EXPECT_EQ(screen.state.stUtiliza_Prod, item->treeCode);
        EXPECT_EQ(screen.state.stUtiliza_Data, FormatDate(item->delivery));
        EXPECT_EQ(screen.state.stQtde, FormatFloat(QStringLiteral("#,##0.000"), item->quantity));
        EXPECT_EQ(screen.state.stNmProduto, grid.DrawCell(0, cell.row).text);
        EXPECT_TRUE(
            screen.edtNomeDegProd.Text().endsWith(QStringLiteral("  ") + screen.state.stNmProduto));
        EXPECT_EQ(screen.depUtiliza.Date(), item->delivery) << "first use on delivery";
        EXPECT_EQ(screen.edtNmSemana.Text(), NomeSemana(item->delivery).left(3));
        EXPECT_TRUE(screen.depDtAlteracao.Date().isValid());
        EXPECT_FALSE(screen.depDtAlteracao.Enabled());
        EXPECT_EQ(screen.edtNmSemAlt.Text(), NomeSemana(screen.depDtAlteracao.Date()).left(3));
        EXPECT_FALSE(screen.edtUnidade.Text().isEmpty());
    }

    // Settled items show their write-off.
    ClientDataSet& set = screen.state.cdsItemSoli;
    screen.userClick(QStringLiteral("tshPadrao"));
    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000005"));
    screen.userClick(QStringLiteral("tshProdutos"));
    set.First();
    select(screen, cellOf(grid, set.FieldByName(QStringLiteral("CDARVPROD")).AsString(),
                          set.FieldByName(QStringLiteral("DTPROGENTR")).AsDate()));
    EXPECT_EQ(screen.edtIdBaixItmSol.Text(), "Baixa Manual");
    EXPECT_EQ(screen.nedQtTransfSol.Value(),
              set.FieldByName(QStringLiteral("QTSOLIPROD")).AsFloat());

    // The totals have no item: the panel clears.
    select(screen, {grid.ColCount() - 1, grid.FixedRows()});
    EXPECT_EQ(screen.state.stUtiliza_Data, "Sum");
    EXPECT_FALSE(screen.depUtiliza.Date().isValid());
    EXPECT_FALSE(screen.depUtiliza.Enabled());
    EXPECT_EQ(screen.lblSituSoli.Caption(), "");
    select(screen, {grid.FixedCols(), grid.RowCount() - 1});
    EXPECT_FALSE(screen.depDtAlteracao.Date().isValid());
}

TEST_F(ProductsPage, shouldFillThePanelAgainOnlyWhenTheSelectionMoves)
{
    auto& screen = openProducts(integrated, "0000000003");
    DecisionGrid& grid = screen.degItemSoli;
    const Cell first{grid.FixedCols(), grid.FixedRows()};
    const QDate shown = screen.depUtiliza.Date();
    ASSERT_TRUE(shown.isValid());
    ClientDataSet& set = screen.state.cdsItemSoli;
    set.Edit();
    set.FieldByName(QStringLiteral("DTUTILIZA")).SetValue(shown.addDays(3));
    set.Post();

    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_PageDown);
    EXPECT_EQ(screen.depUtiliza.Date(), shown) << "the same cell keeps its panel";

    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Down);
    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Up);
    EXPECT_EQ(grid.Row(), first.row);
    EXPECT_EQ(screen.depUtiliza.Date(), shown.addDays(3));
}

TEST_F(ProductsPage, shouldReadEachProductOnceForItsUnit)
{
    auto& screen = openProducts("0005", "0000000001");
    DecisionGrid& grid = screen.degItemSoli;
    const QString unit = screen.edtUnidade.Text();
    ASSERT_FALSE(unit.isEmpty());
    exec(QStringLiteral("UPDATE PRODUTO SET SGUNIDADE = 'XX'"));
    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Down);
    EXPECT_EQ(screen.edtUnidade.Text(), "XX") << "a product not read yet";
    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Up);
    EXPECT_EQ(grid.Row(), grid.FixedRows());
    EXPECT_EQ(screen.edtUnidade.Text(), unit) << "from the product cache";
}

TEST_F(ProductsPage, shouldRefuseAFirstUseBeforeTheProcessingDateAndKeepTheOneGiven)
{
    auto& screen = openProducts(integrated, "0000000003");
    ClientDataSet& set = screen.state.cdsItemSoli;
    const QDate before = screen.depUtiliza.Date();
    ASSERT_TRUE(screen.depUtiliza.Enabled());

    screen.userType(QStringLiteral("depUtiliza"), QStringLiteral("06/12/2026"));
    EXPECT_EQ(screen.edtNmSemana.Text(), "Dom");
    screen.userKey(QStringLiteral("depUtiliza"), Qt::Key_Tab);
    EXPECT_EQ(ui.texts(UiEventKind::Error),
              QStringList{"1ª utilização deve ser maior ou igual a data de processamento."});
    EXPECT_EQ(set.FieldByName(QStringLiteral("DTUTILIZA")).AsDate(), before);
    EXPECT_TRUE(screen.depUtiliza.Focused());

    screen.userType(QStringLiteral("depUtiliza"), QStringLiteral("09/12/2026"));
    screen.userKey(QStringLiteral("depUtiliza"), Qt::Key_Tab);
    EXPECT_EQ(set.FieldByName(QStringLiteral("DTUTILIZA")).AsDate(), QDate(2026, 12, 9));
    EXPECT_EQ(set.ChangeCount(), 1);
}

// --- keys ------------------------------------------------------------------------------------

TEST_F(ProductsPage, shouldKeepTheArrowsAmongProductsAndDates)
{
    auto& screen = openProducts("0005", "0000000001");
    DecisionGrid& grid = screen.degItemSoli;
    const int lastProduct = grid.RowCount() - 2;
    const int lastDate = grid.ColCount() - 2;
    select(screen, {lastDate, lastProduct});
    for (const Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_PageDown}) {
        screen.userKey(QStringLiteral("degItemSoli"), key);
        EXPECT_EQ(grid.Col(), lastDate);
        EXPECT_EQ(grid.Row(), lastProduct);
    }
    EXPECT_TRUE(ui.texts(UiEventKind::Error).isEmpty());
    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Up);
    EXPECT_EQ(grid.Row(), lastProduct - 1);
    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Left);
    EXPECT_EQ(grid.Col(), lastDate - 1);
}

TEST_F(ProductsPage, shouldEditTheCellOnEnterOrADigitAsADoubleClickDoes)
{
    auto& screen = openProducts("0005", "0000000001");
    std::vector<QChar> edits;
    screen.degItemSoli.OnDblClick = [&](Control&) { edits.push_back(screen.state.chKeyNum); };

    screen.userKey(QStringLiteral("degItemSoli"), Qt::Key_Return);
    screen.userType(QStringLiteral("degItemSoli"), QStringLiteral("7"));
    screen.userType(QStringLiteral("degItemSoli"), QStringLiteral(","));
    screen.userType(QStringLiteral("degItemSoli"), QStringLiteral("x"));
    ASSERT_EQ(edits.size(), 3u) << "a letter edits nothing";
    EXPECT_TRUE(edits[0].isNull());
    EXPECT_EQ(edits[1], u'7');
    EXPECT_EQ(edits[2], u',');
    EXPECT_TRUE(screen.state.chKeyNum.isNull()) << "the typed key is forgotten afterwards";
}

} // namespace
