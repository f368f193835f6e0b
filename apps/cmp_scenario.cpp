// cmp-scenario FILE...: runs scenario files against the requisition module;
// exit status 0 only when every expectation of every file held.
#include "scenario/runner.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    if (files.isEmpty()) {
        QTextStream(stderr) << "usage: cmp-scenario FILE...\n";
        return 2;
    }
    const cmp::scenario::RunOptions options = cmp::scenario::defaultRunOptions();
    int failed = 0;
    for (const QString& file : files) {
        const cmp::scenario::RunReport report = cmp::scenario::runScenarioFile(file, options);
        if (report.passed()) {
            out << "ok     " << file << Qt::endl;
            continue;
        }
        ++failed;
        out << "FAILED " << file << Qt::endl;
        for (const QString& failure : report.failures)
            out << failure << Qt::endl;
    }
    return failed == 0 ? 0 : 1;
}
