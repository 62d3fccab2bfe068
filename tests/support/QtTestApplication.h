#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace vexmoor::test {

// One QApplication for the whole test program, made before the first test
// and destroyed after the last, as widgets need.
class QtTestApplication final : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "vexmoor";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const g_qtTestApplication =
    ::testing::AddGlobalTestEnvironment(new QtTestApplication);

} // namespace vexmoor::test
