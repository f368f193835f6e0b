#pragma once

// The requisition screen's controls, group by group, each group creating its
// controls on the screen under the names its members carry.

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
class Image;
class Label;
class LookupButton;
class MaskEdit;
class MenuItem;
class NumberEdit;
class PageControl;
class Panel;
class SpeedButton;
class TabSheet;
class TfrmPadraoGrid;
} // namespace cmp::fw

namespace cmp::Cli_cmp03100 {

// The screen's own commands, each a button with its menu entry, and one
// menu entry per page.
struct ScreenCommands
{
    explicit ScreenCommands(fw::TfrmPadraoGrid& screen);

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

    fw::MenuItem& mnuFilialSoli;
    fw::MenuItem& mnuSolicitacao;
    fw::MenuItem& mnuIncSoli;
    fw::MenuItem& mnuPrincipal;
    fw::MenuItem& mnuEntrega;
    fw::MenuItem& mnuProduto;
    fw::MenuItem& mnuDados;
    fw::MenuItem& mnuItens;
};

// The current requisition beside the navigator.
struct NavigatorControls
{
    explicit NavigatorControls(fw::TfrmPadraoGrid& screen);

    fw::DBText& dbtNome;
    fw::DBText& dbtData;
    fw::DBText& dbeLanc02;
    fw::Label& lblExtra;
    fw::Label& lblPrevia;
    fw::DBText& dbtNumPrev;
};

// The requesting branches and, on tshPadrao, their requisitions.
struct ListControls
{
    explicit ListControls(fw::TfrmPadraoGrid& screen);

    fw::TabSheet& tshFilialSoli;
    fw::DBGrid& DBGrid1;
    fw::DBGrid& dbgSolicita;
};

// The new-requisition wizard.
struct WizardControls
{
    explicit WizardControls(fw::TfrmPadraoGrid& screen);

    fw::TabSheet& tshIncSoli;
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
};

// The quantity matrix and the detail of its current item.
struct MatrixControls
{
    explicit MatrixControls(fw::TfrmPadraoGrid& screen);

    fw::TabSheet& tshProdutos;
    fw::DecisionGrid& degItemSoli;
    fw::Panel& panDtUtiliza;
    fw::Edit& edtNomeDegProd;
    fw::Label& lblDtUtiliza;
    fw::DateEdit& depUtiliza;
    fw::Edit& edtNmSemana;
    fw::Label& lblDtAlteracao;
    fw::DateEdit& depDtAlteracao;
    fw::Edit& edtNmSemAlt;
    fw::Label& lblDtImportacao;
    fw::DateEdit& depDtImportacao;
    fw::Edit& edtNmSemImp;
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
    fw::Label& lblUnidade;
    fw::Edit& edtUnidade;
    // Whether the item is approved or rejected; both take the same place.
    fw::Image& imgAprovada;
    fw::Image& imgReprovada;
};

// The header of the current requisition.
struct HeaderControls
{
    explicit HeaderControls(fw::TfrmPadraoGrid& screen);

    fw::TabSheet& tshDadosSoli;
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
};

// The alteration log and the moment and operator of its current change.
struct LogControls
{
    explicit LogControls(fw::TfrmPadraoGrid& screen);

    fw::TabSheet& tshItems;
    fw::DBGrid& dbgItens;
    fw::Edit& edtData;
    fw::Edit& edtDiaSemana;
    fw::Edit& edtHora;
    fw::DBEdit& dbeCdOper;
    fw::DBEdit& dbeNmOper;
};

} // namespace cmp::Cli_cmp03100
