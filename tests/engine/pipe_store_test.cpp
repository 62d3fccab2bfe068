#include "EngineSession.h"

#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/PipeStore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>
#include <string>

namespace vexmoor::engine {

using namespace std::chrono_literals;

namespace {

std::vector<std::uint8_t> bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> sized(std::size_t size, std::uint8_t fill = 'x')
{
    return std::vector<std::uint8_t>(size, fill);
}

std::string received(PipeStore& pipes, std::string_view pipe)
{
    std::vector<std::uint8_t> message;
    if (pipes.receive(pipe, 0ms, message) != 0)
        return "<none>";
    return {message.begin(), message.end()};
}

// PRAGMA data_version seen from a connection of its own: it changes exactly
// when another connection commits a change to the file.
class ChangeWatcher {
public:
    explicit ChangeWatcher(const std::filesystem::path& file)
    {
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    }
    ~ChangeWatcher() { sqlite3_close(db_); }
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    std::int64_t version()
    {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db_, "PRAGMA data_version", -1, &stmt, nullptr);
        sqlite3_step(stmt);
        std::int64_t value = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        return value;
    }

private:
    sqlite3* db_ = nullptr;
};

class PipeStoreTest : public DatabaseFileTest {
protected:
    PipeStore& pipes = database->pipes();
};

} // namespace

TEST_F(PipeStoreTest, MessagesArriveOnceInSendOrderAcrossConnections)
{
    auto other = Database::open(file);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(pipes.send("vexmoor", bytes("m" + std::to_string(i)), 0ms), 0);
    pipes.send("elsewhere", bytes("other pipe"), 0ms);

    // Two connections take turns; together they see every message once, in order.
    for (int i = 0; i < 20; ++i) {
        PipeStore& receiver = i % 2 ? other->pipes() : pipes;
        EXPECT_EQ(received(receiver, "VexMoor"), "m" + std::to_string(i));
    }
    EXPECT_EQ(received(pipes, "vexmoor"), "<none>");
    EXPECT_EQ(received(other->pipes(), "ELSEWHERE"), "other pipe");
}

TEST_F(PipeStoreTest, EmptyMessagesAndBinaryPayloadsSurvive)
{
    std::vector<std::uint8_t> binary{0, 1, 0, 255, 0};
    pipes.send("p", {}, 0ms);
    pipes.send("p", binary, 0ms);
    std::vector<std::uint8_t> message{9, 9};
    ASSERT_EQ(pipes.receive("p", 0ms, message), 0);
    EXPECT_TRUE(message.empty());
    ASSERT_EQ(pipes.receive("p", 0ms, message), 0);
    EXPECT_EQ(message, binary);
}

TEST_F(PipeStoreTest, ReceiveOnAnEmptyPipeWritesNothing)
{
    ChangeWatcher watcher(file);
    pipes.send("p", bytes("x"), 0ms);
    std::vector<std::uint8_t> message;
    ASSERT_EQ(pipes.receive("p", 0ms, message), 0);
    std::int64_t before = watcher.version();

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pipes.receive("p", 0ms, message), 1);
    EXPECT_EQ(pipes.receive("never used", 0ms, message), 1);
    EXPECT_EQ(pipes.receive("p", 30ms, message), 1);
    EXPECT_EQ(watcher.version(), before);

    pipes.send("p", bytes("y"), 0ms);
    EXPECT_NE(watcher.version(), before) << "the watcher must see real writes";
}

TEST_F(PipeStoreTest, ReceiveWaitsForItsTimeoutAndForALateMessage)
{
    std::vector<std::uint8_t> message;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pipes.receive("p", 150ms, message), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);

    auto sender = std::async(std::launch::async, [this] {
        auto own = Database::open(file);
        // Late on purpose: the message has to come while the receive waits.
        // Nothing shows from outside that the wait has begun; a receive that
        // starts later still finds the message, so the delay is never a race.
        std::this_thread::sleep_for(100ms);
        return own->pipes().send("p", bytes("late"), 0ms);
    });
    EXPECT_EQ(pipes.receive("p", 10s, message), 0);
    EXPECT_EQ(std::string(message.begin(), message.end()), "late");
    EXPECT_EQ(sender.get(), 0);
}

// A receiver that found its pipe empty skips the file until something is
// sent; every send, from any connection and to any pipe, must end the skip.
TEST_F(PipeStoreTest, AReceiverThatFoundThePipeEmptySeesEveryLaterSend)
{
    auto other = Database::open(file);
    EXPECT_EQ(received(pipes, "p"), "<none>");
    EXPECT_EQ(received(pipes, "p"), "<none>");
    ASSERT_EQ(other->pipes().send("p", bytes("one"), 0ms), 0);
    EXPECT_EQ(received(pipes, "p"), "one");

    EXPECT_EQ(received(pipes, "p"), "<none>");
    ASSERT_EQ(other->pipes().send("q", bytes("elsewhere"), 0ms), 0);
    EXPECT_EQ(received(pipes, "p"), "<none>");
    EXPECT_EQ(received(pipes, "q"), "elsewhere");
    ASSERT_EQ(pipes.send("p", bytes("own"), 0ms), 0);
    EXPECT_EQ(received(other->pipes(), "p"), "own");
    EXPECT_EQ(received(pipes, "p"), "<none>");
}

