// Which commands the requisition screen allows: by page, by the state of the
// lists, by the locks on the current requisition and by its settlement.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"

#include <utility>

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;
using data::currentValue;
using data::hasRecords;
using data::yes;

bool editing(const ClientDataSet& dataSet)
{
    return dataSet.State() == DataSetState::Edit || dataSet.State() == DataSetState::Insert;
}

// A rule that may only take a command away.
void keepOnlyIf(SpeedButton& button, bool allowed)
{
    if (!allowed)
        button.SetEnabled(false);
}

} // namespace

std::vector<std::pair<SpeedButton*, MenuItem*>> TfrmLancaSoliCmp::commands()
{
    return {{&sbtIncluir, &mnuIncluir},
            {&sbtAlterar, &mnuAlterar},
            {&sbtExcluir, &mnuExcluir},
            {&sbtProcurar, &mnuProcurar},
            {&sbtVerificar, &mnuVerificar},
            {&sbtConfirmar, &mnuConfirmar},
            {&sbtCancelar, &mnuCancelar},
            {&sbtFiltro, &mnuFiltro},
            {&sbtCopy, &mnuCopy},
            {&sbtAprovSol, &mnuAprovSol},
            {&sbtAltAut, &mnuAltAut},
            {&sbtAutomatico, &mnuAutomatico},
            {&sbtAprovSolGer, &mnuAprovSolGer}};
}

void TfrmLancaSoliCmp::buttonsFollowMenu()
{
    for (const auto& [button, entry] : commands())
        button->SetEnabled(entry->Enabled());
}

void TfrmLancaSoliCmp::menuFollowsButtons()
{
    for (const auto& [button, entry] : commands())
        entry->SetEnabled(button->Enabled());
}

void TfrmLancaSoliCmp::pagesFollowMenu()
{
    tshFilialSoli.SetEnabled(mnuFilialSoli.Enabled());
    tshPadrao.SetEnabled(mnuSolicitacao.Enabled());
    tshIncSoli.SetEnabled(mnuIncSoli.Enabled());
    tshProdutos.SetEnabled(mnuProduto.Enabled());
    tshDadosSoli.SetEnabled(mnuDados.Enabled());
    tshItems.SetEnabled(mnuItens.Enabled());
}

// --- locks ---------------------------------------------------------------------------

void TfrmLancaSoliCmp::Vd_OperSistema()
{
    if (state.lockedOtherOperator())
        MensErro(msgPadrao.Msg(QStringLiteral("Sol_OutroOper")), true);
}

// Approved items forbid deleting; otherwise the permission to delete
// requisitions overrides the locks.
void TfrmLancaSoliCmp::applyDeletionRule()
{
    SetCommandEnabled(sbtExcluir, !state.hasApprovedItems() &&
                                      (state.hasPermission(QStringLiteral("EXCLUIR_SOLICITACAO")) ||
                                       !state.locked()));
}

// --- by page -----------------------------------------------------------------------------

void TfrmLancaSoliCmp::ControlaBotoes()
{
    TfrmPadraoGrid::ControlaBotoes();
    if (dtsPadrao.DataSet())
        dtsPadraoStateChange();
}

void TfrmLancaSoliCmp::dtsPadraoStateChange()
{
    const auto set = [this](std::initializer_list<SpeedButton*> buttons, bool enabled) {
        for (SpeedButton* button : buttons)
            button->SetEnabled(enabled);
    };
    const bool matrix = hasRecords(state.cdsDecisionProdutos);
    if (isActive(tshFilialSoli)) {
        set({&sbtIncluir, &sbtProcurar, &sbtVerificar, &sbtFiltro}, true);
        set({&sbtExcluir, &sbtAutomatico, &sbtCopy, &sbtAprovSol, &sbtAltAut, &sbtAprovSolGer},
            false);
    } else if (isActive(tshPadrao)) {
        set({&sbtAltAut}, true);
        set({&sbtAlterar, &sbtAutomatico, &sbtCopy}, false);
    } else if (isActive(tshProdutos)) {
        productsPageCommands(matrix);
    } else if (isActive(tshItems)) {
        set({&sbtIncluir, &sbtExcluir}, false);
    } else if (isActive(tshDadosSoli)) {
        set({&sbtIncluir, &sbtExcluir, &sbtAutomatico, &sbtFiltro, &sbtCopy}, false);
    }
    menuFollowsButtons();
    Controla_Baixa();
}

