#include "module/Pkg_cmp03100.h"

#include "approval/Cli_cmp03107.h"
#include "framework/core/abort.h"
#include "framework/sql/statement_registry.h"
#include "module/module_statements.h"
#include "requisition/Cli_cmp03100.h"

namespace {

// A loader may initialize the package more than once; the units' steps run
// on the first initialization and on the matching last finalization.
int useCount = 0;

} // namespace

void Initialize()
{
    if (useCount++ > 0)
        return;
    cmp::module::DeclareModuleStatements(cmp::fw::declaredStatements());
    cmp::Cli_cmp03100::initialization();
    cmp::Cli_cmp03107::initialization();
}

void Finalize()
{
    if (useCount == 0 || --useCount > 0)
        return;
    // Reverse unit order: the main screen frees the dialogs it keeps.
    cmp::Cli_cmp03107::finalization();
    cmp::Cli_cmp03100::finalization();
}

void IniProc()
{
    // The host's entry: whatever a screen aborts stays inside the module.
    cmp::fw::RunUserAction([] { cmp::Cli_cmp03100::CriaLancaSoliCmp(); });
}
