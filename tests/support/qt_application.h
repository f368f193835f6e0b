#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace cmp::test {

// The application of a widget test program, made before the first test and
// gone before the process's statics are (Qt's input devices are freed then).
class QtApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "cmp_widget_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

inline const auto* const qtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace cmp::test
