// How the requisition screen reaches its data: the requesting branch's
// parameters when the branch changes, the current requisition's data page
// by page (fetched again only for another requisition), and moving between
// pages with the menu, the keys and the navigator.
#include "requisition/Cli_cmp03100.h"

#include "approval/Cli_cmp03107.h"
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
#include "requisition/flags.h"

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;


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
    EscolheModeloProduto();
    AplicaParametrosFilial();
    medCdFilSoli.SetText(currentBranchFlag(QStringLiteral("CDFILIAL")));
}

void TfrmLancaSoliCmp::GetParamFilial()
{
    const QString branch = currentBranchFlag(QStringLiteral("CDFILIAL"));
    if (branch.isEmpty()) {
        cdsParamFilial.Close();
        cdsParamGrProdGer.Close();
        return;
    }
    const ProgressScope progress;
    const RemoteValue parameters =
        CheckResultServ(netLancaSoliCmp.Call(QStringLiteral("GetParamFilial"), {branch}));
    cdsParamFilial.SetData(parameters.at(0).toPacket());
    cdsParamGrProdGer.SetData(parameters.at(1).toPacket());
}

// The installation's choice of hiding products inactive at the branch is
// read once; the branch's integration is taken into account on every branch,
// the first one included.
void TfrmLancaSoliCmp::EscolheModeloProduto()
{
    if (!qryParamGeral.Active())
        AbreConsulta(qryParamGeral, {});
    const bool cache = currentValue(qryParamGeral, QStringLiteral("IDCACHPRODFI")) == yes;
    stModeloProduto = QLatin1String(cache ? "qryProdCache" : "qrySemCache") +
                      QLatin1String(IntegracaoAtiva() ? "Param" : "");
}

bool TfrmLancaSoliCmp::IntegracaoAtiva() const
{
    return currentValue(cdsParamFilial, QStringLiteral("IDUTILIZAINTSAC")) == yes;
}

// A flag of the requesting branch; with no branch listed, the purchase
// center's supply parameters stand for it.
QString TfrmLancaSoliCmp::ParametroFilial(const char* field) const
{
    const ClientDataSet& source = hasRecords(cdsFilialSoli) ? cdsFilialSoli : cdsParaSupri;
    const Field* flag = hasRecords(source) ? source.FindField(QString::fromLatin1(field)) : nullptr;
    return flag ? flag->AsString() : QString();
}

// What the branch's parameters show and hide, on every page.
void TfrmLancaSoliCmp::AplicaParametrosFilial()
{
    dbgSolicita.SetColumnVisible(QStringLiteral("IDIMPSOLSAC"), IntegracaoAtiva());
    MostraCamposItem();
    cdsAprovCmpGer.Close();
    cdsAprovCmpGer.CreateDataSet();

    const bool logged = ParametroFilial("IDAUDALTSOL") != no;
    tshItems.SetTabVisible(logged);
    mnuItens.SetVisible(logged);
    HabilitaPaginas();

    const bool destination = ParametroFilial("IDULTDESTSOL") != no;
    const bool buyer = ParametroFilial("IDULTCOMPSOL") != no;
    showAll({&panDestino, &panDestino_Inc}, destination);
    showAll({&panComprador, &panComprador_Inc}, buyer);
    showAll({&lblDtUtiliza, &depUtiliza, &edtNmSemana},
            ParametroFilial("IDULTIDTULTI") == yes);
    const bool purchaseProducts = currentBranchFlag(QStringLiteral("IDUTPRODPREF")) == yes;
    chbProdutoCmp.SetEnabled(purchaseProducts);
    chbProdutoCmp.SetChecked(purchaseProducts);
    grbDadosAdici.SetVisible(buyer || destination);

    dbgSolicita.SetColumnVisible(QStringLiteral("NMOPERADOR"), buyer);
    cdsServSolicita.FieldByName(QStringLiteral("NMOPERADOR")).Visible = buyer;
    dbgSolicita.SetColumnVisible(QStringLiteral("NMDESTSOLI"), destination);
    cdsServSolicita.FieldByName(QStringLiteral("NMDESTSOLI")).Visible = destination;
}

