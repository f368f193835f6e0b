#pragma once

#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/forms/base_screens.h"
#include "framework/net/net_connection.h"
#include "framework/net/remote_value.h"
#include "module/declared_query.h"
#include "module/screen_creation.h"

#include <QChar>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace cmp::fw {
class CheckBox;
class DateEdit;
class DBCheckBox;
class DBEdit;
class DBGrid;
class DBText;
class DecisionGrid;
class Edit;
class GroupBox;
class Label;
class LookupButton;
class MaskEdit;
class NumberEdit;
class Panel;
class StatementRegistry;
} // namespace cmp::fw

namespace cmp::Cli_cmp03100 {

// The requisition screen: the requesting branches, their requisitions, the
// new-requisition wizard, the quantity matrix, the header and the
// alteration log, each on its page.
class TfrmLancaSoliCmp : public fw::TfrmPadraoGrid
{
public:
    TfrmLancaSoliCmp();
    ~TfrmLancaSoliCmp() override;

    // The module's server, and the purchasing server shared with other modules.
    fw::TNetConnection netLancaSoliCmp;
    fw::TNetConnection netCompras;

    fw::ClientDataSet cdsFilialSoli;
    fw::ClientDataSet cdsData;
    fw::ClientDataSet cdsServSolicita;
    fw::ClientDataSet cdsPermissoes;
    fw::ClientDataSet cdsSolicita;
    fw::ClientDataSet cdsJustSoli;
    fw::ClientDataSet cdsParaSupri;
    fw::ClientDataSet cdsParamFilial;
    fw::ClientDataSet cdsParamGrProdGer;
    fw::ClientDataSet cdsItemSoli;
    // The items of the current requisition as the approved-items check read
    // them; its Tag is the approved-items mark (0 none, 99 present).
    fw::ClientDataSet cdsItemSoliAux;
    fw::ClientDataSet cdsItemNImportados;
    fw::ClientDataSet cdsDecisionProdutos;
    fw::ClientDataSet cdsMovoPSol;
    fw::ClientDataSet cdsAprovCmpGer;
    fw::ClientDataSet cdsParCmpSup;
    fw::ClientDataSet qryCentMerenda;
    fw::ClientDataSet qryFilial;
    fw::ClientDataSet qryParamGeral;
    fw::DataSource dtsFilialSoli;
    fw::DataSource dtsServSolicita;
    fw::DataSource dtsSolicita;
    fw::DataSource dtsJustSoli;
    fw::DataSource dtsMovoPSol;

    // The screen's own commands, each a button with its menu entry.
    fw::MenuItem& mnuFiltro;
    fw::MenuItem& mnuCopy;
    fw::MenuItem& mnuAprovSol;
    fw::MenuItem& mnuAltAut;
    fw::MenuItem& mnuAutomatico;
    fw::MenuItem& mnuAprovSolGer;
    fw::MenuItem& mnuInclSolicAgreg;
    fw::SpeedButton& sbtFiltro;
    fw::SpeedButton& sbtCopy;
    fw::SpeedButton& sbtAprovSol;
    fw::SpeedButton& sbtAltAut;
    fw::SpeedButton& sbtAutomatico;
    fw::SpeedButton& sbtAprovSolGer;
    fw::SpeedButton& sbtInclSolicAgreg;

    // One menu entry per page.
    fw::MenuItem& mnuFilialSoli;
    fw::MenuItem& mnuSolicitacao;
    fw::MenuItem& mnuIncSoli;
    fw::MenuItem& mnuPrincipal;
    fw::MenuItem& mnuEntrega;
    fw::MenuItem& mnuProduto;
    fw::MenuItem& mnuDados;
    fw::MenuItem& mnuItens;

    // The current requisition beside the navigator.
    fw::DBText& dbtNome;
    fw::DBText& dbtData;
    fw::DBText& dbeLanc02;
    fw::Label& lblExtra;
    fw::Label& lblPrevia;
    fw::DBText& dbtNumPrev;

    fw::TabSheet& tshFilialSoli;
    // The requesting branches and, on tshPadrao, their requisitions.
    fw::DBGrid& DBGrid1;
    fw::DBGrid& dbgSolicita;
    fw::TabSheet& tshIncSoli;
    fw::TabSheet& tshProdutos;
    fw::TabSheet& tshDadosSoli;
    fw::TabSheet& tshItems;

    // The new-requisition wizard.
    fw::PageControl& pgcIncSoli;
    fw::TabSheet& tshPrincipal;
    fw::TabSheet& tshEntrega;
    fw::MaskEdit& medCdFilSoli;
    fw::Edit& edtCdFilLanca;
    fw::Edit& edtNmFilLanca;
    fw::CheckBox& chbExtra;
    fw::Edit& edtDsJust;
    fw::CheckBox& chbProdutoCmp;
    fw::GroupBox& grbDadosAdici;
    fw::Panel& panComprador_Inc;
    fw::Panel& panDestino_Inc;

