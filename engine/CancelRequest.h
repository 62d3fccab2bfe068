#pragma once

#include <atomic>

namespace vexmoor::engine {

// A request to stop what a session runs, made from any thread, or from a
// signal handler: a lock-free flag that the running statement looks at on
// every turn of a loop, on every procedure call and while dbms_pipe waits.
// It stays until a statement has given way to it (see Statement::execute),
// so a request that arrives between two statements stops the next one.
class CancelRequest {
public:
    void request() noexcept { requested_.store(true, std::memory_order_release); }
    bool pending() const noexcept { return requested_.load(std::memory_order_acquire); }
    void clear() noexcept { requested_.store(false, std::memory_order_release); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free,
                  "a signal handler must be able to set it");
    std::atomic<bool> requested_{false};
};

} // namespace vexmoor::engine
