#pragma once

#include "framework/core/abort.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace cmp::test {

// Records what MensErro shows instead of writing it to the log.
class ShownErrors : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous_ = fw::SetErrorPresenter([this](const QString& text) { shown.append(text); });
    }
    void TearDown() override { fw::SetErrorPresenter(previous_); }

    QStringList shown;

private:
    fw::ErrorPresenter previous_;
};

} // namespace cmp::test
