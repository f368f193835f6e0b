#include "server/operator_branches.h"

#include "db/demo_branches.h"
#include "db/demo_parts.h"
#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "support/demo_database.h"

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

    const fw::DataPacket& branchesOf(int demoOperator)
    {
        outcome = call(demoOperator);
        EXPECT_TRUE(outcome.reply.ok) << outcome.reply.error.toStdString();
        return outcome.reply.result.toPacket();
    }

    QStringList codesOf(int demoOperator)
    {
        const fw::DataPacket& packet = branchesOf(demoOperator);
        const int code = packet.fieldIndex(QStringLiteral("CDFILIAL"));
        QStringList codes;
        for (const fw::PacketRow& row : packet.rows)
            codes << row.values.at(size_t(code)).toString();
        return codes;
    }

    static QStringList everyBranchBut(const QStringList& excluded)
    {
        QStringList codes;
        for (const db::DemoBranch& branch : db::demoBranches())
            if (!excluded.contains(branch.code))
                codes << branch.code;
        codes.sort();
        return codes;
    }

    MethodRegistry registry;
    CallOutcome outcome;
};

TEST_P(OperatorBranches, shouldKeepRestrictedCentersToTheBranchesListedForTheOperator)
{
    // Operator 1 is listed for the whole Rio center, operator 2 for 0007 only,
    // operator 3 for none: every other branch is open to all, in code order.
    EXPECT_EQ(codesOf(1), everyBranchBut({}));
    EXPECT_EQ(codesOf(2), everyBranchBut({"0002", "0008", "0009"}));
    EXPECT_EQ(codesOf(3), everyBranchBut({"0002", "0007", "0008", "0009"}));
}

TEST_P(OperatorBranches, shouldGiveNameAndProcessingDateOfEachBranch)
{
    QSqlQuery(demo()).exec(
        QStringLiteral("UPDATE FILIAL SET DTPROCFILI = '2026-12-07' WHERE CDFILIAL = '0004'"));

    const fw::DataPacket& packet = branchesOf(1);
    ASSERT_EQ(packet.fields.size(), 3u);
    EXPECT_EQ(packet.fields[1].name, QStringLiteral("NMFILIAL"));
    EXPECT_EQ(packet.fields[2].type, fw::FieldType::Date);
    for (const fw::PacketRow& row : packet.rows) {
        const QString code = row.values[0].toString();
        if (code == QLatin1String("0004")) {
            EXPECT_EQ(row.values[1].toString(), QStringLiteral("Restaurante Industrial Sumaré"));
            EXPECT_EQ(row.values[2].toDate(), QDate(2026, 12, 7));
        } else {
            EXPECT_TRUE(row.values[2].isNull()) << code.toStdString() << " works on today";
        }
    }
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
