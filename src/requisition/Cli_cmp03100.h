#pragma once

#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/forms/base_screens.h"
#include "framework/net/net_connection.h"
#include "module/screen_creation.h"

#include <QChar>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

namespace cmp::fw {
class CheckBox;
class DBCheckBox;
class DBEdit;
class DBGrid;
class DecisionGrid;
class Edit;
class GroupBox;
class Label;
class Panel;
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
    fw::ClientDataSet cdsDecisionProdutos;
    fw::DataSource dtsFilialSoli;
    fw::DataSource dtsServSolicita;
    fw::DataSource dtsSolicita;
    fw::DataSource dtsJustSoli;

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
    fw::CheckBox& chbExtra;
    fw::Edit& edtDsJust;

    fw::DecisionGrid& degItemSoli;

    // The header of the current requisition.
    fw::GroupBox& grbDados;
    fw::DBCheckBox& dckJusExtra;
    fw::DBEdit& dbeNmJustSoli;
    fw::Panel& panComprador;
    fw::Panel& panDestino;

    // Shown while a requisition is being included: the screen cannot close.
    fw::Panel& panMensagem1;

    fw::MenuItem& mnuIncSoli;

    // Set by the requisition filter for the previous-purchase check, which
    // reads and clears it.
    bool boFiltroAberto = false;
    // The permissions (of permissionKeys) the operator holds to change locked
    // automatic requisitions; loaded by the requisition filter.
    QSet<QString> permissoes;
    bool TemPermissao(const QString& key) const { return permissoes.contains(key); }

private:
    void showLists();
    void FormCreate();
    void FormActivate();
    void FormCloseQuery(bool& canClose);
    void FormClose(fw::CloseAction& action);
    void netBeforeConnect(fw::TNetConnection& connection);
    // The branch's flags the matrix and the item dialogs read.
    void CopiaParametrosFilial();
    // With the wizard open and "extra" ticked, the justification is required.
    void Vd_Just_Inc();
    QString currentBranchFlag(const QString& field) const;

    bool boPrimeiraAtivacao = false;
    // While set, every post of an item keeps a copy of all items.
    bool boCopiaItens = false;
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

void initialization();
void finalization();

} // namespace cmp::Cli_cmp03100
