// The cost of the call layers: a receive on an empty pipe through OciCursor
// (SetStatement, Bind, Execute) and through the poller's PipeReader on an
// OciPipeChannel (receiveMessage, which runs the same three), against the
// same receive through the engine's own interface (Statement::bind, execute).
// Goal: each costs at most 1.2 times the engine. All share one run; on a busy
// machine interleave them so that load falls on all alike:
//   db_bench --benchmark_filter=Receive --benchmark_enable_random_interleaving=true
//            --benchmark_repetitions=12 --benchmark_report_aggregates_only=true

#include "bench/BenchSupport.h"
#include "db/Oci.h"
#include "db/OciCursor.h"
#include "db/OciSession.h"
#include "engine/Database.h"
#include "engine/Session.h"
#include "engine/Statement.h"
#include "trace/OciPipeChannel.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace bench = vexmoor::bench;

namespace {

using vexmoor::db::OciCursor;
using vexmoor::db::OciSession;

const std::string kReceive = "begin :sta := dbms_pipe.receive_message('bench_empty', 0); end;";

void ReceiveEmptyPipe_Engine(benchmark::State& state)
{
    bench::ScratchFolder folder;
    auto database = vexmoor::engine::Database::open(folder.file("bench.db"));
    auto session = vexmoor::engine::Session::logOn(database, "vexmoor", "vexmoor");
    auto statement = session->prepare(kReceive);
    std::int32_t status = 0;
    std::int16_t indicator = 0;
    for (auto _ : state) {
        statement->bind(
            ":sta", {&status, sizeof status, vexmoor::engine::ExternalType::Integer, &indicator});
        statement->execute();
        benchmark::DoNotOptimize(status);
    }
    if (status != 1)
        state.SkipWithError("the pipe was not empty");
}
BENCHMARK(ReceiveEmptyPipe_Engine);

void ReceiveEmptyPipe_OciCursor(benchmark::State& state)
{
    bench::ScratchFolder folder;
    OciSession session;
    if (!bench::logOnEmbedded(session, folder.file("bench.db"), state))
        return;
    OciCursor cursor(session);
    std::int32_t status = 0;
    std::int16_t indicator = 0;
    for (auto _ : state) {
        cursor.SetStatement(kReceive);
        cursor.Bind(":sta", &status, sizeof status, vexmoor::db::oci::kTypeInteger, &indicator);
        cursor.Execute(true);
        benchmark::DoNotOptimize(status);
    }
    if (status != 1)
        state.SkipWithError("the pipe was not empty");
}
BENCHMARK(ReceiveEmptyPipe_OciCursor);

// What a poll tick on an empty pipe runs through the pipe interface, with
// the reader (and its cursor) kept open as a poll keeps it.
void ReceiveEmptyPipe_PipeReader(benchmark::State& state)
{
    bench::ScratchFolder folder;
    OciSession session;
    if (!bench::logOnEmbedded(session, folder.file("bench.db"), state))
        return;
    vexmoor::trace::OciPipeChannel channel(session);
    const auto reader = channel.openReader();
    bool received = false;
    for (auto _ : state) {
        received = reader->receiveMessage("bench_empty");
        benchmark::DoNotOptimize(received);
    }
    if (received)
        state.SkipWithError("the pipe was not empty");
}
BENCHMARK(ReceiveEmptyPipe_PipeReader);

// A whole poll of an empty pipe: open the cursor, one receive, close it.
void PollEmptyPipe_OciCursor(benchmark::State& state)
{
    bench::ScratchFolder folder;
    OciSession session;
    if (!bench::logOnEmbedded(session, folder.file("bench.db"), state))
        return;
    std::int32_t status = 0;
    std::int16_t indicator = 0;
    for (auto _ : state) {
        OciCursor cursor(session);
        cursor.SetStatement(kReceive);
        cursor.Bind(":sta", &status, sizeof status, vexmoor::db::oci::kTypeInteger, &indicator);
        cursor.Execute(true);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(PollEmptyPipe_OciCursor);

} // namespace

BENCHMARK_MAIN();
