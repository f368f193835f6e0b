#pragma once

#include "framework/ui/host_context.h"
#include "framework/ui/scripted_ui_port.h"

#include <gtest/gtest.h>

namespace cmp::fw::test {

// Runs each test with a scripted port and a host context of its own, and
// puts the process-wide ones back afterwards.
class ScriptedUi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousPort_ = SetUiPort(&ui);
        previousContext_ = SetHostContext({});
    }
    void TearDown() override
    {
        SetUiPort(previousPort_);
        SetHostContext(previousContext_);
    }

    ScriptedUiPort ui;

private:
    UiPort* previousPort_ = nullptr;
    HostContext previousContext_;
};

} // namespace cmp::fw::test
