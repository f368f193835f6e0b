// requisition/cell_editing.cpp: changing the quantity of one matrix cell.
// Every check runs before anything is written; then the change goes to the
// lookup lists, the matrix record, its item (through the matrix record's
// handlers, which also serve the item dialogs) and, for a saved
// requisition, the alteration log, whose justification the user gives on
// the log page.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/core/strings.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

#include <QDateTime>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <optional>

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;
using data::currentValue;
using data::hasRecords;
using data::yes;

constexpr int quietMark = 99;
// The item write-back mark, the Tag of cdsItemSoli.
enum WriteBack
{
    noWriteBack = 0,
    editedRecord = 1,
    insertedRecord = 2
};

const QString separator = QStringLiteral("||");

// Quantities are compared in whole ten-thousandths.
qint64 scaled(double quantity)
{
    return std::llround(quantity * 10000);
}

double unscaled(qint64 quantity)
{
    return double(quantity) / 10000;
}

// The tree code a matrix row label ends with.
QString treeCodeOf(const QString& label)
{
    const qsizetype at = label.indexOf(separator);
    return at < 0 ? QString() : label.mid(at + separator.size());
}

QString gText(double value)
{
    return QString::number(value, 'g', 15).replace(u'.', u',');
}

// Ends a stop with the grid focused again.
void refuseQuantity(Form& screen, Control& grid, const QString& text)
{
    screen.SetFocus(grid);
    MensErro(text, true);
}

} // namespace

// --- editing a cell -------------------------------------------------------------------

void TfrmLancaSoliCmp::degItemSoliDblClick()
{
    // Whatever ends the edit, the next one starts unconfirmed.
    const auto unconfirm = qScopeGuard([this] { state.BoConfirmou = false; });
    const int col = degItemSoli.Col();
    const int row = degItemSoli.Row();
    if (!degItemSoli.Active())
        return;
    const QString label = degItemSoli.RowValue(row).toString();
    const QDate date = degItemSoli.ColValue(col).toDate();
    const QString treeCode = treeCodeOf(label);
    state.stUtiliza_Prod = treeCode;
    state.stUtiliza_Data = degItemSoli.ColLabel(col);
    const bool totalCell = degItemSoli.IsTotalCol(col) || degItemSoli.IsTotalRow(row);
    ClientDataSet& items = state.cdsItemSoli;
    const bool itemFound = !totalCell && data::locateItem(items, treeCode, date);
    const bool approvedItem = itemFound &&
                              state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes &&
                              currentValue(items, QStringLiteral("IDSOLIAPROV")) != data::no;
    const bool inserting = state.stOperacao == QLatin1String("INSERT");
    const auto holds = [this](const char* key) {
        return state.hasPermission(QString::fromLatin1(key));
    };
    const bool mayInsert = inserting && (holds("INCLUIR_DTENTREGA") || holds("INCLUIR_PRODUTO"));

    // Approved quantities stay as they are where the branch says so.
    if (approvedItem && state.stIdPerAltSApr.mid(1, 1) == data::no)
        MensErro(msgPadrao.Msg(QStringLiteral("Qt_ja_liber")), true);
    Vd_OperSistema();
    // Without Alter only the cells of what was just inserted may be filled.
    if (isActive(tshProdutos) && !sbtAlterar.Enabled()) {
        if (!mayInsert)
            return;
        if (state.stObjeto == QLatin1String("PRODUTO") &&
            QString::compare(treeCode, state.lastInsertedTreeCode, Qt::CaseInsensitive) != 0)
            return;
        if (state.stObjeto == QLatin1String("DATA") && date != state.lastInsertedDate)
            return;
    }
    if (state.lockedAutomatic() && !holds("AUMENTAR_QUANTIDADE") && !holds("DIMINUIR_QUANTIDADE") &&
        !mayInsert)
        return;
    if (totalCell)
        return;

    // The quantity the cell holds, from the matrix's own data.
    const std::optional<double> stored = degItemSoli.Value(col, row);
    const qint64 old = scaled(stored.value_or(0));
    if (state.branchFlag(QStringLiteral("IDIMPINCSOLAPR")) == yes && old == 0 &&
        state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes && data::hasApprovedItem(items))
        MensErro(msgPadrao.Msg(QStringLiteral("Soli_Item_Aprov")), true);
    Vd_BloqAltItenGerAprovada();
    Vd_BloqIncluiProdCmpOL();
    Vd_BloqQtdeApura();
    if (itemFound) {
        const QString consolidation = currentValue(items, QStringLiteral("NRSEQUCONSOL"));
        if (!consolidation.trimmed().isEmpty())
            uiPort().showInfo(QString(msgPadrao.Msg(QStringLiteral("Quant_Cons")))
                                  .replace(QStringLiteral("%s"), consolidation));
    }
    if (approvedItem) {
        loadInto(cdsImpedirAlt, QStringLiteral("GetImpedirAlt"),
                 {currentValue(items, QStringLiteral("CDFILSOLI"))});
        if (!hasRecords(cdsImpedirAlt))
            MensErro(msgPadrao.Msg(QStringLiteral("Qt_ja_liber")), true);
    }

    data::QuantityAnswer answer;
    {
        state.origins.alterQuantity = true;
        const auto cleared = qScopeGuard([this] { state.origins.alterQuantity = false; });
        state.cellQuantity = stored;
        answer = state.screens.CriaAlterQtdeSoli();
    }
    const qint64 next = scaled(answer.quantity);
    const bool unchanged = next == old && scaled(answer.volumes) == scaled(answer.startingVolumes);
    if (!unchanged && answer.closeResult == mrOk)
        writeCell({col, row, label, date, old, next, answer});
    if (state.BoConfirmou)
        advanceFrom(col, row);
}

