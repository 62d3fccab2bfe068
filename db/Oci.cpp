#include "Oci.h"

#include "Backend.h"
#include "ConnectString.h"
#include "DataArea.h"
#include "EmbeddedBackend.h"
#include "NoDestructor.h"
#include "OracleClientBackend.h"

#include "base/OraError.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

// The release-7 calls over the two backends. A logon area names its backend
// session and a cursor area its backend cursor by a number in bytes 16-23
// (numbers are never reused, so an area that outlived its session cannot
// reach another one). The sessions live in a process-wide table: no call
// ever logs off, and a session whose logon area is gone stays until the
// process ends or another olog is made on the same address.

namespace vexmoor::db::oci {

namespace {

using base::OraError;
using base::oraError;
using detail::BackendCursor;
using detail::BackendSession;

constexpr int kInternalError = 600;

struct LogonRecord {
    std::uint64_t handle = 0;
    std::shared_ptr<BackendSession> session;
};

struct CursorRecord {
    std::unique_ptr<BackendCursor> cursor;
    const ub1* logonArea = nullptr;
};

// The layer's lock. Nearly every take finds it free (a poll makes three calls
// a message on one thread), so taking and giving it back is one atomic
// instruction each; a thread that finds it held sleeps on the futex until the
// holder gives it back. States: 0 free, 1 held, 2 held with a thread waiting.
class LayerLock {
public:
    void lock()
    {
        int expected = 0;
        if (!state_.compare_exchange_strong(expected, 1, std::memory_order_acquire))
            wait();
    }

    void unlock()
    {
        if (state_.exchange(0, std::memory_order_release) == 2)
            state_.notify_one();
    }

private:
    void wait()
    {
        // Claims the lock as contended, so that its holder wakes a waiter.
        while (state_.exchange(2, std::memory_order_acquire) != 0)
            state_.wait(2, std::memory_order_relaxed);
    }

    std::atomic<int> state_{0};
};

class Registry {
public:
    LayerLock mutex;

    std::uint64_t newHandle() { return nextHandle_++; }

    void putSession(ub1* lda, std::shared_ptr<BackendSession> session)
    {
        const std::uint64_t handle = newHandle();
        {
            std::lock_guard breakLock(breakMutex_);
            breakable_[handle] = session;
        }
        logons_[lda] = {handle, std::move(session)};
        detail::writeHandle(lda, handle);
    }

    // A new logon on an area ends what the area (or a freed area at the same
    // address) held; its open cursors keep their session until they close.
    void forgetSession(ub1* lda)
    {
        if (const auto found = logons_.find(lda); found != logons_.end()) {
            std::lock_guard breakLock(breakMutex_);
            breakable_.erase(found->second.handle);
        }
        logons_.erase(lda);
        detail::writeHandle(lda, 0);
    }

    // The session a break reaches, found without the layer's lock, which the
    // call to be broken holds.
    std::shared_ptr<BackendSession> sessionToBreak(const ub1* lda)
    {
        std::lock_guard breakLock(breakMutex_);
        const auto found = breakable_.find(detail::readHandle(lda));
        return found == breakable_.end() ? nullptr : found->second.lock();
    }

    BackendSession& session(const ub1* lda)
    {
        const auto found = logons_.find(lda);
        const std::uint64_t handle = detail::readHandle(lda);
        if (handle == 0 || found == logons_.end() || found->second.handle != handle)
            throw oraError(1012);
        return *found->second.session;
    }

    void putCursor(ub1* cda, const ub1* lda, std::unique_ptr<BackendCursor> cursor)
    {
        eraseCursor(detail::readHandle(cda)); // opened again without a close
        const std::uint64_t handle = newHandle();
        cursors_[handle] = {std::move(cursor), lda};
        detail::writeHandle(cda, handle);
    }

