#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace cmp::fw {

class ClientDataSet;

using QueryParams = std::vector<std::pair<QString, QString>>;

// Runs a statement a module declared on the host database and loads its
// rows into target. A name no module declared is a programming error.
void OpenDeclared(ClientDataSet& target, const QString& statement, const QueryParams& params);

} // namespace cmp::fw