// A confirmed quantity: the last checks, then everything is written.
void TfrmLancaSoliCmp::writeCell(const EditedCell& cell)
{
    const QString treeCode = treeCodeOf(cell.label);
    ClientDataSet& items = state.cdsItemSoli;
    if (state.stOperacao == QLatin1String("INSERT") && cell.old != 0)
        state.stOperacao = QStringLiteral("UPDATE");
    if (state.stOperacao != QLatin1String("INSERT"))
        checkAutomaticLimits(cell);

    // What the log entry needs is fetched before anything changes: a
    // failure leaves no change without its entry.
    const bool logged = tshItems.TabVisible() &&
                        !state.requisition(QStringLiteral("NRSOLICMP")).isEmpty() &&
                        cell.next != cell.old;
    if (logged)
        AtualizaJustSol();
    productOf(treeCode);
    const QString productCode = currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"));
    const QString productName = RTrim(currentValue(qryVdProduto, QStringLiteral("NMPRODUTO")));

    updateLists(cell);
    writeMatrixRecord(cell);
    if (data::locateItem(items, treeCode, cell.date) &&
        scaled(items.FieldByName(QStringLiteral("QTVOLUITEMSO")).AsFloat()) !=
            scaled(cell.answer.volumes)) {
        items.Edit();
        items.FieldByName(QStringLiteral("QTVOLUITEMSO")).SetValue(cell.answer.volumes);
        items.Post();
    }
    keepPreviousPurchase(treeCode, cell.answer);
    if (logged)
        appendLogEntry(cell, productCode, productName.left(50));
    showFirstUse(cell);
}