    // A poll runs its parse, binds and execute on one cursor, so the last
    // cursor found is remembered (handles are never reused, and a record
    // keeps its address until it is erased).
    CursorRecord* findCursor(const ub1* cda)
    {
        const std::uint64_t handle = detail::readHandle(cda);
        if (handle == lastHandle_ && lastCursor_ != nullptr)
            return lastCursor_;
        const auto found = cursors_.find(handle);
        if (found == cursors_.end())
            return nullptr;
        lastHandle_ = handle;
        lastCursor_ = &found->second;
        return lastCursor_;
    }

    void dropCursor(ub1* cda)
    {
        eraseCursor(detail::readHandle(cda));
        detail::writeHandle(cda, 0);
    }

    // The full text of the latest error with this code, for the area and for
    // the process.
    void recordMessage(const ub1* lda, int code, const std::string& message)
    {
        const auto key = static_cast<ub2>(code);
        if (lda != nullptr)
            areaMessages_[lda][key] = message;
        messages_[key] = message;
    }

    std::string message(const ub1* lda, ub2 code) const
    {
        if (const auto area = areaMessages_.find(lda); area != areaMessages_.end()) {
            if (const auto found = area->second.find(code); found != area->second.end())
                return found->second;
        }
        if (const auto found = messages_.find(code); found != messages_.end())
            return found->second;
        return base::oraPrefix(code) + ": " + base::oraText(code);
    }

private:
    void eraseCursor(std::uint64_t handle)
    {
        if (handle == lastHandle_)
            lastCursor_ = nullptr;
        cursors_.erase(handle);
    }

