#pragma once

#include "framework/data/data_source.h"
#include "framework/forms/base_screens.h"

namespace cmp::fw {
class BitBtn;
class DBGrid;
class Image;
class Label;
} // namespace cmp::fw

namespace cmp::data {
class RequisitionState;
}

namespace cmp::Cli_cmp03113 {

// The requisition items whose delivery dates the purchase calendar does not
// allow, as the periodicity check left them in cdsVd_Periodicidade, under
// the message that says why the operation stopped. It only shows them.
class TfrmErroPeriodicidade : public fw::TfrmRotiGeral
{
public:
    explicit TfrmErroPeriodicidade(data::RequisitionState& state);
    ~TfrmErroPeriodicidade() override;

    fw::DataSource dtsErro;
    fw::Image& imgErroOri;
    fw::Label& lblErro;
    fw::DBGrid& dbgPadrao;
    fw::BitBtn& btnOk;
};

// Shows the list modally; a new one each time.
void CriaErroPeriodicidade();

// The unit works on the module's requisition state from its initialization
// to its finalization.
void initialization(data::RequisitionState& state);
void finalization();

} // namespace cmp::Cli_cmp03113