// A locked automatic requisition changes only as far as the operator's
// permissions reach, measured from the item's original quantity.
void TfrmLancaSoliCmp::checkAutomaticLimits(const EditedCell& cell)
{
    if (!state.lockedAutomatic() || cell.next == cell.old)
        return;
    ClientDataSet& items = state.cdsItemSoli;
    const data::KeepPosition keep(items);
    const double original = data::locateItem(items, treeCodeOf(cell.label), cell.date)
                                ? items.FieldByName(QStringLiteral("QTSOLIORIG")).AsFloat()
                                : 0;
    const double base = scaled(original) != 0 ? original : unscaled(cell.old);
    const bool increase = cell.next > cell.old;
    const QString permission =
        increase ? QStringLiteral("AUMENTAR_QUANTIDADE") : QStringLiteral("DIMINUIR_QUANTIDADE");
    const std::optional<double> percentage = state.permissionPercentage(permission);
    const double factor = percentage ? 1 + (increase ? 1 : -1) * *percentage / 100 : 1;
    const qint64 limit = scaled(base * factor);
    const bool beyond = percentage && (increase ? cell.next > limit : cell.next < limit);
    if (!state.hasPermission(permission) || beyond)
        refuseQuantity(*this, degItemSoli,
                       QString(msgPadrao.Msg(QStringLiteral("Alter_Qtde_N_Pode")))
                           .replace(QStringLiteral("%g"), gText(unscaled(cell.next))));
}

void TfrmLancaSoliCmp::updateLists(const EditedCell& cell)
{
    const QString treeCode = treeCodeOf(cell.label);
    data::putLookupQuantity(state.stlProdutos, data::cellKey(treeCode, cell.date),
                            cell.answer.quantity);
    // The row total is read from the matrix's data, never from a shown text.
    const std::optional<double> total = degItemSoli.Value(degItemSoli.ColCount() - 1, cell.row);
    data::putLookupQuantity(state.stlProdutosTot, treeCode,
                            unscaled(scaled(total.value_or(0)) + cell.next - cell.old));
}

// The record of the cell's row and date: its row keeps its own label, so
// a cell never becomes a second row of the same product.
void TfrmLancaSoliCmp::writeMatrixRecord(const EditedCell& cell)
{
    ClientDataSet& matrix = state.cdsDecisionProdutos;
    const QVariant quantity = cell.answer.quantity;
    const QVariant rowValue = degItemSoli.RowValue(cell.row);
    const QVariant colValue = degItemSoli.ColValue(cell.col);
    if (hasRecords(matrix) &&
        matrix.Locate(QStringLiteral("NMPRODUTO;DTPROGENTR"), {cell.label, cell.date})) {
        matrix.Edit();
        matrix.FieldByName(QStringLiteral("QTSOLIPROD")).SetValue(quantity);
        matrix.Post();
    } else {
        matrix.Append();
        matrix.FieldByName(QStringLiteral("NMPRODUTO")).SetValue(cell.label);
        matrix.FieldByName(QStringLiteral("DTPROGENTR")).SetValue(cell.date);
        matrix.FieldByName(QStringLiteral("QTSOLIPROD")).SetValue(quantity);
        matrix.Post();
    }
    degItemSoli.SetValue(rowValue, colValue, cell.answer.quantity);
    forgetPaintedCell();
}

// Where managers approve items, the product's items keep the previous
// purchase the dialog showed, and its complement as their observation.
void TfrmLancaSoliCmp::keepPreviousPurchase(const QString& treeCode,
                                            const data::QuantityAnswer& answer)
{
    if (!state.managerApproval || !nedVrCmpAnterior.Visible() || !depDtCmpAnterior.Visible())
        return;
    ClientDataSet& items = state.cdsItemSoli;
    const data::KeepPosition keep(items);
    items.DisableControls();
    const auto enable = qScopeGuard([&items] { items.EnableControls(); });
    for (items.First(); !items.Eof(); items.Next()) {
        if (QString::compare(items.FieldByName(QStringLiteral("CDARVPROD")).AsString(), treeCode,
                             Qt::CaseInsensitive) != 0)
            continue;
        items.Edit();
        if (items.FieldByName(QStringLiteral("VRCMPANTERIOR")).AsFloat() == 0) {
            items.FieldByName(QStringLiteral("VRCMPANTERIOR"))
                .SetValue(answer.previousPurchaseValue);
            items.FieldByName(QStringLiteral("DTCMPANTERIOR"))
                .SetValue(answer.previousPurchaseDate);
        }
        if (edtObservacao.Text().isEmpty() && !answer.complement.isEmpty())
            items.FieldByName(QStringLiteral("TXOBSITMSOL")).SetValue(answer.complement);
        items.Post();
    }
}

