#pragma once

// Helpers shared by the tests of db/: a scoped environment variable, and a
// way to read the fatal report of a call that ends the process. Their
// scratch folders come from tests/support.

#include "support/ScratchFolder.h"

#include "db/ErrorReport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include <unistd.h>

namespace vexmoor::db {

// Sets (or with nullopt, clears) a variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        apply(value);
    }
    ~ScopedEnvironment() { apply(old_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void apply(const std::optional<std::string>& value)
    {
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> old_;
};

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Runs `body` in a child process with a fatal-error handler that writes the
// report to a file; expects the child to die and returns the report.
#define VEXMOOR_REPORT_OF_DEATH(folder, body, report)                                              \
    do {                                                                                           \
        const auto reportFile_ = (folder) / "fatal-report.txt";                                    \
        EXPECT_DEATH(                                                                              \
            {                                                                                      \
                setFatalErrorHandler([reportFile_](const std::string& text) {                      \
                    std::ofstream(reportFile_, std::ios::binary) << text;                          \
                });                                                                                \
                body;                                                                              \
            },                                                                                     \
            "");                                                                                   \
        (report) = ::vexmoor::db::readFile(reportFile_);                                           \
    } while (false)

} // namespace vexmoor::db
