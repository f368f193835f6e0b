// The requisition screen's controls, page by page, and the events that tie
// them and the shared record sets to the screen's handlers.
#include "requisition/Cli_cmp03100.h"

#include "framework/core/abort.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;

const QString justificationMissing = QStringLiteral("Justificativa deve ser informada.");

TabSheet& page(const QString& name, Form& form, PageControl& pages, const QString& caption)
{
    return form.createCaptioned<TabSheet>(name, &pages, caption);
}

MenuItem& menuEntry(const QString& name, Form& form, MenuItem& parent, const QString& caption,
                    const QString& shortCut = {})
{
    MenuItem& item = form.createCaptioned<MenuItem>(name, &parent, caption);
    item.SetShortCut(shortCut);
    return item;
}

void setReadOnly(std::initializer_list<Edit*> editors)
{
    for (Edit* editor : editors)
        editor->SetReadOnly(true);
}

// The screen as the groups of controls take it: given the screen itself, a
// group would read it as a copy of itself.
TfrmPadraoGrid& asGrid(TfrmPadraoGrid& screen)
{
    return screen;
}

template <class T> T& bound(T& control, DataSource& source, const char* field)
{
    control.SetDataSource(&source);
    control.SetDataField(QString::fromLatin1(field));
    return control;
}

} // namespace

// --- the controls, group by group ---------------------------------------------------

ScreenCommands::ScreenCommands(TfrmPadraoGrid& screen)
    : FW_NAMED(mnuFiltro, menuEntry, screen, screen.mnuOperacao, QStringLiteral("F&iltro")),
      FW_NAMED(mnuCopy, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("C&opiar Justificativa")),
      FW_NAMED(mnuAprovSol, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("Aprovar &Solicitação")),
      FW_NAMED(mnuAltAut, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("&Alteração Automática")),
      FW_NAMED(mnuAutomatico, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("Cadastramento A&utomático"), QStringLiteral("Ctrl+A")),
      FW_NAMED(mnuAprovSolGer, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("Aprovação de Item por &Gerente"), QStringLiteral("Ctrl+Alt+G")),
      FW_NAMED(mnuInclSolicAgreg, menuEntry, screen, screen.mnuManutencao,
               QStringLiteral("Inclusão de Solicitação A&gregada")),
      FW_NAMED(sbtFiltro, screen.command, mnuFiltro, QStringLiteral("Filtro")),
      FW_NAMED(sbtCopy, screen.command, mnuCopy, QStringLiteral("Copiar Justificativa")),
      FW_NAMED(sbtAprovSol, screen.command, mnuAprovSol, QStringLiteral("Aprovar Solicitação")),
      FW_NAMED(sbtAltAut, screen.command, mnuAltAut, QStringLiteral("Alteração Automática")),
      FW_NAMED(sbtAutomatico, screen.command, mnuAutomatico,
               QStringLiteral("Cadastramento Automático")),
      FW_NAMED(sbtAprovSolGer, screen.command, mnuAprovSolGer,
               QStringLiteral("Aprovação de Item de Solicitação de Compras por Gerente")),
      FW_NAMED(sbtInclSolicAgreg, screen.command, mnuInclSolicAgreg,
               QStringLiteral("Inclusão de Solicitação Agregada")),
      FW_NAMED(mnuFilialSoli, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("&Filial Solicitante")),
      FW_NAMED(mnuSolicitacao, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("&Solicitação")),
      FW_NAMED(mnuIncSoli, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("I&nclusão de Solicitação")),
      FW_NAMED(mnuPrincipal, menuEntry, screen, mnuIncSoli, QStringLiteral("&Principal")),
      FW_NAMED(mnuEntrega, menuEntry, screen, mnuIncSoli, QStringLiteral("&Dias de Entrega")),
      FW_NAMED(mnuProduto, menuEntry, screen, screen.mnuOperacao, QStringLiteral("&Produtos")),
      FW_NAMED(mnuDados, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("&Dados da Solicitação")),
      FW_NAMED(mnuItens, menuEntry, screen, screen.mnuOperacao,
               QStringLiteral("&Justificativa de Alteração"))
{}