// The item panel shows the integration's dates and state, or the previous
// purchase a manager's approval is judged by, or neither.
void TfrmLancaSoliCmp::MostraCamposItem()
{
    stAprovGerente = no;
    bool integration = IntegracaoAtiva();
    bool previousPurchase = false;
    if (!integration && managerApprovalInUse(cdsParamGrProdGer)) {
        previousPurchase = true;
        stAprovGerente = yes;
    }
    showAll({&lblDtAlteracao, &depDtAlteracao, &lblDtImportacao, &depDtImportacao, &lblSituSoli,
             &lblObservacao, &edtObservacao},
            integration);
    showAll({&lblDtCmpAnterior, &depDtCmpAnterior, &lblVrCmpAnterior, &nedVrCmpAnterior},
            previousPurchase);
}

// The pages of a requisition open only while the list is browsed and no
// new requisition is being entered.
void TfrmLancaSoliCmp::HabilitaPaginas()
{
    const bool browsing = dtsServSolicita.State() == DataSetState::Browse;
    const bool requisitionPages = browsing && !tshIncSoli.TabVisible();
    for (MenuItem* entry : {&mnuSolicitacao, &mnuProduto, &mnuDados, &mnuItens})
        entry->SetEnabled(requisitionPages);
    mnuIncSoli.SetEnabled(browsing);
    PaginasSeguemMenu();
}

// --- the current requisition -------------------------------------------------------

void TfrmLancaSoliCmp::cdsServSolicitaAfterScroll()
{
    ProcuraItensAprovados();
    if (Ativa(tshPadrao))
        RegraExclusao();
    AplicaEdicaoSolicitacao();

    const bool settlement = currentBranchFlag(QStringLiteral("IDBAIXSOLDFS")) == yes;
    dbgSolicita.SetColumnVisible(QStringLiteral("IDBAIXASOL"), settlement);
    showAll({&lblIdBaixItmSol, &edtIdBaixItmSol, &lblQtTransfSol, &nedQtTransfSol}, settlement);

    MostraMarcas();
    GetData();
    Controla_Baixa();
}

// Where approved items may not be changed, they also forbid deleting the
// requisition: look for one.
void TfrmLancaSoliCmp::ProcuraItensAprovados()
{
    cdsItemSoliAux.Tag = 0;
    const bool approvalInUse = currentBranchFlag(QStringLiteral("IDUTAPROVSOL")) == yes;
    if (!approvalInUse || stIdPerAltSApr.mid(1, 1) != no)
        return;
    const RequisitionKey key = chaveAtual();
    if (key.NRSOLICMP.isEmpty())
        return;
    const RemoteValue items = CheckResultServ(netLancaSoliCmp.Call(
        QStringLiteral("GetItemSoli"), {key.CDFILSOLI, key.CDFILLANCA, key.NRSOLICMP}));
    cdsItemSoliAux.SetData(items.at(0).toPacket());
    if (!currentBranchFlag(QStringLiteral("CDFILIAL")).isEmpty() &&
        cdsItemSoliAux.Locate(QStringLiteral("IDSOLIAPROV"), yes))
        cdsItemSoliAux.Tag = 99;
}

bool TfrmLancaSoliCmp::TemItensAprovados() const
{
    return cdsItemSoliAux.Tag == 99;
}

bool TfrmLancaSoliCmp::TemPermissaoItem() const
{
    // Every permission but the last, which is over whole requisitions.
    return std::any_of(permissionKeys.begin(), permissionKeys.end() - 1,
                       [this](const QString& key) { return TemPermissao(key); });
}

// Buyer, destination and justification can be changed only on a requisition
// that is not locked; the colours say which.
void TfrmLancaSoliCmp::AplicaEdicaoSolicitacao()
{
    const bool writable = Gravavel();
    dbgItens.SetEnabled(writable || TemPermissaoItem());
    CorJustificativa();
    const ColorRole fieldColor = writable ? ColorRole::Normal : ColorRole::Disabled;
    dbeComprador.SetColor(fieldColor);
    dbeDestino.SetColor(fieldColor);
    for (Control* control : std::initializer_list<Control*>{
             &lblComprador, &dbeComprador, &btnComprador, &lblDestino, &dbeDestino, &btnDestino})
        control->SetEnabled(writable);
}

