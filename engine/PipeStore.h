#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::engine {

class CancelRequest;
class Storage;

// The pipes of dbms_pipe, kept in the database file so that every session of
// every process sees them. A message is received by one session only, in
// send order. Pipe names are case-insensitive.
//
// Each operation acts for a user (upper case): a private pipe (create_pipe
// with private => true) may be used only by the user who created it, SYSTEM
// and the engine itself; anyone else gets ORA-23322. Public and implicit
// pipes are open to every user.
class PipeStore {
public:
    static constexpr std::int64_t kDefaultMaxPipeSize = 8192;
    static constexpr std::chrono::seconds kMaxWait{86'400'000};
    static constexpr int kInterrupted = 3;
    // The user the engine's own callers (tools, tests) act as: every pipe
    // admits it.
    static constexpr std::string_view kEngineUser = "SYS";

    explicit PipeStore(Storage& storage);

    // dbms_pipe.send_message: 0 sent, 1 timed out, 3 (kInterrupted) when
    // `cancel` was requested before the message went. While the pipe holds
    // more than its size allows with this message added, waits for a
    // receiver to make room, up to `timeout`. A larger `maxPipeSize` raises
    // the pipe's size for its life; a smaller one is ignored.
    int send(std::string_view pipe, std::span<const std::uint8_t> message,
             std::chrono::milliseconds timeout, std::int64_t maxPipeSize = kDefaultMaxPipeSize,
             std::string_view user = kEngineUser, const CancelRequest* cancel = nullptr);

    // dbms_pipe.receive_message: 0 with the oldest message moved into
    // `message`, 1 when none came within `timeout` (0 = do not wait), 3 when
    // `cancel` was requested before a message was taken. A receive that
    // finds the pipe empty writes nothing to the file.
    int receive(std::string_view pipe, std::chrono::milliseconds timeout,
                std::vector<std::uint8_t>& message, std::string_view user = kEngineUser,
                const CancelRequest* cancel = nullptr);

    // dbms_pipe.purge: drops every message on the pipe.
    void purge(std::string_view pipe, std::string_view user = kEngineUser);

    // dbms_pipe.create_pipe / remove_pipe: 0. An existing pipe keeps its
    // messages, owner and privacy; making private a public pipe in use, or
    // another user's private pipe, raises ORA-23322.
    int createPipe(std::string_view pipe, std::int64_t maxPipeSize, bool isPrivate,
                   std::string_view user = kEngineUser);
    int removePipe(std::string_view pipe, std::string_view user = kEngineUser);

    // Number of messages waiting (for tests and tools).
    std::int64_t messageCount(std::string_view pipe);

private:
    // ORA-23322 unless `user` may use the pipe.
    void checkAccess(const std::string& key, std::string_view user);

    Storage& storage_;
    // The last pipe and user found admitted, and the catalog counter read
    // before that look.
    std::string admittedPipe_;
    std::string admittedUser_;
    std::uint64_t admittedMark_ = 1; // odd: never matches a settled counter
    // The pipe the last receive found empty (none when it found a message),
    // and the send counter read just before it looked: while the counter
    // still reads the same, no message has been sent anywhere, and the pipe
    // is empty without a look at the file. A poller that found nothing
    // usually finds nothing again, so even when the counter moved one plain
    // read is the cheapest first look.
    std::string emptyPipe_;
    std::uint64_t emptySends_ = 1; // odd: never matches a settled counter
};

} // namespace vexmoor::engine
