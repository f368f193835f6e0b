#pragma once

#include "data/requisition_state.h"
#include "framework/core/named.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/screen_creation.h"
#include "framework/sql/declared_query.h"

#include <QString>
#include <QStringList>

namespace cmp::fw {
class DateEdit;
class GroupBox;
class Label;
class MenuItem;
class NumberEdit;
class Panel;
class SpeedButton;
} // namespace cmp::fw

namespace cmp::Cli_cmp03102 {

// The quantity of one matrix cell: the quantity (and the volumes, where the
// branch counts them), checked against the average of earlier requisitions
// and, where managers approve items, the previous purchase of the product.
// The dialog writes only the item's previous purchase; its caller reads the
// quantity once it closes. Kept hidden between uses: each opening prepares
// it anew and reads the cell once, so returning from the observation dialog
// keeps what was typed.
class TfrmAlterQtde : public fw::TfrmRotiGeral
{
public:
    explicit TfrmAlterQtde(data::RequisitionState& state);
    ~TfrmAlterQtde() override;

    data::RequisitionState& state;

    fw::GroupBox& grbQuantidade;
    fw::Panel& quantityRow;
    fw::Label& lblQtde;
    fw::NumberEdit& nedQtde;
    fw::SpeedButton& sbtMedia;
    fw::SpeedButton& sbtObservProd;
    fw::Panel& volumesRow;
    fw::Label& lblQtArmazena;
    fw::NumberEdit& nedQtArmazena;
    fw::Panel& previousPurchaseRow;
    fw::Label& lblVrCmpAnterior;
    fw::NumberEdit& nedVrCmpAnteriorAux;
    fw::DateEdit& depDtCmpAnteriorAux;
    fw::MenuItem& CalcularMdia1;

    FW_NAMED_MEMBER(fw::ClientDataSet, cdsVrCmpAnt);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsDsProduto);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsProdAprovacao);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsMedia);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryVdProduto);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryCentralDeCompras);
    FW_NAMED_MEMBER(fw::ClientDataSet, qryMedSoli);

    // Prepares the dialog for one opening: parameters, the previous
    // purchase, which rows show. Runs at creation and at every reopening.
    void FormCreate();
    // What the caller reads once the dialog closed.
    data::QuantityAnswer answer() const;

protected:
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;
    void FormKeyDown(fw::Key& key, fw::Shift shift) override;

private:
    void addMessages();
    void layOut();
    void wireEvents();
    void openQuery(fw::ClientDataSet& query, const fw::QueryParams& params);
    QString requestingBranch() const;
    QDate cellDate() const;
    bool locateCellItem();

    void GetVrCmpAn();
    void showRows();
    void fillPreviousPurchase();
    void FormActivate();
    void FormClose(fw::CloseAction& action);
    // The cell's quantity and volumes as texts, from its item.
    QStringList QuantProd();

    void Vd_MediSoli();
    void Vd_VrAnterior();
    void Vd_ItemAprovado();
    void writePreviousPurchase();
    void sbtMediaClick();
    void sbtObservProdClick();
    void nedQtdeKeyPress(QChar& key);
    void nedQtArmazenaKeyPress(QChar& key);
    void keepWithinDigits(fw::NumberEdit& field, QString& accepted);

    bool fromMatrix_ = true;
    bool loadPending_ = true;
    // Until the first keystroke the whole quantity is selected: typing
    // replaces it.
    bool quantitySelected_ = false;
    int closeResult_ = 0;
    double startingQuantity_ = 0;
    double startingVolumes_ = 0;
    // The texts last kept within the digits allowed.
    QString acceptedQuantity_;
    QString acceptedVolumes_;
};

// The instance, kept between uses until the requisition screen closes.
extern fw::ScreenInstance<TfrmAlterQtde> frmAlterQtde;

// Opens the quantity dialog modally for the cell the requisition state names,
// creating it the first time; returns what the caller reads after it.
data::QuantityAnswer CriaAlterQtdeSoli();

// The unit works on the module's requisition state from its initialization
// to its finalization.
void initialization(data::RequisitionState& state);
void finalization();

} // namespace cmp::Cli_cmp03102
