// PostgreSQL with orafce set against Vexmoor's own paths and against the
// embedded engine, in one run on a server made for it as the tests make one
// (initdb into a scratch folder, Unix socket only, fsync off):
//
//   build/bench/bench/postgres_bench --benchmark_counters_tabular=true
//
// Without PostgreSQL 15 and orafce it says so and measures nothing. Each
// entry does the same work two ways, once each way in every iteration, so
// that the load of a shared machine falls on both alike, and times only that
// work (manual time, wall clock: the server does most of it, so this
// process's CPU time tells little). Its counters give each way's time per
// iteration in microseconds (the median of the iterations) and `ratio`, the
// first's time over the second's.
//
// The last entry, Ratios, reports the goals as counters:
//   drain_simple_vs_libpq         >= 0.9  poller's rate / a bare libpq loop's
//   drain_typed_vs_libpq          >= 0.9  the same with Auto Unpack
//   send_drain_engine_vs_postgres <= 1    the engine's time / PostgreSQL's
//   plsql_*_engine_vs_postgres    <= 1    the same for each PL/SQL loop

#include "bench/BenchSupport.h"
#include "bench/EngineWork.h"
#include "db/PgSession.h"
#include "options/ProcedureInstaller.h"
#include "support/PostgresServer.h"
#include "trace/PgPipeChannel.h"
#include "trace/PipePoller.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench = vexmoor::bench;