// Items the integration already closed on the other side take every item
// command away.
void TfrmLancaSoliCmp::productsPageCommands(bool matrix)
{
    const bool closedOutside =
        currentValue(state.cdsItemSoli, QStringLiteral("IDIMPITMSAC")) == QLatin1String("F");
    if (integrationActive() && closedOutside) {
        for (SpeedButton* button :
             {&sbtIncluir, &sbtVerificar, &sbtAprovSol, &sbtAltAut, &sbtExcluir, &sbtAprovSolGer})
            button->SetEnabled(false);
        return;
    }
    for (SpeedButton* button : {&sbtVerificar, &sbtAprovSol, &sbtAltAut})
        button->SetEnabled(true);
    sbtIncluir.SetEnabled(matrix);
    if (integrationActive()) {
        sbtExcluir.SetEnabled(matrix);
        sbtAprovSolGer.SetEnabled(false);
    } else {
        sbtExcluir.SetEnabled(matrix && !state.hasApprovedItems());
        sbtAprovSolGer.SetEnabled(state.managerApproval && hasDestination());
    }
}

bool TfrmLancaSoliCmp::hasDestination() const
{
    return !state.requisition(QStringLiteral("CDDESTSOLI")).trimmed().isEmpty();
}

// On the header page the list's own commands give way to confirming and
// cancelling; "Extra" belongs to manual requisitions only.
void TfrmLancaSoliCmp::CrlDadosSolicitacao()
{
    if (!isActive(tshDadosSoli))
        return;
    for (SpeedButton* button : {&sbtIncluir, &sbtExcluir, &sbtProcurar, &sbtVerificar, &sbtAprovSol,
                                &sbtAltAut, &sbtAutomatico, &sbtFiltro, &sbtCopy, &sbtAprovSolGer})
        SetCommandEnabled(*button, false);
    const bool manual = state.requisition(QStringLiteral("IDTIPLAN")) == QLatin1String("M");
    dckJusExtra.SetEnabled(manual);
    dbeNmJustSoli.SetEnabled(manual && dckJusExtra.Checked());
    colorJustification();
}

// --- by the state of the lists ------------------------------------------------------------

void TfrmLancaSoliCmp::dtsServSolicitaStateChange()
{
    const bool browsing = dtsServSolicita.State() == DataSetState::Browse;
    const bool requisitions = hasRecords(state.cdsServSolicita);
    const bool branches = hasRecords(state.cdsFilialSoli);
    const bool locked = state.locked();
    const bool log = hasRecords(state.cdsMovoPSol);

    mnuConfirmar.SetEnabled(editing(state.cdsServSolicita));
    mnuCancelar.SetEnabled(editing(state.cdsServSolicita));
    mnuIncluir.SetEnabled(browsing && !isActive(tshDadosSoli) && !isActive(tshItems));
    mnuAlterar.SetEnabled(
        !locked &&
        ((browsing && requisitions && !isActive(tshPadrao) && !isActive(tshItems)) ||
         (isActive(tshItems) && log && state.cdsMovoPSol.State() == DataSetState::Browse)));
    mnuProcurar.SetEnabled((isActive(tshPadrao) && browsing && requisitions) ||
                           (isActive(tshProdutos) && hasRecords(state.cdsDecisionProdutos)) ||
                           (isActive(tshItems) && log));
    const bool verify =
        browsing && ((isActive(tshPadrao) && requisitions) || isActive(tshProdutos));
    mnuVerificar.SetEnabled(verify);
    const bool approval = state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes && browsing &&
                          isActive(tshProdutos) && hasRecords(state.cdsItemSoli);
    mnuAprovSol.SetEnabled(approval);
    mnuAltAut.SetEnabled(verify);
    mnuFiltro.SetEnabled((isActive(tshPadrao) && !editing(state.cdsServSolicita)) ||
                         isActive(tshFilialSoli));
    mnuAprovSolGer.SetEnabled(approval && state.managerApproval && hasDestination());
    mnuAutomatico.SetEnabled(isActive(tshProdutos) && !locked);

    mnuSolicitacao.SetEnabled(browsing && requisitions);
    mnuIncSoli.SetEnabled(requisitions);
    for (MenuItem* entry : {&mnuProduto, &mnuDados, &mnuItens})
        entry->SetEnabled(requisitions && !tshIncSoli.TabVisible());
    mnuFilialSoli.SetEnabled(dtsFilialSoli.State() == DataSetState::Browse && branches);
    dbnPadrao.SetEnabled(browsing);
    buttonsFollowMenu();

    if (isActive(tshFilialSoli)) {
        dbnPadrao.SetDataSource(&dtsFilialSoli);
        SetCommandEnabled(sbtProcurar, branches);
        SetCommandEnabled(sbtVerificar, branches);
        for (SpeedButton* button : {&sbtAprovSol, &sbtAltAut, &sbtAprovSolGer})
            SetCommandEnabled(*button, false);
        mnuSolicitacao.SetEnabled(branches);
    } else {
        dbnPadrao.SetDataSource(&dtsServSolicita);
    }
    pagesFollowMenu();
    Controla_Baixa();
}

