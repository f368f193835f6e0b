// The quantity matrix of the products page: one row per product, one column
// per delivery date, the lookup lists that give each cell and row its
// quantity by key, the drawing rules, the keys of the grid and the detail
// panel of the selected cell's item.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/core/edit_mask.h"
#include "framework/core/formats.h"
#include "framework/data/field.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/host_context.h"

#include <QHash>
#include <QScopeGuard>

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;
using data::currentValue;
using data::yes;

const QString productSeparator = QStringLiteral("||");
const QString quantityFormat = QStringLiteral("#,##0.000");
const QString decisionIndex = QStringLiteral("IndCube");
const QString notImportedIndex = QStringLiteral("IndNImportados");
const QString itemKeyFields = QStringLiteral("CDARVPROD;DTPROGENTR");
constexpr int observationShown = 50;

// A row label is the product name, "||" and the product tree code: the name
// is what users read, the code what links the row to its items.
QString treeCodeOf(const QString& label)
{
    const qsizetype separator = label.indexOf(productSeparator);
    return separator < 0 ? QString() : label.mid(separator + productSeparator.size());
}

QString nameOf(const QString& label)
{
    return label.left(label.indexOf(productSeparator));
}

QString weekday(const QDate& date)
{
    return NomeSemana(date).left(3);
}

void addIndex(ClientDataSet& dataSet, const QString& name)
{
    if (!dataSet.HasIndex(name))
        dataSet.AddIndex(name, itemKeyFields, {.caseInsensitive = true});
}

} // namespace

void TfrmLancaSoliCmp::wireMatrix()
{
    degItemSoli.RowCaption = QStringLiteral("Produto");
    degItemSoli.ColCaption = QStringLiteral("Data");
    degItemSoli.OnDrawCell = [this](DecisionGrid&, int col, int row, DecisionGrid::CellDraw& draw) {
        degItemSoliDecisionDrawCell(col, row, draw);
    };
    degItemSoli.addObserver([this](Control&, Property property) {
        if (property == Property::Selection)
            selectedCellChanged();
    });
    degItemSoli.OnKeyDown = [this](Control&, Key& key, Shift shift) {
        degItemSoliKeyDown(key, shift);
    };
    degItemSoli.OnKeyPress = [this](Control&, QChar& key) { degItemSoliKeyPress(key); };
    depUtiliza.OnChange = [this](Control&) { depUtilizaDateChange(); };
    depUtiliza.OnExit = [this](Control&) { depUtilizaExit(); };
    msgPadrao.Add(QStringLiteral("Sum"), QStringLiteral("Total"));
    msgPadrao.Add(QStringLiteral("Utiliza_DtProc"),
                  QStringLiteral("1ª utilização deve ser maior ou igual a data de processamento."));
}

// --- the lookup lists ------------------------------------------------------------------

// One entry per cell and one per product row, summed from the records as the
// grid sums them, then put in key order at once.
void TfrmLancaSoliCmp::cdsDecisionProdutosAfterOpen()
{
    const ClientDataSet& source = state.cdsDecisionProdutos;
    const Field& label = source.FieldByName(QStringLiteral("NMPRODUTO"));
    const Field& date = source.FieldByName(QStringLiteral("DTPROGENTR"));
    const Field& quantity = source.FieldByName(QStringLiteral("QTSOLIPROD"));
    QHash<QString, double> cells;
    QHash<QString, double> rows;
    const int count = source.Active() ? source.RecordCount() : 0;
    for (int i = 0; i < count; ++i) {
        const QVariant amount = source.ValueAt(i, quantity);
        if (amount.isNull())
            continue;
        const QString treeCode = treeCodeOf(source.ValueAt(i, label).toString());
        cells[data::cellKey(treeCode, source.ValueAt(i, date).toDate())] += amount.toDouble();
        rows[treeCode] += amount.toDouble();
    }
    const auto fill = [](QStringList& list, const QHash<QString, double>& sums) {
        list.clear();
        list.reserve(sums.size());
        for (auto sum = sums.begin(); sum != sums.end(); ++sum)
            list.append(data::lookupEntry(sum.key(), sum.value()));
        data::sortLookupList(list);
    };
    fill(state.stlProdutos, cells);
    fill(state.stlProdutosTot, rows);
}