bool TfrmLancaSoliCmp::Gravavel() const
{
    return hasRecords(cdsServSolicita) && !TravaAutomatica();
}

void TfrmLancaSoliCmp::CorJustificativa()
{
    ColorRole color = ColorRole::Disabled;
    if (Gravavel() && dbeNmJustSoli.Enabled())
        color = currentBranchFlag(QStringLiteral("IDJUSSOLEXT")) == yes ? ColorRole::Required
                                                                        : ColorRole::Normal;
    dbeNmJustSoli.SetColor(color);
}

// "Extra" and the number of the preview the requisition came from.
void TfrmLancaSoliCmp::MostraMarcas()
{
    const bool extra = currentRequisition(QStringLiteral("IDSOLEXTRA")) == yes;
    lblExtra.SetCaption(extra ? msgPadrao.Msg(QStringLiteral("Id_Extra")) : QString());
    lblExtra.SetVisible(!Ativa(tshFilialSoli));
    const bool preview = !currentRequisition(QStringLiteral("NRNECECMPSOL")).trimmed().isEmpty();
    lblPrevia.SetVisible(preview);
    dbtNumPrev.SetVisible(preview);
    const QDate launched = hasRecords(cdsServSolicita)
                               ? cdsServSolicita.FieldByName(QStringLiteral("DTSOLCMP")).AsDate()
                               : QDate();
    edtNmDtLanc.SetText(launched.isValid() ? NomeSemana(launched) : QString());
}

// --- loading the page's data ------------------------------------------------------------

RemoteValue TfrmLancaSoliCmp::Carrega(const QString& method, const QString& progressKey)
{
    const RequisitionKey key = chaveAtual();
    const ProgressScope progress(msgPadrao.Msg(progressKey));
    return CheckResultServ(
        netLancaSoliCmp.Call(method, {key.CDFILSOLI, key.CDFILLANCA, key.NRSOLICMP}));
}

void TfrmLancaSoliCmp::GetData()
{
    if (chaveAtual().NRSOLICMP.isEmpty())
        return;
    if (Ativa(tshProdutos))
        GetDataProdutos();
    else if (Ativa(tshItems))
        GetDataItens();
    else if (Ativa(tshPadrao))
        GetDataSolicitacao();
    else if (Ativa(tshDadosSoli))
        GetDataDados();
}

void TfrmLancaSoliCmp::GetDataProdutos()
{
    Atualiza_Produto();
    dtsPadraoStateChange();
    SetFocus(degItemSoli);
    SetCommandEnabled(sbtProcurar, true);
    if (TemItensAprovados())
        SetCommandEnabled(sbtExcluir, false);
    if (depDtAlteracao.Visible())
        MostraItemIntegracao();
}

// The current item as the external integration last reported it.
void TfrmLancaSoliCmp::MostraItemIntegracao()
{
    const bool hasItem = hasRecords(cdsItemSoli);
    const auto item = [&](const char* field) -> Field* {
        return hasItem ? &cdsItemSoli.FieldByName(QString::fromLatin1(field)) : nullptr;
    };
    depDtAlteracao.SetDate(hasItem ? item("DTULTATUITSOL")->AsDate() : QDate());
    depDtImportacao.SetDate(hasItem ? item("DTIMPORTASAC")->AsDate() : QDate());
    lblSituSoli.SetCaption(hasItem ? item("IDIMPITMSAC")->Text() : QString());
    edtObservacao.SetText(hasItem ? item("TXOBSITMSOL")->AsString() : QString());
}

