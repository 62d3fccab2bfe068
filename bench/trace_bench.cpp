// How fast a poll drains waiting messages into a sink that keeps nothing,
// against the floor that the storage sets: one SQLite insert and one delete
// of a message row, prepared, in WAL mode with synchronous=NORMAL. Both run
// in this program so that they are measured on the same machine in one run.
//
//   trace_bench --benchmark_counters_tabular=true
//
// Compare items_per_second of BM_PollPipeDrain/N with BM_RawFloor/N.

#include "db/OciSession.h"
#include "engine/Database.h"
#include "engine/MessageBuffer.h"
#include "engine/PipeStore.h"
#include "trace/LineSink.h"
#include "trace/PipePoller.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace {

using vexmoor::engine::Database;
using vexmoor::engine::MessageBuffer;

constexpr const char* kPipe = "bench";
constexpr std::int64_t kRoomForEverything = std::int64_t{1} << 40;

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("vexmoor-trace-bench-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

class NullSink final : public LineSink {
public:
    void AppendLine(std::string_view composedLine) override { benchmark::DoNotOptimize(composedLine.data()); }
};

std::string MessageText(std::int64_t index)
{
    return "trace message number " + std::to_string(index);
}

// What SendDebugMessage puts on the pipe: the text's length, then the text.
std::vector<std::uint8_t> SimpleMessage(std::int64_t index)
{
    const std::string text = MessageText(index);
    MessageBuffer buffer;
    buffer.packNumber(static_cast<double>(text.size()));
    buffer.packVarchar2(text);
    return buffer.takePacked();
}

void FillPipe(Database& database, std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i) {
        if (database.pipes().send(kPipe, SimpleMessage(i), std::chrono::milliseconds(0), kRoomForEverything) != 0)
            throw std::runtime_error("the pipe took no more messages");
    }
}

void BM_PollPipeDrain(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    TemporaryFolder folder;
    const std::filesystem::path file = folder.Path() / "bench.db";
    const auto filler = Database::open(file);
    OciSession session;
    if (!session.LogOn("vexmoor", "vexmoor", "embedded:" + file.string())) {
        state.SkipWithError(session.ErrorText().c_str());
        return;
    }
    NullSink sink;
    PipePoller poller(session, sink);
    poller.Settings().m_strPipeName = kPipe;

    for (auto _ : state) {
        state.PauseTiming();
        FillPipe(*filler, count);
        state.ResumeTiming();
        poller.PollPipe();
    }
    if (filler->pipes().messageCount(kPipe) != 0)
        state.SkipWithError("the poll left messages on the pipe");
    state.SetItemsProcessed(state.iterations() * count);
}

class SqliteFile {
public:
    explicit SqliteFile(const std::filesystem::path& file)
    {
        if (sqlite3_open(file.c_str(), &m_db) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=NORMAL");
        Exec("CREATE TABLE message (id INTEGER PRIMARY KEY, pipe TEXT NOT NULL, body BLOB NOT NULL)");
    }
    ~SqliteFile() { sqlite3_close(m_db); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    sqlite3* Get() const { return m_db; }
    void Exec(const char* sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }

private:
    sqlite3* m_db = nullptr;
};

class Prepared {
public:
    Prepared(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~Prepared() { sqlite3_finalize(m_stmt); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    sqlite3_stmt* Get() const { return m_stmt; }

    void Run()
    {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            throw std::runtime_error("step failed");
        sqlite3_reset(m_stmt);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Each statement its own transaction, as each send and each receive is.
void BM_RawFloor(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    TemporaryFolder folder;
    SqliteFile file(folder.Path() / "floor.db");
    Prepared insert(file.Get(), "INSERT INTO message (pipe, body) VALUES (?1, ?2)");
    Prepared remove(file.Get(), "DELETE FROM message WHERE id = ?1");
    std::vector<std::vector<std::uint8_t>> bodies;
    for (std::int64_t i = 0; i < count; ++i)
        bodies.push_back(SimpleMessage(i));

    for (auto _ : state) {
        for (const std::vector<std::uint8_t>& body : bodies) {
            sqlite3_bind_text(insert.Get(), 1, kPipe, -1, SQLITE_STATIC);
            sqlite3_bind_blob(insert.Get(), 2, body.data(), static_cast<int>(body.size()), SQLITE_STATIC);
            insert.Run();
            sqlite3_bind_int64(remove.Get(), 1, sqlite3_last_insert_rowid(file.Get()));
            remove.Run();
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_RawFloor)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PollPipeDrain)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