    // The quantity matrix and the detail of its current item.
    fw::DecisionGrid& degItemSoli;
    fw::Panel& panDtUtiliza;
    fw::Label& lblDtUtiliza;
    fw::DateEdit& depUtiliza;
    fw::Edit& edtNmSemana;
    fw::Label& lblDtAlteracao;
    fw::DateEdit& depDtAlteracao;
    fw::Label& lblDtImportacao;
    fw::DateEdit& depDtImportacao;
    fw::Label& lblSituSoli;
    fw::Label& lblObservacao;
    fw::Edit& edtObservacao;
    fw::Label& lblDtCmpAnterior;
    fw::DateEdit& depDtCmpAnterior;
    fw::Label& lblVrCmpAnterior;
    fw::NumberEdit& nedVrCmpAnterior;
    fw::Label& lblIdBaixItmSol;
    fw::Edit& edtIdBaixItmSol;
    fw::Label& lblQtTransfSol;
    fw::NumberEdit& nedQtTransfSol;

    // The header of the current requisition.
    fw::GroupBox& grbDados;
    fw::DBEdit& dbeCdFilLanca;
    fw::DBEdit& dbeNmFilLanca;
    fw::DBEdit& dbeCdCentCmp;
    fw::DBEdit& dbeNmCentCmp;
    fw::DBEdit& dbeDtLanc;
    fw::Edit& edtNmDtLanc;
    fw::DBCheckBox& dckJusExtra;
    fw::DBEdit& dbeNmJustSoli;
    fw::LookupButton& btnJust;
    fw::Panel& panComprador;
    fw::Label& lblComprador;
    fw::DBEdit& dbeComprador;
    fw::DBEdit& dbeNmComp;
    fw::LookupButton& btnComprador;
    fw::Panel& panDestino;
    fw::Label& lblDestino;
    fw::DBEdit& dbeDestino;
    fw::DBEdit& dbeNmDest;
    fw::LookupButton& btnDestino;

    // The alteration log and the moment and operator of its current change.
    fw::DBGrid& dbgItens;
    fw::Edit& edtData;
    fw::Edit& edtDiaSemana;
    fw::Edit& edtHora;
    fw::DBEdit& dbeCdOper;
    fw::DBEdit& dbeNmOper;

    // Shown while a requisition is being included: the screen cannot close.
    fw::Panel& panMensagem1;

    // Set by the requisition filter for the previous-purchase check, which
    // reads and clears it.
    bool boFiltroAberto = false;
    // The permissions (of permissionKeys) the operator holds to change locked
    // automatic requisitions; loaded by the requisition filter.
    QSet<QString> permissoes;
    bool TemPermissao(const QString& key) const { return permissoes.contains(key); }
    // Any of the permissions over a locked requisition's items.
    bool TemPermissaoItem() const;

    // The template the wizard's product lookup (qryProduto) takes its text
    // from: qrySemCache or qryProdCache (only products active at the branch),
    // or their Param variants (only products the external integration knows).
    QString stModeloProduto;

    // "S" when the requesting branch has manager approval of items in use.
    QString stAprovGerente = QStringLiteral("N");
    // The automatic lock: an automatic or consolidated requisition of a
    // branch that locks them. The other-operator lock: a requisition entered
    // by someone else where only its author may change it.
    bool TravaAutomatica() const;
    bool TravaOutroOperador() const;
    bool Travada() const;
    bool TemItensAprovados() const;

    // Refuses, with its message, changing a requisition of another operator.
    void Vd_OperSistema();
    // The purchasing parameters of a branch: kind "CMP" into cdsParCmpSup,
    // "SUP" into cdsParaSupri. The server may answer with another branch code.
    void GetParamCmp(QString& branch, const QString& kind);
    // Loads the current requisition's items and matrix source unless they
    // are already the loaded ones.
    void Atualiza_Produto();
    // Switches to a page as the user does: the page being left may refuse.
    bool MudaPagina(fw::TabSheet& page);

protected:
    void ControlaBotoes() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtProcurarClick() override;
    void Primeiro1Click() override;
    void Anterior1Click() override;
    void Proximo1Click() override;
    void Ultimo1Click() override;

private:
    // Which requisition a record set was loaded for.
    struct RequisitionKey
    {
        QString CDFILSOLI;
        QString CDFILLANCA;
        QString NRSOLICMP;
        friend bool operator==(const RequisitionKey&, const RequisitionKey&) = default;
    };

