#pragma once

#include "framework/core/named.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/base_screens.h"

#include <QString>

namespace cmp::fw {
class Memo;
}

namespace cmp::data {
class RequisitionState;
}

namespace cmp::Cli_cmp03109 {

// A short text: the observation of the matrix cell's item (empty mode), or a
// justification the caller collects (mode "J").
class TfrmObservProd : public fw::TfrmRotiGeral
{
public:
    TfrmObservProd(data::RequisitionState& state, const QString& mode);
    ~TfrmObservProd() override;

    data::RequisitionState& state;
    fw::Memo& memObserv;
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsProduto);

protected:
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;

private:
    void FormCreate();
    void FormActivate();
    QDate cellDate() const;
    bool justification() const;
    void writeObservation();

    // The item's text is read on the first activation only: coming back to
    // the dialog keeps what was typed.
    bool loadPending_ = true;
};

// Mode of the dialog open or last opened: "J" or empty.
extern QString stTipoForm;

// Opens the dialog modally; the text it ends with, empty after a cancel.
QString CriaObservProd(const QString& mode);

void initialization(data::RequisitionState& state);
void finalization();

} // namespace cmp::Cli_cmp03109
