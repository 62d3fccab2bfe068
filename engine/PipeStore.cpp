#include "PipeStore.h"

#include "CancelRequest.h"
#include "OraError.h"
#include "Storage.h"

#include <algorithm>
#include <optional>
#include <string>
#include <thread>

namespace vexmoor::engine {

// How the pipes live in the file.
//
// `pipes` keeps each pipe's size limit and whether create_pipe made it. A
// pipe made implicitly by a send keeps its row when it runs empty, so that
// draining a pipe never writes more than the message's own row; its life (and
// the limit a send gave it) ends when it is empty, which the next send to it
// notices.
//
// `messages` holds one row per message, ordered by pipe and then by `seq`,
// which grows with every send to the pipe: one b-tree, so that a send or a
// receive changes a single page. `reach` is the pipe's running total of bytes
// up to and including the message, so the bytes waiting on a pipe are the
// last message's reach minus the first's reach plus the first's size: two
// reads, and no counter row to rewrite on every send and receive.

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr std::size_t kMaxPipeName = 128;
// A lock held by another process is waited for at least this long, even by a
// call with timeout 0: such locks last microseconds, and a receive must not
// report an empty pipe just because a sender was committing.
constexpr milliseconds kMinLockWait{2000};

struct PipeState {
    bool exists = false; // a row in `pipes`
    bool isExplicit = false;
    bool isPrivate = false;
    std::string owner; // of a private pipe: the user who created it
    std::int64_t maxSize = 0;
    std::int64_t bytes = 0; // waiting on the pipe
    std::int64_t lastReach = 0;
    std::int64_t lastSeq = 0;
};

std::string pipeKey(std::string_view pipe)
{
    if (pipe.empty())
        throw oraError(23321);
    if (pipe.size() > kMaxPipeName)
        throw oraError(6502, {": pipe name longer than 128 bytes"});
    std::string key(pipe);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return key;
}

// A private pipe admits its creator's user and the administrators only;
// public and implicit pipes admit everyone.
bool admits(bool isPrivate, std::string_view owner, std::string_view user)
{
    return !isPrivate || owner == user || user == "SYSTEM" || user == PipeStore::kEngineUser;
}

void requireAccess(bool isPrivate, std::string_view owner, std::string_view user)
{
    if (!admits(isPrivate, owner, user))
        throw oraError(23322);
}

// The pipe's privacy as stored now: (private, owner); public when it has no row.
std::pair<bool, std::string> privacyOf(Storage& storage, const std::string& key)
{
    Query query(storage, "SELECT private, owner FROM pipes WHERE name = ?");
    query.bind(1, key);
    if (!query.step())
        return {false, {}};
    return {query.integer(0) != 0, query.text(1)};
}

steady_clock::time_point deadlineAfter(milliseconds timeout)
{
    // Oracle's longest wait is about 1,000 days; keep far from overflow.
    auto now = steady_clock::now();
    return now
           + std::clamp(timeout, milliseconds(0),
                        std::chrono::duration_cast<milliseconds>(PipeStore::kMaxWait));
}

bool cancelled(const CancelRequest* cancel)
{
    return cancel != nullptr && cancel->pending();
}

// Sleeps between polls of a pipe: from 20 us, doubling, to 1 ms.
class PollPause {
public:
    // False when the deadline has passed.
    bool wait(steady_clock::time_point deadline)
    {
        auto now = steady_clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(pause_, deadline - now));
        pause_ = std::min<steady_clock::duration>(pause_ * 2, milliseconds(1));
        return true;
    }

private:
    steady_clock::duration pause_ = std::chrono::microseconds(20);
};

// Lets lock waits run until a call's own deadline, but never shorter than
// kMinLockWait; restores the default wait when the call ends.
class LockDeadline {
public:
    LockDeadline(Storage& storage, steady_clock::time_point deadline) : storage_(storage)
    {
        storage_.setLockDeadline(std::max(deadline, steady_clock::now() + kMinLockWait));
    }
    ~LockDeadline() { storage_.setLockDeadline(std::nullopt); }
    LockDeadline(const LockDeadline&) = delete;
    LockDeadline& operator=(const LockDeadline&) = delete;

private:
    Storage& storage_;
};

