#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::trace {

// The journal keeps every trace line received, one file per program run, so
// that lines thrown away by New, Exit or a crash can be read again.
//
// Profile values (read by the window; a missing value reads as the default):
//   section "Journal", entry "Max Age Days" (int, default 30): files last
//     written longer ago are removed at start-up; 0 or less keeps them all.
//   section "Journal", entry "Max Total MB" (int, default 100; 1 MB =
//     1,048,576 bytes): beyond this size in all, the oldest files are
//     removed at start-up; 0 or less sets no bound.
//   section "Settings", entry "Receipt Time" (int flag, default 0): whether
//     the log window puts the receipt time before each line (JournalSink).
inline constexpr const char* kJournalSection = "Journal";
inline constexpr const char* kJournalMaxAgeDaysEntry = "Max Age Days";
inline constexpr const char* kJournalMaxTotalMegabytesEntry = "Max Total MB";
inline constexpr const char* kReceiptTimeSection = "Settings";
inline constexpr const char* kReceiptTimeEntry = "Receipt Time";

struct JournalLimits {
    int maxAgeDays = 30;
    int maxTotalMegabytes = 100;
};

// Looks up an environment variable; nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// $XDG_STATE_HOME/Orrindale/Vexmoor/journal, or $HOME/.local/state/... when
// XDG_STATE_HOME is unset or not absolute. Empty when neither names a folder.
std::filesystem::path journalFolder(const EnvironmentLookup& environment);
std::filesystem::path journalFolder(); // from the process's environment

// "2026-12-07T16-54-43.123Z.log": a run's start time in UTC, so that names
// sort as the runs started, also across a change of summer time; a run
// started in the same millisecond as another gets "_1", "_2"... before ".log".
std::string journalFileName(std::chrono::system_clock::time_point start, int serial = 0);
bool isJournalFileName(std::string_view name);

// An append-only journal file. Each line is written with one system call as
// it arrives (no buffer of this process holds it), so a crash loses none.
//
// A journal that cannot be written records nothing more: its failure() says
// why, and the failure handler hears of it once. Nothing it does throws.
class Journal {
public:
    using FailureHandler = std::function<void(const std::string& reason)>;

    Journal() = default; // no file: records nothing and never fails
    Journal(Journal&& other) noexcept;
    Journal& operator=(Journal&& other) noexcept;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    // A new file of its own for a run started at `start`, in `folder` (made,
    // 0700, when missing). The file is 0600 and held with a shared lock while
    // this journal lives, so that the retention of another run spares it.
    static Journal createForRun(const std::filesystem::path& folder,
                                std::chrono::system_clock::time_point start);
    // Appends to `file` (made 0600 when missing).
    static Journal appendTo(const std::filesystem::path& file);

    const std::filesystem::path& path() const { return path_; }
    bool isWriting() const { return fd_ >= 0 && failure_.empty(); }
    // Why the journal stopped; empty while it works (or when it has no file).
    const std::string& failure() const { return failure_; }

    // Called once, with failure(), when the journal fails; at once when it
    // has failed already.
    void onFailure(FailureHandler handler);

    // Writes "<ISO receipt time> <line>" and a line feed unless the line
    // ends with one (a line composed with CR LF keeps it as it is).
    void record(std::string_view composedLine, std::chrono::system_clock::time_point received);

private:
    void fail(std::string reason);
    void closeFile();

    int fd_ = -1;
    std::filesystem::path path_;
    std::string failure_;
    FailureHandler handler_;
    bool reported_ = false;
    std::string record_;
};

struct JournalFile {
    std::filesystem::path path;
    std::uintmax_t size = 0;
    std::chrono::system_clock::time_point modified;
};

// The journal files in `folder` (nothing else there), oldest run first.
std::vector<JournalFile> listJournalFiles(const std::filesystem::path& folder);

// The newest journal file other than `current`: after a fatal report, the
// journal of the run that ended in it (as long as no other run started since).
std::optional<std::filesystem::path> newestEarlierJournal(const std::filesystem::path& folder,
                                                          const std::filesystem::path& current);

// Removes, oldest run first, the files last written more than maxAgeDays
// before `now`, then as many more as it takes to bring the total within
// maxTotalMegabytes. Never removes a file named in `keep`, nor one another
// running program holds open as its journal. Returns what it removed.
std::vector<std::filesystem::path> applyRetention(const std::filesystem::path& folder,
                                                  const JournalLimits& limits,
                                                  const std::vector<std::filesystem::path>& keep,
                                                  std::chrono::system_clock::time_point now);

// What a program does with its journal at start-up: notes the newest earlier
// journal, creates this run's, then applies the retention, sparing both when
// `keepPreviousRun` (after a fatal report, so that the next start can name it).
struct JournalStart {
    Journal journal;
    std::optional<std::filesystem::path> previousRun;
    std::vector<std::filesystem::path> removed;
};
JournalStart
startJournal(const std::filesystem::path& folder, const JournalLimits& limits, bool keepPreviousRun,
             std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

} // namespace vexmoor::trace
