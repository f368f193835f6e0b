#pragma once

#include "framework/data/client_dataset.h"
#include "framework/forms/base_screens.h"
#include "framework/net/remote_value.h"
#include "module/screen_creation.h"

#include <QDate>
#include <QString>

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
class StatementRegistry;
} // namespace cmp::fw

namespace cmp::Cli_cmp03107 {

// A block of criteria: each list with whether "Lista" was chosen, the
// manager and the approval set. A snapshot uses only some of its slots.
struct TCOMP_DEST
{
    bool boListaComprador = false;
    QString stComprador;
    bool boListaDestino = false;
    QString stDestino;
    bool boListaFilial = false;
    QString stFilial;
    qint32 reservado = 0; // kept for the block's layout; nothing reads it
    QString stGerente;
    QString stAprovacao;
};

// The criteria as last confirmed; also the by-reference arguments of the
// loading calls.
struct TFILTRO
{
    TCOMP_DEST Comprador;
    TCOMP_DEST Destino;
    TCOMP_DEST Filial;
    QDate dtSolIni;
    QDate dtSolFin;
    QDate dtEntrIni;
    QDate dtEntrFin;
    TCOMP_DEST Gerente;
};

// The requisition filter: which requesting branches and requisitions the
// main screen lists. Created once and kept hidden between uses, so its
// criteria survive from one opening to the next. Its creation also loads the
// purchasing parameters and the operator's permissions into the main screen.
class TfrmFiltroSolicita : public fw::TfrmFiltroPadrao
{
public:
    TfrmFiltroSolicita();
    ~TfrmFiltroSolicita() override;

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

    fw::ClientDataSet cdsGrupFili;
    fw::ClientDataSet cdsFiliAgrupFili;
    fw::ClientDataSet cdsDestGrupFili;
    fw::ClientDataSet cdsAprovSoliGer;
    fw::ClientDataSet cdsVD_Gerente;
    fw::ClientDataSet qryComprador;
    fw::ClientDataSet qryDestino;
    fw::ClientDataSet qryFilial;
    fw::ClientDataSet qryGerente;

    TFILTRO Filtro;

    // Shows the groups the parameters ask for and applies the manager
    // default once per instance.
    void Controla_Filtro();
    // Loads the lists again with the criteria on the dialog, staying on the
    // requesting branch given when it is still listed.
    void Confirma(const QString& filialOrigem);

protected:
    fw::FilterOptions GetOptions() const override;
    void SetOptions(const fw::FilterOptions& options) override;
    void sbtConfirmaClick() override;

private:
    void FormCreate();
    void FormClose(fw::CloseAction& action);
    void wireEvents();
    void LoadMainScreenParameters();
    void Validacoes();
    void Vd_AgrupFilial();
    void Vd_Gerente();
    void Dados_Filtro(bool save);
    void SetTodosFlags();
    void CarregaSolicitacoes(const QString& filialOrigem);
    void ListaFiliais();
    void ListaDestinos();
    void ChooseLista(fw::RadioButton& lista, fw::RadioButton& todos, bool chosen);
    void ClearGroup();
    void ClearGerente();
    bool ManagerApprovalInUse() const;
    QString PurchaseCenter();
    fw::RemoteReply callModule(const QString& method, std::vector<fw::RemoteValue> args = {});
    void loadFromServer(fw::ClientDataSet& target, const QString& method,
                        std::vector<fw::RemoteValue> args, fw::Control& focusOnFailure);

    // The operator's own manager code is proposed once per instance.
    bool managerDefaultApplied_ = false;
};

extern module::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
// True while the filter is open.
extern bool boFiltroCriado;
// The working criteria; "T" means the criterion does not restrict.
extern QString stListaComprador, stListaDestino, stListaFilial;
extern QString stTodosComprador, stTodosDestino, stTodosFilial;
extern QString stGerente, stTodosGerente, stAprovacao;
extern QString stSol, stEntr;

// Opens the filter modally, creating it the first time.
void CriaFiltroSolicita();

void DeclareStatements(fw::StatementRegistry& registry);
void initialization();
void finalization();

} // namespace cmp::Cli_cmp03107
