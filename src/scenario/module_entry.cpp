#include "scenario/runner.h"

#include "module/Pkg_cmp03100.h"

namespace cmp::scenario {

ModuleEntry requisitionModule()
{
    return {&::Initialize, &::IniProc, &::Finalize};
}

} // namespace cmp::scenario
