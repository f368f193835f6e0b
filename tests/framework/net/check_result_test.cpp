#include "framework/net/check_result.h"

#include "framework/core/abort.h"
#include "support/shown_errors.h"

#include <gtest/gtest.h>

using namespace cmp::fw;

using CheckResult = cmp::test::ShownErrors;

TEST_F(CheckResult, shouldGiveThePayloadOfASuccessfulReplyWithoutShowingAnything)
{
    RemoteReply reply;
    reply.ok = true;
    reply.result = RemoteValue::Array{"0001", 3};

    EXPECT_EQ(CheckResultServ(reply, true, 0), reply.result);
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(CheckResult, shouldShowTheServersMessageAndEndTheOperationOrOnlyShowIt)
{
    const RemoteReply refused = RemoteReply::failure("Requisição já aprovada.");
    bool wentOn = false;

    EXPECT_FALSE(RunUserAction([&] {
        CheckResultServ(refused, true, 0);
        wentOn = true;
    }));
    EXPECT_FALSE(wentOn);
    EXPECT_TRUE(CheckResultServ(refused, false, 0).isNull());
    EXPECT_EQ(shown, QStringList({"Requisição já aprovada.", "Requisição já aprovada."}));
}
