#include "EngineSession.h"
#include "ProtocolTexts.h"
#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"
#include "support/WaitUntil.h"

#include "engine/Catalog.h"
#include "engine/Database.h"
#include "engine/MessageBuffer.h"
#include "engine/PipeStore.h"
#include "engine/Session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vexmoor::engine {

using namespace std::chrono_literals;
using namespace vexmoor::test;

namespace {

constexpr int kMessages = 1000;

// Exit codes of the children.
constexpr int kAllSent = 0;
constexpr int kSendFailed = 1;
constexpr int kTimedOut = 2;

std::vector<std::uint8_t> packed(int number)
{
    MessageBuffer buffer;
    std::string text = "message " + std::to_string(number);
    buffer.packNumber(static_cast<double>(text.size()));
    buffer.packVarchar2(text);
    return buffer.takePacked();
}

// Installs the two procedures and their synonyms as the options dialog does,
// then closes the file again so that a child may be forked.
void install(const std::filesystem::path& file)
{
    auto database = Database::open(file);
    auto session = Session::logOn(database, "VEXMOOR", "vexmoor");
    for (std::string_view text : protocol::kInstallStatements)
        session->prepare(std::string(text))->execute();
}

// Runs SendDebugMessage(:m) `count` times, with texts from `text(i)`.
int sendThroughStatements(const std::filesystem::path& file, int count,
                          const std::function<std::string(int)>& text)
{
    auto database = Database::open(file);
    auto session = Session::logOn(database, "vexmoor", "vexmoor");
    auto statement = session->prepare("begin SendDebugMessage(:m); end;");
    for (int i = 0; i < count; ++i) {
        StringBind message(4000, text(i));
        statement->bind(":m", message.buffer());
        statement->execute();
    }
    return kAllSent;
}

// The poller's side: the receive statement with timeout 0 (tried again while
// the pipe is empty, up to a deadline), then the two unpack statements.
class Drainer {
public:
    explicit Drainer(const std::filesystem::path& file)
        : database_(Database::open(file)),
          session_(Session::logOn(database_, "VEXMOOR", "vexmoor")),
          receive_(session_->prepare(protocol::receiveStatement("vexmoor"))),
          length_(session_->prepare(std::string(protocol::kLengthUnpack))),
          text_(session_->prepare(std::string(protocol::kTextUnpack)))
    {
        receive_->bind(":sta", status_.buffer());
        length_->bind(":len", lengthValue_.buffer());
        text_->bind(":chr", textValue_.buffer());
    }

    // The next message's text, or nothing when none came within `wait`.
    std::optional<std::string> next(std::chrono::milliseconds wait)
    {
        const bool received = waitUntil(
            [&] {
                receive_->execute();
                return status_.value == 0;
            },
            wait);
        if (!received)
            return std::nullopt;
        length_->execute();
        text_->execute();
        if (static_cast<std::size_t>(lengthValue_.value) != textValue_.text().size())
            return "length " + std::to_string(lengthValue_.value) + " for " + textValue_.text();
        return textValue_.text();
    }

    PipeStore& pipes() { return database_->pipes(); }

private:
    std::shared_ptr<Database> database_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Statement> receive_;
    std::unique_ptr<Statement> length_;
    std::unique_ptr<Statement> text_;
    IntegerBind status_;
    IntegerBind lengthValue_;
    StringBind textValue_{4001};
};

// Whether the other process has put `count` messages on the pipe.
bool waitForMessages(PipeStore& pipes, std::string_view pipe, std::int64_t count)
{
    return waitUntil([&] { return pipes.messageCount(pipe) >= count; });
}

// A child's sign to the parent that it has reached a point: an empty file.
void markReached(const std::filesystem::path& mark)
{
    std::ofstream{mark};
}

// How long a send must be seen waiting on a full pipe; the behaviour under
// test, once the sender has shown that it is in the send.
constexpr auto kWatchedWait = 300ms;

} // namespace

