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
#include "framework/sql/statement_registry.h"
#include "framework/ui/ui_port.h"
#include "requisition/flags.h"

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

const QString decisionIndex = QStringLiteral("IndCube");
const QString statementPrefix = QStringLiteral("TfrmLancaSoliCmp.");
constexpr int smallScreenHeight = 480;

} // namespace

TfrmLancaSoliCmp::~TfrmLancaSoliCmp()
{
    // The base screen's command handling reads this screen's record sets.
    dtsPadrao.SetDataSet(nullptr);
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
}

void TfrmLancaSoliCmp::FormActivate()
{
    // The screen is laid out for more than the smallest screens it runs on.
    if (ScreenHeight() == smallScreenHeight)
        SetWindowState(WindowState::Maximized);
    if (!std::exchange(boPrimeiraAtivacao, false))
        return;
    stlDtEntrega = std::make_unique<QStringList>();
    stlProdutos = std::make_unique<QStringList>();
    stlProdutosTot = std::make_unique<QStringList>();
    HabilitaInclusaoAgregada();
    MostraFilialLancamento();
    if (pgcPadrao.ActivePage() != &tshFilialSoli && tshFilialSoli.TabVisible())
        pgcPadrao.SetActivePage(&tshFilialSoli);
    Cli_cmp03107::CriaFiltroSolicita();
    CopiaParametrosFilial();
    AplicaParametrosFilial();
    pgcPadraoChange();
    EscolheModeloProduto();
}

// Aggregated requisitions are entered for a school-meal central: an operator
// bound to one branch may enter them only from one.
void TfrmLancaSoliCmp::HabilitaInclusaoAgregada()
{
    bool allowed = true;
    if (ModuFili()) {
        AbreConsulta(qryCentMerenda, {{QStringLiteral("P_CDFILIAL"), FiliProc()}});
        allowed = !qryCentMerenda.IsEmpty();
    }
    SetCommandEnabled(sbtInclSolicAgreg, allowed);
}

// New requisitions are launched by the processing branch.
void TfrmLancaSoliCmp::MostraFilialLancamento()
{
    AbreConsulta(qryFilial, {{QStringLiteral("P_CDFILIAL"), FiliProc()}});
    const bool found = !qryFilial.IsEmpty();
    edtCdFilLanca.SetText(found ? qryFilial.FieldByName(QStringLiteral("CDFILIAL")).AsString() : QString());
    edtNmFilLanca.SetText(found ? qryFilial.FieldByName(QStringLiteral("NMFILIAL")).AsString() : QString());
}

void TfrmLancaSoliCmp::AbreConsulta(ClientDataSet& query, const module::QueryParams& params)
{
    module::OpenDeclared(query, statementPrefix + query.Name(), params);
}

QString TfrmLancaSoliCmp::currentBranchFlag(const QString& field) const
{
    return currentValue(cdsFilialSoli, field);
}

QString TfrmLancaSoliCmp::currentRequisition(const QString& field) const
{
    return currentValue(cdsServSolicita, field);
}

TfrmLancaSoliCmp::RequisitionKey TfrmLancaSoliCmp::chaveAtual() const
{
    return {currentRequisition(QStringLiteral("CDFILSOLI")),
            currentRequisition(QStringLiteral("CDFILLANCA")),
            currentRequisition(QStringLiteral("NRSOLICMP"))};
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
    chaveItens_ = chaveMovimento_ = chaveDados_ = {};
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

void DeclareStatements(StatementRegistry& registry)
{
    const auto declare = [&registry](const char* query, const char* sql) {
        registry.Declare(statementPrefix + QLatin1String(query), {QString::fromLatin1(sql)});
    };
    declare("qryCentMerenda",
            "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL AND "
            "IDCNTRRESC <> 'S' AND CDREGIAO IS NOT NULL AND CDFILCENTPME IS NULL AND "
            "IDFILCENTPME = 'S'");
    declare("qryFilial",
            "SELECT CDFILIAL, NMFILIAL, IDCNTRRESC, CDREGIAO, IDFUNCAOFILI FROM FILIAL, "
            "PARAM(:P_CDFILIAL) P_CDFILIAL WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) "
            "ORDER BY CDFILIAL");
    declare("qryParamGeral", "SELECT IDCACHPRODFI FROM PARAMGERAL");
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
