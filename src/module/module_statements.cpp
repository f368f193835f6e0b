#include "module/module_statements.h"

#include "framework/product/product_library.h"
#include "framework/sql/statement_registry.h"

namespace cmp::module {

void DeclareModuleStatements(fw::StatementRegistry& registry)
{
    fw::DeclareProductStatements(registry);
}

} // namespace cmp::module