TEST(TwoProcesses, ChildSendsAThousandMessagesParentReceivesEachOnceInOrder)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    // A small pipe, so that the child keeps running into a full pipe and has
    // to wait for the parent to make room.
    ChildProcess child([&] {
        auto database = Database::open(file);
        for (int i = 0; i < kMessages; ++i) {
            if (database->pipes().send("vexmoor", packed(i), 30s, 600) != 0)
                return kSendFailed;
        }
        return kAllSent;
    });
    ASSERT_TRUE(child.started());

    auto database = Database::open(file);
    MessageBuffer buffer;
    std::vector<std::uint8_t> message;
    for (int i = 0; i < kMessages; ++i) {
        ASSERT_EQ(database->pipes().receive("vexmoor", 30s, message), 0) << "message " << i;
        buffer.loadReceived(std::move(message));
        std::string expected = "message " + std::to_string(i);
        ASSERT_EQ(buffer.unpackNumber(), static_cast<double>(expected.size()));
        ASSERT_EQ(buffer.unpackVarchar2(), expected);
    }
    EXPECT_EQ(child.exitCode(), kAllSent);
    EXPECT_EQ(database->pipes().receive("vexmoor", 0ms, message), 1)
        << "nothing more, nothing twice";
}

// With a sender and a receiver busy in two processes, one of them is nearly
// always inside a transaction; the write-ahead log must still start over
// instead of growing with every message.
TEST(TwoProcesses, BusyTrafficKeepsTheWriteAheadLogBounded)
{
    constexpr int kManyMessages = 6000;
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    ChildProcess child([&] {
        auto database = Database::open(file);
        for (int i = 0; i < kManyMessages; ++i) {
            if (database->pipes().send("vexmoor", packed(i), 30s) != 0)
                return kSendFailed;
        }
        return kAllSent;
    });
    ASSERT_TRUE(child.started());

    auto database = Database::open(file);
    std::vector<std::uint8_t> message;
    // Drained as fast as it comes, as a poller with a short interval would.
    auto deadline = std::chrono::steady_clock::now() + 60s;
    for (int i = 0; i < kManyMessages; ++i) {
        while (database->pipes().receive("vexmoor", 0ms, message) != 0)
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "message " << i;
    }
    EXPECT_EQ(child.exitCode(), kAllSent);

    // Some 24,000 pages were written; a log that starts over after every
    // thousand stays near 4 MB.
    auto walFile = std::filesystem::path(file.string() + "-wal");
    ASSERT_TRUE(std::filesystem::exists(walFile));
    EXPECT_LT(std::filesystem::file_size(walFile), 12u * 1024 * 1024);
}

TEST(TwoProcesses, SendToAFullPipeWaitsUntilAnotherProcessMakesRoom)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    auto secondSend = folder.file("second send");
    ChildProcess child([&] {
        auto database = Database::open(file);
        PipeStore& pipes = database->pipes();
        if (pipes.send("p", std::vector<std::uint8_t>(8000, 'a'), 0ms) != 0)
            return kSendFailed;
        markReached(secondSend);
        return pipes.send("p", std::vector<std::uint8_t>(500, 'b'), 60s) == 0 ? kAllSent
                                                                              : kTimedOut;
    });
    ASSERT_TRUE(child.started());

    auto database = Database::open(file);
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(secondSend); }));
    EXPECT_TRUE(holdsThroughout(
        [&] { return child.running() && database->pipes().messageCount("p") == 1; }, kWatchedWait))
        << "the second send must wait while the pipe is full";
    EXPECT_EQ(database->pipes().messageCount("p"), 1);

    std::vector<std::uint8_t> message;
    ASSERT_EQ(database->pipes().receive("p", 0ms, message), 0);
    EXPECT_EQ(message.size(), 8000u);
    EXPECT_EQ(child.exitCode(), kAllSent);
    ASSERT_EQ(database->pipes().receive("p", 0ms, message), 0);
    EXPECT_EQ(message, std::vector<std::uint8_t>(500, 'b'));
}

TEST(TwoProcesses, SendToAFullPipeReturnsOneWhenItsTimeoutEnds)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    ChildProcess child([&] {
        auto database = Database::open(file);
        PipeStore& pipes = database->pipes();
        if (pipes.send("p", std::vector<std::uint8_t>(8000, 'a'), 0ms) != 0)
            return kSendFailed;
        auto start = std::chrono::steady_clock::now();
        if (pipes.send("p", std::vector<std::uint8_t>(500, 'b'), 400ms) != 1)
            return kAllSent;
        return std::chrono::steady_clock::now() - start >= 400ms ? kTimedOut : kSendFailed;
    });
    ASSERT_TRUE(child.started());

    // The parent watches the pipe with reads only, as a poller between ticks.
    auto database = Database::open(file);
    ASSERT_TRUE(waitForMessages(database->pipes(), "p", 1));
    EXPECT_EQ(child.exitCode(), kTimedOut);
    EXPECT_EQ(database->pipes().messageCount("p"), 1);
}

