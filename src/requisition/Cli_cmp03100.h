#pragma once

#include "data/requisition_state.h"
#include "framework/core/named.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/screen_creation.h"
#include "framework/net/remote_value.h"
#include "framework/sql/declared_query.h"
#include "requisition/screen_controls.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace cmp::Cli_cmp03100 {

// The requisition screen: the requesting branches, their requisitions, the
// new-requisition wizard, the quantity matrix, the header and the
// alteration log, each on its page. What it shares with the other screens
// lives in the requisition state it is given.
class TfrmLancaSoliCmp : public fw::TfrmPadraoGrid,
                         public ScreenCommands,
                         public NavigatorControls,
                         public ListControls,
                         public WizardControls,
                         public MatrixControls,
                         public HeaderControls,
                         public LogControls
{
public:
    explicit TfrmLancaSoliCmp(data::RequisitionState& state);
    ~TfrmLancaSoliCmp() override;

    data::RequisitionState& state;

    FW_NAMED_MEMBER(fw::ClientDataSet, qryCentMerenda);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryFilial);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryParamGeral);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryProdUm);
    fw::DataSource dtsFilialSoli;
    fw::DataSource dtsServSolicita;
    fw::DataSource dtsSolicita;
    fw::DataSource dtsJustSoli;
    fw::DataSource dtsMovoPSol;

    // Shown while a requisition is being included: the screen cannot close.
    fw::Panel& panMensagem1;

    // The template the wizard's product lookup (qryProduto) takes its text
    // from: qrySemCache or qryProdCache (only products active at the branch),
    // or their Param variants (only products the external integration knows).
    QString productTemplate;

    // Refuses, with its message, changing a requisition of another operator.
    void Vd_OperSistema();
    // Loads the current requisition's items and matrix source unless they
    // are already the loaded ones.
    void Atualiza_Produto();
    // Switches to a page as the user does: the page being left may refuse.
    bool changePage(fw::TabSheet& page);
    // Fetches the alteration log of the current requisition unless it holds it.
    void AtualizaJustSol();

    // Locks, permissions and purchase checks; each refusal shows its text
    // and aborts the operation.
    void Controla_BloqPermissoes();
    void Vd_BloqAltItenGerAprovada();
    void Vd_BloqIncluiProdCmpOL();
    void Vd_BloqQtdeApura();
    // Before a save: the items that break their product's purchase calendar
    // are listed and the save stops.
    void Vd_Periodicidade();
    // Tells which notice could not be sent, by the server's error key.
    void Vd_Email(const QString& branch, const QString& operatorCode, const QString& errorKey);

    // Edits the quantity of the selected matrix cell (double click, Enter or
    // a digit typed on it, which chKeyNum holds).
    void degItemSoliDblClick();

    FW_NAMED_MEMBER(fw::ClientDataSet, cdsBloqAltItenGerAprovada);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsBloqIncluiProdCmpOL);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsBloqQtdeApura);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsImpedirAlt);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryVdProduto);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryOperador);

    // The quantity matrix. A cell's key in stlProdutos: the tree code of its
    // row and the header text of its column.
    QString CalcIndex(int col, int row) const;
    // Puts the product of the tree code in the product cache cdsProduto,
    // reading it the first time, and makes it the current one there; false
    // when no product has that code.
    bool cacheProduct(const QString& treeCode);
    // The detail panel is filled again for the next selected cell, the same
    // cell included: what it shows has changed.
    void forgetPaintedCell() { paintedCell_.reset(); }

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
    // Building the screen.
    void addMessages();
    void showLists();
    void layOutNavigator();
    void layOutHeader();
    void layOutLog();
    void wireEvents();
    void wireRecordSets();
    void wirePages();
    // Opens one of the screen's declared queries into the record set of its name.
    void openQuery(fw::ClientDataSet& query, const fw::QueryParams& params);

    // Lifecycle.
    void FormCreate();
    void FormActivate();
    void FormCloseQuery(bool& canClose);
    void FormClose(fw::CloseAction& action);
    void FormKeyDown(fw::Key& key, fw::Shift shift);
    static void netBeforeConnect(fw::TNetConnection& connection);
    void enableAggregatedInclusion();
    void showLaunchingBranch();
    // The filter decides the lists; its decision on buyer and destination
    // shows here.
    void sbtFiltroClick();
    // With the wizard open and "extra" ticked, the justification is required.
    void Vd_Just_Inc();

    // Loading: the branch's parameters, the requisition's data per page.
    void cdsFilialSoliAfterScroll();
    void chooseProductTemplate();
    void GetParamFilial();
    void applyBranchParameters();
    void showBuyerAndDestination();
    bool integrationActive() const;
    void showItemFields();
    void enablePages();
    void cdsServSolicitaAfterScroll();
    void findApprovedItems();
    void applyRequisitionEditing();
    void colorJustification();
    // The list has a requisition that is not under the automatic lock.
    bool writable() const;
    void showMarks();
    void GetData();
    void loadProductsPage();
    void loadLogPage();
    bool currentChangeJustified() const;
    void showRequisitionsPage();
    void loadHeaderPage();
    void showIntegrationItem();
    // Fills a record set from a server call under the progress animation.
    fw::RemoteValue fetch(const QString& method, const QString& progressKey);
    void reloadLists();

    // The quantity matrix and the detail panel of its selected cell.
    void wireMatrix();
    void cdsDecisionProdutosAfterOpen();
    void indexItems();
    void ActiveDecision();
    void degItemSoliDecisionDrawCell(int col, int row, fw::DecisionGrid::CellDraw& draw);
    bool notImported(int col, int row);
    void selectedCellChanged();
    void showPreviousPurchase();
    void fillItemPanel(int col, int row);
    bool locateItem(const QDate& deliveryDate);
    double selectedQuantity() const;
    void clearItemDates();
    void showItemDates(const QDate& deliveryDate);
    void showItemFacts(bool found);
    void degItemSoliKeyDown(fw::Key& key, fw::Shift shift);
    void degItemSoliKeyPress(QChar& key);
    void editSelectedCell();
    void depUtilizaDateChange();
    void depUtilizaExit();

    // Pages and navigation.
    void pgcPadraoChanging(bool& allowChange);
    void pgcPadraoChange();
    bool postPending(fw::ClientDataSet& dataSet);
    void tickActivePage();
    void mnuProdutoClick();
    void dtsMovoPSolDataChange();
    void DBGrid1KeyDown(fw::Key& key, fw::Shift shift);

    // Which commands the page and the state allow.
    void applyDeletionRule();
    void CrlDadosSolicitacao();
    void dtsPadraoStateChange();
    void dtsServSolicitaStateChange();
    void dtsSolicitaStateChange();
    void dtsMovoPSolStateChange();
    void Controla_Baixa();
    std::vector<std::pair<fw::SpeedButton*, fw::MenuItem*>> commands();
    void buttonsFollowMenu();
    void menuFollowsButtons();
    void productsPageCommands(bool matrix);
    bool hasDestination() const;
    void pagesFollowMenu();
    bool isActive(const fw::TabSheet& page) const;

    // Cell editing and its write-back into the items.
    struct EditedCell
    {
        int col = 0;
        int row = 0;
        QString label; // the matrix row's own label
        QDate date;
        qint64 old = 0; // quantities in ten-thousandths
        qint64 next = 0;
        data::QuantityAnswer answer;
    };
    void addEditMessages();
    void writeCell(const EditedCell& cell);
    void checkAutomaticLimits(const EditedCell& cell);
    void updateLists(const EditedCell& cell);
    void writeMatrixRecord(const EditedCell& cell);
    void keepPreviousPurchase(const QString& treeCode, const data::QuantityAnswer& answer);
    void appendLogEntry(const EditedCell& cell, const QString& productCode,
                        const QString& productName);
    void showFirstUse(const EditedCell& cell);
    void advanceFrom(int col, int row);
    void markRequisitionChanged();
    void wireWriteBack();
    void loadInto(fw::ClientDataSet& target, const QString& method,
                  std::vector<fw::RemoteValue> args);
    bool productOf(const QString& treeCode);
    void cdsDecisionProdutosAfterEdit();
    void cdsDecisionProdutosAfterInsert();
    void cdsDecisionProdutosAfterPost();
    void cdsDecisionProdutosAfterCancel();
    void cdsDecisionProdutosBeforeDelete();
    void cdsDecisionProdutosAfterDelete();
    void cdsItemSoliBeforePost();
    void cdsItemSoliAfterEdit();
    void cdsItemSoliAfterInsert();
    void writeBackEdit();
    void writeBackInsert();

    bool firstActivationPending_ = false;
    // The matrix record as it was when its edit began: a replaced product's
    // former code and the quantity an item keeps as its original.
    QString editedLabel_;
    QVariant editedQuantity_;
    // The cell the detail panel was last filled for (column, row).
    std::optional<std::pair<int, int>> paintedCell_;
    // Which requisition each page's record sets were loaded for.
    data::RequisitionKey itemsKey_;
    data::RequisitionKey logKey_;
    data::RequisitionKey headerKey_;
};

// The single main screen.
extern fw::ScreenInstance<TfrmLancaSoliCmp> frmLancaSoliCmp;
// True while the main screen exists.
extern bool boStCriado;

// Opens the main screen, or shows the open one again.
void CriaLancaSoliCmp();

// The unit works on the module's requisition state from its initialization
// to its finalization.
void initialization(data::RequisitionState& state);
void finalization();

} // namespace cmp::Cli_cmp03100