    // Building the screen.
    void createCommands();
    void layOutNavigator();
    void layOutHeader();
    void layOutLog();
    void layOutItemPanel();
    void declareRecordSets();
    void wireEvents();
    // Opens one of the screen's declared queries into the record set of its name.
    void AbreConsulta(fw::ClientDataSet& query, const module::QueryParams& params);
    void showLists();

    // Lifecycle.
    void FormCreate();
    void FormActivate();
    void FormCloseQuery(bool& canClose);
    void FormClose(fw::CloseAction& action);
    void FormKeyDown(fw::Key& key, fw::Shift shift);
    void netBeforeConnect(fw::TNetConnection& connection);
    void HabilitaInclusaoAgregada();
    void MostraFilialLancamento();
    // The branch's flags the matrix and the item dialogs read.
    void CopiaParametrosFilial();
    // With the wizard open and "extra" ticked, the justification is required.
    void Vd_Just_Inc();
    QString currentBranchFlag(const QString& field) const;
    QString currentRequisition(const QString& field) const;
    RequisitionKey chaveAtual() const;

    // Loading: the branch's parameters, the requisition's data per page.
    void cdsFilialSoliAfterScroll();
    void EscolheModeloProduto();
    void GetParamFilial();
    void AplicaParametrosFilial();
    bool IntegracaoAtiva() const;
    QString ParametroFilial(const char* field) const;
    void MostraCamposItem();
    void HabilitaPaginas();
    void cdsServSolicitaAfterScroll();
    void ProcuraItensAprovados();
    void AplicaEdicaoSolicitacao();
    void CorJustificativa();
    // The list has a requisition that is not under the automatic lock.
    bool Gravavel() const;
    void MostraMarcas();
    void GetData();
    void GetDataProdutos();
    void GetDataItens();
    bool JustificativaAtual() const;
    void GetDataSolicitacao();
    void GetDataDados();
    void MostraItemIntegracao();
    // Fills a record set from a server call under the progress animation.
    fw::RemoteValue Carrega(const QString& method, const QString& progressKey);
    void RecarregaListas();

    // Pages and navigation.
    void pgcPadraoChanging(bool& allowChange);
    void pgcPadraoChange();
    bool PostaPendente(fw::ClientDataSet& dataSet);
    void MarcaPaginaAtiva();
    void mnuProdutoClick();
    void dtsMovoPSolDataChange();
    void DBGrid1KeyDown(fw::Key& key, fw::Shift shift);

    // Which commands the page and the state allow.
    void RegraExclusao();
    void CrlDadosSolicitacao();
    void dtsPadraoStateChange();
    void dtsServSolicitaStateChange();
    void dtsSolicitaStateChange();
    void dtsMovoPSolStateChange();
    void Controla_Baixa();
    std::vector<std::pair<fw::SpeedButton*, fw::MenuItem*>> comandos();
    void ComandosSeguemMenu();
    void MenuSegueComandos();
    void ComandosProdutos(bool matrix);
    bool TemDestino() const;
    void PaginasSeguemMenu();
    bool Ativa(const fw::TabSheet& page) const;

    bool boPrimeiraAtivacao = false;
    // While set, every post of an item keeps a copy of all items.
    bool boCopiaItens = false;
    RequisitionKey chaveItens_;
    RequisitionKey chaveMovimento_;
    RequisitionKey chaveDados_;
};

// The permissions an operator may hold over automatic requisitions.
extern const QStringList permissionKeys;

// The single main screen; the dialogs reach its record sets through it.
extern module::ScreenInstance<TfrmLancaSoliCmp> frmLancaSoliCmp;
// True while the main screen exists.
extern bool boStCriado;
// Working lists of the quantity matrix: delivery dates, products shown, all
// products; they exist from the main screen's first activation to its close.
extern std::unique_ptr<QStringList> stlDtEntrega;
extern std::unique_ptr<QStringList> stlProdutos;
extern std::unique_ptr<QStringList> stlProdutosTot;
// The matrix cell the user acted on, for the item dialogs.
extern QString stUtiliza_Prod;
extern QString stUtiliza_Data;
extern QString stNmProduto;
extern QString stQtde;
// Which changes the requesting branch allows on approved items (three flag
// letters) and whether it imports inclusions into approved requisitions.
extern QString stIdPerAltSApr;
extern QString stIdImpIncSolApr;
// The key typed on a matrix cell; null when none.
extern QChar chKeyNum;

// Opens the main screen, or shows the open one again.
void CriaLancaSoliCmp();

// The statements the screen runs on the host database.
void DeclareStatements(fw::StatementRegistry& registry);

void initialization();
void finalization();

} // namespace cmp::Cli_cmp03100
