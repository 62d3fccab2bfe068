// How fast a poll drains waiting messages into a sink that keeps nothing,
// against the floor that the storage sets: one SQLite insert and one delete
// of a message row, prepared, in WAL mode with synchronous=NORMAL. Both run
// in this program so that they are measured on the same machine in one run.
//
//   trace_bench --benchmark_counters_tabular=true
//
// Compare items_per_second of BM_PollPipeDrain/N with BM_RawFloor/N.

#include "bench/BenchSupport.h"
#include "db/OciSession.h"
#include "engine/Database.h"
#include "trace/PipePoller.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench = vexmoor::bench;

namespace {

using vexmoor::db::OciSession;
using vexmoor::engine::Database;
using vexmoor::trace::PipePoller;

constexpr const char* kPipe = "bench";

void BM_PollPipeDrain(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    bench::EmbeddedPipes pipes(state);
    if (!pipes.ready())
        return;
    const auto& filler = pipes.filler;
    OciSession& session = pipes.session;
    bench::NullSink sink;
    PipePoller poller(session, sink);
    poller.Settings().m_strPipeName = kPipe;

    for (auto _ : state) {
        state.PauseTiming();
        bench::FillPipe(*filler, kPipe, count);
        state.ResumeTiming();
        poller.PollPipe();
    }
    if (filler->pipes().messageCount(kPipe) != 0)
        state.SkipWithError("the poll left messages on the pipe");
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_RawFloor(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    bench::ScratchFolder folder;
    bench::RawMessageTable table(folder.file("floor.db"), kPipe);
    std::vector<std::vector<std::uint8_t>> bodies;
    for (std::int64_t i = 0; i < count; ++i)
        bodies.push_back(bench::SimpleMessage(i));

    for (auto _ : state) {
        for (const std::vector<std::uint8_t>& body : bodies)
            table.InsertAndDelete(body);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_RawFloor)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PollPipeDrain)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
