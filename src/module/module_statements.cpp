#include "module/module_statements.h"

#include "approval/Cli_cmp03107.h"
#include "requisition/Cli_cmp03100.h"
#include "framework/product/product_library.h"
#include "framework/sql/statement_registry.h"

namespace cmp::module {

void DeclareModuleStatements(fw::StatementRegistry& registry)
{
    fw::DeclareProductStatements(registry);
    Cli_cmp03100::DeclareStatements(registry);
    Cli_cmp03107::DeclareStatements(registry);
}

} // namespace cmp::module
