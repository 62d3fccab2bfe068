// What the journal costs a drain: 100,000 waiting messages polled into a sink
// that keeps nothing, straight (journal off) and through the journal, each
// line written to this run's file with its receipt time before it goes on
// (journal on). Both in one program, so that they are measured in one run.
//
//   journal_bench --benchmark_counters_tabular=true
//
// Compare items_per_second of BM_DrainWithJournal/1 (on) with /0 (off); the
// goal is on >= 0.8 x off.

#include "bench/BenchSupport.h"
#include "db/OciSession.h"
#include "engine/Database.h"
#include "trace/Journal.h"
#include "trace/JournalSink.h"
#include "trace/PipePoller.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>

namespace bench = vexmoor::bench;

namespace {

using vexmoor::db::OciSession;
using vexmoor::engine::Database;
using vexmoor::trace::LineSink;
using vexmoor::trace::PipePoller;

constexpr const char* kPipe = "bench";
constexpr std::int64_t kMessages = 100'000;

void BM_DrainWithJournal(benchmark::State& state)
{
    const bool journalOn = state.range(0) != 0;
    bench::EmbeddedPipes pipes(state);
    if (!pipes.ready())
        return;
    const auto& filler = pipes.filler;
    OciSession& session = pipes.session;
    bench::NullSink window;
    vexmoor::trace::Journal journal;
    if (journalOn)
        journal = vexmoor::trace::Journal::createForRun(pipes.folder.file("journal"),
                                                        std::chrono::system_clock::now());
    vexmoor::trace::JournalSink journalSink(window, &journal);
    PipePoller poller(session, journalOn ? static_cast<LineSink&>(journalSink) : window);
    poller.Settings().m_strPipeName = kPipe;

    for (auto _ : state) {
        state.PauseTiming();
        bench::FillPipe(*filler, kPipe, kMessages);
        state.ResumeTiming();
        poller.PollPipe();
    }
    if (filler->pipes().messageCount(kPipe) != 0)
        state.SkipWithError("the poll left messages on the pipe");
    if (journalOn && !journal.isWriting())
        state.SkipWithError(journal.failure().c_str());
    state.SetItemsProcessed(state.iterations() * kMessages);
    state.SetLabel(journalOn ? "journal on" : "journal off");
}

} // namespace

// Off, on, off, on: a drift of the machine over the run shows as a
// difference between the two of a kind.
BENCHMARK(BM_DrainWithJournal)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
