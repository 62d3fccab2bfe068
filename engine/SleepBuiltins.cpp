// DBMS_LOCK.SLEEP and DBMS_SESSION.SLEEP: the pause between two traces of a
// demonstration or a polling loop.
#include "BuiltinArgs.h"
#include "Builtins.h"
#include "Interpreter.h"
#include "OraError.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace vexmoor::engine {

namespace {

using namespace builtin_args;

// Oracle's bound on one sleep.
constexpr double kLongestSleepSeconds = 3'000'000;
// A cancel is seen within this.
constexpr auto kSleepStep = std::chrono::milliseconds(20);

// Sleeps the seconds asked, to the hundredth, in steps that look for a
// cancel; a session with a bound on its waits sleeps no longer than it.
Value sleep(BuiltinCall& call)
{
    if (call.args[0].isNull())
        throw oraError(6502, {""});
    const double seconds = numberOf(call, 0);
    if (seconds < 0 || seconds > kLongestSleepSeconds)
        throw oraError(6502, {""});
    auto left = std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 100) * 10);
    if (const auto longest = call.interpreter.state().limits.longestWait)
        left = std::min(left, *longest);
    const auto until = std::chrono::steady_clock::now() + left;
    for (;;) {
        checkCancel(call.interpreter.state());
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return Value();
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kSleepStep, until - now));
    }
}

constexpr std::array kSeconds{BuiltinParam{"SECONDS"}};

constexpr std::array kSleeps{
    BuiltinDef{"DBMS_LOCK", "SLEEP", false, ValueType::Null, kSeconds, sleep},
    BuiltinDef{"DBMS_SESSION", "SLEEP", false, ValueType::Null, kSeconds, sleep},
};

} // namespace

std::span<const BuiltinDef> sleepBuiltins()
{
    return kSleeps;
}

} // namespace vexmoor::engine
