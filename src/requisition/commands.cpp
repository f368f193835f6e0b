// Which commands the requisition screen allows: by page, by the state of the
// lists, by the locks on the current requisition and by its settlement.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "requisition/flags.h"

#include <utility>

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;


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

std::vector<std::pair<SpeedButton*, MenuItem*>> TfrmLancaSoliCmp::comandos()
{
    return {{&sbtIncluir, &mnuIncluir},       {&sbtAlterar, &mnuAlterar},
            {&sbtExcluir, &mnuExcluir},       {&sbtProcurar, &mnuProcurar},
            {&sbtVerificar, &mnuVerificar},   {&sbtConfirmar, &mnuConfirmar},
            {&sbtCancelar, &mnuCancelar},     {&sbtFiltro, &mnuFiltro},
            {&sbtCopy, &mnuCopy},             {&sbtAprovSol, &mnuAprovSol},
            {&sbtAltAut, &mnuAltAut},         {&sbtAutomatico, &mnuAutomatico},
            {&sbtAprovSolGer, &mnuAprovSolGer}};
}

void TfrmLancaSoliCmp::ComandosSeguemMenu()
{
    for (const auto& [button, entry] : comandos())
        button->SetEnabled(entry->Enabled());
}

void TfrmLancaSoliCmp::MenuSegueComandos()
{
    for (const auto& [button, entry] : comandos())
        entry->SetEnabled(button->Enabled());
}

void TfrmLancaSoliCmp::PaginasSeguemMenu()
{
    tshFilialSoli.SetEnabled(mnuFilialSoli.Enabled());
    tshPadrao.SetEnabled(mnuSolicitacao.Enabled());
    tshIncSoli.SetEnabled(mnuIncSoli.Enabled());
    tshProdutos.SetEnabled(mnuProduto.Enabled());
    tshDadosSoli.SetEnabled(mnuDados.Enabled());
    tshItems.SetEnabled(mnuItens.Enabled());
}

// --- locks ---------------------------------------------------------------------------

// Both locks follow the current requisition and its branch, so they never
// outlive a change of requisition.
bool TfrmLancaSoliCmp::TravaAutomatica() const
{
    const QString launchType = currentRequisition(QStringLiteral("IDTIPLAN"));
    return (launchType == QLatin1String("A") || launchType == QLatin1String("C")) &&
           currentBranchFlag(QStringLiteral("IDBLOQALTSOLAUT")) == yes;
}

bool TfrmLancaSoliCmp::TravaOutroOperador() const
{
    const QString author = currentRequisition(QStringLiteral("CDOPERLANC"));
    return currentBranchFlag(QStringLiteral("IDUTLOPERSOL")) == yes &&
           !author.trimmed().isEmpty() && author != Operador();
}

bool TfrmLancaSoliCmp::Travada() const
{
    return TravaAutomatica() || TravaOutroOperador();
}

void TfrmLancaSoliCmp::Vd_OperSistema()
{
    if (TravaOutroOperador())
        MensErro(msgPadrao.Msg(QStringLiteral("Sol_OutroOper")), true);
}

// Approved items forbid deleting; otherwise the permission to delete
// requisitions overrides the locks.
void TfrmLancaSoliCmp::RegraExclusao()
{
    const bool locked = Travada();
    SetCommandEnabled(sbtExcluir,
                      !TemItensAprovados() &&
                          (TemPermissao(QStringLiteral("EXCLUIR_SOLICITACAO")) || !locked));
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
    const bool matrix = hasRecords(cdsDecisionProdutos);
    if (Ativa(tshFilialSoli)) {
        set({&sbtIncluir, &sbtProcurar, &sbtVerificar, &sbtFiltro}, true);
        set({&sbtExcluir, &sbtAutomatico, &sbtCopy, &sbtAprovSol, &sbtAltAut, &sbtAprovSolGer},
            false);
    } else if (Ativa(tshPadrao)) {
        set({&sbtAltAut}, true);
        set({&sbtAlterar, &sbtAutomatico, &sbtCopy}, false);
    } else if (Ativa(tshProdutos)) {
        ComandosProdutos(matrix);
    } else if (Ativa(tshItems)) {
        set({&sbtIncluir, &sbtExcluir}, false);
    } else if (Ativa(tshDadosSoli)) {
        set({&sbtIncluir, &sbtExcluir, &sbtAutomatico, &sbtFiltro, &sbtCopy}, false);
    }
    MenuSegueComandos();
    Controla_Baixa();
}

