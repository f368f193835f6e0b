// The requisition screen's controls and record sets, page by page, and the
// events that tie them to the screen's handlers.
#include "requisition/Cli_cmp03100.h"

#include "approval/Cli_cmp03107.h"
#include "data/requisition_records.h"
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

TabSheet& page(Form& form, PageControl& pages, const QString& name, const QString& caption)
{
    TabSheet& sheet = form.create<TabSheet>(name, &pages);
    sheet.SetCaption(caption);
    return sheet;
}

MenuItem& menuEntry(Form& form, const QString& name, Control* parent, const QString& caption,
                    const QString& shortCut = {})
{
    MenuItem& item = form.createCaptioned<MenuItem>(name, parent, caption);
    item.SetShortCut(shortCut);
    return item;
}

// An editor after the label that names it, so that the row reads as a form.
template <class T> T& labelled(Form& form, const char* name, Control* parent,
                               const char* labelName, const char* caption)
{
    form.createCaptioned<Label>(QString::fromLatin1(labelName), parent, QString::fromUtf8(caption));
    return form.create<T>(QString::fromLatin1(name), parent);
}

template <class T> T& readOnly(T& editor)
{
    editor.SetReadOnly(true);
    return editor;
}

template <class T> T& bound(T& control, DataSource& source, const char* field)
{
    control.SetDataSource(&source);
    control.SetDataField(QString::fromLatin1(field));
    return control;
}

} // namespace