void TfrmLancaSoliCmp::appendLogEntry(const EditedCell& cell, const QString& productCode,
                                      const QString& productName)
{
    ClientDataSet& log = state.cdsMovoPSol;
    // The log takes entries only from here, under its quiet mark.
    log.Tag = quietMark;
    log.ReadOnly = false;
    const auto restore = qScopeGuard([&log] {
        log.ReadOnly = true;
        log.Tag = 0;
    });
    const auto set = [&log](const char* field, const QVariant& value) {
        log.FieldByName(QString::fromLatin1(field)).SetValue(value);
    };
    const data::RequisitionKey key = state.currentKey();
    log.Append();
    set("CDFILSOLMOV", key.CDFILSOLI);
    set("CDFILLANMOV", key.CDFILLANCA);
    set("NRSOLIMOV", key.NRSOLICMP);
    set("CDPRODUTO", productCode);
    set("CDARVPROD", state.stUtiliza_Prod);
    set("NMPRODUTO", productName);
    set("DTOPERSOL", QDateTime::currentDateTime());
    set("DTENTROPER", cell.date);
    set("CDOPERADOR", Operador());
    set("NMOPERADOR", NomeOperador());
    set("QTANTOPER", unscaled(cell.old));
    set("QTDEPOPER", unscaled(cell.next));
    set("IDOPERAMOVS", cell.next == 0  ? QStringLiteral("E")
                       : cell.old == 0 ? QStringLiteral("I")
                                       : QStringLiteral("A"));
    log.Post();
}

// A cell with a quantity shows its delivery date as the item's first use.
void TfrmLancaSoliCmp::showFirstUse(const EditedCell& cell)
{
    if (cell.next == 0) {
        depUtiliza.SetDate(QDate());
        depUtiliza.SetEnabled(false);
        return;
    }
    depUtiliza.SetDate(cell.date);
    depUtiliza.SetEnabled(sbtAlterar.Enabled() && !state.lockedAutomatic());
}

// After a confirmed quantity the next date is selected; past the last one,
// the first date of the next product.
void TfrmLancaSoliCmp::advanceFrom(int col, int row)
{
    if (!degItemSoli.IsTotalCol(col + 1)) {
        degItemSoli.SelectCell(col + 1, row);
        return;
    }
    const int first = degItemSoli.FixedCols();
    degItemSoli.SelectCell(first, degItemSoli.IsTotalRow(row + 1) ? row : row + 1);
}

// --- write-back of the matrix records into the items ---------------------------------------

void TfrmLancaSoliCmp::wireWriteBack()
{
    degItemSoli.OnDblClick = [this](Control&) { degItemSoliDblClick(); };
    ClientDataSet& matrix = state.cdsDecisionProdutos;
    matrix.AfterEdit = [this](ClientDataSet&) { cdsDecisionProdutosAfterEdit(); };
    matrix.AfterInsert = [this](ClientDataSet&) { cdsDecisionProdutosAfterInsert(); };
    matrix.AfterPost = [this](ClientDataSet&) { cdsDecisionProdutosAfterPost(); };
    matrix.AfterCancel = [this](ClientDataSet&) { cdsDecisionProdutosAfterCancel(); };
    matrix.BeforeDelete = [this](ClientDataSet&) { cdsDecisionProdutosBeforeDelete(); };
    matrix.AfterDelete = [this](ClientDataSet&) { cdsDecisionProdutosAfterDelete(); };
    ClientDataSet& items = state.cdsItemSoli;
    items.BeforePost = [this](ClientDataSet&) { cdsItemSoliBeforePost(); };
    items.AfterEdit = [this](ClientDataSet&) { cdsItemSoliAfterEdit(); };
    items.AfterInsert = [this](ClientDataSet&) { cdsItemSoliAfterInsert(); };
    items.AfterDelete = [this](ClientDataSet&) { markRequisitionChanged(); };
}