PipeState readPipe(Storage& storage, const std::string& key)
{
    // One statement: the pipe's row, the bytes sent before its first message
    // (all the first message is needed for) and its last message.
    Query query(
        storage,
        "SELECT (SELECT max_size FROM pipes WHERE name = ?1), (SELECT explicit FROM pipes WHERE "
        "name = ?1), "
        "(SELECT reach - size FROM messages WHERE pipe = ?1 ORDER BY seq LIMIT 1), "
        "(SELECT reach FROM messages WHERE pipe = ?1 ORDER BY seq DESC LIMIT 1), "
        "(SELECT seq FROM messages WHERE pipe = ?1 ORDER BY seq DESC LIMIT 1), "
        "(SELECT private FROM pipes WHERE name = ?1), (SELECT owner FROM pipes WHERE name = ?1)");
    query.bind(1, key);
    query.step();
    PipeState state;
    if (!query.isNull(0)) {
        state.exists = true;
        state.maxSize = query.integer(0);
        state.isExplicit = query.integer(1) != 0;
        state.isPrivate = query.integer(5) != 0;
        state.owner = query.text(6);
    }
    if (!query.isNull(2)) {
        state.lastReach = query.integer(3);
        state.lastSeq = query.integer(4);
        state.bytes = state.lastReach - query.integer(2);
    }
    return state;
}

void writePipe(Storage& storage, const std::string& key, std::int64_t maxSize, bool isExplicit,
               bool isPrivate)
{
    Query(storage, "INSERT INTO pipes(name, max_size, explicit, private) VALUES(?1, ?2, ?3, ?4) "
                   "ON CONFLICT(name) DO UPDATE SET max_size = ?2, explicit = ?3")
        .bind(1, key)
        .bind(2, maxSize)
        .bind(3, isExplicit ? 1 : 0)
        .bind(4, isPrivate ? 1 : 0)
        .run();
}

enum class SendOutcome { Sent, Full };

// One attempt in one write transaction. The size limit is settled first and
// kept even when the message has to wait.
SendOutcome trySend(Storage& storage, const std::string& key, std::span<const std::uint8_t> message,
                    std::int64_t maxPipeSize, std::string_view user)
{
    Transaction transaction(storage, Transaction::Mode::Write);
    PipeState pipe = readPipe(storage, key);
    requireAccess(pipe.isPrivate, pipe.owner, user);
    bool alive = pipe.exists && (pipe.isExplicit || pipe.bytes > 0);
    std::int64_t limit = alive ? std::max(pipe.maxSize, maxPipeSize) : maxPipeSize;
    if (!pipe.exists || limit != pipe.maxSize)
        writePipe(storage, key, limit, pipe.isExplicit, false);

    auto size = static_cast<std::int64_t>(message.size());
    // A message larger than the whole pipe goes onto an empty pipe, or it
    // could never be sent.
    bool fits = pipe.bytes == 0 || pipe.bytes + size <= limit;
    std::optional<ChangeMark> arrival;
    if (fits) {
        arrival.emplace(storage.sendCounter());
        Query(storage,
              "INSERT INTO messages(pipe, seq, size, reach, payload) VALUES(?, ?, ?, ?, ?)")
            .bind(1, key)
            .bind(2, pipe.lastSeq + 1)
            .bind(3, size)
            .bind(4, pipe.lastReach + size)
            .bind(5, message)
            .run();
    }
    transaction.commit();
    return fits ? SendOutcome::Sent : SendOutcome::Full;
}

// Whether a message of `size` would fit now; a read only.
bool hasRoom(Storage& storage, const std::string& key, std::int64_t size, std::int64_t maxPipeSize)
{
    Transaction transaction(storage, Transaction::Mode::Read);
    PipeState pipe = readPipe(storage, key);
    return pipe.bytes == 0 || pipe.bytes + size <= std::max(pipe.maxSize, maxPipeSize);
}

std::optional<std::int64_t> oldestMessage(Storage& storage, const std::string& key)
{
    Query query(storage, "SELECT seq FROM messages WHERE pipe = ? ORDER BY seq LIMIT 1");
    query.bind(1, key);
    if (!query.step())
        return std::nullopt;
    return query.integer(0);
}