TEST_F(PipeStoreTest, PipeSizeCapsTheBytesWaiting)
{
    EXPECT_EQ(pipes.send("p", sized(3000), 0ms), 0);
    EXPECT_EQ(pipes.send("p", sized(3000), 0ms), 0);
    EXPECT_EQ(pipes.send("p", sized(3000), 0ms), 1) << "9000 bytes exceed the default 8192";
    EXPECT_EQ(pipes.send("p", sized(2192), 0ms), 0) << "exactly 8192 fits";
    EXPECT_EQ(pipes.messageCount("p"), 3);

    // A larger size raises the cap for the pipe's life; a smaller one is ignored.
    EXPECT_EQ(pipes.send("p", sized(3000), 0ms, 12000), 0);
    EXPECT_EQ(pipes.send("p", sized(808), 0ms, 100), 0) << "12000 bytes: the raised cap, exactly";
    EXPECT_EQ(pipes.send("p", sized(1), 0ms, 100), 1);
    EXPECT_EQ(pipes.messageCount("p"), 5);
}

TEST_F(PipeStoreTest, AMessageLargerThanThePipeGoesOntoAnEmptyPipeOnly)
{
    EXPECT_EQ(pipes.send("big", sized(500), 0ms, 100), 0);
    EXPECT_EQ(pipes.send("big", sized(1), 0ms, 100), 1);
    EXPECT_EQ(pipes.messageCount("big"), 1);
}

TEST_F(PipeStoreTest, AnImplicitPipeForgetsItsSizeWhenEmptyAnExplicitOneKeepsIt)
{
    std::vector<std::uint8_t> message;
    pipes.send("implicit", sized(10), 0ms, 20000);
    pipes.receive("implicit", 0ms, message);
    EXPECT_EQ(pipes.send("implicit", sized(60), 0ms, 100), 0);
    EXPECT_EQ(pipes.send("implicit", sized(60), 0ms, 100), 1) << "a new pipe with size 100";

    EXPECT_EQ(pipes.createPipe("explicit", 20000, true), 0);
    pipes.send("explicit", sized(10), 0ms, 100);
    pipes.receive("explicit", 0ms, message);
    EXPECT_EQ(pipes.send("explicit", sized(9000), 0ms, 100), 0);
    EXPECT_EQ(pipes.send("explicit", sized(9000), 0ms, 100), 0) << "still 20000";
}

TEST_F(PipeStoreTest, SendToAFullPipeWaitsForRoomOrTimesOut)
{
    pipes.send("p", sized(8190), 0ms);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pipes.send("p", sized(1000), 120ms), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);

    auto sender = std::async(std::launch::async, [this] {
        auto own = Database::open(file);
        return own->pipes().send("p", bytes("after"), 30s);
    });
    EXPECT_EQ(sender.wait_for(200ms), std::future_status::timeout)
        << "must wait while the pipe is full";
    std::vector<std::uint8_t> message;
    ASSERT_EQ(pipes.receive("p", 0ms, message), 0);
    EXPECT_EQ(message.size(), 8190u);
    EXPECT_EQ(sender.get(), 0);
    EXPECT_EQ(received(pipes, "p"), "after");
}

TEST_F(PipeStoreTest, PurgeCreateAndRemove)
{
    for (int i = 0; i < 3; ++i)
        pipes.send("p", bytes("x"), 0ms);
    pipes.purge("P");
    EXPECT_EQ(pipes.messageCount("p"), 0);
    pipes.purge("p");
    pipes.purge("nothing here");

    pipes.send("kept", bytes("waiting"), 0ms);
    EXPECT_EQ(pipes.createPipe("KEPT", 8192, false), 0);
    EXPECT_EQ(pipes.createPipe("kept", 8192, false), 0);
    EXPECT_EQ(pipes.messageCount("kept"), 1) << "create_pipe does not empty a pipe";
    EXPECT_EQ(pipes.removePipe("kept"), 0);
    EXPECT_EQ(pipes.messageCount("kept"), 0);
    EXPECT_EQ(pipes.removePipe("never existed"), 0);
}

TEST_F(PipeStoreTest, PipeNamesUpTo128Bytes)
{
    std::string longest(128, 'n');
    EXPECT_EQ(pipes.send(longest, bytes("x"), 0ms), 0);
    EXPECT_EQ(pipes.messageCount(std::string(128, 'N')), 1);
    EXPECT_THROW(pipes.send(std::string(129, 'n'), bytes("x"), 0ms), OraError);
    EXPECT_THROW(pipes.send("", bytes("x"), 0ms), OraError);
    // Quotes and blanks are ordinary characters of a name.
    EXPECT_EQ(pipes.send("it's a pipe", bytes("q"), 0ms), 0);
    EXPECT_EQ(received(pipes, "IT'S A PIPE"), "q");
}

} // namespace vexmoor::engine