void TfrmLancaSoliCmp::GetDataItens()
{
    if (chaveMovimento_ != chaveAtual()) {
        cdsMovoPSol.SetData(Carrega(QStringLiteral("GetMovoPSol"), QStringLiteral("Get_DataMov")).toPacket());
        chaveMovimento_ = chaveAtual();
    }
    SetFocus(dbgItens);
    dtsMovoPSolStateChange();
    const bool hasLog = !cdsMovoPSol.IsEmpty();
    SetCommandEnabled(sbtAlterar, hasLog && !TravaOutroOperador());
    SetCommandEnabled(sbtCopy, hasLog && JustificativaAtual() && !TravaOutroOperador());
}

bool TfrmLancaSoliCmp::JustificativaAtual() const
{
    return hasRecords(cdsMovoPSol) &&
           !cdsMovoPSol.FieldByName(QStringLiteral("DSJUSTOPER")).AsString().trimmed().isEmpty();
}

void TfrmLancaSoliCmp::GetDataSolicitacao()
{
    SetFocus(dbgSolicita);
    dtsPadrao.SetDataSet(&cdsSolicita);
    dtsSolicitaStateChange();
    RegraExclusao();
}

void TfrmLancaSoliCmp::GetDataDados()
{
    dtsPadrao.SetDataSet(&cdsSolicita);
    dtsPadraoStateChange();
    if (chaveDados_ != chaveAtual()) {
        cdsSolicita.SetData(Carrega(QStringLiteral("GetSolicita"), QStringLiteral("Get_DataDadSol")).toPacket());
        cdsJustSoli.SetData(Carrega(QStringLiteral("GetJustSoli"), QStringLiteral("Get_DataDadSol")).toPacket());
        chaveDados_ = chaveAtual();
    }
    CorJustificativa();
    SetCommandEnabled(sbtAlterar, !TravaAutomatica() && !TravaOutroOperador());
}

// The items and the matrix source of the current requisition; the same
// requisition keeps the ones already loaded.
void TfrmLancaSoliCmp::Atualiza_Produto()
{
    const RequisitionKey key = chaveAtual();
    if (chaveItens_ != key) {
        cdsDecisionProdutos.SetData(
            Carrega(QStringLiteral("GetDecisionProdutos"), QStringLiteral("Get_DataProd")).toPacket());
        const RemoteValue items = Carrega(QStringLiteral("GetItemSoli"), QStringLiteral("Get_DataProd"));
        cdsItemSoli.SetData(items.at(0).toPacket());
        cdsItemNImportados.SetData(items.at(1).toPacket());
        chaveItens_ = key;
    }
    degItemSoli.SetSparseRows(false);
    degItemSoli.SetSparseCols(false);
    degItemSoli.Build(cdsDecisionProdutos, QStringLiteral("NMPRODUTO"), QStringLiteral("DTPROGENTR"),
                      QStringLiteral("QTSOLIPROD"));
}

// --- the alteration log -------------------------------------------------------------

// The moment of the current change: date and time, weekday, hour.
void TfrmLancaSoliCmp::dtsMovoPSolDataChange()
{
    if (cdsMovoPSol.State() != DataSetState::Browse)
        return;
    const QDateTime moment = cdsMovoPSol.IsEmpty()
                                 ? QDateTime()
                                 : cdsMovoPSol.FieldByName(QStringLiteral("DTOPERSOL")).AsDateTime();
    const bool shown = moment.isValid();
    edtData.SetText(shown ? FormatDateTime(moment) : QString());
    edtDiaSemana.SetText(shown ? NomeSemana(moment.date()).left(3) : QString());
    edtHora.SetText(shown ? moment.toString(u"hh:mm:ss") : QString());
}

// --- pages ---------------------------------------------------------------------------

bool TfrmLancaSoliCmp::Ativa(const TabSheet& page) const
{
    return pgcPadrao.ActivePage() == &page;
}

// Leaving the header or the log keeps what was typed there; a post that
// fails keeps the user on the page with its error.
void TfrmLancaSoliCmp::pgcPadraoChanging(bool& allowChange)
{
    if (Ativa(tshDadosSoli)) {
        allowChange = PostaPendente(cdsJustSoli) &&
                      (cdsItemSoli.ChangeCount() > 0 || PostaPendente(cdsSolicita));
    } else if (Ativa(tshItems)) {
        allowChange = PostaPendente(cdsMovoPSol);
    }
}

