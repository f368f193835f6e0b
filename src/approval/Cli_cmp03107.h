#pragma once

#include "framework/core/named.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/screen_creation.h"
#include "framework/net/remote_value.h"
#include "framework/sql/declared_query.h"

#include <QDate>
#include <QString>

#include <optional>

namespace cmp::fw {
class DateEdit;
class CheckBox;
class Edit;
class GroupBox;
class LookupButton;
class MaskEdit;
class Panel;
class RadioButton;
class SpeedButton;
} // namespace cmp::fw

namespace cmp::data {
class RequisitionState;
}

namespace cmp::Cli_cmp03107 {

// A block of criteria: each list with whether "Lista" was chosen, the
// manager and the approval set. A snapshot uses only some of its slots.
struct TCOMP_DEST
{
    bool buyerList = false;
    QString buyers;
    bool destinationList = false;
    QString destinations;
    bool branchList = false;
    QString branches;
    QString manager;
    QString approvalSet;
};

// The criteria as last confirmed; also the by-reference arguments of the
// loading calls.
struct TFILTRO
{
    TCOMP_DEST buyer;
    TCOMP_DEST destination;
    TCOMP_DEST branch;
    QDate requisitionFrom;
    QDate requisitionTo;
    QDate deliveryFrom;
    QDate deliveryTo;
    TCOMP_DEST manager;
};

// The requisition filter: which requesting branches and requisitions the
// main screen lists. Created once and kept hidden between uses, so its
// criteria survive from one opening to the next. Its creation also loads the
// purchasing parameters and the operator's permissions into the requisition
// state, and decides whether buyers and destinations are shown.
class TfrmFiltroSolicita : public fw::TfrmFiltroPadrao
{
public:
    explicit TfrmFiltroSolicita(data::RequisitionState& state);
    ~TfrmFiltroSolicita() override;

    data::RequisitionState& state;

    fw::GroupBox& grbDtSolicitacao;
    fw::DateEdit& depEmisIni;
    fw::DateEdit& depEmisFim;
    fw::GroupBox& grbDtEntrega;
    fw::DateEdit& depEntrIni;
    fw::DateEdit& depEntrFim;
    fw::Panel& panAgrupFilial;
    fw::MaskEdit& medAgrupFilial;
    fw::LookupButton& btnAgrupFilial;
    fw::Edit& edtAgrupFilial;
    fw::GroupBox& grbFilial;
    fw::RadioButton& rbtFilialTodas;
    fw::RadioButton& rbtFilialLista;
    fw::SpeedButton& btpFilial;
    fw::GroupBox& grbGerente;
    fw::MaskEdit& medGerente;
    fw::LookupButton& sbtGerente;
    fw::Edit& edtGerente;
    fw::GroupBox& grbAprovacao;
    fw::CheckBox& rbtAprova;
    fw::CheckBox& rbtNaoAprova;
    fw::CheckBox& rbtNaoAprovado;
    fw::GroupBox& grbComprador;
    fw::RadioButton& rbtTodosComprador;
    fw::RadioButton& rbtListaComprador;
    fw::SpeedButton& sbtComprador;
    fw::GroupBox& grbDestino;
    fw::RadioButton& rbtTodosDestino;
    fw::RadioButton& rbtListaDestino;
    fw::SpeedButton& sbtDestino;

    FW_NAMED_MEMBER(fw::ClientDataSet, cdsGrupFili);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsFiliAgrupFili);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsDestGrupFili);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsAprovSoliGer);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsVD_Gerente);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryComprador);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryDestino);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryFilial);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryGerente);

    TFILTRO snapshot;

    // Shows the groups the parameters ask for and applies the manager
    // default once per instance.
    void Controla_Filtro();
    // Loads the lists again with the criteria on the dialog, staying on the
    // requesting branch given when it is still listed.
    void confirm(const QString& branch);

protected:
    fw::FilterOptions GetOptions() const override;
    void SetOptions(const fw::FilterOptions& options) override;
    void sbtConfirmaClick() override;

private:
    void addMessages();
    void declareRecordSets();
    void FormCreate();
    void FormClose(fw::CloseAction& action);
    void wireEvents();
    void wireDates();
    void wireBranchGroup();
    void wireLists();
    void wireManager();
    void loadCenterParameters();
    void Validacoes();
    void Vd_AgrupFilial();
    void Vd_Gerente();
    void Dados_Filtro(bool save);
    void setNoRestrictionFlags();
    void loadRequisitions(const QString& branch);
    // One attempt at loading the lists: nothing when it worked, else what failed.
    std::optional<QString> attemptLoad(const QString& branch);
    bool askToRetry(const QString& failure);
    void listBranches();
    void listDestinations();
    void clearManager();
    bool managerApprovalInUse() const;
    QString purchaseCenter();
    void openQuery(fw::ClientDataSet& query, const fw::QueryParams& params);
    fw::RemoteReply callModule(const QString& method, std::vector<fw::RemoteValue> args = {});
    void loadFromServer(fw::ClientDataSet& target, const QString& method,
                        std::vector<fw::RemoteValue> args, fw::Control& focusOnFailure);

    // The operator's own manager code is proposed once per instance.
    bool managerDefaultApplied_ = false;
};

extern fw::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
// True while the filter is open.
extern bool boFiltroCriado;
// The working criteria; "T" means the criterion does not restrict.
extern QString stListaComprador, stListaDestino, stListaFilial;
extern QString stTodosComprador, stTodosDestino, stTodosFilial;
extern QString stGerente, stTodosGerente, stAprovacao;
extern QString stSol, stEntr;

// Opens the filter modally, creating it the first time.
void CriaFiltroSolicita();

// The unit works on the module's requisition state from its initialization
// to its finalization.
void initialization(data::RequisitionState& state);
void finalization();

} // namespace cmp::Cli_cmp03107