// Changing the header or the justification changes the requisition.
void TfrmLancaSoliCmp::dtsSolicitaStateChange()
{
    if ((editing(state.cdsSolicita) || editing(state.cdsJustSoli)) &&
        state.cdsServSolicita.State() == DataSetState::Browse && !state.cdsServSolicita.IsEmpty())
        state.cdsServSolicita.Edit();
}

void TfrmLancaSoliCmp::dtsMovoPSolStateChange()
{
    const bool log = hasRecords(state.cdsMovoPSol);
    dbgItens.SetColumnButtonStyle(QStringLiteral("DSJUSTOPER"),
                                  log ? ColumnButtonStyle::Ellipsis : ColumnButtonStyle::Auto);
    if (editing(state.cdsMovoPSol) && state.cdsServSolicita.State() == DataSetState::Browse)
        state.cdsServSolicita.Edit();
    if (!isActive(tshItems))
        return;
    dbgItens.SetEnabled(log && (!state.lockedAutomatic() || state.hasItemPermission()));
    mnuIncluir.SetEnabled(false);
    mnuExcluir.SetEnabled(false);
    buttonsFollowMenu();
    mnuSolicitacao.SetEnabled(tshPadrao.Enabled());
    mnuProduto.SetEnabled(tshProdutos.Enabled());
    mnuDados.SetEnabled(tshDadosSoli.Enabled());
    mnuFilialSoli.SetEnabled(tshFilialSoli.Enabled());
    for (SpeedButton* button : {&sbtAutomatico, &sbtFiltro})
        SetCommandEnabled(*button, false);
    dtsMovoPSolDataChange();
    Controla_Baixa();
}

// A settled requisition can no longer be changed: each rule may only take a
// command away. The products page has its own rules for its item commands.
void TfrmLancaSoliCmp::Controla_Baixa()
{
    // On the matrix the item locks and permissions decide instead.
    if (isActive(tshProdutos)) {
        Controla_BloqPermissoes();
        return;
    }
    const QString settlement = state.requisition(QStringLiteral("IDBAIXASOL"));
    const bool totallySettled = settlement == QLatin1String("2");
    const bool headerOrLog = isActive(tshDadosSoli) || isActive(tshItems);
    const bool open = headerOrLog && !totallySettled;
    keepOnlyIf(sbtExcluir, !state.hasApprovedItems() &&
                               (open || (isActive(tshPadrao) && settlement.trimmed().isEmpty())));
    keepOnlyIf(sbtIncluir, open || isActive(tshPadrao) || isActive(tshFilialSoli));
    keepOnlyIf(sbtAlterar, open || isActive(tshPadrao));
    sbtAutomatico.SetEnabled(false);
    keepOnlyIf(sbtCopy, isActive(tshItems) && !totallySettled && currentChangeJustified() &&
                            (!state.locked() || state.hasItemPermission()));
    for (SpeedButton* button : {&sbtExcluir, &sbtIncluir, &sbtAlterar, &sbtAutomatico, &sbtCopy})
        SetCommandEnabled(*button, button->Enabled());
}

// --- commands -------------------------------------------------------------------------------

// Changing or deleting a saved requisition starts with the author check.
void TfrmLancaSoliCmp::sbtAlterarClick()
{
    Vd_OperSistema();
}

void TfrmLancaSoliCmp::sbtExcluirClick()
{
    Vd_OperSistema();
}

} // namespace cmp::Cli_cmp03100