bool TfrmLancaSoliCmp::PostaPendente(ClientDataSet& dataSet)
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
    chKeyNum = QChar();
    MostraMarcas();
    if (!cdsServSolicita.IsEmpty() &&
        currentRequisition(QStringLiteral("CDFILSOLI")) != currentBranchFlag(QStringLiteral("CDFILIAL")))
        RecarregaListas();
    CopiaParametrosFilial();
    cdsServSolicitaAfterScroll();
    MarcaPaginaAtiva();
    panNavegador.SetVisible(Ativa(tshFilialSoli) || Ativa(tshPadrao) || Ativa(tshItems) ||
                            Ativa(tshDadosSoli));
    CrlDadosSolicitacao();
    if (!Ativa(tshProdutos))
        dtsServSolicitaStateChange();
}

// The requisitions listed belong to another branch than the one chosen:
// list the chosen branch's, with the filter as last confirmed. A failure
// leaves the lists as they were.
void TfrmLancaSoliCmp::RecarregaListas()
{
    stIdPerAltSApr.clear();
    stIdImpIncSolApr.clear();
    if (!Cli_cmp03107::frmFiltroSolicita)
        return;
    try {
        Cli_cmp03107::frmFiltroSolicita->Confirma(currentBranchFlag(QStringLiteral("CDFILIAL")));
    } catch (...) {
    }
}

void TfrmLancaSoliCmp::MarcaPaginaAtiva()
{
    mnuFilialSoli.SetChecked(Ativa(tshFilialSoli));
    mnuSolicitacao.SetChecked(Ativa(tshPadrao));
    mnuIncSoli.SetChecked(Ativa(tshIncSoli));
    mnuProduto.SetChecked(Ativa(tshProdutos));
    mnuDados.SetChecked(Ativa(tshDadosSoli));
    mnuItens.SetChecked(Ativa(tshItems));
}

bool TfrmLancaSoliCmp::MudaPagina(TabSheet& page)
{
    if (Ativa(page))
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
    if (!MudaPagina(tshProdutos))
        return;
    MarcaPaginaAtiva();
    mnuFilialSoli.SetEnabled(Ativa(tshFilialSoli));
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
    const DataSetState state = dtsPadrao.State();
    if (state != DataSetState::Edit && state != DataSetState::Insert)
        return;
    key = 0;
    sbtConfirmar.Click();
    if (state == DataSetState::Insert)
        sbtIncluir.Click();
}

void TfrmLancaSoliCmp::DBGrid1KeyDown(Key& key, Shift shift)
{
    if (key == Qt::Key_Right && (shift & Qt::ControlModifier)) {
        key = 0;
        MudaPagina(tshPadrao);
    }
}

void TfrmLancaSoliCmp::sbtProcurarClick()
{
    if (Ativa(tshPadrao))
        Procura(cdsServSolicita, Caption());
    else if (Ativa(tshItems))
        Procura(cdsMovoPSol, Caption());
    else if (Ativa(tshFilialSoli))
        Procura(cdsFilialSoli, Caption());
    else if (Ativa(tshProdutos))
        LoadBPL(QStringLiteral("SUP01717"),
                {QStringLiteral("P"), QVariant::fromValue<Control*>(&degItemSoli), -1, false});
}

// The menu moves through the requisitions only on their own page; elsewhere
// the navigator moves through its list.
void TfrmLancaSoliCmp::Primeiro1Click()
{
    if (Ativa(tshPadrao))
        cdsServSolicita.First();
}

void TfrmLancaSoliCmp::Anterior1Click()
{
    if (Ativa(tshPadrao))
        cdsServSolicita.Prior();
}

void TfrmLancaSoliCmp::Proximo1Click()
{
    if (Ativa(tshPadrao))
        cdsServSolicita.Next();
}

void TfrmLancaSoliCmp::Ultimo1Click()
{
    if (Ativa(tshPadrao))
        cdsServSolicita.Last();
}

} // namespace cmp::Cli_cmp03100