NavigatorControls::NavigatorControls(TfrmPadraoGrid& screen)
    : FW_NAMED(dbtNome, screen.create<DBText>, &screen.panNavegador),
      FW_NAMED(dbtData, screen.create<DBText>, &screen.panNavegador),
      FW_NAMED(dbeLanc02, screen.create<DBText>, &screen.panNavegador),
      FW_NAMED(lblExtra, screen.create<Label>, &screen.panNavegador),
      FW_NAMED(lblPrevia, screen.createCaptioned<Label>, &screen.panNavegador,
               QStringLiteral("Prévia:")),
      FW_NAMED(dbtNumPrev, screen.create<DBText>, &screen.panNavegador)
{}

ListControls::ListControls(TfrmPadraoGrid& screen)
    : FW_NAMED(tshFilialSoli, page, screen, screen.pgcPadrao, QStringLiteral("Filial Solicitante")),
      FW_NAMED(DBGrid1, screen.create<DBGrid>, &tshFilialSoli),
      FW_NAMED(dbgSolicita, screen.create<DBGrid>, &screen.tshPadrao)
{
    tshFilialSoli.SetPageIndex(0);
    screen.tshPadrao.SetCaption(QStringLiteral("Solicitação"));
}

WizardControls::WizardControls(TfrmPadraoGrid& screen)
    : FW_NAMED(tshIncSoli, page, screen, screen.pgcPadrao,
               QStringLiteral("Inclusão de Solicitação")),
      FW_NAMED(pgcIncSoli, screen.create<PageControl>, &tshIncSoli),
      FW_NAMED(tshPrincipal, page, screen, pgcIncSoli, QStringLiteral("Principal")),
      FW_NAMED(tshEntrega, page, screen, pgcIncSoli, QStringLiteral("Dias de Entrega")),
      FW_NAMED(medCdFilSoli, screen.create<MaskEdit>, &tshPrincipal),
      FW_NAMED(edtCdFilLanca, screen.create<Edit>, &tshPrincipal),
      FW_NAMED(edtNmFilLanca, screen.create<Edit>, &tshPrincipal),
      FW_NAMED(chbExtra, screen.createCaptioned<CheckBox>, &tshPrincipal, QStringLiteral("Extra")),
      FW_NAMED(edtDsJust, screen.create<Edit>, &tshPrincipal),
      FW_NAMED(chbProdutoCmp, screen.createCaptioned<CheckBox>, &tshPrincipal,
               QStringLiteral("Incluir Produtos de Compra")),
      FW_NAMED(grbDadosAdici, screen.createCaptioned<GroupBox>, &tshPrincipal,
               QStringLiteral("Dados Adicionais")),
      FW_NAMED(panComprador_Inc, screen.create<Panel>, &grbDadosAdici),
      FW_NAMED(panDestino_Inc, screen.create<Panel>, &grbDadosAdici)
{
    medCdFilSoli.SetEditMask(QStringLiteral(">aaaa;0; "));
    setReadOnly({&edtCdFilLanca, &edtNmFilLanca});
}

