#pragma once

// A fresh embedded database in a temporary folder, sessions logged on to it,
// and the little a test needs to put messages on a pipe through a cursor.

#include "support/ScratchFolder.h"

#include "db/OciCursor.h"
#include "db/OciSession.h"
#include "trace/LineSink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexmoor::test {

// Keeps every line a poll hands over, and counts the polls that ended with lines.
class RecordingSink final : public vexmoor::trace::LineSink {
public:
    void AppendLine(std::string_view composedLine) override { lines.emplace_back(composedLine); }
    void endOfPoll() override { ++endsOfPoll; }

    std::string Joined() const
    {
        std::string text;
        for (const std::string& line : lines)
            text += line;
        return text;
    }

    std::vector<std::string> lines;
    int endsOfPoll = 0;
};

class EmbeddedTraceDatabase {
public:
    std::string ConnectString() const { return "embedded:" + folder_.file("trace.db").string(); }

    std::unique_ptr<vexmoor::db::OciSession> LogOn(const std::string& user = "vexmoor",
                                                   const std::string& password = "vexmoor") const
    {
        auto session = std::make_unique<vexmoor::db::OciSession>();
        EXPECT_TRUE(session->LogOn(user, password, ConnectString())) << session->ErrorText();
        return session;
    }

private:
    ScratchFolder folder_{"vexmoor-trace"};
};

// Runs statements on a session, binding string placeholders by name.
class StatementRunner {
public:
    explicit StatementRunner(vexmoor::db::OciSession& session) : session_(session) {}

    // Reports and ends the process on failure, as every cursor does.
    void Run(const std::string& statement,
             const std::vector<std::pair<std::string, std::string>>& binds = {})
    {
        vexmoor::db::OciCursor cursor(session_);
        cursor.SetStatement(statement);
        std::vector<std::string> values;
        values.reserve(binds.size());
        std::vector<std::int16_t> indicators(binds.size(), 0);
        for (std::size_t i = 0; i < binds.size(); ++i) {
            values.push_back(binds[i].second);
            cursor.Bind(binds[i].first.c_str(), values[i].data(),
                        static_cast<std::int32_t>(values[i].size() + 1), 5, &indicators[i]);
        }
        cursor.Execute(true);
    }

    // True when the statement ran; failures are not reported.
    bool TryRun(const std::string& statement)
    {
        vexmoor::db::OciCursor cursor(session_);
        cursor.SetStatement(statement);
        return cursor.Execute(false);
    }

    // What SendDebugMessage puts on a pipe, packed here directly so that the
    // tests of the poller need no installed procedures.
    void SendSimple(const std::string& text, const std::string& pipe = "vexmoor")
    {
        Run("declare status integer; begin "
            "dbms_pipe.pack_message(LENGTH(:text)); dbms_pipe.pack_message(:text); "
            "status := dbms_pipe.send_message(:pipe); end;",
            {{":text", text}, {":pipe", pipe}});
    }

private:
    vexmoor::db::OciSession& session_;
};

} // namespace vexmoor::test
