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
// the slow way until the next change.
//
// Every process that writes must move the counter, or readers elsewhere would
// miss its changes: a file that cannot be opened and mapped raises
// std::system_error instead of leaving the counter out. The file's block is
// reserved before it is mapped, so a write through the mapping never needs
// space on the disk (on a full disk it would otherwise end the process with
// SIGBUS). Where mapping files is not supported the counter is unavailable
// and readers always take the slow way.
class ChangeCounter {
public:
    // `mode`: the permissions a new file gets, whatever the umask (those of
    // the database file beside it).
    explicit ChangeCounter(const std::filesystem::path& file, unsigned mode = 0600);
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
    explicit ChangeMark(ChangeCounter& counter) : counter_(counter), begun_(counter.beginChange())
    {
    }
    ~ChangeMark() { counter_.endChange(begun_); }
    ChangeMark(const ChangeMark&) = delete;
    ChangeMark& operator=(const ChangeMark&) = delete;

private:
    ChangeCounter& counter_;
    std::uint64_t begun_;
};

} // namespace vexmoor::engine