TfrmLancaSoliCmp::TfrmLancaSoliCmp()
    : TfrmPadraoGrid(QStringLiteral("frmLancaSoliCmp"), QStringLiteral("CMP03100")),
      netLancaSoliCmp(QStringLiteral("Cmp03100.rdmLancaSoliCmp")),
      netCompras(QStringLiteral("Cmp.rdmCompras")), cdsFilialSoli(QStringLiteral("cdsFilialSoli")),
      cdsData(QStringLiteral("cdsData")), cdsServSolicita(QStringLiteral("cdsServSolicita")),
      cdsPermissoes(QStringLiteral("cdsPermissoes")), cdsSolicita(QStringLiteral("cdsSolicita")),
      cdsJustSoli(QStringLiteral("cdsJustSoli")), cdsParaSupri(QStringLiteral("cdsParaSupri")),
      cdsParamFilial(QStringLiteral("cdsParamFilial")),
      cdsParamGrProdGer(QStringLiteral("cdsParamGrProdGer")),
      cdsItemSoli(QStringLiteral("cdsItemSoli")), cdsItemSoliAux(QStringLiteral("cdsItemSoliAux")),
      cdsItemNImportados(QStringLiteral("cdsItemNImportados")),
      cdsDecisionProdutos(QStringLiteral("cdsDecisionProdutos")),
      cdsMovoPSol(QStringLiteral("cdsMovoPSol")), cdsAprovCmpGer(QStringLiteral("cdsAprovCmpGer")),
      cdsParCmpSup(QStringLiteral("cdsParCmpSup")), qryCentMerenda(QStringLiteral("qryCentMerenda")),
      qryFilial(QStringLiteral("qryFilial")), qryParamGeral(QStringLiteral("qryParamGeral")),
      dtsFilialSoli(&cdsFilialSoli),
      dtsServSolicita(&cdsServSolicita), dtsSolicita(&cdsSolicita), dtsJustSoli(&cdsJustSoli),
      dtsMovoPSol(&cdsMovoPSol),
      mnuFiltro(menuEntry(*this, QStringLiteral("mnuFiltro"), &mnuOperacao, QStringLiteral("F&iltro"))),
      mnuCopy(menuEntry(*this, QStringLiteral("mnuCopy"), &mnuOperacao,
                        QStringLiteral("C&opiar Justificativa"))),
      mnuAprovSol(menuEntry(*this, QStringLiteral("mnuAprovSol"), &mnuOperacao,
                            QStringLiteral("Aprovar &Solicitação"))),
      mnuAltAut(menuEntry(*this, QStringLiteral("mnuAltAut"), &mnuOperacao,
                          QStringLiteral("&Alteração Automática"))),
      mnuAutomatico(menuEntry(*this, QStringLiteral("mnuAutomatico"), &mnuOperacao,
                              QStringLiteral("Cadastramento A&utomático"), QStringLiteral("Ctrl+A"))),
      mnuAprovSolGer(menuEntry(*this, QStringLiteral("mnuAprovSolGer"), &mnuOperacao,
                               QStringLiteral("Aprovação de Item por &Gerente"),
                               QStringLiteral("Ctrl+Alt+G"))),
      mnuInclSolicAgreg(menuEntry(*this, QStringLiteral("mnuInclSolicAgreg"), &mnuManutencao,
                                  QStringLiteral("Inclusão de Solicitação A&gregada"))),
      sbtFiltro(command(QStringLiteral("sbtFiltro"), mnuFiltro, QStringLiteral("Filtro"))),
      sbtCopy(command(QStringLiteral("sbtCopy"), mnuCopy, QStringLiteral("Copiar Justificativa"))),
      sbtAprovSol(command(QStringLiteral("sbtAprovSol"), mnuAprovSol,
                          QStringLiteral("Aprovar Solicitação"))),
      sbtAltAut(command(QStringLiteral("sbtAltAut"), mnuAltAut,
                        QStringLiteral("Alteração Automática"))),
      sbtAutomatico(command(QStringLiteral("sbtAutomatico"), mnuAutomatico,
                            QStringLiteral("Cadastramento Automático"))),
      sbtAprovSolGer(command(QStringLiteral("sbtAprovSolGer"), mnuAprovSolGer,
                             QStringLiteral("Aprovação de Item de Solicitação de Compras por Gerente"))),
      sbtInclSolicAgreg(command(QStringLiteral("sbtInclSolicAgreg"), mnuInclSolicAgreg,
                                QStringLiteral("Inclusão de Solicitação Agregada"))),
      mnuFilialSoli(menuEntry(*this, QStringLiteral("mnuFilialSoli"), &mnuOperacao,
                              QStringLiteral("&Filial Solicitante"))),
      mnuSolicitacao(menuEntry(*this, QStringLiteral("mnuSolicitacao"), &mnuOperacao,
                               QStringLiteral("&Solicitação"))),
      mnuIncSoli(menuEntry(*this, QStringLiteral("mnuIncSoli"), &mnuOperacao,
                           QStringLiteral("I&nclusão de Solicitação"))),
      mnuPrincipal(menuEntry(*this, QStringLiteral("mnuPrincipal"), &mnuIncSoli,
                             QStringLiteral("&Principal"))),
      mnuEntrega(menuEntry(*this, QStringLiteral("mnuEntrega"), &mnuIncSoli,
                           QStringLiteral("&Dias de Entrega"))),
      mnuProduto(menuEntry(*this, QStringLiteral("mnuProduto"), &mnuOperacao,
                           QStringLiteral("&Produtos"))),
      mnuDados(menuEntry(*this, QStringLiteral("mnuDados"), &mnuOperacao,
                         QStringLiteral("&Dados da Solicitação"))),
      mnuItens(menuEntry(*this, QStringLiteral("mnuItens"), &mnuOperacao,
                         QStringLiteral("&Justificativa de Alteração"))),
      dbtNome(create<DBText>(QStringLiteral("dbtNome"), &panNavegador)),
      dbtData(create<DBText>(QStringLiteral("dbtData"), &panNavegador)),
      dbeLanc02(create<DBText>(QStringLiteral("dbeLanc02"), &panNavegador)),
      lblExtra(create<Label>(QStringLiteral("lblExtra"), &panNavegador)),
      lblPrevia(createCaptioned<Label>(QStringLiteral("lblPrevia"), &panNavegador,
                                 QStringLiteral("Prévia:"))),
      dbtNumPrev(create<DBText>(QStringLiteral("dbtNumPrev"), &panNavegador)),
      tshFilialSoli(page(*this, pgcPadrao, QStringLiteral("tshFilialSoli"),
                         QStringLiteral("Filial Solicitante"))),
      DBGrid1(create<DBGrid>(QStringLiteral("DBGrid1"), &tshFilialSoli)),
      dbgSolicita(create<DBGrid>(QStringLiteral("dbgSolicita"), &tshPadrao)),
      tshIncSoli(page(*this, pgcPadrao, QStringLiteral("tshIncSoli"),
                      QStringLiteral("Inclusão de Solicitação"))),
      tshProdutos(page(*this, pgcPadrao, QStringLiteral("tshProdutos"), QStringLiteral("Produtos"))),
      tshDadosSoli(page(*this, pgcPadrao, QStringLiteral("tshDadosSoli"),
                        QStringLiteral("Dados da Solicitação"))),
      tshItems(page(*this, pgcPadrao, QStringLiteral("tshItems"),
                    QStringLiteral("Justificativa de Alteração"))),
      pgcIncSoli(create<PageControl>(QStringLiteral("pgcIncSoli"), &tshIncSoli)),
      tshPrincipal(page(*this, pgcIncSoli, QStringLiteral("tshPrincipal"),
                        QStringLiteral("Principal"))),
      tshEntrega(page(*this, pgcIncSoli, QStringLiteral("tshEntrega"),
                      QStringLiteral("Dias de Entrega"))),
      medCdFilSoli(create<MaskEdit>(QStringLiteral("medCdFilSoli"), &tshPrincipal)),
      edtCdFilLanca(readOnly(create<Edit>(QStringLiteral("edtCdFilLanca"), &tshPrincipal))),
      edtNmFilLanca(readOnly(create<Edit>(QStringLiteral("edtNmFilLanca"), &tshPrincipal))),
      chbExtra(createCaptioned<CheckBox>(QStringLiteral("chbExtra"), &tshPrincipal,
                                   QStringLiteral("Extra"))),
      edtDsJust(create<Edit>(QStringLiteral("edtDsJust"), &tshPrincipal)),
      chbProdutoCmp(createCaptioned<CheckBox>(QStringLiteral("chbProdutoCmp"), &tshPrincipal,
                                        QStringLiteral("Incluir Produtos de Compra"))),
      grbDadosAdici(createCaptioned<GroupBox>(QStringLiteral("grbDadosAdici"), &tshPrincipal,
                                        QStringLiteral("Dados Adicionais"))),
      panComprador_Inc(create<Panel>(QStringLiteral("panComprador_Inc"), &grbDadosAdici)),
      panDestino_Inc(create<Panel>(QStringLiteral("panDestino_Inc"), &grbDadosAdici)),
      degItemSoli(create<DecisionGrid>(QStringLiteral("degItemSoli"), &tshProdutos)),
      panDtUtiliza(create<Panel>(QStringLiteral("panDtUtiliza"), &tshProdutos)),
      lblDtUtiliza(createCaptioned<Label>(QStringLiteral("lblDtUtiliza"), &panDtUtiliza,
                                    QStringLiteral("Data de Utilização"))),
      depUtiliza(create<DateEdit>(QStringLiteral("depUtiliza"), &panDtUtiliza)),
      edtNmSemana(readOnly(create<Edit>(QStringLiteral("edtNmSemana"), &panDtUtiliza))),
      lblDtAlteracao(createCaptioned<Label>(QStringLiteral("lblDtAlteracao"), &panDtUtiliza,
                                      QStringLiteral("Data de Alteração"))),
      depDtAlteracao(readOnly(create<DateEdit>(QStringLiteral("depDtAlteracao"), &panDtUtiliza))),
      lblDtImportacao(createCaptioned<Label>(QStringLiteral("lblDtImportacao"), &panDtUtiliza,
                                       QStringLiteral("Data de Importação"))),
      depDtImportacao(readOnly(create<DateEdit>(QStringLiteral("depDtImportacao"), &panDtUtiliza))),
      lblSituSoli(create<Label>(QStringLiteral("lblSituSoli"), &panDtUtiliza)),
      lblObservacao(createCaptioned<Label>(QStringLiteral("lblObservacao"), &panDtUtiliza,
                                     QStringLiteral("Observação"))),
      edtObservacao(readOnly(create<Edit>(QStringLiteral("edtObservacao"), &panDtUtiliza))),
      lblDtCmpAnterior(createCaptioned<Label>(QStringLiteral("lblDtCmpAnterior"), &panDtUtiliza,
                                        QStringLiteral("Data da Compra Anterior"))),
      depDtCmpAnterior(readOnly(create<DateEdit>(QStringLiteral("depDtCmpAnterior"), &panDtUtiliza))),
      lblVrCmpAnterior(createCaptioned<Label>(QStringLiteral("lblVrCmpAnterior"), &panDtUtiliza,
                                        QStringLiteral("Valor da Compra Anterior"))),
      nedVrCmpAnterior(readOnly(create<NumberEdit>(QStringLiteral("nedVrCmpAnterior"), &panDtUtiliza))),
      lblIdBaixItmSol(createCaptioned<Label>(QStringLiteral("lblIdBaixItmSol"), &panDtUtiliza,
                                       QStringLiteral("Baixa"))),
      edtIdBaixItmSol(readOnly(create<Edit>(QStringLiteral("edtIdBaixItmSol"), &panDtUtiliza))),
      lblQtTransfSol(createCaptioned<Label>(QStringLiteral("lblQtTransfSol"), &panDtUtiliza,
                                      QStringLiteral("Qtde. Transferida"))),
      nedQtTransfSol(readOnly(create<NumberEdit>(QStringLiteral("nedQtTransfSol"), &panDtUtiliza))),
      grbDados(create<GroupBox>(QStringLiteral("grbDados"), &tshDadosSoli)),
      dbeCdFilLanca(labelled<DBEdit>(*this, "dbeCdFilLanca", &grbDados, "lblFilLanca", "Filial de Lançamento")),
      dbeNmFilLanca(create<DBEdit>(QStringLiteral("dbeNmFilLanca"), &grbDados)),
      dbeCdCentCmp(labelled<DBEdit>(*this, "dbeCdCentCmp", &grbDados, "lblCentCmp", "Central de Compras")),
      dbeNmCentCmp(create<DBEdit>(QStringLiteral("dbeNmCentCmp"), &grbDados)),
      dbeDtLanc(labelled<DBEdit>(*this, "dbeDtLanc", &grbDados, "lblDtLanc", "Data de Lançamento")),
      edtNmDtLanc(readOnly(create<Edit>(QStringLiteral("edtNmDtLanc"), &grbDados))),
      dckJusExtra(createCaptioned<DBCheckBox>(QStringLiteral("dckJusExtra"), &grbDados,
                                        QStringLiteral("Extra"))),
      dbeNmJustSoli(labelled<DBEdit>(*this, "dbeNmJustSoli", &grbDados, "lblJust", "Justificativa")),
      btnJust(create<LookupButton>(QStringLiteral("btnJust"), &grbDados)),
      panComprador(create<Panel>(QStringLiteral("panComprador"), &grbDados)),
      lblComprador(createCaptioned<Label>(QStringLiteral("lblComprador"), &panComprador,
                                    QStringLiteral("Comprador"))),
      dbeComprador(create<DBEdit>(QStringLiteral("dbeComprador"), &panComprador)),
      dbeNmComp(create<DBEdit>(QStringLiteral("dbeNmComp"), &panComprador)),
      btnComprador(create<LookupButton>(QStringLiteral("btnComprador"), &panComprador)),
      panDestino(create<Panel>(QStringLiteral("panDestino"), &grbDados)),
      lblDestino(createCaptioned<Label>(QStringLiteral("lblDestino"), &panDestino,
                                  QStringLiteral("Destino da Solicitação"))),
      dbeDestino(create<DBEdit>(QStringLiteral("dbeDestino"), &panDestino)),
      dbeNmDest(create<DBEdit>(QStringLiteral("dbeNmDest"), &panDestino)),
      btnDestino(create<LookupButton>(QStringLiteral("btnDestino"), &panDestino)),
      dbgItens(create<DBGrid>(QStringLiteral("dbgItens"), &tshItems)),
      edtData(readOnly(labelled<Edit>(*this, "edtData", &tshItems, "lblData", "Data"))),
      edtDiaSemana(readOnly(create<Edit>(QStringLiteral("edtDiaSemana"), &tshItems))),
      edtHora(readOnly(create<Edit>(QStringLiteral("edtHora"), &tshItems))),
      dbeCdOper(labelled<DBEdit>(*this, "dbeCdOper", &tshItems, "lblOperador", "Operador")),
      dbeNmOper(create<DBEdit>(QStringLiteral("dbeNmOper"), &tshItems)),
      panMensagem1(create<Panel>(QStringLiteral("panMensagem1")))
{
    SetCaption(QStringLiteral("Lançamento de Solicitação de Compras"));
    HelpFile = QStringLiteral("CmpHelp.hlp");
    HelpContext = 10403100;
    KeyPreview = true;
    msgPadrao.Add(QStringLiteral("JUST_DEVE"), justificationMissing);
    msgPadrao.Add(QStringLiteral("Jus_N_Inf"), justificationMissing);
    msgPadrao.Add(QStringLiteral("Sol_OutroOper"), QStringLiteral("Solicitação pertence a outro operador."));
    msgPadrao.Add(QStringLiteral("Id_Extra"), QStringLiteral("Extra"));
    msgPadrao.Add(QStringLiteral("Get_DataProd"), QStringLiteral("Recebendo produtos do servidor..."));
    msgPadrao.Add(QStringLiteral("Get_DataMov"),
                  QStringLiteral("Recebendo justificativa de alteração do servidor..."));
    msgPadrao.Add(QStringLiteral("Get_DataDadSol"),
                  QStringLiteral("Recebendo dados da solicitação do servidor..."));

    tshFilialSoli.SetPageIndex(0);
    tshPadrao.SetCaption(QStringLiteral("Solicitação"));
    panMensagem1.SetCaption(QStringLiteral("Incluindo solicitação de compras"));
    panMensagem1.SetVisible(false);
    medCdFilSoli.SetEditMask(QStringLiteral(">aaaa;0; "));

    declareRecordSets();
    showLists();
    layOutNavigator();
    layOutHeader();
    layOutLog();
    layOutItemPanel();
    wireEvents();
}

