#pragma once

#include "support/application_environment.h"

namespace cmp::test {

// Tests that need an event loop or Qt's network stack, without widgets.
inline const auto* const coreApplication =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment<QCoreApplication>);

} // namespace cmp::test
