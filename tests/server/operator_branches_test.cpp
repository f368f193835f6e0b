#include "server/operator_branches.h"

#include "db/demo_branches.h"
#include "db/demo_parts.h"
#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "support/demo_database.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

// GetFiliaisOperador on the demo company, where only the Rio center (0002)
// restricts its operators to the branches OPERFILI lists.
class OperatorBranches : public test::SharedDemoTest
{
protected:
    OperatorBranches() { registerOperatorBranches(registry); }

    CallOutcome call(int demoOperator, std::vector<fw::RemoteValue> args = {})
    {
        CallContext context{db::demoOperatorCode(demoOperator), demo()};
        return registry.invoke({rdmCompras, QStringLiteral("GetFiliaisOperador"), std::move(args)},
                               context);
    }

    // Each branch as "code name processing-date".
    QStringList branchesOf(int demoOperator)
    {
        const CallOutcome outcome = call(demoOperator);
        EXPECT_TRUE(outcome.reply.ok) << outcome.reply.error.toStdString();
        QStringList branches;
        for (const fw::PacketRow& row : outcome.reply.result.toPacket().rows)
            branches << row.values.at(0).toString() + ' ' + row.values.at(1).toString() + ' ' +
                            row.values.at(2).toDate().toString(Qt::ISODate);
        return branches;
    }

    MethodRegistry registry;
};

QStringList codesOf(QStringList branches)
{
    for (QString& branch : branches)
        branch.truncate(4);
    return branches;
}

QStringList everyBranchBut(const QStringList& excluded)
{
    QStringList codes;
    for (const db::DemoBranch& branch : db::demoBranches())
        if (!excluded.contains(branch.code))
            codes << branch.code;
    codes.sort();
    return codes;
}

TEST_P(OperatorBranches, shouldGiveTheBranchesOfTheOperatorWithNameAndProcessingDate)
{
    QSqlQuery(demo()).exec(
        QStringLiteral("UPDATE FILIAL SET DTPROCFILI = '2026-12-07' WHERE CDFILIAL = '0004'"));
    const QStringList branches = branchesOf(1);

    // Operator 1 is listed for the whole Rio center, operator 2 for 0007 only,
    // operator 3 for none: every other branch is open to all, in code order.
    EXPECT_EQ(codesOf(branches), everyBranchBut({}));
    EXPECT_EQ(codesOf(branchesOf(2)), everyBranchBut({"0002", "0008", "0009"}));
    EXPECT_EQ(codesOf(branchesOf(3)), everyBranchBut({"0002", "0007", "0008", "0009"}));

    EXPECT_TRUE(branches.contains(QStringLiteral("0004 Restaurante Industrial Sumaré 2026-12-07")));
    EXPECT_EQ(branches.filter(QRegularExpression(QStringLiteral("\\d$"))).size(), 1)
        << "the others have no processing date: they work on today";
}

TEST_P(OperatorBranches, shouldRefuseAnOperatorNamedInTheArguments)
{
    // The operator is the one of the token: a caller cannot ask for another's branches.
    const CallOutcome named = call(3, {db::demoOperatorCode(1)});
    EXPECT_FALSE(named.reply.ok);
    EXPECT_EQ(named.failure, CallFailure::BadArguments);
}

INSTANTIATE_TEST_SUITE_P(Backends, OperatorBranches,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
