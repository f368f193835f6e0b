#include "module/Pkg_cmp03100.h"

#include "approval/Cli_cmp03107.h"
#include "approval/Cli_cmp03113.h"
#include "data/module_statements.h"
#include "data/requisition_state.h"
#include "dialogs/Cli_cmp03102.h"
#include "dialogs/Cli_cmp03109.h"
#include "framework/core/abort.h"
#include "framework/sql/statement_registry.h"
#include "requisition/Cli_cmp03100.h"

#include <memory>

namespace {

using namespace cmp;

// A loader may initialize the package more than once; the units' steps run
// on the first initialization and on the matching last finalization.
int useCount = 0;

// What the module's screens share, while the module is loaded.
std::unique_ptr<data::RequisitionState> session;

// The screens reach each other only through these routines.
void registerScreenRoutines(data::ScreenRoutines& screens)
{
    screens.CriaFiltroSolicita = [] { Cli_cmp03107::CriaFiltroSolicita(); };
    screens.confirmFilterAgain = [](const QString& branch) {
        if (Cli_cmp03107::frmFiltroSolicita)
            Cli_cmp03107::frmFiltroSolicita->confirm(branch);
    };
    screens.freeKeptDialogs = [] {
        Cli_cmp03107::frmFiltroSolicita.free();
        Cli_cmp03102::frmAlterQtde.free();
    };
    screens.CriaAlterQtdeSoli = [] { return Cli_cmp03102::CriaAlterQtdeSoli(); };
    screens.CriaObservProd = [](const QString& mode) { return Cli_cmp03109::CriaObservProd(mode); };
    screens.CriaErroPeriodicidade = [] { Cli_cmp03113::CriaErroPeriodicidade(); };
}

} // namespace

void Initialize()
{
    if (useCount++ > 0)
        return;
    data::DeclareModuleStatements(fw::declaredStatements());
    session = std::make_unique<data::RequisitionState>();
    registerScreenRoutines(session->screens);
    Cli_cmp03100::initialization(*session);
    Cli_cmp03107::initialization(*session);
    Cli_cmp03102::initialization(*session);
    Cli_cmp03109::initialization(*session);
    Cli_cmp03113::initialization(*session);
}

void Finalize()
{
    if (useCount == 0 || --useCount > 0)
        return;
    // Reverse unit order: the main screen frees the dialogs it keeps.
    Cli_cmp03113::finalization();
    Cli_cmp03109::finalization();
    Cli_cmp03102::finalization();
    Cli_cmp03107::finalization();
    Cli_cmp03100::finalization();
    session.reset();
}

void IniProc()
{
    // The host's entry: whatever a screen aborts stays inside the module.
    fw::RunUserAction([] { Cli_cmp03100::CriaLancaSoliCmp(); });
}
