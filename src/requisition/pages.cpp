// How the requisition screen reaches its data: the requesting branch's
// parameters when the branch changes, the current requisition's data page
// by page (fetched again only for another requisition), and moving between
// pages with the menu, the keys and the navigator.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/data/field.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/lookups.h"
#include "framework/ui/ui_port.h"

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;
using data::currentValue;
using data::hasRecords;
using data::no;
using data::yes;

// The branch has a product group whose items need a manager's approval.
bool managerApprovalInUse(ClientDataSet& groups)
{
    if (!groups.Active())
        return false;
    return groups.Locate(QStringLiteral("IDUTAPROVSOL;IDULTDESTSOL;IDAPROVITMSOLGR"),
                         {yes, yes, yes}, {});
}

void showAll(std::initializer_list<Control*> controls, bool visible)
{
    for (Control* control : controls)
        control->SetVisible(visible);
}

} // namespace

// --- the requesting branch -------------------------------------------------------

void TfrmLancaSoliCmp::cdsFilialSoliAfterScroll()
{
    GetParamFilial();
    chooseProductTemplate();
    applyBranchParameters();
    medCdFilSoli.SetText(currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")));
}

void TfrmLancaSoliCmp::GetParamFilial()
{
    const QString branch = currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL"));
    if (branch.isEmpty()) {
        state.cdsParamFilial.Close();
        state.cdsParamGrProdGer.Close();
        return;
    }
    const ProgressScope progress;
    const RemoteValue parameters =
        CheckResultServ(state.netLancaSoliCmp.Call(QStringLiteral("GetParamFilial"), {branch}));
    state.cdsParamFilial.SetData(parameters.at(0).toPacket());
    state.cdsParamGrProdGer.SetData(parameters.at(1).toPacket());
}

// The installation's choice of hiding products inactive at the branch is
// read once; the branch's integration is taken into account on every branch,
// the first one included.
void TfrmLancaSoliCmp::chooseProductTemplate()
{
    if (!qryParamGeral.Active())
        openQuery(qryParamGeral, {});
    const bool cache = currentValue(qryParamGeral, QStringLiteral("IDCACHPRODFI")) == yes;
    productTemplate = QLatin1String(cache ? "qryProdCache" : "qrySemCache") +
                      QLatin1String(integrationActive() ? "Param" : "");
}

bool TfrmLancaSoliCmp::integrationActive() const
{
    return currentValue(state.cdsParamFilial, QStringLiteral("IDUTILIZAINTSAC")) == yes;
}

// What the branch's parameters show and hide, on every page.
void TfrmLancaSoliCmp::applyBranchParameters()
{
    dbgSolicita.SetColumnVisible(QStringLiteral("IDIMPSOLSAC"), integrationActive());
    showItemFields();
    state.cdsAprovCmpGer.Close();
    state.cdsAprovCmpGer.CreateDataSet();

    const bool logged = state.branchFlag(QStringLiteral("IDAUDALTSOL")) != no;
    tshItems.SetTabVisible(logged);
    mnuItens.SetVisible(logged);
    enablePages();

    // With no branch listed, the filter's decision stands.
    if (hasRecords(state.cdsFilialSoli)) {
        state.destinationShown = state.branchFlag(QStringLiteral("IDULTDESTSOL")) != no;
        state.buyerShown = state.branchFlag(QStringLiteral("IDULTCOMPSOL")) != no;
    }
    showBuyerAndDestination();
    showAll({&lblDtUtiliza, &depUtiliza, &edtNmSemana},
            state.branchFlag(QStringLiteral("IDULTIDTULTI")) == yes);
    const bool purchaseProducts = state.branchFlag(QStringLiteral("IDUTPRODPREF")) == yes;
    chbProdutoCmp.SetEnabled(purchaseProducts);
    chbProdutoCmp.SetChecked(purchaseProducts);
}

void TfrmLancaSoliCmp::showBuyerAndDestination()
{
    const bool buyer = state.buyerShown;
    const bool destination = state.destinationShown;
    showAll({&panDestino, &panDestino_Inc}, destination);
    showAll({&panComprador, &panComprador_Inc}, buyer);
    grbDadosAdici.SetVisible(buyer || destination);
    dbgSolicita.SetColumnVisible(QStringLiteral("NMOPERADOR"), buyer);
    state.cdsServSolicita.FieldByName(QStringLiteral("NMOPERADOR")).Visible = buyer;
    dbgSolicita.SetColumnVisible(QStringLiteral("NMDESTSOLI"), destination);
    state.cdsServSolicita.FieldByName(QStringLiteral("NMDESTSOLI")).Visible = destination;
}

// The item panel shows the integration's dates and state, or the previous
// purchase a manager's approval is judged by, or neither.
void TfrmLancaSoliCmp::showItemFields()
{
    const bool integration = integrationActive();
    state.managerApproval = !integration && managerApprovalInUse(state.cdsParamGrProdGer);
    showAll({&lblDtAlteracao, &depDtAlteracao, &lblDtImportacao, &depDtImportacao, &lblSituSoli,
             &lblObservacao, &edtObservacao},
            integration);
    showAll({&lblDtCmpAnterior, &depDtCmpAnterior, &lblVrCmpAnterior, &nedVrCmpAnterior},
            state.managerApproval);
}

// The pages of a requisition open only while the list is browsed and no
// new requisition is being entered.
void TfrmLancaSoliCmp::enablePages()
{
    const bool browsing = dtsServSolicita.State() == DataSetState::Browse;
    const bool requisitionPages = browsing && !tshIncSoli.TabVisible();
    for (MenuItem* entry : {&mnuSolicitacao, &mnuProduto, &mnuDados, &mnuItens})
        entry->SetEnabled(requisitionPages);
    mnuIncSoli.SetEnabled(browsing);
    pagesFollowMenu();
}

// --- the current requisition -------------------------------------------------------

void TfrmLancaSoliCmp::cdsServSolicitaAfterScroll()
{
    findApprovedItems();
    if (isActive(tshPadrao))
        applyDeletionRule();
    applyRequisitionEditing();

    const bool settlement = state.branchFlag(QStringLiteral("IDBAIXSOLDFS")) == yes;
    dbgSolicita.SetColumnVisible(QStringLiteral("IDBAIXASOL"), settlement);
    showAll({&lblIdBaixItmSol, &edtIdBaixItmSol, &lblQtTransfSol, &nedQtTransfSol}, settlement);

    showMarks();
    GetData();
    CrlDadosSolicitacao();
    Controla_Baixa();
}

// Where approved items may not be changed, they also forbid deleting the
// requisition: look for one.
void TfrmLancaSoliCmp::findApprovedItems()
{
    state.cdsItemSoliAux.Tag = 0;
    const bool approvalInUse = state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes;
    const bool approvedLocked = state.branchFlag(QStringLiteral("IDPERALTSAPR"), 3).at(1) == no;
    if (!approvalInUse || !approvedLocked)
        return;
    const data::RequisitionKey key = state.currentKey();
    if (key.NRSOLICMP.isEmpty())
        return;
    const RemoteValue items = CheckResultServ(state.netLancaSoliCmp.Call(
        QStringLiteral("GetItemSoli"), {key.CDFILSOLI, key.CDFILLANCA, key.NRSOLICMP}));
    state.cdsItemSoliAux.SetData(items.at(0).toPacket());
    if (!currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")).isEmpty() &&
        state.cdsItemSoliAux.Locate(QStringLiteral("IDSOLIAPROV"), yes))
        state.cdsItemSoliAux.Tag = 99;
}

// Buyer, destination and justification can be changed only on a requisition
// that is not locked; the colours say which.
void TfrmLancaSoliCmp::applyRequisitionEditing()
{
    const bool canWrite = writable();
    dbgItens.SetEnabled(canWrite || state.hasItemPermission());
    colorJustification();
    const ColorRole fieldColor = canWrite ? ColorRole::Normal : ColorRole::Disabled;
    dbeComprador.SetColor(fieldColor);
    dbeDestino.SetColor(fieldColor);
    for (Control* control :
         std::initializer_list<Control*>{&lblComprador, &dbeComprador, &lblDestino, &dbeDestino})
        control->SetEnabled(canWrite);
}

bool TfrmLancaSoliCmp::writable() const
{
    return hasRecords(state.cdsServSolicita) && !state.lockedAutomatic();
}

void TfrmLancaSoliCmp::colorJustification()
{
    ColorRole color = ColorRole::Disabled;
    if (writable() && dbeNmJustSoli.Enabled())
        color = state.branchFlag(QStringLiteral("IDJUSSOLEXT")) == yes ? ColorRole::Required
                                                                       : ColorRole::Normal;
    dbeNmJustSoli.SetColor(color);
}

// "Extra" and the number of the preview the requisition came from.
void TfrmLancaSoliCmp::showMarks()
{
    const bool extra = state.requisition(QStringLiteral("IDSOLEXTRA")) == yes;
    lblExtra.SetCaption(extra ? msgPadrao.Msg(QStringLiteral("Id_Extra")) : QString());
    lblExtra.SetVisible(!isActive(tshFilialSoli));
    const bool preview = !state.requisition(QStringLiteral("NRNECECMPSOL")).trimmed().isEmpty();
    lblPrevia.SetVisible(preview);
    dbtNumPrev.SetVisible(preview);
    const QDate launched =
        hasRecords(state.cdsServSolicita)
            ? state.cdsServSolicita.FieldByName(QStringLiteral("DTSOLCMP")).AsDate()
            : QDate();
    edtNmDtLanc.SetText(launched.isValid() ? NomeSemana(launched) : QString());
}

// --- loading the page's data ------------------------------------------------------------

RemoteValue TfrmLancaSoliCmp::fetch(const QString& method, const QString& progressKey)
{
    const data::RequisitionKey key = state.currentKey();
    const ProgressScope progress(msgPadrao.Msg(progressKey));
    return CheckResultServ(
        state.netLancaSoliCmp.Call(method, {key.CDFILSOLI, key.CDFILLANCA, key.NRSOLICMP}));
}

void TfrmLancaSoliCmp::GetData()
{
    if (state.currentKey().NRSOLICMP.isEmpty())
        return;
    if (isActive(tshProdutos))
        loadProductsPage();
    else if (isActive(tshItems))
        loadLogPage();
    else if (isActive(tshPadrao))
        showRequisitionsPage();
    else if (isActive(tshDadosSoli))
        loadHeaderPage();
}

void TfrmLancaSoliCmp::loadProductsPage()
{
    Atualiza_Produto();
    dtsPadraoStateChange();
    SetFocus(degItemSoli);
    SetCommandEnabled(sbtProcurar, true);
    if (state.hasApprovedItems())
        SetCommandEnabled(sbtExcluir, false);
    if (depDtAlteracao.Visible())
        showIntegrationItem();
}

// The current item as the external integration last reported it.
void TfrmLancaSoliCmp::showIntegrationItem()
{
    const ClientDataSet& items = state.cdsItemSoli;
    const bool hasItem = hasRecords(items);
    const auto item = [&](const char* field) -> Field* {
        return hasItem ? &items.FieldByName(QString::fromLatin1(field)) : nullptr;
    };
    depDtAlteracao.SetDate(hasItem ? item("DTULTATUITSOL")->AsDate() : QDate());
    depDtImportacao.SetDate(hasItem ? item("DTIMPORTASAC")->AsDate() : QDate());
    lblSituSoli.SetCaption(hasItem ? item("IDIMPITMSAC")->Text() : QString());
    edtObservacao.SetText(hasItem ? item("TXOBSITMSOL")->AsString() : QString());
}

void TfrmLancaSoliCmp::AtualizaJustSol()
{
    if (logKey_ == state.currentKey())
        return;
    state.cdsMovoPSol.SetData(
        fetch(QStringLiteral("GetMovoPSol"), QStringLiteral("Get_DataMov")).toPacket());
    logKey_ = state.currentKey();
}

void TfrmLancaSoliCmp::loadLogPage()
{
    AtualizaJustSol();
    SetFocus(dbgItens);
    dtsMovoPSolStateChange();
    const bool hasLog = !state.cdsMovoPSol.IsEmpty();
    const bool ownRequisition = !state.lockedOtherOperator();
    SetCommandEnabled(sbtAlterar, hasLog && ownRequisition);
    SetCommandEnabled(sbtCopy, hasLog && currentChangeJustified() && ownRequisition);
}

bool TfrmLancaSoliCmp::currentChangeJustified() const
{
    return !currentValue(state.cdsMovoPSol, QStringLiteral("DSJUSTOPER")).trimmed().isEmpty();
}

void TfrmLancaSoliCmp::showRequisitionsPage()
{
    SetFocus(dbgSolicita);
    dtsPadrao.SetDataSet(&state.cdsSolicita);
    dtsSolicitaStateChange();
    applyDeletionRule();
}

void TfrmLancaSoliCmp::loadHeaderPage()
{
    dtsPadrao.SetDataSet(&state.cdsSolicita);
    dtsPadraoStateChange();
    if (headerKey_ != state.currentKey()) {
        state.cdsSolicita.SetData(
            fetch(QStringLiteral("GetSolicita"), QStringLiteral("Get_DataDadSol")).toPacket());
        state.cdsJustSoli.SetData(
            fetch(QStringLiteral("GetJustSoli"), QStringLiteral("Get_DataDadSol")).toPacket());
        headerKey_ = state.currentKey();
    }
    colorJustification();
    SetCommandEnabled(sbtAlterar, !state.locked());
}

// The items and the matrix source of the current requisition; the same
// requisition keeps the ones already loaded.
void TfrmLancaSoliCmp::Atualiza_Produto()
{
    const data::RequisitionKey key = state.currentKey();
    if (itemsKey_ != key) {
        state.cdsDecisionProdutos.SetData(
            fetch(QStringLiteral("GetDecisionProdutos"), QStringLiteral("Get_DataProd"))
                .toPacket());
        const RemoteValue items =
            fetch(QStringLiteral("GetItemSoli"), QStringLiteral("Get_DataProd"));
        state.cdsItemSoli.SetData(items.at(0).toPacket());
        state.cdsItemNImportados.SetData(items.at(1).toPacket());
        itemsKey_ = key;
        cdsDecisionProdutosAfterOpen();
        indexItems();
    }
    ActiveDecision();
}

// --- the alteration log -------------------------------------------------------------

// The moment of the current change: date and time, weekday, hour.
void TfrmLancaSoliCmp::dtsMovoPSolDataChange()
{
    const ClientDataSet& log = state.cdsMovoPSol;
    if (log.State() != DataSetState::Browse)
        return;
    const QDateTime moment =
        log.IsEmpty() ? QDateTime() : log.FieldByName(QStringLiteral("DTOPERSOL")).AsDateTime();
    const bool shown = moment.isValid();
    edtData.SetText(shown ? FormatDateTime(moment) : QString());
    edtDiaSemana.SetText(shown ? NomeSemana(moment.date()).left(3) : QString());
    edtHora.SetText(shown ? moment.toString(u"hh:mm:ss") : QString());
}

// --- pages ---------------------------------------------------------------------------

bool TfrmLancaSoliCmp::isActive(const TabSheet& page) const
{
    return pgcPadrao.ActivePage() == &page;
}

// Leaving the header or the log keeps what was typed there; a post that
// fails keeps the user on the page with its error.
void TfrmLancaSoliCmp::pgcPadraoChanging(bool& allowChange)
{
    if (isActive(tshDadosSoli)) {
        allowChange = postPending(state.cdsJustSoli) &&
                      (state.cdsItemSoli.ChangeCount() > 0 || postPending(state.cdsSolicita));
    } else if (isActive(tshItems)) {
        allowChange = postPending(state.cdsMovoPSol);
    }
}

bool TfrmLancaSoliCmp::postPending(ClientDataSet& dataSet)
{
    if (dataSet.State() != DataSetState::Edit && dataSet.State() != DataSetState::Insert)
        return true;
    try {
        dataSet.Post();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& failure) {
        uiPort().showError(QString::fromUtf8(failure.what()));
        return false;
    }
}

void TfrmLancaSoliCmp::pgcPadraoChange()
{
    forgetPaintedCell();
    state.chKeyNum = QChar();
    showMarks();
    if (state.requisition(QStringLiteral("CDFILSOLI")) !=
        currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")))
        reloadLists();
    state.copyBranchFlags();
    cdsServSolicitaAfterScroll();
    tickActivePage();
    panNavegador.SetVisible(isActive(tshFilialSoli) || isActive(tshPadrao) || isActive(tshItems) ||
                            isActive(tshDadosSoli));
    CrlDadosSolicitacao();
    if (!isActive(tshProdutos))
        dtsServSolicitaStateChange();
}

// The requisitions listed belong to another branch than the one chosen:
// list the chosen branch's, with the filter as last confirmed. A failure
// the filter already told the user about leaves the lists as they were and
// the page changes all the same.
void TfrmLancaSoliCmp::reloadLists()
{
    state.stIdPerAltSApr.clear();
    state.stIdImpIncSolApr.clear();
    RunUserAction([this] {
        state.screens.confirmFilterAgain(
            currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")));
    });
}

void TfrmLancaSoliCmp::tickActivePage()
{
    mnuFilialSoli.SetChecked(isActive(tshFilialSoli));
    mnuSolicitacao.SetChecked(isActive(tshPadrao));
    mnuIncSoli.SetChecked(isActive(tshIncSoli));
    mnuProduto.SetChecked(isActive(tshProdutos));
    mnuDados.SetChecked(isActive(tshDadosSoli));
    mnuItens.SetChecked(isActive(tshItems));
}

bool TfrmLancaSoliCmp::changePage(TabSheet& page)
{
    if (isActive(page))
        return true;
    bool allowChange = true;
    pgcPadraoChanging(allowChange);
    if (!allowChange)
        return false;
    pgcPadrao.SetActivePage(&page);
    pgcPadraoChange();
    return true;
}

void TfrmLancaSoliCmp::mnuProdutoClick()
{
    Atualiza_Produto();
    if (!changePage(tshProdutos))
        return;
    tickActivePage();
    mnuFilialSoli.SetEnabled(isActive(tshFilialSoli));
    SetFocus(degItemSoli);
}

// --- keys, search and navigation ------------------------------------------------------

// Ctrl+Enter confirms what is being typed and, after an insertion, starts
// the next one.
void TfrmLancaSoliCmp::FormKeyDown(Key& key, Shift shift)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (!(shift & Qt::ControlModifier) || !dtsPadrao.DataSet())
        return;
    const DataSetState listState = dtsPadrao.State();
    if (listState != DataSetState::Edit && listState != DataSetState::Insert)
        return;
    key = 0;
    sbtConfirmar.Click();
    if (listState == DataSetState::Insert)
        sbtIncluir.Click();
}

void TfrmLancaSoliCmp::DBGrid1KeyDown(Key& key, Shift shift)
{
    if (key == Qt::Key_Right && (shift & Qt::ControlModifier)) {
        key = 0;
        changePage(tshPadrao);
    }
}

void TfrmLancaSoliCmp::sbtProcurarClick()
{
    if (isActive(tshPadrao))
        Procura(state.cdsServSolicita, Caption());
    else if (isActive(tshItems))
        Procura(state.cdsMovoPSol, Caption());
    else if (isActive(tshFilialSoli))
        Procura(state.cdsFilialSoli, Caption());
    else if (isActive(tshProdutos))
        LoadBPL(QStringLiteral("SUP01717"),
                {QStringLiteral("P"), QVariant::fromValue<Control*>(&degItemSoli), -1, false});
}

// The menu moves through the requisitions only on their own page; elsewhere
// the navigator moves through its list.
void TfrmLancaSoliCmp::Primeiro1Click()
{
    if (isActive(tshPadrao))
        state.cdsServSolicita.First();
}

void TfrmLancaSoliCmp::Anterior1Click()
{
    if (isActive(tshPadrao))
        state.cdsServSolicita.Prior();
}

void TfrmLancaSoliCmp::Proximo1Click()
{
    if (isActive(tshPadrao))
        state.cdsServSolicita.Next();
}

void TfrmLancaSoliCmp::Ultimo1Click()
{
    if (isActive(tshPadrao))
        state.cdsServSolicita.Last();
}

} // namespace cmp::Cli_cmp03100
