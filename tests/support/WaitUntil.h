#pragma once

#include <chrono>
#include <concepts>
#include <thread>

namespace vexmoor::test {

// How long a test waits for another process or thread before it calls the
// wait a fault: far beyond anything a loaded build machine takes, so that
// reaching it means the awaited thing never happens.
inline constexpr std::chrono::milliseconds kGenerousDeadline{std::chrono::seconds(30)};

// Asks `condition` until it holds or `deadline` has passed; whether it held.
// The short pause between asks only leaves the processor to whoever is being
// waited for; the wait ends as soon as the condition holds.
template <std::predicate Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds deadline = kGenerousDeadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Whether `condition` holds all through `window`, asked as often as
// waitUntil asks; false as soon as it fails. For what must not happen: first
// wait for the sign that the other side has reached the point in question,
// then watch. The window is the behaviour under test, not a guess at how long
// something takes.
template <std::predicate Condition>
bool holdsThroughout(Condition&& condition, std::chrono::milliseconds window)
{
    return !waitUntil([&] { return !condition(); }, window);
}

} // namespace vexmoor::test