void TfrmLancaSoliCmp::declareRecordSets()
{
    data::addCodedValueTexts(msgPadrao);
    data::declareFilialSoli(cdsFilialSoli);
    data::declareData(cdsData);
    data::declareServSolicita(cdsServSolicita, msgPadrao);
    data::declareSolicita(cdsSolicita);
    data::declareJustSoli(cdsJustSoli);
    data::declareItemSoli(cdsItemSoli, msgPadrao);
    data::declareItemSoli(cdsItemSoliAux, msgPadrao);
    data::declareItemNImportados(cdsItemNImportados);
    data::declareDecisionProdutos(cdsDecisionProdutos);
    data::declareMovoPSol(cdsMovoPSol);
    data::declareAprovCmpGer(cdsAprovCmpGer);
    // A saved requisition is browsed here; its changes go through the
    // commands that save them.
    for (ClientDataSet* shown : {&cdsSolicita, &cdsJustSoli, &cdsMovoPSol})
        shown->ReadOnly = true;
    // The header is the record set the base screen's commands work on.
    dtsPadrao.SetDataSet(&cdsSolicita);
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
    readOnly(bound(dbeCdFilLanca, dtsSolicita, "CDFILLANCA"));
    readOnly(bound(dbeNmFilLanca, dtsSolicita, "NMFILIAL_LANCAMENTO"));
    readOnly(bound(dbeCdCentCmp, dtsFilialSoli, "CDFILCENTCMP"));
    readOnly(bound(dbeNmCentCmp, dtsFilialSoli, "NMCENTCMP"));
    readOnly(bound(dbeDtLanc, dtsServSolicita, "DTSOLCMP"));
    bound(dckJusExtra, dtsSolicita, "IDSOLEXTRA");
    bound(dbeNmJustSoli, dtsJustSoli, "DSJUSTSOLEXT");
    bound(dbeComprador, dtsSolicita, "CDOPERADOR");
    readOnly(bound(dbeNmComp, dtsSolicita, "NMOPERADOR"));
    bound(dbeDestino, dtsSolicita, "CDDESTSOLI");
    readOnly(bound(dbeNmDest, dtsSolicita, "NMDESTSOLI"));
}