// Items are found by tree code and delivery date, the not-imported ones too.
void TfrmLancaSoliCmp::indexItems()
{
    addIndex(state.cdsItemSoli, decisionIndex);
    state.cdsItemSoli.SetIndexName(decisionIndex);
    addIndex(state.cdsItemNImportados, notImportedIndex);
}

// Shows the matrix source in the grid, rows and columns without data hidden.
void TfrmLancaSoliCmp::ActiveDecision()
{
    degItemSoli.SetSparseRows(true);
    degItemSoli.SetSparseCols(true);
    forgetPaintedCell();
    degItemSoli.Build(state.cdsDecisionProdutos, QStringLiteral("NMPRODUTO"),
                      QStringLiteral("DTPROGENTR"), QStringLiteral("QTSOLIPROD"));
    selectedCellChanged();
}

QString TfrmLancaSoliCmp::CalcIndex(int col, int row) const
{
    return treeCodeOf(degItemSoli.RowLabel(row)) + degItemSoli.ColLabel(col);
}

// --- drawing ----------------------------------------------------------------------------

void TfrmLancaSoliCmp::degItemSoliDecisionDrawCell(int col, int row, DecisionGrid::CellDraw& draw)
{
    if (degItemSoli.FixedCols() < 1 || degItemSoli.FixedRows() < 1)
        return;
    switch (draw.kind) {
    case DecisionGrid::CellKind::Data:
        if (const auto quantity = data::lookupQuantity(state.stlProdutos, CalcIndex(col, row)))
            draw.text = FormatFloat(quantityFormat, *quantity);
        if (notImported(col, row))
            draw.color = DecisionGrid::CellColor::Yellow;
        break;
    case DecisionGrid::CellKind::RowTotal:
        if (const auto total =
                data::lookupQuantity(state.stlProdutosTot, treeCodeOf(degItemSoli.RowLabel(row))))
            draw.text = FormatFloat(quantityFormat, *total);
        break;
    case DecisionGrid::CellKind::TotalLabel:
        draw.text = msgPadrao.Msg(QStringLiteral("Sum"));
        break;
    case DecisionGrid::CellKind::RowLabel:
        draw.text = nameOf(draw.text);
        break;
    default:
        break;
    }
}

// Where the branch hands its requisitions to the external integration, the
// items it has not imported yet stand out.
bool TfrmLancaSoliCmp::notImported(int col, int row)
{
    ClientDataSet& pending = state.cdsItemNImportados;
    if (!integrationActive() || !data::hasRecords(pending))
        return false;
    return pending.Locate(itemKeyFields,
                          {treeCodeOf(degItemSoli.RowLabel(row)), degItemSoli.ColValue(col)},
                          {.caseInsensitive = true});
}

// --- the selected cell and its detail panel ------------------------------------------------

void TfrmLancaSoliCmp::selectedCellChanged()
{
    if (!degItemSoli.Active())
        return;
    const int col = degItemSoli.Col();
    const int row = degItemSoli.Row();
    const QString label = degItemSoli.RowLabel(row);
    state.stUtiliza_Prod = treeCodeOf(label);
    state.stUtiliza_Data = degItemSoli.ColLabel(col);
    state.stNmProduto = nameOf(label);
    state.stQtde = degItemSoli.DrawCell(col, row).text;
    const QString code =
        EditMask::parse(DBPict(0)).apply(state.stUtiliza_Prod, EditMask::Tail::Cut);
    edtNomeDegProd.SetText(code + QStringLiteral("  ") + state.stNmProduto);
    showPreviousPurchase();
    if (paintedCell_ == std::pair(col, row))
        return;
    fillItemPanel(col, row);
    paintedCell_ = std::pair(col, row);
}

