#include "requisition/Cli_cmp03100.h"

#include "data/module_statements.h"
#include "framework/core/abort.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

namespace cmp::Cli_cmp03100 {

fw::ScreenInstance<TfrmLancaSoliCmp> frmLancaSoliCmp;
bool boStCriado = false;

namespace {

using namespace fw;
using data::currentValue;

// The module's state, from the unit's initialization to its finalization.
data::RequisitionState* unitState = nullptr;

const QString decisionIndex = QStringLiteral("IndCube");
constexpr int smallScreenHeight = 480;

} // namespace

TfrmLancaSoliCmp::~TfrmLancaSoliCmp()
{
    // The base screen's command handling reads the shared record sets, which
    // outlive this screen: nothing of it may run on them any more.
    dtsPadrao.SetDataSet(nullptr);
    state.detachHandlers();
    Destroy();
}

void TfrmLancaSoliCmp::netBeforeConnect(TNetConnection& connection)
{
    connection.SetWebURL(WebURL());
    connection.SetWebPort(WebPort());
}

void TfrmLancaSoliCmp::FormCreate()
{
    {
        const ProgressScope progress;
        state.netLancaSoliCmp.Connect();
        state.netCompras.Connect();
    }
    tshIncSoli.SetTabVisible(false);
    mnuIncSoli.SetVisible(tshIncSoli.TabVisible());
    pgcPadrao.SetActivePage(&tshFilialSoli);
    firstActivationPending_ = true;
}

void TfrmLancaSoliCmp::FormActivate()
{
    // The screen is laid out for more than the smallest screens it runs on.
    if (ScreenHeight() == smallScreenHeight)
        SetWindowState(WindowState::Maximized);
    if (!std::exchange(firstActivationPending_, false))
        return;
    state.origins.setAll(true);
    enableAggregatedInclusion();
    showLaunchingBranch();
    if (pgcPadrao.ActivePage() != &tshFilialSoli && tshFilialSoli.TabVisible())
        pgcPadrao.SetActivePage(&tshFilialSoli);
    state.screens.CriaFiltroSolicita();
    state.copyBranchFlags();
    applyBranchParameters();
    pgcPadraoChange();
    chooseProductTemplate();
}

void TfrmLancaSoliCmp::sbtFiltroClick()
{
    state.screens.CriaFiltroSolicita();
    showBuyerAndDestination();
}

// Aggregated requisitions are entered for a school-meal central: an operator
// bound to one branch may enter them only from one.
void TfrmLancaSoliCmp::enableAggregatedInclusion()
{
    bool allowed = true;
    if (ModuFili()) {
        openQuery(qryCentMerenda, {{QStringLiteral("P_CDFILIAL"), FiliProc()}});
        allowed = !qryCentMerenda.IsEmpty();
    }
    SetCommandEnabled(sbtInclSolicAgreg, allowed);
}

// New requisitions are launched by the processing branch.
void TfrmLancaSoliCmp::showLaunchingBranch()
{
    openQuery(qryFilial, {{QStringLiteral("P_CDFILIAL"), FiliProc()}});
    edtCdFilLanca.SetText(currentValue(qryFilial, QStringLiteral("CDFILIAL")));
    edtNmFilLanca.SetText(currentValue(qryFilial, QStringLiteral("NMFILIAL")));
}

void TfrmLancaSoliCmp::openQuery(ClientDataSet& query, const QueryParams& params)
{
    OpenDeclared(query, data::declaredName(QStringLiteral("TfrmLancaSoliCmp"), query.Name()),
                 params);
}

void TfrmLancaSoliCmp::Vd_Just_Inc()
{
    if (!chbExtra.Checked() || !edtDsJust.Text().trimmed().isEmpty())
        return;
    pgcIncSoli.SetActivePage(&tshPrincipal);
    SetFocus(edtDsJust);
    MensErro(msgPadrao.Msg(QStringLiteral("JUST_DEVE")), true);
}

void TfrmLancaSoliCmp::FormCloseQuery(bool&)
{
    if (tshIncSoli.TabVisible()) {
        Vd_Just_Inc();
    } else if (state.branchFlag(QStringLiteral("IDJUSSOLEXT")) == data::yes &&
               dckJusExtra.Checked() && dbeNmJustSoli.Text().trimmed().isEmpty()) {
        pgcPadrao.SetActivePage(&tshDadosSoli);
        SetFocus(dbeNmJustSoli);
        MensErro(msgPadrao.Msg(QStringLiteral("Jus_N_Inf")), true);
    }
    if (state.cdsDecisionProdutos.HasIndex(decisionIndex))
        state.cdsDecisionProdutos.DeleteIndex(decisionIndex);
}

void TfrmLancaSoliCmp::FormClose(CloseAction& action)
{
    if (panMensagem1.Visible()) {
        action = CloseAction::None;
        return;
    }
    state.netCompras.Disconnect();
    state.netLancaSoliCmp.Disconnect();
    boStCriado = false;
    state.screens.freeKeptDialogs();
    state.clear();
    action = CloseAction::Free;
}

void CriaLancaSoliCmp()
{
    BusyCursor busy;
    if (!boStCriado) {
        frmLancaSoliCmp.create(*unitState);
        boStCriado = true;
    }
    frmLancaSoliCmp->SetWindowState(WindowState::Normal);
    uiPort().showModeless(*frmLancaSoliCmp);
}

void initialization(data::RequisitionState& state)
{
    unitState = &state;
    boStCriado = false;
}

void finalization()
{
    frmLancaSoliCmp.free();
    unitState = nullptr;
}

} // namespace cmp::Cli_cmp03100