void TfrmLancaSoliCmp::cdsDecisionProdutosAfterEdit()
{
    ClientDataSet& matrix = state.cdsDecisionProdutos;
    editedLabel_ = matrix.FieldByName(QStringLiteral("NMPRODUTO")).AsString();
    editedQuantity_ = matrix.FieldByName(QStringLiteral("QTSOLIPROD")).Value();
    state.cdsItemSoli.Tag = editedRecord;
}

void TfrmLancaSoliCmp::cdsDecisionProdutosAfterInsert()
{
    state.cdsItemSoli.Tag = insertedRecord;
}

void TfrmLancaSoliCmp::cdsDecisionProdutosAfterPost()
{
    const auto reset = qScopeGuard([this] { state.cdsItemSoli.Tag = noWriteBack; });
    if (state.cdsItemSoli.Tag == editedRecord)
        writeBackEdit();
    else if (state.cdsItemSoli.Tag == insertedRecord)
        writeBackInsert();
}

void TfrmLancaSoliCmp::writeBackEdit()
{
    const ClientDataSet& matrix = state.cdsDecisionProdutos;
    const QString code = treeCodeOf(matrix.FieldByName(QStringLiteral("NMPRODUTO")).AsString());
    const QDate date = matrix.FieldByName(QStringLiteral("DTPROGENTR")).AsDate();
    const double quantity = matrix.FieldByName(QStringLiteral("QTSOLIPROD")).AsFloat();
    const double previous = editedQuantity_.toDouble();
    ClientDataSet& items = state.cdsItemSoli;
    const auto original = [&items]() -> Field& {
        return items.FieldByName(QStringLiteral("QTSOLIORIG"));
    };
    if (data::locateItem(items, code, date)) {
        items.Edit();
        items.FieldByName(QStringLiteral("QTSOLIPROD")).SetValue(quantity);
        if (scaled(original().AsFloat()) == 0 && (previous > 0 || quantity > 0))
            original().SetValue(previous > 0 ? previous : quantity);
        items.Post();
        return;
    }
    // The record's product was replaced: its item follows it.
    const QString previousCode = treeCodeOf(editedLabel_);
    if (!data::locateItem(items, previousCode, date))
        return;
    const QString previousProduct = productOf(previousCode)
                                        ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"))
                                        : QString();
    const QString product =
        productOf(code) ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO")) : QString();
    data::locateItem(items, previousCode, date);
    items.Edit();
    items.FieldByName(QStringLiteral("CDARVPROD")).SetValue(code);
    items.FieldByName(QStringLiteral("CDPRODUTO")).SetValue(product);
    items.FieldByName(QStringLiteral("QTSOLIPROD")).SetValue(quantity);
    if (items.FieldByName(QStringLiteral("CDPRODORIG")).IsNull())
        items.FieldByName(QStringLiteral("CDPRODORIG")).SetValue(previousProduct);
    if (original().IsNull() && scaled(quantity) != scaled(previous) && previous > 0)
        original().SetValue(previous);
    items.Post();
}

