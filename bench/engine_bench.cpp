// The embedded engine's pipe speed, each figure against the raw floor
// measured in the same run: one SQLite insert plus one delete of a message
// row, prepared statements, WAL, synchronous=NORMAL.
//
//   build/bench/bench/engine_bench
//
// The last entry, Ratios, reports the goals as counters:
//   send_drain_vs_floor        >= 0.7   (send + receive + two unpacks)
//   empty_receive_vs_send_drain <= 0.1  (cost of a receive on an empty pipe)
//   two_processes_vs_one       >= 0.25  (sender and drainer in two processes)

#include "bench/BenchSupport.h"
#include "bench/EngineWork.h"
#include "engine/Database.h"
#include "engine/MessageBuffer.h"
#include "engine/PipeStore.h"
#include "engine/Session.h"
#include "engine/Statement.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace bench = vexmoor::bench;

using namespace vexmoor::engine;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

struct Cost {
    double wall = 0; // seconds per operation
    double cpu = 0;  // this process's CPU seconds per operation
};

// Each measurement's cost, for the ratios at the end.
std::map<std::string, Cost>& costs()
{
    static std::map<std::string, Cost> results;
    return results;
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times the loop itself, so the ratios use the same clock for every entry.
class OpTimer {
public:
    OpTimer(benchmark::State& state, std::string name)
        : state_(state), name_(std::move(name)), start_(Clock::now()), cpuStart_(cpuSeconds())
    {
    }
    ~OpTimer()
    {
        double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        double cpu = cpuSeconds() - cpuStart_;
        auto ops = static_cast<double>(state_.iterations());
        if (ops > 0) {
            costs()[name_] = Cost{seconds / ops, cpu / ops};
            state_.counters["ops_per_s"] = ops / seconds;
        }
    }
    OpTimer(const OpTimer&) = delete;
    OpTimer& operator=(const OpTimer&) = delete;

private:
    benchmark::State& state_;
    std::string name_;
    Clock::time_point start_;
    double cpuStart_;
};

// What SendDebugMessage('abc') packs: LENGTH(theMessage), then the text.
std::vector<std::uint8_t> debugMessage(MessageBuffer& buffer)
{
    return bench::PackDebugMessage(buffer, "abc");
}

void RawFloor(benchmark::State& state)
{
    bench::ScratchFolder folder;
    bench::RawMessageTable table(folder.file("floor.db"), "VEXMOOR");
    MessageBuffer buffer;
    std::vector<std::uint8_t> payload = debugMessage(buffer);
    OpTimer timer(state, "floor");
    for (auto _ : state)
        table.InsertAndDelete(payload);
}

void sendAndDrain(PipeStore& pipes, MessageBuffer& buffer, std::vector<std::uint8_t>& received)
{
    pipes.send("vexmoor", debugMessage(buffer), PipeStore::kMaxWait);
    if (pipes.receive("vexmoor", 0ms, received) != 0)
        std::abort();
    buffer.loadReceived(std::move(received));
    benchmark::DoNotOptimize(buffer.unpackNumber());
    benchmark::DoNotOptimize(buffer.unpackVarchar2());
}

void PipeSendDrain(benchmark::State& state)
{
    bench::ScratchFolder folder;
    auto database = Database::open(folder.file("pipes.db"));
    MessageBuffer buffer;
    std::vector<std::uint8_t> received;
    OpTimer timer(state, "pipe_send_drain");
    for (auto _ : state)
        sendAndDrain(database->pipes(), buffer, received);
}

void PipeEmptyReceive(benchmark::State& state)
{
    bench::ScratchFolder folder;
    auto database = Database::open(folder.file("pipes.db"));
    std::vector<std::uint8_t> received;
    // The pipe has been used, as the poller's pipe has.
    MessageBuffer buffer;
    sendAndDrain(database->pipes(), buffer, received);
    OpTimer timer(state, "pipe_empty_receive");
    for (auto _ : state) {
        if (database->pipes().receive("vexmoor", 0ms, received) != 1)
            std::abort();
    }
}

// A child process sends as many messages as this run drains; the parent
// takes them off as a poller does (receive with timeout 0, then the unpacks),
// trying again at once when the pipe is momentarily empty.
void PipeTwoProcesses(benchmark::State& state)
{
    bench::ScratchFolder folder;
    const std::filesystem::path file = folder.file("shared.db");
    Database::open(file); // made before the fork, closed again
    auto count = static_cast<std::int64_t>(state.max_iterations);
    pid_t child = fork();
    if (child == 0) {
        auto database = Database::open(file);
        MessageBuffer buffer;
        for (std::int64_t i = 0; i < count; ++i) {
            if (database->pipes().send("vexmoor", debugMessage(buffer), PipeStore::kMaxWait) != 0)
                _exit(1);
        }
        _exit(0);
    }
    auto database = Database::open(file);
    MessageBuffer buffer;
    std::vector<std::uint8_t> received;
    std::int64_t empty = 0;
    {
        OpTimer timer(state, "pipe_two_processes");
        for (auto _ : state) {
            while (database->pipes().receive("vexmoor", 0ms, received) != 0)
                ++empty;
            buffer.loadReceived(std::move(received));
            benchmark::DoNotOptimize(buffer.unpackNumber());
            benchmark::DoNotOptimize(buffer.unpackVarchar2());
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        state.SkipWithError("sender failed");
    state.counters["empty_receives_per_message"] =
        static_cast<double>(empty) / static_cast<double>(count);
}

using bench::EnginePoller;
using bench::installSendDebugMessage;
using bench::kSend;

void SendDrain(benchmark::State& state)
{
    bench::EngineSendDrain work;
    OpTimer timer(state, "send_drain");
    for (auto _ : state) {
        if (!work.sendAndDrain())
            std::abort();
    }
}

void EmptyReceive(benchmark::State& state)
{
    bench::ScratchFolder folder;
    auto database = Database::open(folder.file("engine.db"));
    installSendDebugMessage(database);
    auto sender = Session::logOn(database, "SYSTEM", "manager");
    sender->prepare(kSend)->execute();
    EnginePoller poller(database);
    poller.receive();
    poller.unpack();
    OpTimer timer(state, "empty_receive");
    for (auto _ : state) {
        if (poller.receive() != 1)
            std::abort();
    }
}

// A child process calls SendDebugMessage as often as this run drains; the
// parent polls as the trace console does, again at once when the pipe is
// momentarily empty.
void TwoProcesses(benchmark::State& state)
{
    bench::ScratchFolder folder;
    const std::filesystem::path file = folder.file("shared.db");
    {
        auto database = Database::open(file);
        installSendDebugMessage(database);
    } // closed before the fork: SQLite connections must not cross it
    auto count = static_cast<std::int64_t>(state.max_iterations);
    pid_t child = fork();
    if (child == 0) {
        try {
            auto database = Database::open(file);
            auto session = Session::logOn(database, "SYSTEM", "manager");
            auto send = session->prepare(kSend);
            for (std::int64_t i = 0; i < count; ++i)
                send->execute();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    auto database = Database::open(file);
    EnginePoller poller(database);
    std::int64_t empty = 0;
    {
        OpTimer timer(state, "two_processes");
        for (auto _ : state) {
            while (poller.receive() != 0)
                ++empty;
            poller.unpack();
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        state.SkipWithError("sender failed");
    state.counters["empty_receives_per_message"] =
        static_cast<double>(empty) / static_cast<double>(count);
}

void Ratios(benchmark::State& state)
{
    for (auto _ : state) {}
    auto& results = costs();
    auto wall = [&](const char* a, const char* b) {
        return results.count(a) && results.count(b) ? results[a].wall / results[b].wall : 0.0;
    };
    auto cpu = [&](const char* a, const char* b) {
        return results.count(a) && results.count(b) ? results[a].cpu / results[b].cpu : 0.0;
    };
    // Rates relative to the floor (higher is better) and costs relative to
    // send + drain (lower is better).
    state.counters["send_drain_vs_floor"] = wall("floor", "send_drain");
    state.counters["send_drain_vs_floor_cpu"] = cpu("floor", "send_drain");
    state.counters["empty_receive_vs_send_drain"] = wall("empty_receive", "send_drain");
    state.counters["empty_receive_vs_send_drain_cpu"] = cpu("empty_receive", "send_drain");
    state.counters["two_processes_vs_one"] = wall("send_drain", "two_processes");
    state.counters["pipe_send_drain_vs_floor"] = wall("floor", "pipe_send_drain");
    state.counters["pipe_empty_receive_vs_send_drain"] =
        wall("pipe_empty_receive", "pipe_send_drain");
    state.counters["pipe_two_processes_vs_one"] = wall("pipe_send_drain", "pipe_two_processes");
}

// PL/SQL loops run by the interpreter, one block per iteration (the blocks
// are in EngineWork.h); items are loop turns, rows for the table loops.
void PlsqlArithmetic(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.measure(state, bench::kArithmeticBlock, bench::kArithmeticTurns);
}

void PlsqlStringBuilding(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.measure(state, bench::kStringBlock, bench::kStringTurns);
}

void PlsqlTableInsert(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.run(bench::kCreateRows);
    loop.measure(state, bench::kInsertRows, bench::kTableRows);
}

void PlsqlCursorLoop(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.run(bench::kCreateRows);
    loop.run(bench::kInsertRows);
    loop.measure(state, bench::kCursorBlock, bench::kTableRows);
}

} // namespace

BENCHMARK(RawFloor)->MinTime(1.0);
BENCHMARK(SendDrain)->MinTime(1.0);
BENCHMARK(EmptyReceive)->MinTime(1.0);
BENCHMARK(TwoProcesses)->MinTime(1.0)->UseRealTime();
BENCHMARK(PipeSendDrain)->MinTime(1.0);
BENCHMARK(PipeEmptyReceive)->MinTime(1.0);
BENCHMARK(PipeTwoProcesses)->MinTime(1.0)->UseRealTime();
BENCHMARK(PlsqlArithmetic)->MinTime(1.0);
BENCHMARK(PlsqlStringBuilding)->MinTime(1.0);
BENCHMARK(PlsqlTableInsert)->MinTime(1.0);
BENCHMARK(PlsqlCursorLoop)->MinTime(1.0);
BENCHMARK(Ratios)->Iterations(1);

BENCHMARK_MAIN();