// The oldest message's seq and payload, read in the same step, so that taking
// it needs only a plain delete: a delete that returned the payload would
// gather it in a scratch table first.
// The pipe's privacy is read in the same statement and checked in the
// transaction that takes the message, so that no message leaves a pipe that
// has just become private to another user.
std::optional<std::int64_t> readOldest(Storage& storage, const std::string& key,
                                       std::vector<std::uint8_t>& message, std::string_view user)
{
    Query query(storage, "SELECT seq, payload, (SELECT private FROM pipes WHERE name = ?1), "
                         "(SELECT owner FROM pipes WHERE name = ?1) FROM messages WHERE pipe = ?1 "
                         "ORDER BY seq LIMIT 1");
    query.bind(1, key);
    if (!query.step())
        return std::nullopt;
    requireAccess(query.integer(2) != 0, query.text(3), user);
    message = query.blob(1);
    return query.integer(0);
}

// Takes the oldest message in a transaction that starts in `mode`. The
// message read is handed out only once its delete has committed.
bool takeOldest(Storage& storage, const std::string& key, std::vector<std::uint8_t>& message,
                Transaction::Mode mode, std::string_view user)
{
    Transaction transaction(storage, mode);
    std::vector<std::uint8_t> oldest;
    std::optional<std::int64_t> seq = readOldest(storage, key, oldest, user);
    if (!seq)
        return false;
    Query(storage, "DELETE FROM messages WHERE pipe = ? AND seq = ?")
        .bind(1, key)
        .bind(2, *seq)
        .run();
    transaction.commit();
    message = std::move(oldest);
    return true;
}

// One look at the pipe. An empty pipe costs one read transaction. Otherwise
// the read becomes the write that takes the message; when another connection
// wrote in between, the attempt is repeated under the write lock. When the
// pipe is expected to be empty, a single statement looks first.
bool tryReceive(Storage& storage, const std::string& key, std::vector<std::uint8_t>& message,
                bool expectEmpty, std::string_view user)
{
    if (expectEmpty && !oldestMessage(storage, key))
        return false;
    try {
        return takeOldest(storage, key, message, Transaction::Mode::Read, user);
    } catch (const StorageBusy&) {
    }
    return takeOldest(storage, key, message, Transaction::Mode::Write, user);
}

enum class ExplicitPipe { Keep, End };

// Drops every message on the pipe in one transaction. An implicit pipe ends
// when it is empty; a pipe made by create_pipe ends only when removed.
void emptyPipe(Storage& storage, const std::string& key, ExplicitPipe explicitPipe,
               std::string_view user)
{
    Transaction transaction(storage, Transaction::Mode::Write);
    auto [isPrivate, owner] = privacyOf(storage, key);
    requireAccess(isPrivate, owner, user);
    // Removing a private pipe changes who may use the name.
    std::optional<ChangeMark> privacyChange;
    if (isPrivate && explicitPipe == ExplicitPipe::End)
        privacyChange.emplace(storage.changeCounter());
    Query(storage, "DELETE FROM messages WHERE pipe = ?").bind(1, key).run();
    Query(storage, explicitPipe == ExplicitPipe::End
                       ? "DELETE FROM pipes WHERE name = ?"
                       : "DELETE FROM pipes WHERE name = ? AND explicit = 0")
        .bind(1, key)
        .run();
    transaction.commit();
}

} // namespace

PipeStore::PipeStore(Storage& storage) : storage_(storage) {}

int PipeStore::send(std::string_view pipe, std::span<const std::uint8_t> message,
                    std::chrono::milliseconds timeout, std::int64_t maxPipeSize,
                    std::string_view user, const CancelRequest* cancel)
{
    std::string key = pipeKey(pipe);
    auto deadline = deadlineAfter(timeout);
    LockDeadline lockDeadline(storage_, deadline);
    auto size = static_cast<std::int64_t>(message.size());
    PollPause pause;
    try {
        if (cancelled(cancel))
            return kInterrupted;
        if (trySend(storage_, key, message, maxPipeSize, user) == SendOutcome::Sent)
            return 0;
        for (;;) {
            // Watch with reads, so that the waiting sender does not take the
            // write lock from the receiver it waits for.
            do {
                if (cancelled(cancel))
                    return kInterrupted;
                if (!pause.wait(deadline))
                    return 1;
            } while (!hasRoom(storage_, key, size, maxPipeSize));
            if (cancelled(cancel))
                return kInterrupted;
            if (trySend(storage_, key, message, maxPipeSize, user) == SendOutcome::Sent)
                return 0;
        }
    } catch (const StorageBusy&) {
        // The pipe could not be locked in time.
        return 1;
    }
}