void TfrmLancaSoliCmp::layOutLog()
{
    dbgItens.SetDataSource(&dtsMovoPSol);
    for (const char* field : {"NMPRODUTO", "DTENTROPER", "QTANTOPER", "QTDEPOPER"})
        dbgItens.AddColumn(QString::fromLatin1(field)).ReadOnly = true;
    dbgItens.AddColumn(QStringLiteral("DSJUSTOPER")).Width = 280;
    dbgItens.Columns.front().Width = 300;
    readOnly(bound(dbeCdOper, dtsMovoPSol, "CDOPERADOR"));
    readOnly(bound(dbeNmOper, dtsMovoPSol, "NMOPERADOR"));
}

void TfrmLancaSoliCmp::layOutItemPanel()
{
    degItemSoli.FixedColWidth = 410;
    nedVrCmpAnterior.DisplayFormat = QStringLiteral("#,##0.00");
    nedQtTransfSol.DisplayFormat = QStringLiteral("#,##0.000");
}

void TfrmLancaSoliCmp::wireEvents()
{
    for (TNetConnection* connection : {&netLancaSoliCmp, &netCompras})
        connection->BeforeConnect = [this](TNetConnection& net) { netBeforeConnect(net); };

    OnCreate = [this](Form&) { FormCreate(); };
    OnActivate = [this](Form&) { FormActivate(); };
    OnCloseQuery = [this](Form&, bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
    OnKeyDown = [this](Form&, Key& key, Shift shift) { FormKeyDown(key, shift); };

    cdsFilialSoli.AfterScroll = [this](ClientDataSet&) { cdsFilialSoliAfterScroll(); };
    cdsFilialSoli.BeforeEdit = [](ClientDataSet&) { Abort(); };
    cdsFilialSoli.BeforeInsert = [this](ClientDataSet& branches) {
        if (Ativa(tshFilialSoli) && !branches.IsEmpty())
            Abort();
    };
    cdsServSolicita.AfterScroll = [this](ClientDataSet&) { cdsServSolicitaAfterScroll(); };
    cdsServSolicita.BeforeEdit = [this](ClientDataSet&) { Vd_OperSistema(); };
    cdsServSolicita.BeforeDelete = [this](ClientDataSet&) { Vd_OperSistema(); };
    for (DataSource* source : {&dtsServSolicita, &dtsFilialSoli})
        source->OnStateChange = [this](DataSource&) { dtsServSolicitaStateChange(); };
    dtsSolicita.OnStateChange = [this](DataSource&) { dtsSolicitaStateChange(); };
    dtsJustSoli.OnStateChange = [this](DataSource&) { dtsSolicitaStateChange(); };
    dtsMovoPSol.OnStateChange = [this](DataSource&) { dtsMovoPSolStateChange(); };
    dtsMovoPSol.OnDataChange = [this](DataSource&, Field*) { dtsMovoPSolDataChange(); };
    dckJusExtra.OnClick = [this](Control&) { CrlDadosSolicitacao(); };

    pgcPadrao.OnChanging = [this](PageControl&, bool& allowChange) { pgcPadraoChanging(allowChange); };
    pgcPadrao.OnChange = [this](Control&) { pgcPadraoChange(); };
    DBGrid1.OnKeyDown = [this](Control&, Key& key, Shift shift) { DBGrid1KeyDown(key, shift); };

    const auto pageEntry = [this](MenuItem& entry, TabSheet& target) {
        entry.OnClick = [this, &target](Control&) { MudaPagina(target); };
    };
    pageEntry(mnuFilialSoli, tshFilialSoli);
    pageEntry(mnuSolicitacao, tshPadrao);
    pageEntry(mnuDados, tshDadosSoli);
    pageEntry(mnuItens, tshItems);
    mnuProduto.OnClick = [this](Control&) { mnuProdutoClick(); };
    mnuPrincipal.OnClick = [this](Control&) { pgcIncSoli.SelectPage(tshPrincipal); };
    mnuEntrega.OnClick = [this](Control&) { pgcIncSoli.SelectPage(tshEntrega); };
    sbtFiltro.OnClick = mnuFiltro.OnClick = [](Control&) { Cli_cmp03107::CriaFiltroSolicita(); };
    dbnPadrao.SetDataSource(&dtsFilialSoli);
}

} // namespace cmp::Cli_cmp03100
