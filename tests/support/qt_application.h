#pragma once

#include "support/application_environment.h"

#include <QApplication>

namespace cmp::test {

// Widget tests: the offscreen application of the whole program.
inline const auto* const qtApplication =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment<QApplication>);

} // namespace cmp::test
