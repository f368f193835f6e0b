#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace cmp::fw {
class ClientDataSet;
} // namespace cmp::fw

namespace cmp::module {

using QueryParams = std::vector<std::pair<QString, QString>>;

// Runs a statement the module declared on the host database and loads its
// rows into target. A name the module never declared is a programming error.
void OpenDeclared(fw::ClientDataSet& target, const QString& statement, const QueryParams& params);

} // namespace cmp::module