void TfrmLancaSoliCmp::writeBackInsert()
{
    const ClientDataSet& matrix = state.cdsDecisionProdutos;
    const QString code = treeCodeOf(matrix.FieldByName(QStringLiteral("NMPRODUTO")).AsString());
    const QDate date = matrix.FieldByName(QStringLiteral("DTPROGENTR")).AsDate();
    const QVariant quantity = matrix.FieldByName(QStringLiteral("QTSOLIPROD")).Value();
    const QString product =
        productOf(code) ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO")) : QString();
    ClientDataSet& items = state.cdsItemSoli;
    if (!items.Active())
        items.CreateDataSet();
    const QString approval = data::hasApprovedItem(items) && state.stIdPerAltSApr.left(1) == yes
                                 ? yes
                             : state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes ? data::no
                                                                                       : yes;
    const data::RequisitionKey key = state.currentKey();
    const auto set = [&items](const char* field, const QVariant& value) {
        items.FieldByName(QString::fromLatin1(field)).SetValue(value);
    };
    items.Append();
    set("CDFILSOLI", key.CDFILSOLI);
    set("CDFILLAN", key.CDFILLANCA);
    set("NRSOLICMP", key.NRSOLICMP);
    set("DTPROGENTR", date);
    set("DTUTILIZA", date);
    set("CDPRODUTO", product);
    set("CDARVPROD", code);
    set("QTSOLIPROD", quantity);
    set("IDSOLIAPROV", approval);
    set("QTSOLIORIG", quantity);
    items.Post();
}

void TfrmLancaSoliCmp::cdsDecisionProdutosAfterCancel()
{
    ClientDataSet& items = state.cdsItemSoli;
    if (items.State() == DataSetState::Edit || items.State() == DataSetState::Insert)
        items.Cancel();
}

// The cell's item goes with its record, and so do the cell's entry and its
// row's total in the lookup lists, each found by its whole key.
void TfrmLancaSoliCmp::cdsDecisionProdutosBeforeDelete()
{
    const ClientDataSet& matrix = state.cdsDecisionProdutos;
    const QString code = treeCodeOf(matrix.FieldByName(QStringLiteral("NMPRODUTO")).AsString());
    const QDate date = matrix.FieldByName(QStringLiteral("DTPROGENTR")).AsDate();
    if (data::locateItem(state.cdsItemSoli, code, date))
        state.cdsItemSoli.Delete();
    data::removeLookupEntry(state.stlProdutos, data::cellKey(code, date));
    data::removeLookupEntry(state.stlProdutosTot, code);
}

void TfrmLancaSoliCmp::cdsDecisionProdutosAfterDelete()
{
    if (state.cdsDecisionProdutos.Tag != quietMark)
        markRequisitionChanged();
}

void TfrmLancaSoliCmp::cdsItemSoliBeforePost()
{
    ClientDataSet& items = state.cdsItemSoli;
    if (items.State() == DataSetState::Edit &&
        state.requisition(QStringLiteral("IDTIPLAN")) == QLatin1String("A") &&
        state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes &&
        state.stIdPerAltSApr.mid(2, 1) == yes) {
        const Field& quantity = items.FieldByName(QStringLiteral("QTSOLIPROD"));
        // Changing an automatic requisition's quantity withdraws its approval.
        if (scaled(quantity.OldValue().toDouble()) != scaled(quantity.AsFloat()))
            items.FieldByName(QStringLiteral("IDSOLIAPROV")).SetValue(data::no);
    }
    items.FieldByName(QStringLiteral("IDINSVRCMPANT"))
        .SetValue(state.managerApproval ? yes : data::no);
}

// Any change of the items asks for the purchase calendar check again and
// marks the requisition as changed, which offers Confirm and Cancel.
void TfrmLancaSoliCmp::cdsItemSoliAfterEdit()
{
    markRequisitionChanged();
}

void TfrmLancaSoliCmp::cdsItemSoliAfterInsert()
{
    markRequisitionChanged();
}

void TfrmLancaSoliCmp::markRequisitionChanged()
{
    state.cdsVd_Periodicidade.Tag = quietMark;
    ClientDataSet& requisitions = state.cdsServSolicita;
    if (hasRecords(requisitions) && requisitions.State() == DataSetState::Browse)
        requisitions.Edit();
}

} // namespace cmp::Cli_cmp03100