void TfrmLancaSoliCmp::showPreviousPurchase()
{
    if (!nedVrCmpAnterior.Visible())
        return;
    const ClientDataSet& items = state.cdsItemSoli;
    const bool hasItem = data::hasRecords(items);
    depDtCmpAnterior.SetDate(hasItem ? items.FieldByName(QStringLiteral("DTCMPANTERIOR")).AsDate()
                                     : QDate());
    nedVrCmpAnterior.SetValue(hasItem ? items.FieldByName(QStringLiteral("VRCMPANTERIOR")).AsFloat()
                                      : 0.0);
    edtObservacao.SetText(currentValue(items, QStringLiteral("TXOBSITMSOL")));
}

// Totals have no item: the panel shows nothing for them.
void TfrmLancaSoliCmp::fillItemPanel(int col, int row)
{
    if (degItemSoli.IsTotalCol(col) || degItemSoli.IsTotalRow(row)) {
        clearItemDates();
        return;
    }
    cacheProduct(state.stUtiliza_Prod);
    const QDate deliveryDate = degItemSoli.ColValue(col).toDate();
    const bool found = locateItem(deliveryDate);
    showItemFacts(found);
    if (!found || selectedQuantity() == 0)
        clearItemDates();
    else
        showItemDates(deliveryDate);
}

bool TfrmLancaSoliCmp::locateItem(const QDate& deliveryDate)
{
    return data::hasRecords(state.cdsItemSoli) &&
           state.cdsItemSoli.Locate(itemKeyFields, {state.stUtiliza_Prod, deliveryDate},
                                    {.caseInsensitive = true});
}

// The quantity the lists hold for the cell; a cell they lack has none.
double TfrmLancaSoliCmp::selectedQuantity() const
{
    const auto quantity =
        data::lookupQuantity(state.stlProdutos, CalcIndex(degItemSoli.Col(), degItemSoli.Row()));
    return quantity.value_or(0.0);
}

void TfrmLancaSoliCmp::clearItemDates()
{
    for (DateEdit* date : {&depUtiliza, &depDtAlteracao, &depDtImportacao}) {
        date->SetDate(QDate(), Announce::Quiet);
        date->SetEnabled(false);
    }
    for (Edit* text : {&edtNmSemana, &edtNmSemAlt, &edtNmSemImp, &edtObservacao})
        text->SetText(QString());
    lblSituSoli.SetCaption(QString());
}

// The first use defaults to the delivery date; it can be changed where the
// requisition can.
void TfrmLancaSoliCmp::showItemDates(const QDate& deliveryDate)
{
    const ClientDataSet& item = state.cdsItemSoli;
    const QDate used = item.FieldByName(QStringLiteral("DTUTILIZA")).AsDate();
    const QDate firstUse = used.isValid() ? used : deliveryDate;
    depUtiliza.SetDate(firstUse, Announce::Quiet);
    edtNmSemana.SetText(weekday(firstUse));
    depUtiliza.SetEnabled(sbtAlterar.Enabled() && !state.lockedAutomatic());
    const QDate changed = item.FieldByName(QStringLiteral("DTULTATUITSOL")).AsDate();
    const QDate imported = item.FieldByName(QStringLiteral("DTIMPORTASAC")).AsDate();
    depDtAlteracao.SetDate(changed, Announce::Quiet);
    edtNmSemAlt.SetText(weekday(changed));
    depDtImportacao.SetDate(imported, Announce::Quiet);
    edtNmSemImp.SetText(weekday(imported));
    depDtAlteracao.SetEnabled(false);
    depDtImportacao.SetEnabled(false);
    lblSituSoli.SetCaption(item.FieldByName(QStringLiteral("IDIMPITMSAC")).Text());
    edtObservacao.SetText(
        item.FieldByName(QStringLiteral("TXOBSITMSOL")).AsString().left(observationShown));
}

// Unit, transferred quantity, write-off and approval of the cell's item.
void TfrmLancaSoliCmp::showItemFacts(bool found)
{
    const ClientDataSet& item = state.cdsItemSoli;
    edtUnidade.SetText(currentValue(state.cdsProduto, QStringLiteral("SGUNIDADE")));
    nedQtTransfSol.SetValue(found ? item.FieldByName(QStringLiteral("QTTRANSFSOL")).AsFloat()
                                  : 0.0);
    edtIdBaixItmSol.SetText(found ? item.FieldByName(QStringLiteral("IDBAIXITMSOL")).Text()
                                  : QString());
    const bool approvalInUse =
        found && currentValue(state.cdsFilialSoli, QStringLiteral("IDUTAPROVSOL")) == yes;
    const bool rejected = currentValue(item, QStringLiteral("IDSOLIAPROV")) == data::no;
    imgAprovada.SetVisible(approvalInUse && !rejected);
    imgReprovada.SetVisible(approvalInUse && rejected);
}

