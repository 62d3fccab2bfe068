#pragma once

// What the benchmark programs share: a folder for their files (the tests'
// scratch folder), a sink that keeps nothing, the messages SendDebugMessage
// sends, and the raw SQLite floor that the figures are set against.

#include "support/ScratchFolder.h"

#include "db/OciSession.h"
#include "engine/Database.h"
#include "engine/MessageBuffer.h"
#include "engine/PipeStore.h"
#include "trace/LineSink.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::bench {

// A folder for a benchmark's files, shared with the tests.
using vexmoor::test::ScratchFolder;

// Takes each line and keeps none, so that only the poll itself is measured.
class NullSink final : public vexmoor::trace::LineSink {
public:
    void AppendLine(std::string_view composedLine) override
    {
        benchmark::DoNotOptimize(composedLine.data());
    }
};

// What SendDebugMessage puts on a pipe: the text's length, then the text.
inline std::vector<std::uint8_t> PackDebugMessage(vexmoor::engine::MessageBuffer& buffer,
                                                  std::string_view text)
{
    buffer.packNumber(static_cast<double>(text.size()));
    buffer.packVarchar2(text);
    return buffer.takePacked();
}

// Message number `index` of a run, each with a text of its own.
inline std::vector<std::uint8_t> SimpleMessage(std::int64_t index)
{
    vexmoor::engine::MessageBuffer buffer;
    return PackDebugMessage(buffer, "trace message number " + std::to_string(index));
}

// Puts `count` simple messages on the pipe; no limit on the pipe's size gets
// in the way.
inline void FillPipe(vexmoor::engine::Database& database, std::string_view pipe, std::int64_t count)
{
    constexpr std::int64_t kRoomForEverything = std::int64_t{1} << 40;
    for (std::int64_t i = 0; i < count; ++i) {
        if (database.pipes().send(pipe, SimpleMessage(i), std::chrono::milliseconds(0),
                                  kRoomForEverything)
            != 0)
            throw std::runtime_error("the pipe took no more messages");
    }
}

// Logs the session on to the embedded database in `file`. When that fails the
// benchmark is skipped with the reason, and the answer is false.
inline bool logOnEmbedded(vexmoor::db::OciSession& session, const std::filesystem::path& file,
                          benchmark::State& state)
{
    if (session.LogOn("vexmoor", "vexmoor", "embedded:" + file.string()))
        return true;
    state.SkipWithError(session.ErrorText().c_str());
    return false;
}

// An embedded database in a scratch folder, with a handle that fills its
// pipes directly and a session logged on to it as the poller's. When the
// logon fails the benchmark is skipped with the reason and ready() is false.
struct EmbeddedPipes {
    explicit EmbeddedPipes(benchmark::State& state)
        : file(folder.file("bench.db")), filler(vexmoor::engine::Database::open(file)),
          loggedOn(logOnEmbedded(session, file, state))
    {
    }
    bool ready() const { return loggedOn; }

    ScratchFolder folder;
    std::filesystem::path file;
    std::shared_ptr<vexmoor::engine::Database> filler;
    vexmoor::db::OciSession session;
    bool loggedOn = false;
};

// The floor that the storage sets for one message: one SQLite insert and one
// delete of a message row, prepared, in WAL mode with synchronous=NORMAL, each
// statement its own transaction, as each send and each receive is.
class RawMessageTable {
public:
    RawMessageTable(const std::filesystem::path& file, std::string pipe) : pipe_(std::move(pipe))
    {
        sqlite3* db = nullptr;
        const int opened = sqlite3_open(file.c_str(), &db);
        db_.reset(db); // closed even when the open failed
        if (opened != SQLITE_OK)
            Fail();
        if (sqlite3_exec(db_.get(),
                         "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                         "CREATE TABLE message (id INTEGER PRIMARY KEY, pipe TEXT NOT NULL, body "
                         "BLOB NOT NULL);",
                         nullptr, nullptr, nullptr)
            != SQLITE_OK)
            Fail();
        insert_ = Prepare("INSERT INTO message (pipe, body) VALUES (?1, ?2)");
        delete_ = Prepare("DELETE FROM message WHERE id = ?1");
    }

    void InsertAndDelete(std::span<const std::uint8_t> body)
    {
        sqlite3_bind_text(insert_.get(), 1, pipe_.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_blob(insert_.get(), 2, body.data(), static_cast<int>(body.size()),
                          SQLITE_STATIC);
        Run(insert_.get());
        sqlite3_bind_int64(delete_.get(), 1, sqlite3_last_insert_rowid(db_.get()));
        Run(delete_.get());
    }

private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

    [[noreturn]] void Fail() const { throw std::runtime_error(sqlite3_errmsg(db_.get())); }

    Statement Prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        const int prepared = sqlite3_prepare_v2(db_.get(), sql, -1, &statement, nullptr);
        Statement owned(statement);
        if (prepared != SQLITE_OK)
            Fail();
        return owned;
    }

    void Run(sqlite3_stmt* statement)
    {
        if (sqlite3_step(statement) != SQLITE_DONE)
            Fail();
        sqlite3_reset(statement);
    }

    std::string pipe_;
    // Declared before the statements, so that they are finalized before it closes.
    std::unique_ptr<sqlite3, Close> db_;
    Statement insert_;
    Statement delete_;
};

} // namespace vexmoor::bench