// Items the integration already closed on the other side take every item
// command away.
void TfrmLancaSoliCmp::ComandosProdutos(bool matrix)
{
    const bool closedOutside =
        currentValue(cdsItemSoli, QStringLiteral("IDIMPITMSAC")) == QLatin1String("F");
    if (IntegracaoAtiva() && closedOutside) {
        for (SpeedButton* button : {&sbtIncluir, &sbtVerificar, &sbtAprovSol, &sbtAltAut,
                                    &sbtExcluir, &sbtAprovSolGer})
            button->SetEnabled(false);
        return;
    }
    for (SpeedButton* button : {&sbtVerificar, &sbtAprovSol, &sbtAltAut})
        button->SetEnabled(true);
    sbtIncluir.SetEnabled(matrix);
    if (IntegracaoAtiva()) {
        sbtExcluir.SetEnabled(matrix);
        sbtAprovSolGer.SetEnabled(false);
    } else {
        sbtExcluir.SetEnabled(matrix && !TemItensAprovados());
        sbtAprovSolGer.SetEnabled(stAprovGerente == yes && TemDestino());
    }
}

bool TfrmLancaSoliCmp::TemDestino() const
{
    return !currentRequisition(QStringLiteral("CDDESTSOLI")).trimmed().isEmpty();
}

// On the header page the list's own commands give way to confirming and
// cancelling; "Extra" belongs to manual requisitions only.
void TfrmLancaSoliCmp::CrlDadosSolicitacao()
{
    if (!Ativa(tshDadosSoli))
        return;
    for (SpeedButton* button : {&sbtIncluir, &sbtExcluir, &sbtProcurar, &sbtVerificar, &sbtAprovSol,
                                &sbtAltAut, &sbtAutomatico, &sbtFiltro, &sbtCopy, &sbtAprovSolGer})
        SetCommandEnabled(*button, false);
    const bool manual = currentRequisition(QStringLiteral("IDTIPLAN")) == QLatin1String("M");
    dckJusExtra.SetEnabled(manual);
    const bool justified = manual && dckJusExtra.Checked();
    dbeNmJustSoli.SetEnabled(justified);
    btnJust.SetEnabled(justified);
    CorJustificativa();
}

// --- by the state of the lists ------------------------------------------------------------