TEST(TwoProcessesThroughStatements,
     ChildCallsSendDebugMessageAThousandTimesParentPollsEachOnceInOrder)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    install(file);
    ChildProcess child([&] {
        return sendThroughStatements(file, kMessages,
                                     [](int i) { return "message " + std::to_string(i); });
    });
    ASSERT_TRUE(child.started());

    Drainer drainer(file);
    // Let the child fill the pipe first, so that its sends have to wait.
    ASSERT_TRUE(waitForMessages(drainer.pipes(), "vexmoor", 200));
    for (int i = 0; i < kMessages; ++i)
        ASSERT_EQ(drainer.next(30s), "message " + std::to_string(i));
    EXPECT_EQ(child.exitCode(), kAllSent);
    EXPECT_EQ(drainer.next(0ms), std::nullopt);
}

TEST(TwoProcessesThroughStatements, SendDebugMessageWaitsWhileThePipeIsFull)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    auto fifthSend = folder.file("fifth send");
    install(file);
    // Four messages of about 2,000 bytes fill the 8,192 bytes; the fifth waits.
    ChildProcess child([&] {
        return sendThroughStatements(file, 5, [&](int i) {
            if (i == 4)
                markReached(fifthSend);
            return std::string(2000, static_cast<char>('a' + i));
        });
    });
    ASSERT_TRUE(child.started());

    Drainer drainer(file);
    ASSERT_TRUE(waitForMessages(drainer.pipes(), "vexmoor", 4));
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(fifthSend); }));
    EXPECT_TRUE(holdsThroughout(
        [&] { return child.running() && drainer.pipes().messageCount("vexmoor") == 4; },
        kWatchedWait))
        << "the fifth send must wait while the pipe is full";
    EXPECT_EQ(drainer.pipes().messageCount("vexmoor"), 4);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(drainer.next(30s), std::string(2000, static_cast<char>('a' + i)));
    EXPECT_EQ(child.exitCode(), kAllSent);
}

TEST(TwoProcessesThroughStatements, SendMessageReturnsOneWhenItsTimeoutEnds)
{
    ScratchFolder folder;
    auto file = folder.file("shared.db");
    install(file);
    ChildProcess child([&] {
        auto database = Database::open(file);
        auto session = Session::logOn(database, "vexmoor", "vexmoor");
        auto statement = session->prepare(
            "begin dbms_pipe.pack_message(:t); :s := dbms_pipe.send_message('vexmoor', :w); end;");
        StringBind text(4000, std::string(3000, 'x'));
        IntegerBind wait;
        IntegerBind status;
        statement->bind(":t", text.buffer());
        statement->bind(":w", wait.buffer());
        statement->bind(":s", status.buffer());
        for (int i = 0; i < 2; ++i) {
            statement->execute();
            if (status.value != 0)
                return kSendFailed;
        }
        wait.value = 1;
        auto start = std::chrono::steady_clock::now();
        statement->execute();
        if (status.value != 1)
            return kAllSent;
        return std::chrono::steady_clock::now() - start >= 1s ? kTimedOut : kSendFailed;
    });
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.exitCode(), kTimedOut);
    Drainer drainer(file);
    EXPECT_EQ(drainer.pipes().messageCount("vexmoor"), 2);
}

TEST(TwoProcesses, ProcessesCreatingOneNewFileTogetherAllSucceed)
{
    for (int round = 0; round < 5; ++round) {
        ScratchFolder folder;
        auto file = folder.file("new.db");
        std::function<int()> openAndLogOn = [&] {
            auto database = Database::open(file);
            return database->catalog().authenticate("vexmoor", "vexmoor") ? kAllSent : kSendFailed;
        };
        std::vector<std::unique_ptr<ChildProcess>> children;
        for (int i = 0; i < 4; ++i)
            children.push_back(std::make_unique<ChildProcess>(openAndLogOn));
        EXPECT_EQ(openAndLogOn(), kAllSent);
        for (auto& child : children)
            EXPECT_EQ(child->exitCode(), kAllSent) << "round " << round;
    }
}

} // namespace vexmoor::engine