void PipeStore::checkAccess(const std::string& key, std::string_view user)
{
    // Only create_pipe and remove_pipe change a pipe's privacy, and both move
    // the catalog's counter: while it reads the same, an answer stays true.
    std::uint64_t mark = storage_.changeCounter().load();
    if (ChangeCounter::settled(mark) && mark == admittedMark_ && key == admittedPipe_
        && user == admittedUser_)
        return;
    auto [isPrivate, owner] = privacyOf(storage_, key);
    requireAccess(isPrivate, owner, user);
    admittedPipe_ = key;
    admittedUser_ = user;
    admittedMark_ = mark;
}

int PipeStore::receive(std::string_view pipe, std::chrono::milliseconds timeout,
                       std::vector<std::uint8_t>& message, std::string_view user,
                       const CancelRequest* cancel)
{
    std::string key = pipeKey(pipe);
    auto deadline = deadlineAfter(timeout);
    LockDeadline lockDeadline(storage_, deadline);
    PollPause pause;
    try {
        do {
            if (cancelled(cancel))
                return kInterrupted;
            checkAccess(key, user);
            // Read before looking, so that a send committed after the look
            // has moved it.
            std::uint64_t sends = storage_.sendCounter().load();
            if (ChangeCounter::settled(sends) && sends == emptySends_ && key == emptyPipe_)
                continue; // nothing has been sent to any pipe since this one was empty
            bool found = tryReceive(storage_, key, message, !emptyPipe_.empty(), user);
            if (found) {
                emptyPipe_.clear();
                return 0;
            }
            emptyPipe_ = key;
            emptySends_ = sends;
        } while (pause.wait(deadline));
    } catch (const StorageBusy&) {
    }
    return 1;
}

void PipeStore::purge(std::string_view pipe, std::string_view user)
{
    emptyPipe(storage_, pipeKey(pipe), ExplicitPipe::Keep, user);
}

int PipeStore::createPipe(std::string_view pipe, std::int64_t maxPipeSize, bool isPrivate,
                          std::string_view user)
{
    std::string key = pipeKey(pipe);
    Transaction transaction(storage_, Transaction::Mode::Write);
    PipeState state = readPipe(storage_, key);
    bool alive = state.exists && (state.isExplicit || state.bytes > 0);
    if (alive) {
        // A pipe in use keeps its owner and its privacy; one that others
        // may be using cannot be taken private.
        requireAccess(state.isPrivate, state.owner, user);
        if (isPrivate && !state.isPrivate)
            throw oraError(23322);
        Query(storage_, "UPDATE pipes SET max_size = ?2, explicit = 1 WHERE name = ?1")
            .bind(1, key)
            .bind(2, std::max(state.maxSize, maxPipeSize))
            .run();
        transaction.commit();
        return 0;
    }
    // A new private pipe changes who may use the name.
    std::optional<ChangeMark> privacyChange;
    if (isPrivate)
        privacyChange.emplace(storage_.changeCounter());
    Query(storage_,
          "INSERT INTO pipes(name, max_size, explicit, private, owner) VALUES(?1, ?2, 1, ?3, ?4) "
          "ON CONFLICT(name) DO UPDATE SET max_size = ?2, explicit = 1, private = ?3, owner = ?4")
        .bind(1, key)
        .bind(2, maxPipeSize)
        .bind(3, isPrivate ? 1 : 0)
        .bind(4, user)
        .run();
    transaction.commit();
    return 0;
}

int PipeStore::removePipe(std::string_view pipe, std::string_view user)
{
    emptyPipe(storage_, pipeKey(pipe), ExplicitPipe::End, user);
    return 0;
}

std::int64_t PipeStore::messageCount(std::string_view pipe)
{
    Query query(storage_, "SELECT count(*) FROM messages WHERE pipe = ?");
    query.bind(1, pipeKey(pipe));
    query.step();
    return query.integer(0);
}

} // namespace vexmoor::engine
