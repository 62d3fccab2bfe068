// The log window as a sink, on Qt's offscreen platform.
//
//   log_window_gui_bench --benchmark_counters_tabular=true
//
// BM_AppendCost/MODE: a 100,000-line log built one line per poll (the worst
// case: every line reaches the window on its own); last_over_first is what the
// last 1,000 lines cost against the first 1,000, in CPU time of this thread
// (wall time on a shared machine measures the neighbours). The sampled lines
// each go back to the event loop, which paints the window once per line; the
// 98,000 in between do so every 100 lines, to keep the run short. MODE 0
// shown, 1 hidden, 2 minimised.
//
// BM_DrainIntoWindow/MODE: 100,000 waiting messages drained by one poll into
// a sink that keeps nothing and, in the same run, into the log window;
// window_over_null is the window's rate against the null sink's (wall time;
// window_over_null_cpu the same in CPU time of this thread).
//
// BM_DrainIntoWindowWithJournal: 100,000 waiting messages drained into the
// shown log window with the journal off and, in the same run, on (each line
// written to this run's journal file with its receipt time before the window
// gets it); on_over_off is the rate with the journal against the rate
// without (wall time; on_over_off_cpu in CPU time of this thread).

#include "base/Profile.h"
#include "bench/BenchSupport.h"
#include "db/OciSession.h"
#include "engine/Database.h"
#include "engine/PipeStore.h"
#include "trace/CVexmoorView.h"
#include "trace/Journal.h"
#include "trace/PipePoller.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include <time.h>

namespace bench = vexmoor::bench;

namespace {

using vexmoor::base::MemoryProfile;
using vexmoor::base::Profile;
using vexmoor::db::OciSession;
using vexmoor::trace::CVexmoorView;
using vexmoor::trace::PipePoller;
using Clock = std::chrono::steady_clock;
using vexmoor::engine::Database;

constexpr const char* kPipe = "vexmoor";
constexpr int kLogLines = 100'000;
constexpr int kSample = 1'000;

enum WindowMode { kShown = 0, kHidden = 1, kMinimised = 2 };

void Place(CVexmoorView& view, int mode)
{
    view.resize(800, 600);
    if (mode == kShown)
        view.show();
    else if (mode == kMinimised)
        view.showMinimized();
    QCoreApplication::processEvents();
}

double ThreadCpuMilliseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_AppendCost(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    OciSession session; // never logged on: these polls come from no database
    MemoryProfile profile;
    double first = 0;
    double last = 0;
    for (auto _ : state) {
        CVexmoorView view(profile, session);
        Place(view, mode);
        double sampleStart = ThreadCpuMilliseconds();
        for (int line = 0; line < kLogLines; ++line) {
            view.AppendLine("trace message number " + std::to_string(line) + " with its text\r\n");
            view.endOfPoll();
            const bool sampled = line < kSample || line >= kLogLines - kSample;
            if (sampled || line % 100 == 0)
                QCoreApplication::processEvents();
            if (line + 1 == kSample)
                first = ThreadCpuMilliseconds() - sampleStart;
            else if (line + 1 == kLogLines - kSample)
                sampleStart = ThreadCpuMilliseconds();
        }
        last = ThreadCpuMilliseconds() - sampleStart;
        if (view.document()->blockCount() != kLogLines + 1)
            state.SkipWithError("the window lost lines");
    }
    state.counters["first_1000_cpu_ms"] = first;
    state.counters["last_1000_cpu_ms"] = last;
    state.counters["last_over_first"] = last / first;
    state.SetItemsProcessed(state.iterations() * kLogLines);
}

void BM_DrainIntoWindow(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    bench::EmbeddedPipes pipes(state);
    if (!pipes.ready())
        return;
    const auto& filler = pipes.filler;
    OciSession& session = pipes.session;
    MemoryProfile profile;
    double nullSeconds = 0;
    double windowSeconds = 0;
    double nullCpu = 0;
    double windowCpu = 0;
    for (auto _ : state) {
        bench::NullSink sink;
        PipePoller poller(session, sink);
        bench::FillPipe(*filler, kPipe, kLogLines);
        Clock::time_point start = Clock::now();
        double cpuStart = ThreadCpuMilliseconds();
        poller.PollPipe();
        nullCpu = ThreadCpuMilliseconds() - cpuStart;
        nullSeconds = std::chrono::duration<double>(Clock::now() - start).count();

        CVexmoorView view(profile, session);
        Place(view, mode);
        bench::FillPipe(*filler, kPipe, kLogLines);
        start = Clock::now();
        cpuStart = ThreadCpuMilliseconds();
        view.PollPipe();
        QCoreApplication::processEvents();
        windowCpu = ThreadCpuMilliseconds() - cpuStart;
        windowSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(windowSeconds);
        if (view.document()->blockCount() != kLogLines + 1
            || filler->pipes().messageCount(kPipe) != 0)
            state.SkipWithError("the window did not get every message");
    }
    state.counters["null_msgs_per_s"] = kLogLines / nullSeconds;
    state.counters["window_msgs_per_s"] = kLogLines / windowSeconds;
    state.counters["window_over_null"] = nullSeconds / windowSeconds;
    state.counters["window_over_null_cpu"] = nullCpu / windowCpu;
    state.SetItemsProcessed(state.iterations() * kLogLines);
}

// One drain of kLogLines messages into a shown window; wall seconds and CPU ms.
std::pair<double, double> DrainIntoShownWindow(Profile& profile, OciSession& session,
                                               Database& filler, vexmoor::trace::Journal* journal,
                                               benchmark::State& state)
{
    CVexmoorView view(profile, session);
    view.setJournal(journal);
    Place(view, kShown);
    bench::FillPipe(filler, kPipe, kLogLines);
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadCpuMilliseconds();
    view.PollPipe();
    QCoreApplication::processEvents();
    const double cpu = ThreadCpuMilliseconds() - cpuStart;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (view.document()->blockCount() != kLogLines + 1 || filler.pipes().messageCount(kPipe) != 0)
        state.SkipWithError("the window did not get every message");
    return {seconds, cpu};
}

void BM_DrainIntoWindowWithJournal(benchmark::State& state)
{
    bench::EmbeddedPipes pipes(state);
    if (!pipes.ready())
        return;
    const auto& filler = pipes.filler;
    OciSession& session = pipes.session;
    MemoryProfile profile;
    for (auto _ : state) {
        const auto [offSeconds, offCpu] =
            DrainIntoShownWindow(profile, session, *filler, nullptr, state);
        vexmoor::trace::Journal journal = vexmoor::trace::Journal::createForRun(
            pipes.folder.file("journal"), std::chrono::system_clock::now());
        const auto [onSeconds, onCpu] =
            DrainIntoShownWindow(profile, session, *filler, &journal, state);
        if (!journal.isWriting())
            state.SkipWithError(("the journal failed: " + journal.failure()).c_str());
        state.SetIterationTime(onSeconds);
        state.counters["off_msgs_per_s"] = kLogLines / offSeconds;
        state.counters["on_msgs_per_s"] = kLogLines / onSeconds;
        state.counters["on_over_off"] = offSeconds / onSeconds;
        state.counters["on_over_off_cpu"] = offCpu / onCpu;
    }
    state.SetItemsProcessed(state.iterations() * kLogLines);
}

} // namespace

BENCHMARK(BM_AppendCost)
    ->Arg(kShown)
    ->Arg(kHidden)
    ->Arg(kMinimised)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DrainIntoWindow)
    ->Arg(kShown)
    ->Arg(kHidden)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

BENCHMARK(BM_DrainIntoWindowWithJournal)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
