#pragma once

#include "framework/forms/base_screens.h"
#include "module/screen_creation.h"

#include <QString>

namespace cmp::Cli_cmp03107 {

// The requisition filter: which requesting branches and requisitions the
// main screen lists. Created once and kept hidden between uses, so its
// criteria survive from one opening to the next.
class TfrmFiltroSolicita : public fw::TfrmFiltroPadrao
{
public:
    TfrmFiltroSolicita();
    ~TfrmFiltroSolicita() override;

protected:
    fw::FilterOptions GetOptions() const override;
    void SetOptions(const fw::FilterOptions& options) override;

private:
    void FormClose(fw::CloseAction& action);
};

extern module::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
// True while the filter is open.
extern bool boFiltroCriado;
// Whether a requisition date range and a delivery date range are left open
// ("T": no restriction).
extern QString stSol;
extern QString stEntr;

// Opens the filter modally, creating it the first time.
void CriaFiltroSolicita();

void initialization();
void finalization();

} // namespace cmp::Cli_cmp03107
