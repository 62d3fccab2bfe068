#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace vexmoor::test {

// One QApplication for the whole test program, made before the first test
// and destroyed after the last, as widgets need.
class QtTestApplication final : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[8] = "vexmoor";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const g_qtTestApplication =
    ::testing::AddGlobalTestEnvironment(new QtTestApplication);

} // namespace vexmoor::test