namespace {

using Clock = std::chrono::steady_clock;
using vexmoor::options::describeInstallOutcome;
using vexmoor::options::installProcedures;
using vexmoor::test::PostgresServer;
using vexmoor::trace::PipePoller;

PostgresServer* theServer = nullptr;

// Wall seconds per iteration of each side of an entry (the median), for the
// ratios at the end.
std::map<std::string, double>& costs()
{
    static std::map<std::string, double> results;
    return results;
}

double secondsOf(auto&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Two ways of doing the same work, one after the other in every iteration
// and which goes first in turn, so that the load of a shared machine falls on
// both alike. An iteration's time is the two together.
double median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

template <typename First, typename Second, typename Between>
void measurePair(benchmark::State& state, const std::string& first, const std::string& second,
                 std::int64_t items, First&& runFirst, Second&& runSecond, Between&& between)
{
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    bool firstFirst = true;
    for (auto _ : state) {
        double a = 0;
        double b = 0;
        if (firstFirst) {
            a = secondsOf(runFirst);
            between();
            b = secondsOf(runSecond);
        } else {
            b = secondsOf(runSecond);
            between();
            a = secondsOf(runFirst);
        }
        between();
        firstFirst = !firstFirst;
        firstTimes.push_back(a);
        secondTimes.push_back(b);
        state.SetIterationTime(a + b);
    }
    if (firstTimes.empty())
        return;
    // Medians: a round that waited for the processor is left out, whichever
    // side it fell on.
    const double a = median(std::move(firstTimes));
    const double b = median(std::move(secondTimes));
    costs()[first] = a;
    costs()[second] = b;
    state.counters[first + "_us"] = a * 1e6;
    state.counters[second + "_us"] = b * 1e6;
    state.counters["ratio"] = a / b;
    state.SetItemsProcessed(state.iterations() * items * 2);
}

template <typename First, typename Second>
void measurePair(benchmark::State& state, const std::string& first, const std::string& second,
                 std::int64_t items, First&& runFirst, Second&& runSecond)
{
    measurePair(state, first, second, items, std::forward<First>(runFirst),
                std::forward<Second>(runSecond), [] {});
}

// A connection of libpq's own, without Vexmoor's session around it.
class PgConnection {
public:
    PgConnection()
    {
        const std::string uri = theServer->uri();
        const char* keys[] = {"dbname", "user", "password", nullptr};
        const char* values[] = {uri.c_str(), PostgresServer::kRole, PostgresServer::kPassword,
                                nullptr};
        connection_.reset(PQconnectdbParams(keys, values, /*expand_dbname=*/1));
        if (PQstatus(connection_.get()) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(connection_.get()));
    }

    struct Clear {
        void operator()(PGresult* result) const { PQclear(result); }
    };
    using Result = std::unique_ptr<PGresult, Clear>;

    // One statement with text parameters, as PgSession runs it; throws when
    // it fails.
    Result run(const char* statement, std::initializer_list<const char*> parameters = {})
    {
        const std::vector<const char*> values(parameters);
        Result result(PQexecParams(connection_.get(), statement, static_cast<int>(values.size()),
                                   nullptr, values.data(), nullptr, nullptr, 0));
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            throw std::runtime_error(std::string(statement) + ": "
                                     + PQerrorMessage(connection_.get()));
        return result;
    }

private:
    struct Finish {
        void operator()(PGconn* connection) const { PQfinish(connection); }
    };
    std::unique_ptr<PGconn, Finish> connection_;
};

bool isText(const PgConnection::Result& result, const char* text)
{
    return !PQgetisnull(result.get(), 0, 0)
           && std::strcmp(PQgetvalue(result.get(), 0, 0), text) == 0;
}

// orafce keeps every pipe in a small shared memory area (about 80 short
// messages in all by default), so the drain is filled and drained in batches.
constexpr const char* kDrainPipe = "bench";
constexpr std::int64_t kBatch = 50;
constexpr std::int64_t kBatches = 200; // 10,000 messages

// Puts a batch on the pipe through SendDebugMessage, untimed.
void fillBatch(PgConnection& sender, std::int64_t batch)
{
    for (std::int64_t i = 0; i < kBatch; ++i) {
        const std::string text = "trace message number " + std::to_string(batch * kBatch + i);
        sender.run("call SendDebugMessage($1, $2)", {text.c_str(), kDrainPipe});
    }
}

// The receive and the unpacks that PgPipeChannel sends, in a plain loop.
class BareDrain {
public:
    // Returns how many messages it took off the pipe.
    std::int64_t drain(bool typed)
    {
        std::int64_t received = 0;
        while (isText(connection_.run(receive_.c_str(), {kDrainPipe}), "0")) {
            ++received;
            if (typed)
                readItems();
            else
                readSimple();
        }
        return received;
    }

private:
    void readSimple()
    {
        benchmark::DoNotOptimize(PQgetvalue(connection_.run(length_.c_str()).get(), 0, 0));
        benchmark::DoNotOptimize(PQgetvalue(connection_.run(text_.c_str()).get(), 0, 0));
    }
    void readItems()
    {
        for (;;) {
            const auto item = connection_.run(item_.c_str());
            if (isText(item, "0"))
                return;
            benchmark::DoNotOptimize(PQgetvalue(item.get(), 0, 1));
        }
    }

    PgConnection connection_;
    const std::string receive_{vexmoor::trace::kPgReceiveStatement};
    const std::string length_{vexmoor::trace::kPgLengthUnpackStatement};
    const std::string text_{vexmoor::trace::kPgTextUnpackStatement};
    const std::string item_{vexmoor::trace::kPgItemStatement};
};

// The poller (PgPipeChannel and PollPipe into a sink that keeps nothing)
// and the bare loop drain a batch each in turn; a batch is put on the pipe,
// untimed, before each drain.
void drainBoth(benchmark::State& state, bool typed, const std::string& name)
{
    PgConnection sender;
    vexmoor::db::PgSession session;
    if (!session.logOn(PostgresServer::kRole, PostgresServer::kPassword, theServer->uri()))
        throw std::runtime_error(session.errorText());
    vexmoor::trace::PgPipeChannel channel(session);
    bench::NullSink sink;
    PipePoller poller(channel, sink);
    poller.Settings().m_strPipeName = kDrainPipe;
    poller.Settings().m_bAutoUnpack = typed;
    BareDrain bare;
    std::int64_t batch = 0;
    fillBatch(sender, batch++);
    measurePair(
        state, name + "_poller", name + "_libpq", kBatch,
        [&] {
            if (poller.PollPipe() != kBatch)
                throw std::runtime_error("the poll did not drain the batch");
        },
        [&] {
            if (bare.drain(typed) != kBatch)
                throw std::runtime_error("the loop did not drain the batch");
        },
        [&] { fillBatch(sender, batch++); });
    bare.drain(typed);
}

void DrainSimple_PollerVsLibpq(benchmark::State& state)
{
    drainBoth(state, false, "drain_simple");
}
void DrainTyped_PollerVsLibpq(benchmark::State& state)
{
    drainBoth(state, true, "drain_typed");
}

// engine_bench's SendDrain, then the same through libpq: SendDebugMessage('abc')
// on one connection, the poller's receive and two unpacks on another.
void SendDrain_EngineVsPostgres(benchmark::State& state)
{
    bench::EngineSendDrain engine;
    PgConnection sender;
    PgConnection poller;
    const std::string receive(vexmoor::trace::kPgReceiveStatement);
    const std::string length(vexmoor::trace::kPgLengthUnpackStatement);
    const std::string text(vexmoor::trace::kPgTextUnpackStatement);
    measurePair(
        state, "send_drain_engine", "send_drain_postgres", 1,
        [&] {
            if (!engine.sendAndDrain())
                throw std::runtime_error("the engine lost the message");
        },
        [&] {
            sender.run("call SendDebugMessage('abc')");
            if (!isText(poller.run(receive.c_str(), {"vexmoor"}), "0"))
                throw std::runtime_error("PostgreSQL lost the message");
            benchmark::DoNotOptimize(PQgetvalue(poller.run(length.c_str()).get(), 0, 0));
            benchmark::DoNotOptimize(PQgetvalue(poller.run(text.c_str()).get(), 0, 0));
        });
}

// The engine's PL/SQL loops of engine_bench and the same loops in PL/pgSQL,
// each a procedure made once, as the engine prepares its block once. NUMBER
// is numeric there. A PL/pgSQL text starts as '' where PL/SQL's starts NULL:
// NULL || 'x' is NULL in PostgreSQL and 'x' in Oracle.
constexpr const char* kPostgresLoops = R"(
create procedure bench_arithmetic() language plpgsql as $$
declare n numeric := 0;
begin
  for i in 1..100000 loop n := n + mod(i, 7) * 2 - 1; end loop;
end $$;
create procedure bench_strings() language plpgsql as $$
declare s varchar(32767) := '';
begin
  for i in 1..3000 loop s := s || substr('0123456789', 1 + mod(i, 3), 7) || ','; end loop;
end $$;
create table bench_rows (id numeric primary key, name varchar(30));
create procedure bench_insert_rows() language plpgsql as $$
begin
  delete from bench_rows;
  for i in 1..10000 loop insert into bench_rows values (i, 'row ' || i); end loop;
  commit;
end $$;
create procedure bench_cursor_loop() language plpgsql as $$
declare n numeric := 0; r record;
begin
  for r in select id, name from bench_rows loop n := n + r.id + length(r.name); end loop;
end $$;
)";

// The engine's block and PostgreSQL's procedure in turn.
void loopBoth(benchmark::State& state, const std::string& name, const char* block, const char* call,
              std::int64_t turns)
{
    bench::PlsqlLoop loop;
    const auto statement = loop.prepare(block);
    PgConnection connection;
    measurePair(
        state, name + "_engine", name + "_postgres", turns, [&] { statement->execute(); },
        [&] { connection.run(call); });
}

void PlsqlArithmetic_EngineVsPostgres(benchmark::State& state)
{
    loopBoth(state, "arithmetic", bench::kArithmeticBlock, "call bench_arithmetic()",
             bench::kArithmeticTurns);
}
void PlsqlStringBuilding_EngineVsPostgres(benchmark::State& state)
{
    loopBoth(state, "strings", bench::kStringBlock, "call bench_strings()", bench::kStringTurns);
}
// The engine's file reuses a deleted row's space at once; PostgreSQL leaves
// that to VACUUM, which runs untimed after each of its blocks so that every
// block starts from the same table, as the engine's does.
void PlsqlTableInsert_EngineVsPostgres(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.run(bench::kCreateRows);
    const auto statement = loop.prepare(bench::kInsertRows);
    PgConnection connection;
    measurePair(
        state, "insert_engine", "insert_postgres", bench::kTableRows, [&] { statement->execute(); },
        [&] {
            connection.run("call bench_insert_rows()");
            connection.run("vacuum bench_rows");
        });
}
void PlsqlCursorLoop_EngineVsPostgres(benchmark::State& state)
{
    bench::PlsqlLoop loop;
    loop.run(bench::kCreateRows);
    loop.run(bench::kInsertRows);
    const auto statement = loop.prepare(bench::kCursorBlock);
    PgConnection connection;
    connection.run("call bench_insert_rows()");
    connection.run("vacuum analyze bench_rows");
    measurePair(
        state, "cursor_engine", "cursor_postgres", bench::kTableRows, [&] { statement->execute(); },
        [&] { connection.run("call bench_cursor_loop()"); });
}

void Ratios(benchmark::State& state)
{
    for (auto _ : state) {}
    auto& results = costs();
    auto ratio = [&](const char* a, const char* b) {
        return results.count(a) && results.count(b) ? results[a] / results[b] : 0.0;
    };
    // Rates relative to the bare loop (higher is better).
    state.counters["drain_simple_vs_libpq"] = ratio("drain_simple_libpq", "drain_simple_poller");
    state.counters["drain_typed_vs_libpq"] = ratio("drain_typed_libpq", "drain_typed_poller");
    // The engine's time relative to PostgreSQL's (lower is better).
    state.counters["send_drain_engine_vs_postgres"] =
        ratio("send_drain_engine", "send_drain_postgres");
    state.counters["plsql_arithmetic_engine_vs_postgres"] =
        ratio("arithmetic_engine", "arithmetic_postgres");
    state.counters["plsql_strings_engine_vs_postgres"] =
        ratio("strings_engine", "strings_postgres");
    state.counters["plsql_insert_engine_vs_postgres"] = ratio("insert_engine", "insert_postgres");
    state.counters["plsql_cursor_engine_vs_postgres"] = ratio("cursor_engine", "cursor_postgres");
}

// Makes orafce, SendDebugMessage and the loops' procedures, through
// Vexmoor's own installer where it has one.
void prepareServer()
{
    vexmoor::db::PgSession session;
    if (!session.logOn(PostgresServer::kRole, PostgresServer::kPassword, theServer->uri()))
        throw std::runtime_error(session.errorText());
    vexmoor::trace::PgPipeChannel channel(session);
    const auto refused = installProcedures(channel);
    if (!refused.empty())
        throw std::runtime_error(describeInstallOutcome(refused));
    theServer->runSql(kPostgresLoops);
}

} // namespace

BENCHMARK(DrainSimple_PollerVsLibpq)->Iterations(kBatches)->UseManualTime();
BENCHMARK(DrainTyped_PollerVsLibpq)->Iterations(kBatches)->UseManualTime();
BENCHMARK(SendDrain_EngineVsPostgres)->MinTime(2.0)->UseManualTime();
BENCHMARK(PlsqlArithmetic_EngineVsPostgres)
    ->MinTime(2.0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlsqlStringBuilding_EngineVsPostgres)
    ->MinTime(2.0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlsqlTableInsert_EngineVsPostgres)
    ->MinTime(2.0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlsqlCursorLoop_EngineVsPostgres)
    ->MinTime(2.0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Ratios)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const auto binaries = PostgresServer::findBinaries();
    if (!binaries) {
        std::cout << "postgres_bench: PostgreSQL 15 with orafce is not installed (apt-get install "
                     "postgresql-15 postgresql-15-orafce); nothing measured\n";
        return 0;
    }
    try {
        PostgresServer server(*binaries);
        theServer = &server;
        prepareServer();
        benchmark::RunSpecifiedBenchmarks();
        theServer = nullptr;
    } catch (const std::exception& error) {
        std::cerr << "postgres_bench: " << error.what() << '\n';
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