bool TfrmLancaSoliCmp::cacheProduct(const QString& treeCode)
{
    ClientDataSet& cache = state.cdsProduto;
    if (!cache.Active())
        cache.CreateDataSet();
    if (cache.Locate(QStringLiteral("CDARVPROD"), treeCode))
        return true;
    openQuery(qryProdUm, {{QStringLiteral("P_CDARVPROD"), treeCode}});
    if (qryProdUm.IsEmpty())
        return false;
    cache.Append();
    for (const char* name : {"CDPRODUTO", "CDARVPROD", "NMPRODUTO", "CDNVPRODUTO", "SGUNIDADE"}) {
        const QString field = QString::fromLatin1(name);
        cache.FieldByName(field).SetValue(qryProdUm.FieldByName(field).Value());
    }
    cache.Post();
    return true;
}

// --- keys --------------------------------------------------------------------------------

// The arrows stay among the products and dates: the totals are reached with
// the mouse only, and Enter edits the cell.
void TfrmLancaSoliCmp::degItemSoliKeyDown(Key& key, Shift)
{
    const DecisionGrid& grid = degItemSoli;
    const int col = grid.Col();
    const int row = grid.Row();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (grid.IsTotalRow(row + (key == Qt::Key_Down ? 1 : -1)))
            key = 0;
        break;
    case Qt::Key_Tab:
        if (grid.IsTotalRow(row + 1) && grid.IsTotalCol(col))
            key = 0;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (grid.IsTotalCol(col + (key == Qt::Key_Right ? 1 : -1)))
            key = 0;
        break;
    case Qt::Key_PageDown:
        key = 0;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = 0;
        if (grid.Active())
            editSelectedCell();
        break;
    default:
        break;
    }
}

// A digit or the decimal comma starts editing the cell with that character.
void TfrmLancaSoliCmp::degItemSoliKeyPress(QChar& key)
{
    const bool startsQuantity = key.isDigit() || key == QLatin1Char(',');
    if (!startsQuantity || !degItemSoli.Active()) {
        state.chKeyNum = QChar();
        return;
    }
    state.chKeyNum = key;
    const auto typed = qScopeGuard([this] { state.chKeyNum = QChar(); });
    editSelectedCell();
}

// Editing a cell is what a double click on it does.
void TfrmLancaSoliCmp::editSelectedCell()
{
    degItemSoli.DblClick();
}

// --- the first-use date ------------------------------------------------------------------

void TfrmLancaSoliCmp::depUtilizaDateChange()
{
    if (state.stUtiliza_Data.isEmpty() ||
        state.stUtiliza_Data.compare(QStringLiteral("SUM"), Qt::CaseInsensitive) == 0)
        return;
    const QDate date = depUtiliza.Date();
    edtNmSemana.SetText(date.isValid() ? weekday(date) : QString());
}

// The first use cannot come before the branch's processing date.
void TfrmLancaSoliCmp::depUtilizaExit()
{
    const QDate firstUse = depUtiliza.Date();
    if (!firstUse.isValid())
        return;
    if (firstUse < DataProc(currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")))) {
        SetFocus(depUtiliza);
        MensErro(msgPadrao.Msg(QStringLiteral("Utiliza_DtProc")), true);
    }
    const QDate deliveryDate = degItemSoli.ColValue(degItemSoli.Col()).toDate();
    if (!locateItem(deliveryDate))
        return;
    Field& used = state.cdsItemSoli.FieldByName(QStringLiteral("DTUTILIZA"));
    if (used.AsDate() == firstUse)
        return;
    state.cdsItemSoli.Edit();
    used.SetValue(firstUse);
    state.cdsItemSoli.Post();
}

} // namespace cmp::Cli_cmp03100