void TfrmLancaSoliCmp::dtsServSolicitaStateChange()
{
    const DataSetState state = dtsServSolicita.State();
    const bool browsing = state == DataSetState::Browse;
    const bool requisitions = hasRecords(cdsServSolicita);
    const bool branches = hasRecords(cdsFilialSoli);
    const bool locked = Travada();
    const bool log = hasRecords(cdsMovoPSol);

    mnuConfirmar.SetEnabled(editing(cdsServSolicita));
    mnuCancelar.SetEnabled(editing(cdsServSolicita));
    mnuIncluir.SetEnabled(browsing && !Ativa(tshDadosSoli) && !Ativa(tshItems));
    mnuAlterar.SetEnabled(
        !locked && ((browsing && requisitions && !Ativa(tshPadrao) && !Ativa(tshItems)) ||
                    (Ativa(tshItems) && log && cdsMovoPSol.State() == DataSetState::Browse)));
    mnuProcurar.SetEnabled((Ativa(tshPadrao) && browsing && requisitions) ||
                           (Ativa(tshProdutos) && hasRecords(cdsDecisionProdutos)) ||
                           (Ativa(tshItems) && log));
    const bool verify =
        browsing && ((Ativa(tshPadrao) && requisitions) || Ativa(tshProdutos));
    mnuVerificar.SetEnabled(verify);
    const bool approval = currentBranchFlag(QStringLiteral("IDUTAPROVSOL")) == yes && browsing &&
                          Ativa(tshProdutos) && hasRecords(cdsItemSoli);
    mnuAprovSol.SetEnabled(approval);
    mnuAltAut.SetEnabled(verify);
    mnuFiltro.SetEnabled((Ativa(tshPadrao) && !editing(cdsServSolicita)) || Ativa(tshFilialSoli));
    mnuAprovSolGer.SetEnabled(approval && stAprovGerente == yes && TemDestino());
    mnuAutomatico.SetEnabled(Ativa(tshProdutos) && !locked);

    mnuSolicitacao.SetEnabled(browsing && requisitions);
    mnuIncSoli.SetEnabled(requisitions);
    for (MenuItem* entry : {&mnuProduto, &mnuDados, &mnuItens})
        entry->SetEnabled(requisitions && !tshIncSoli.TabVisible());
    mnuFilialSoli.SetEnabled(dtsFilialSoli.State() == DataSetState::Browse && branches);
    dbnPadrao.SetEnabled(browsing);
    ComandosSeguemMenu();

    if (Ativa(tshFilialSoli)) {
        dbnPadrao.SetDataSource(&dtsFilialSoli);
        SetCommandEnabled(sbtProcurar, branches);
        SetCommandEnabled(sbtVerificar, branches);
        for (SpeedButton* button : {&sbtAprovSol, &sbtAltAut, &sbtAprovSolGer})
            SetCommandEnabled(*button, false);
        mnuSolicitacao.SetEnabled(branches);
    } else {
        dbnPadrao.SetDataSource(&dtsServSolicita);
    }
    PaginasSeguemMenu();
    Controla_Baixa();
}

// Changing the header or the justification changes the requisition.
void TfrmLancaSoliCmp::dtsSolicitaStateChange()
{
    if ((editing(cdsSolicita) || editing(cdsJustSoli)) &&
        cdsServSolicita.State() == DataSetState::Browse && !cdsServSolicita.IsEmpty())
        cdsServSolicita.Edit();
}

void TfrmLancaSoliCmp::dtsMovoPSolStateChange()
{
    const bool log = hasRecords(cdsMovoPSol);
    dbgItens.SetColumnButtonStyle(QStringLiteral("DSJUSTOPER"),
                                  log ? ColumnButtonStyle::Ellipsis : ColumnButtonStyle::Auto);
    if (editing(cdsMovoPSol) && cdsServSolicita.State() == DataSetState::Browse)
        cdsServSolicita.Edit();
    if (!Ativa(tshItems))
        return;
    dbgItens.SetEnabled(log && (!TravaAutomatica() || TemPermissaoItem()));
    mnuIncluir.SetEnabled(false);
    mnuExcluir.SetEnabled(false);
    ComandosSeguemMenu();
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
    if (Ativa(tshProdutos))
        return;
    const QString settlement = currentRequisition(QStringLiteral("IDBAIXASOL"));
    const bool totallySettled = settlement == QLatin1String("2");
    const bool headerOrLog = Ativa(tshDadosSoli) || Ativa(tshItems);
    const bool open = headerOrLog && !totallySettled;
    keepOnlyIf(sbtExcluir, !TemItensAprovados() &&
                               (open || (Ativa(tshPadrao) && settlement.trimmed().isEmpty())));
    keepOnlyIf(sbtIncluir, open || Ativa(tshPadrao) || Ativa(tshFilialSoli));
    keepOnlyIf(sbtAlterar, open || Ativa(tshPadrao));
    sbtAutomatico.SetEnabled(false);
    keepOnlyIf(sbtCopy, Ativa(tshItems) && !totallySettled && JustificativaAtual() &&
                            (!Travada() || TemPermissaoItem()));
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

void TfrmLancaSoliCmp::GetParamCmp(QString& branch, const QString& kind)
{
    std::vector<RemoteValue> args{branch, kind};
    const RemoteValue parameters =
        CheckResultServ(netCompras.Call(QStringLiteral("GetParamCmp"), args));
    branch = args.at(0).toString();
    (kind == QLatin1String("CMP") ? cdsParCmpSup : cdsParaSupri).SetData(parameters.toPacket());
}

} // namespace cmp::Cli_cmp03100