MatrixControls::MatrixControls(TfrmPadraoGrid& screen)
    : FW_NAMED(tshProdutos, page, screen, screen.pgcPadrao, QStringLiteral("Produtos")),
      FW_NAMED(degItemSoli, screen.create<DecisionGrid>, &tshProdutos),
      FW_NAMED(panDtUtiliza, screen.create<Panel>, &tshProdutos),
      FW_NAMED(edtNomeDegProd, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblDtUtiliza, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("1ª Utilização")),
      FW_NAMED(depUtiliza, screen.create<DateEdit>, &panDtUtiliza),
      FW_NAMED(edtNmSemana, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblDtAlteracao, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Data de Alteração")),
      FW_NAMED(depDtAlteracao, screen.create<DateEdit>, &panDtUtiliza),
      FW_NAMED(edtNmSemAlt, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblDtImportacao, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Data de Importação")),
      FW_NAMED(depDtImportacao, screen.create<DateEdit>, &panDtUtiliza),
      FW_NAMED(edtNmSemImp, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblSituSoli, screen.create<Label>, &panDtUtiliza),
      FW_NAMED(lblObservacao, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Observação")),
      FW_NAMED(edtObservacao, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblDtCmpAnterior, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Data da Compra Anterior")),
      FW_NAMED(depDtCmpAnterior, screen.create<DateEdit>, &panDtUtiliza),
      FW_NAMED(lblVrCmpAnterior, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Valor da Compra Anterior")),
      FW_NAMED(nedVrCmpAnterior, screen.create<NumberEdit>, &panDtUtiliza),
      FW_NAMED(lblIdBaixItmSol, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Baixa")),
      FW_NAMED(edtIdBaixItmSol, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(lblQtTransfSol, screen.createCaptioned<Label>, &panDtUtiliza,
               QStringLiteral("Qtde. Transferida")),
      FW_NAMED(nedQtTransfSol, screen.create<NumberEdit>, &panDtUtiliza),
      FW_NAMED(lblUnidade, screen.createCaptioned<Label>, &panDtUtiliza, QStringLiteral("Unidade")),
      FW_NAMED(edtUnidade, screen.create<Edit>, &panDtUtiliza),
      FW_NAMED(imgAprovada, screen.create<Image>, &panDtUtiliza),
      FW_NAMED(imgReprovada, screen.create<Image>, &panDtUtiliza)
{
    setReadOnly({&edtNomeDegProd, &edtNmSemana, &depDtAlteracao, &edtNmSemAlt, &depDtImportacao,
                 &edtNmSemImp, &edtObservacao, &depDtCmpAnterior, &nedVrCmpAnterior,
                 &edtIdBaixItmSol, &nedQtTransfSol, &edtUnidade});
    degItemSoli.FixedColWidth = 410;
    nedVrCmpAnterior.DisplayFormat = QStringLiteral("#,##0.00");
    nedQtTransfSol.DisplayFormat = QStringLiteral("#,##0.000");
}

HeaderControls::HeaderControls(TfrmPadraoGrid& screen)
    : FW_NAMED(tshDadosSoli, page, screen, screen.pgcPadrao,
               QStringLiteral("Dados da Solicitação")),
      FW_NAMED(grbDados, screen.create<GroupBox>, &tshDadosSoli),
      FW_NAMED(dbeCdFilLanca, createLabelled<DBEdit>, screen, &grbDados, "lblFilLanca",
               "Filial de Lançamento"),
      FW_NAMED(dbeNmFilLanca, screen.create<DBEdit>, &grbDados),
      FW_NAMED(dbeCdCentCmp, createLabelled<DBEdit>, screen, &grbDados, "lblCentCmp",
               "Central de Compras"),
      FW_NAMED(dbeNmCentCmp, screen.create<DBEdit>, &grbDados),
      FW_NAMED(dbeDtLanc, createLabelled<DBEdit>, screen, &grbDados, "lblDtLanc",
               "Data de Lançamento"),
      FW_NAMED(edtNmDtLanc, screen.create<Edit>, &grbDados),
      FW_NAMED(dckJusExtra, screen.createCaptioned<DBCheckBox>, &grbDados, QStringLiteral("Extra")),
      FW_NAMED(dbeNmJustSoli, createLabelled<DBEdit>, screen, &grbDados, "lblJust",
               "Justificativa"),
      FW_NAMED(btnJust, screen.create<LookupButton>, &grbDados),
      FW_NAMED(panComprador, screen.create<Panel>, &grbDados),
      FW_NAMED(lblComprador, screen.createCaptioned<Label>, &panComprador,
               QStringLiteral("Comprador")),
      FW_NAMED(dbeComprador, screen.create<DBEdit>, &panComprador),
      FW_NAMED(dbeNmComp, screen.create<DBEdit>, &panComprador),
      FW_NAMED(btnComprador, screen.create<LookupButton>, &panComprador),
      FW_NAMED(panDestino, screen.create<Panel>, &grbDados),
      FW_NAMED(lblDestino, screen.createCaptioned<Label>, &panDestino,
               QStringLiteral("Destino da Solicitação")),
      FW_NAMED(dbeDestino, screen.create<DBEdit>, &panDestino),
      FW_NAMED(dbeNmDest, screen.create<DBEdit>, &panDestino),
      FW_NAMED(btnDestino, screen.create<LookupButton>, &panDestino)
{
    setReadOnly({&edtNmDtLanc});
    // Their lookups come with the saving of a changed header.
    for (LookupButton* lookup : {&btnJust, &btnComprador, &btnDestino})
        lookup->SetEnabled(false);
}

LogControls::LogControls(TfrmPadraoGrid& screen)
    : FW_NAMED(tshItems, page, screen, screen.pgcPadrao,
               QStringLiteral("Justificativa de Alteração")),
      FW_NAMED(dbgItens, screen.create<DBGrid>, &tshItems),
      FW_NAMED(edtData, createLabelled<Edit>, screen, &tshItems, "lblData", "Data"),
      FW_NAMED(edtDiaSemana, screen.create<Edit>, &tshItems),
      FW_NAMED(edtHora, screen.create<Edit>, &tshItems),
      FW_NAMED(dbeCdOper, createLabelled<DBEdit>, screen, &tshItems, "lblOperador", "Operador"),
      FW_NAMED(dbeNmOper, screen.create<DBEdit>, &tshItems)
{
    setReadOnly({&edtData, &edtDiaSemana, &edtHora});
}

// --- the screen -----------------------------------------------------------------------

TfrmLancaSoliCmp::TfrmLancaSoliCmp(data::RequisitionState& state)
    : TfrmPadraoGrid(QStringLiteral("frmLancaSoliCmp"), QStringLiteral("CMP03100")),
      ScreenCommands(asGrid(*this)), NavigatorControls(asGrid(*this)), ListControls(asGrid(*this)),
      WizardControls(asGrid(*this)), MatrixControls(asGrid(*this)), HeaderControls(asGrid(*this)),
      LogControls(asGrid(*this)), state(state), dtsFilialSoli(&state.cdsFilialSoli),
      dtsServSolicita(&state.cdsServSolicita), dtsSolicita(&state.cdsSolicita),
      dtsJustSoli(&state.cdsJustSoli), dtsMovoPSol(&state.cdsMovoPSol),
      FW_NAMED(panMensagem1, create<Panel>)
{
    SetCaption(QStringLiteral("Lançamento de Solicitação de Compras"));
    HelpFile = QStringLiteral("CmpHelp.hlp");
    HelpContext = 10403100;
    KeyPreview = true;
    panMensagem1.SetCaption(QStringLiteral("Incluindo solicitação de compras"));
    panMensagem1.SetVisible(false);
    addMessages();
    addEditMessages();

    // A saved requisition is browsed here; its changes go through the
    // commands that save them.
    for (ClientDataSet* shown : {&state.cdsSolicita, &state.cdsJustSoli, &state.cdsMovoPSol})
        shown->ReadOnly = true;
    // The header is the record set the base screen's commands work on.
    dtsPadrao.SetDataSet(&state.cdsSolicita);

    showLists();
    layOutNavigator();
    layOutHeader();
    layOutLog();
    wireEvents();
}

void TfrmLancaSoliCmp::addMessages()
{
    msgPadrao.Add(QStringLiteral("JUST_DEVE"), justificationMissing);
    msgPadrao.Add(QStringLiteral("Jus_N_Inf"), justificationMissing);
    msgPadrao.Add(QStringLiteral("Sol_OutroOper"),
                  QStringLiteral("Solicitação pertence a outro operador."));
    msgPadrao.Add(QStringLiteral("Id_Extra"), QStringLiteral("Extra"));
    msgPadrao.Add(QStringLiteral("Get_DataProd"),
                  QStringLiteral("Recebendo produtos do servidor..."));
    msgPadrao.Add(QStringLiteral("Get_DataMov"),
                  QStringLiteral("Recebendo justificativa de alteração do servidor..."));
    msgPadrao.Add(QStringLiteral("Get_DataDadSol"),
                  QStringLiteral("Recebendo dados da solicitação do servidor..."));
}

// Both lists are read-only; the requisitions are chosen a whole row at a time.
void TfrmLancaSoliCmp::showLists()
{
    struct Column
    {
        const char* field;
        int width;
    };
    const auto addColumns = [](DBGrid& grid, std::initializer_list<Column> columns) {
        for (const Column& column : columns)
            grid.AddColumn(QString::fromLatin1(column.field)).Width = column.width;
    };
    DBGrid1.SetDataSource(&dtsFilialSoli);
    DBGrid1.ReadOnly = true;
    addColumns(DBGrid1, {{"CDFILIAL", 70}, {"NMFILIAL", 320}});
    for (GridColumn& column : DBGrid1.Columns)
        column.ReadOnly = true;
    grdPadrao.SetVisible(false);
    dbgSolicita.SetDataSource(&dtsServSolicita);
    dbgSolicita.ReadOnly = true;
    dbgSolicita.RowSelect = true;
    addColumns(dbgSolicita, {{"DTSOLCMP", 90},
                             {"NRSOLICMP", 90},
                             {"CDFILLANCA", 80},
                             {"NMOPERADOR", 200},
                             {"NMDESTSOLI", 160},
                             {"IDBAIXASOL", 110},
                             {"NMOPERLANC", 200},
                             {"IDIMPSOLSAC", 260}});
    dbgSolicita.Columns.back().Title = QStringLiteral("Status");
}

void TfrmLancaSoliCmp::layOutNavigator()
{
    bound(dbtNome, dtsServSolicita, "NRSOLICMP");
    bound(dbtData, dtsServSolicita, "IDTIPLAN");
    bound(dbeLanc02, dtsServSolicita, "CDFILLANCA");
    bound(dbtNumPrev, dtsServSolicita, "NRNECECMPSOL");
}

void TfrmLancaSoliCmp::layOutHeader()
{
    bound(dbeCdFilLanca, dtsSolicita, "CDFILLANCA");
    bound(dbeNmFilLanca, dtsSolicita, "NMFILIAL_LANCAMENTO");
    bound(dbeCdCentCmp, dtsFilialSoli, "CDFILCENTCMP");
    bound(dbeNmCentCmp, dtsFilialSoli, "NMCENTCMP");
    bound(dbeDtLanc, dtsServSolicita, "DTSOLCMP");
    bound(dckJusExtra, dtsSolicita, "IDSOLEXTRA");
    bound(dbeNmJustSoli, dtsJustSoli, "DSJUSTSOLEXT");
    bound(dbeComprador, dtsSolicita, "CDOPERADOR");
    bound(dbeNmComp, dtsSolicita, "NMOPERADOR");
    bound(dbeDestino, dtsSolicita, "CDDESTSOLI");
    bound(dbeNmDest, dtsSolicita, "NMDESTSOLI");
    setReadOnly({&dbeCdFilLanca, &dbeNmFilLanca, &dbeCdCentCmp, &dbeNmCentCmp, &dbeDtLanc,
                 &dbeNmComp, &dbeNmDest});
}

void TfrmLancaSoliCmp::layOutLog()
{
    dbgItens.SetDataSource(&dtsMovoPSol);
    for (const char* field : {"NMPRODUTO", "DTENTROPER", "QTANTOPER", "QTDEPOPER"})
        dbgItens.AddColumn(QString::fromLatin1(field)).ReadOnly = true;
    dbgItens.AddColumn(QStringLiteral("DSJUSTOPER")).Width = 280;
    dbgItens.Columns.front().Width = 300;
    bound(dbeCdOper, dtsMovoPSol, "CDOPERADOR");
    bound(dbeNmOper, dtsMovoPSol, "NMOPERADOR");
    setReadOnly({&dbeCdOper, &dbeNmOper});
}

// --- events ----------------------------------------------------------------------------

void TfrmLancaSoliCmp::wireEvents()
{
    for (TNetConnection* connection : {&state.netLancaSoliCmp, &state.netCompras})
        connection->BeforeConnect = &TfrmLancaSoliCmp::netBeforeConnect;

    OnCreate = [this](Form&) { FormCreate(); };
    OnActivate = [this](Form&) { FormActivate(); };
    OnCloseQuery = [this](Form&, bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
    OnKeyDown = [this](Form&, Key& key, Shift shift) { FormKeyDown(key, shift); };
    wireRecordSets();
    wireWriteBack();
    wirePages();
    wireMatrix();
}

void TfrmLancaSoliCmp::wireRecordSets()
{
    state.cdsFilialSoli.AfterScroll = [this](ClientDataSet&) { cdsFilialSoliAfterScroll(); };
    state.cdsFilialSoli.BeforeEdit = [](ClientDataSet&) { Abort(); };
    state.cdsFilialSoli.BeforeInsert = [this](ClientDataSet& branches) {
        if (isActive(tshFilialSoli) && !branches.IsEmpty())
            Abort();
    };
    state.cdsServSolicita.AfterScroll = [this](ClientDataSet&) { cdsServSolicitaAfterScroll(); };
    state.cdsServSolicita.BeforeEdit = [this](ClientDataSet&) { Vd_OperSistema(); };
    state.cdsServSolicita.BeforeDelete = [this](ClientDataSet&) { Vd_OperSistema(); };
    for (DataSource* source : {&dtsServSolicita, &dtsFilialSoli})
        source->OnStateChange = [this](DataSource&) { dtsServSolicitaStateChange(); };
    dtsSolicita.OnStateChange = [this](DataSource&) { dtsSolicitaStateChange(); };
    dtsJustSoli.OnStateChange = [this](DataSource&) { dtsSolicitaStateChange(); };
    dtsMovoPSol.OnStateChange = [this](DataSource&) { dtsMovoPSolStateChange(); };
    dtsMovoPSol.OnDataChange = [this](DataSource&, Field*) { dtsMovoPSolDataChange(); };
    dckJusExtra.OnClick = [this](Control&) { CrlDadosSolicitacao(); };
}

void TfrmLancaSoliCmp::wirePages()
{
    pgcPadrao.OnChanging = [this](PageControl&, bool& allowChange) {
        pgcPadraoChanging(allowChange);
    };
    pgcPadrao.OnChange = [this](Control&) { pgcPadraoChange(); };
    DBGrid1.OnKeyDown = [this](Control&, Key& key, Shift shift) { DBGrid1KeyDown(key, shift); };

    const auto pageEntry = [this](MenuItem& entry, TabSheet& target) {
        entry.OnClick = [this, &target](Control&) { changePage(target); };
    };
    pageEntry(mnuFilialSoli, tshFilialSoli);
    pageEntry(mnuSolicitacao, tshPadrao);
    pageEntry(mnuDados, tshDadosSoli);
    pageEntry(mnuItens, tshItems);
    mnuProduto.OnClick = [this](Control&) { mnuProdutoClick(); };
    mnuPrincipal.OnClick = [this](Control&) { pgcIncSoli.SelectPage(tshPrincipal); };
    mnuEntrega.OnClick = [this](Control&) { pgcIncSoli.SelectPage(tshEntrega); };
    sbtFiltro.OnClick = mnuFiltro.OnClick = [this](Control&) { sbtFiltroClick(); };
    dbnPadrao.SetDataSource(&dtsFilialSoli);
}

} // namespace cmp::Cli_cmp03100
