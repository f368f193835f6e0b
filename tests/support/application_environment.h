#pragma once

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace cmp::test {

// The application of a test program, made before the first test and gone
// before the process's statics are (Qt's input devices are freed then), so
// that the thread of the server calls ends before the process does.
template <class Application> class ApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "cmp_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<Application>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<Application> app_;
};

} // namespace cmp::test
