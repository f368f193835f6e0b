// cmp-scenario [--server HOST:PORT DATABASE-OPTIONS] FILE...: runs scenario
// files against the requisition module; exit status 0 only when every
// expectation of every file held.
#include "scenario/command_line.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cmp::scenario::runScenarioCommand(QCoreApplication::arguments(), out, err);
}
