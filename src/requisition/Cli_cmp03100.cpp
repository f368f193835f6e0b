#include "requisition/Cli_cmp03100.h"

#include "approval/Cli_cmp03107.h"
#include "data/requisition_records.h"
#include "framework/core/abort.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

namespace cmp::Cli_cmp03100 {

module::ScreenInstance<TfrmLancaSoliCmp> frmLancaSoliCmp;
bool boStCriado = false;
std::unique_ptr<QStringList> stlDtEntrega;
std::unique_ptr<QStringList> stlProdutos;
std::unique_ptr<QStringList> stlProdutosTot;
QString stUtiliza_Prod;
QString stUtiliza_Data;
QString stNmProduto;
QString stQtde;
QString stIdPerAltSApr;
QString stIdImpIncSolApr;
QChar chKeyNum;
const QStringList permissionKeys{
    QStringLiteral("INCLUIR_DTENTREGA"),   QStringLiteral("EXCLUIR_DTENTREGA"),
    QStringLiteral("INCLUIR_PRODUTO"),     QStringLiteral("ALTERAR_PRODUTO"),
    QStringLiteral("EXCLUIR_PRODUTO"),     QStringLiteral("AUMENTAR_QUANTIDADE"),
    QStringLiteral("DIMINUIR_QUANTIDADE"), QStringLiteral("EXCLUIR_SOLICITACAO")};

namespace {

using namespace fw;

const QString justificationMissing = QStringLiteral("Justificativa deve ser informada.");
const QString decisionIndex = QStringLiteral("IndCube");
constexpr int productColumnWidth = 410;

TabSheet& page(Form& form, PageControl& pages, const QString& name, const QString& caption)
{
    TabSheet& sheet = form.create<TabSheet>(name, &pages);
    sheet.SetCaption(caption);
    return sheet;
}

template <class T> T& captioned(Form& form, const QString& name, Control* parent,
                                const QString& caption)
{
    T& control = form.create<T>(name, parent);
    control.SetCaption(caption);
    return control;
}

} // namespace

TfrmLancaSoliCmp::TfrmLancaSoliCmp()
    : TfrmPadraoGrid(QStringLiteral("frmLancaSoliCmp"), QStringLiteral("CMP03100")),
      netLancaSoliCmp(QStringLiteral("Cmp03100.rdmLancaSoliCmp")),
      netCompras(QStringLiteral("Cmp.rdmCompras")), cdsFilialSoli(QStringLiteral("cdsFilialSoli")),
      cdsData(QStringLiteral("cdsData")), cdsServSolicita(QStringLiteral("cdsServSolicita")),
      cdsPermissoes(QStringLiteral("cdsPermissoes")),
      cdsSolicita(QStringLiteral("cdsSolicita")), cdsJustSoli(QStringLiteral("cdsJustSoli")),
      cdsParaSupri(QStringLiteral("cdsParaSupri")),
      cdsDecisionProdutos(QStringLiteral("cdsDecisionProdutos")), dtsFilialSoli(&cdsFilialSoli),
      dtsServSolicita(&cdsServSolicita),
      dtsSolicita(&cdsSolicita), dtsJustSoli(&cdsJustSoli),
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
      chbExtra(captioned<CheckBox>(*this, QStringLiteral("chbExtra"), &tshPrincipal,
                                   QStringLiteral("Extra"))),
      edtDsJust(create<Edit>(QStringLiteral("edtDsJust"), &tshPrincipal)),
      degItemSoli(create<DecisionGrid>(QStringLiteral("degItemSoli"), &tshProdutos)),
      grbDados(create<GroupBox>(QStringLiteral("grbDados"), &tshDadosSoli)),
      dckJusExtra(captioned<DBCheckBox>(*this, QStringLiteral("dckJusExtra"), &grbDados,
                                        QStringLiteral("Extra"))),
      dbeNmJustSoli(create<DBEdit>(QStringLiteral("dbeNmJustSoli"), &grbDados)),
      panComprador(create<Panel>(QStringLiteral("panComprador"), &grbDados)),
      panDestino(create<Panel>(QStringLiteral("panDestino"), &grbDados)),
      panMensagem1(create<Panel>(QStringLiteral("panMensagem1"))),
      mnuIncSoli(captioned<MenuItem>(*this, QStringLiteral("mnuIncSoli"), &mnuOperacao,
                                     QStringLiteral("I&nclusão de Solicitação")))
{
    SetCaption(QStringLiteral("Lançamento de Solicitação de Compras"));
    HelpFile = QStringLiteral("CmpHelp.hlp");
    HelpContext = 10403100;
    msgPadrao.Add(QStringLiteral("JUST_DEVE"), justificationMissing);
    msgPadrao.Add(QStringLiteral("Jus_N_Inf"), justificationMissing);

    tshFilialSoli.SetPageIndex(0);
    tshPadrao.SetCaption(QStringLiteral("Solicitação"));
    showLists();
    panMensagem1.SetCaption(QStringLiteral("Incluindo solicitação de compras"));
    panMensagem1.SetVisible(false);

    data::addCodedValueTexts(msgPadrao);
    data::declareFilialSoli(cdsFilialSoli);
    data::declareData(cdsData);
    data::declareServSolicita(cdsServSolicita, msgPadrao);
    data::declareSolicita(cdsSolicita);
    data::declareJustSoli(cdsJustSoli);
    data::declareDecisionProdutos(cdsDecisionProdutos);
    dckJusExtra.SetDataSource(&dtsSolicita);
    dckJusExtra.SetDataField(QStringLiteral("IDSOLEXTRA"));
    dbeNmJustSoli.SetDataSource(&dtsJustSoli);
    dbeNmJustSoli.SetDataField(QStringLiteral("DSJUSTSOLEXT"));

    for (TNetConnection* connection : {&netLancaSoliCmp, &netCompras})
        connection->BeforeConnect = [this](TNetConnection& net) { netBeforeConnect(net); };

    OnCreate = [this](Form&) { FormCreate(); };
    OnActivate = [this](Form&) { FormActivate(); };
    OnCloseQuery = [this](Form&, bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
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

TfrmLancaSoliCmp::~TfrmLancaSoliCmp()
{
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
        netLancaSoliCmp.Connect();
        netCompras.Connect();
    }
    tshIncSoli.SetTabVisible(false);
    mnuIncSoli.SetVisible(tshIncSoli.TabVisible());
    pgcPadrao.SetActivePage(&tshFilialSoli);
    boPrimeiraAtivacao = true;
    boCopiaItens = true;
    degItemSoli.FixedColWidth = productColumnWidth;
}

void TfrmLancaSoliCmp::FormActivate()
{
    if (!std::exchange(boPrimeiraAtivacao, false))
        return;
    stlDtEntrega = std::make_unique<QStringList>();
    stlProdutos = std::make_unique<QStringList>();
    stlProdutosTot = std::make_unique<QStringList>();
    if (pgcPadrao.ActivePage() != &tshFilialSoli && tshFilialSoli.TabVisible())
        pgcPadrao.SetActivePage(&tshFilialSoli);
    Cli_cmp03107::CriaFiltroSolicita();
    CopiaParametrosFilial();
}

QString TfrmLancaSoliCmp::currentBranchFlag(const QString& field) const
{
    if (!cdsFilialSoli.Active() || cdsFilialSoli.IsEmpty())
        return {};
    return cdsFilialSoli.FieldByName(field).AsString();
}

void TfrmLancaSoliCmp::CopiaParametrosFilial()
{
    const QString changesOnApproved = currentBranchFlag(QStringLiteral("IDPERALTSAPR"));
    stIdPerAltSApr = changesOnApproved.isEmpty() ? QStringLiteral("NNN") : changesOnApproved;
    const QString importsInclusions = currentBranchFlag(QStringLiteral("IDIMPINCSOLAPR"));
    stIdImpIncSolApr = importsInclusions.isEmpty() ? QStringLiteral("N") : importsInclusions;
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
    } else if (currentBranchFlag(QStringLiteral("IDJUSSOLEXT")) == QLatin1String("S") &&
               dckJusExtra.Checked() && dbeNmJustSoli.Text().trimmed().isEmpty()) {
        pgcPadrao.SetActivePage(&tshDadosSoli);
        SetFocus(dbeNmJustSoli);
        MensErro(msgPadrao.Msg(QStringLiteral("Jus_N_Inf")), true);
    }
    if (cdsDecisionProdutos.HasIndex(decisionIndex))
        cdsDecisionProdutos.DeleteIndex(decisionIndex);
}

void TfrmLancaSoliCmp::FormClose(CloseAction& action)
{
    if (panMensagem1.Visible()) {
        action = CloseAction::None;
        return;
    }
    netCompras.Disconnect();
    netLancaSoliCmp.Disconnect();
    boStCriado = false;
    stlDtEntrega.reset();
    stlProdutosTot.reset();
    stlProdutos.reset();
    Cli_cmp03107::frmFiltroSolicita.free();
    action = CloseAction::Free;
}

void CriaLancaSoliCmp()
{
    module::BusyCursor busy;
    if (!boStCriado) {
        frmLancaSoliCmp.create();
        boStCriado = true;
    }
    frmLancaSoliCmp->SetWindowState(WindowState::Normal);
    uiPort().showModeless(*frmLancaSoliCmp);
}

void initialization()
{
    boStCriado = false;
}

void finalization()
{
    frmLancaSoliCmp.free();
    stlDtEntrega.reset();
    stlProdutos.reset();
    stlProdutosTot.reset();
    for (QString* text : {&stUtiliza_Prod, &stUtiliza_Data, &stNmProduto, &stQtde,
                          &stIdPerAltSApr, &stIdImpIncSolApr})
        text->clear();
    chKeyNum = QChar();
}

} // namespace cmp::Cli_cmp03100