    std::uint64_t nextHandle_ = 1;
    std::mutex breakMutex_; // guards breakable_ only; taken inside `mutex`, never around it
    std::unordered_map<std::uint64_t, std::weak_ptr<BackendSession>> breakable_;
    std::unordered_map<const ub1*, LogonRecord> logons_;
    std::unordered_map<std::uint64_t, CursorRecord> cursors_;
    std::uint64_t lastHandle_ = 0;
    CursorRecord* lastCursor_ = nullptr; // of lastHandle_, null when not known
    std::unordered_map<const ub1*, std::unordered_map<ub2, std::string>> areaMessages_;
    std::unordered_map<ub2, std::string> messages_;
};

Registry& registry()
{
    static detail::NoDestructor<Registry> instance;
    return instance.get();
}

std::string_view argument(const text* value, sb4 length)
{
    if (value == nullptr)
        return {};
    return length < 0 ? std::string_view(value)
                      : std::string_view(value, static_cast<std::size_t>(length));
}

// Runs one call's work and sets the area's three fields from its outcome.
// Nothing is thrown out of the layer: every failure becomes a return code,
// an offset and a recorded text.
template <typename Work>
sword run(Registry& table, ub1* area, ub1 function, const ub1* logonArea, Work&& work)
{
    int code = 0;
    unsigned offset = 0;
    std::string message;
    try {
        work();
        detail::writeFields(area, function, 0, 0);
        return 0;
    } catch (const OraError& error) {
        code = error.code();
        message = error.message();
        offset = error.parseOffset();
    } catch (const std::bad_alloc&) {
        code = 4030;
        message = "ORA-04030: out of process memory";
    } catch (const std::exception& error) {
        code = kInternalError;
        message = oraError(600, {"[" + std::string(error.what()) + "]"}).message();
    }
    if (code == 0)
        code = kInternalError;
    detail::writeFields(area, function, code, offset);
    try {
        table.recordMessage(logonArea, code, message);
    } catch (const std::bad_alloc&) {
        // The code alone still tells what failed.
    }
    return code;
}

template <typename Work>
sword onCursor(ub1* cda, ub1 function, Work&& work)
{
    if (cda == nullptr)
        return -1;
    Registry& table = registry();
    std::lock_guard lock(table.mutex);
    CursorRecord* record = table.findCursor(cda);
    return run(table, cda, function, record != nullptr ? record->logonArea : nullptr, [&] {
        if (record == nullptr)
            throw oraError(1001);
        work(*record->cursor);
    });
}

} // namespace

sword opinit(eword /*mode*/)
{
    // Every call is serialised on the layer's own lock, so the thread-safe
    // mode needs nothing further here.
    return 0;
}

sword olog(ub1* lda, ub1* /*hda*/, const text* uid, sword uidl, const text* pswd, sword pswdl,
           const text* conn, sword connl, ub4 /*mode*/)
{
    if (lda == nullptr)
        return -1;
    Registry& table = registry();
    std::lock_guard lock(table.mutex);
    return run(table, lda, detail::kFunctionLogon, lda, [&] {
        table.forgetSession(lda);
        const std::string_view user = argument(uid, uidl);
        const std::string_view password = argument(pswd, pswdl);
        const std::string_view connect = argument(conn, connl);
        const ConnectTarget target = parseConnectString(connect, processEnvironment);
        auto session =
            target.backend == BackendKind::Embedded
                ? detail::logOnEmbedded(target.file, target.createFolders, user, password)
                : detail::logOnOracleClient(user, password, connect);
        table.putSession(lda, std::move(session));
    });
}

sword oopen(ub1* cda, ub1* lda, const text* /*dbn*/, sword /*dbnl*/, sword /*arsize*/,
            const text* /*uid*/, sword /*uidl*/)
{
    if (cda == nullptr)
        return -1;
    Registry& table = registry();
    std::lock_guard lock(table.mutex);
    return run(table, cda, detail::kFunctionOpen, lda, [&] {
        if (lda == nullptr)
            throw oraError(1012);
        table.putCursor(cda, lda, table.session(lda).openCursor());
    });
}

// The parse is always deferred, as callers ask with defflg 1: the statement
// reaches the database with oexec, which reports any error in it.
sword oparse(ub1* cda, const text* sqlstm, sb4 sqllen, sword /*defflg*/, ub4 /*lngflg*/)
{
    return onCursor(cda, detail::kFunctionParse,
                    [&](BackendCursor& cursor) { cursor.parse(argument(sqlstm, sqllen)); });
}

sword obndrv(ub1* cda, const text* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
             sword /*scale*/, sb2* indp, const text* /*fmt*/, sword /*fmtl*/, sword /*fmtt*/)
{
    return onCursor(cda, detail::kFunctionBind, [&](BackendCursor& cursor) {
        cursor.bind(argument(sqlvar, sqlvl), progv, progvl, ftype, indp);
    });
}

sword oexec(ub1* cda)
{
    return onCursor(cda, detail::kFunctionExecute, [](BackendCursor& cursor) { cursor.execute(); });
}

sword oclose(ub1* cda)
{
    if (cda == nullptr)
        return -1;
    Registry& table = registry();
    std::lock_guard lock(table.mutex);
    CursorRecord* record = table.findCursor(cda);
    const ub1* lda = record != nullptr ? record->logonArea : nullptr;
    return run(table, cda, detail::kFunctionClose, lda, [&] {
        if (record == nullptr)
            throw oraError(1001);
        struct DropOnExit {
            Registry& table;
            ub1* cda;
            ~DropOnExit() { table.dropCursor(cda); }
        } drop{table, cda};
        record->cursor->close();
    });
}

sword obreak(ub1* lda)
{
    if (lda == nullptr)
        return -1;
    try {
        const std::shared_ptr<BackendSession> session = registry().sessionToBreak(lda);
        if (!session)
            return -1;
        session->interrupt();
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

sword oerhms(ub1* lda, sb2 rcode, text* buf, sword bufsiz)
{
    if (buf == nullptr || bufsiz <= 0)
        return -1;
    std::string message;
    try {
        Registry& table = registry();
        std::lock_guard lock(table.mutex);
        message = table.message(lda, static_cast<ub2>(rcode));
    } catch (const std::bad_alloc&) {
        message = "ORA-04030: out of process memory";
    }
    const std::size_t length = std::min(message.size(), static_cast<std::size_t>(bufsiz) - 1);
    std::memcpy(buf, message.data(), length);
    buf[length] = '\0';
    return 0;
}

} // namespace vexmoor::db::oci
