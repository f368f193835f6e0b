#pragma once

#include <QStringList>

class QTextStream;

namespace cmp::scenario {

// cmp-scenario [--server HOST:PORT DATABASE-OPTIONS] FILE...: runs each file,
// telling on out whether it passed and why not. The exit status: 0 when
// every file passed, 1 when one failed, 2 when the command line is wrong
// (the reason on err).
int runScenarioCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace cmp::scenario
