#pragma once

#include <cstdint>
#include <filesystem>

namespace vexmoor::engine {

// A 64-bit counter in a small file beside the database, mapped into every
// process that opens the database, so that "has the catalog changed?" costs
// one memory read instead of a read transaction.
//
// A change makes the counter odd, under the database's write lock, before its
// transaction commits, and even again afterwards unless another change has
// begun meanwhile (that one settles it). A reader that sees the same even
// value as last time therefore knows that no change has committed since. A
// process that dies half-way leaves the counter odd, which only sends readers
// the slow way until the next change. Where the file cannot be mapped the counter is unavailable and
// readers always take the slow way.
class ChangeCounter {
public:
    explicit ChangeCounter(const std::filesystem::path& file);
    ~ChangeCounter();
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;

    bool available() const { return value_ != nullptr; }
    std::uint64_t load() const;
    static bool settled(std::uint64_t value) { return value % 2 == 0; }

    // Around a change: begin while holding the database's write lock, end
    // after the commit or rollback with what begin returned.
    std::uint64_t beginChange();
    void endChange(std::uint64_t begun);

private:
    std::uint64_t* value_ = nullptr;
};

// Marks a change for as long as it lives.
class ChangeMark {
public:
    explicit ChangeMark(ChangeCounter& counter) : counter_(counter), begun_(counter.beginChange()) {}
    ~ChangeMark() { counter_.endChange(begun_); }
    ChangeMark(const ChangeMark&) = delete;
    ChangeMark& operator=(const ChangeMark&) = delete;

private:
    ChangeCounter& counter_;
    std::uint64_t begun_;
};

} // namespace vexmoor::engine
