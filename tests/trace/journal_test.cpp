// The journal: every line the poller hands over lands in the run's file, with
// its receipt time, before the window gets it; a journal that fails never
// holds the lines up; old runs go, oldest first.

#include "support/EmbeddedTraceDatabase.h"
#include "support/ScratchFolder.h"
#include "trace/Journal.h"
#include "trace/JournalSink.h"
#include "trace/ReceiptTime.h"

#include "support/FilePermissions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmoor::trace {

namespace {

using namespace std::chrono_literals;
using std::chrono::system_clock;
using namespace vexmoor::test;

// 2026-12-07T16:54:43.123Z
const system_clock::time_point kMoment{std::chrono::milliseconds(1'796'662'483'123)};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Sets TZ for the life of a scope.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone()
    {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

void SetModified(const std::filesystem::path& path, system_clock::time_point time)
{
    const auto sinceEpoch = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const timespec times[2] = {
        {static_cast<time_t>(seconds.count()), 0},
        {static_cast<time_t>(seconds.count()),
         static_cast<long>(std::chrono::nanoseconds(sinceEpoch - seconds).count())}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// The window's side: checks, as each line arrives, that the journal already
// holds it.
class WindowAfterJournal final : public LineSink {
public:
    explicit WindowAfterJournal(const Journal& journal) : journal_(journal) {}
    void AppendLine(std::string_view composedLine) override
    {
        lines.emplace_back(composedLine);
        journalWhenShown.push_back(ReadFile(journal_.path()));
    }
    std::vector<std::string> lines;
    std::vector<std::string> journalWhenShown;

private:
    const Journal& journal_;
};

} // namespace

TEST(ReceiptTime, FormatsTheLocalTimeToTheMillisecond)
{
    struct Case {
        const char* zone;
        system_clock::time_point moment;
        const char* receipt;
        const char* journal;
    };
    const Case cases[] = {
        {"UTC0", kMoment, "16:54:43.123", "2026-12-07T16:54:43.123+00:00"},
        {"XST-5:30", kMoment, "22:24:43.123", "2026-12-07T22:24:43.123+05:30"},
        {"XST5", kMoment - 116ms, "11:54:43.007", "2026-12-07T11:54:43.007-05:00"},
        // A moment before 1970 counts its milliseconds from the start of its second.
        {"XST5", system_clock::time_point(-1ms), "18:59:59.999", "1969-12-31T18:59:59.999-05:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone + std::string(" ") + c.receipt);
        const TimeZone zone(c.zone);
        EXPECT_EQ(formatReceiptTime(c.moment), c.receipt);
        EXPECT_EQ(formatJournalTime(c.moment), c.journal);
    }
}

TEST(Journal, FileNamesSortAsRunsStartedWhateverTheTimeZone)
{
    const TimeZone zone("XST-5:30");
    EXPECT_EQ(journalFileName(kMoment), "2026-12-07T16-54-43.123Z.log");
    EXPECT_EQ(journalFileName(kMoment, 2), "2026-12-07T16-54-43.123Z_2.log");
    EXPECT_LT(journalFileName(kMoment), journalFileName(kMoment, 1));
    EXPECT_LT(journalFileName(kMoment, 1), journalFileName(kMoment + 1ms));
    const std::map<std::string, bool> names{
        {"2026-12-07T16-54-43.123Z.log", true},   {"2026-12-07T16-54-43.123Z_12.log", true},
        {"2026-12-07T16-54-43.123Z_.log", false}, {"2026-12-07T16-54-43.123.log", false},
        {"2026-12-07T16-54-43.123Z.txt", false},  {"notes.log", false},
        {"2026-12-07X16-54-43.123Z.log", false},
    };
    for (const auto& [name, journal] : names)
        EXPECT_EQ(isJournalFileName(name), journal) << name;
}

TEST(Journal, FolderFollowsXdgStateHomeElseHome)
{
    struct Case {
        std::map<std::string, std::string> environment;
        std::filesystem::path folder;
    };
    const Case cases[] = {
        {{{"XDG_STATE_HOME", "/x/state"}, {"HOME", "/home/u"}},
         "/x/state/Orrindale/Vexmoor/journal"},
        {{{"XDG_STATE_HOME", "relative"}, {"HOME", "/home/u"}},
         "/home/u/.local/state/Orrindale/Vexmoor/journal"},
        {{{"XDG_STATE_HOME", ""}, {"HOME", "/home/u"}},
         "/home/u/.local/state/Orrindale/Vexmoor/journal"},
        {{{"HOME", "/home/u"}}, "/home/u/.local/state/Orrindale/Vexmoor/journal"},
        {{}, ""},
    };
    for (const Case& c : cases) {
        const auto lookup = [&c](const char* name) -> std::optional<std::string> {
            const auto found = c.environment.find(name);
            if (found == c.environment.end())
                return std::nullopt;
            return found->second;
        };
        EXPECT_EQ(journalFolder(lookup), c.folder) << testing::PrintToString(c.environment);
    }
}

// Two runs started in the same millisecond, the second with the receipt time
// shown: each has its own file, holding every line in order with the time it
// was received, written before the window got the line.
TEST(Journal, HoldsEveryLineWithItsReceiptTimeBeforeTheWindowGetsIt)
{
    const ScratchFolder scratch;
    const std::filesystem::path folder = scratch.path() / "state" / "journal";
    const std::vector<std::string> lines{"first\r\n", "second: 'x'\r\n", "MESSAGE:\r\n",
                                         "no line end", "\r\n"};
    system_clock::time_point now = kMoment;
    const auto clock = [&now] { return now += 250ms; };

    std::vector<std::filesystem::path> files;
    for (const bool receiptTime : {false, true}) {
        SCOPED_TRACE(receiptTime ? "receipt time on" : "receipt time off");
        Journal journal = Journal::createForRun(folder, kMoment);
        ASSERT_TRUE(journal.isWriting()) << journal.failure();
        WindowAfterJournal window(journal);
        JournalSink sink(window, &journal, clock);
        sink.setReceiptTime(receiptTime);

        std::string expectedJournal;
        std::vector<std::string> expectedWindow;
        for (const std::string& line : lines) {
            sink.AppendLine(line);
            expectedJournal +=
                formatJournalTime(now) + " " + line + (line.ends_with('\n') ? "" : "\n");
            expectedWindow.push_back(receiptTime ? formatReceiptTime(now) + " " + line : line);
            EXPECT_EQ(window.journalWhenShown.back(), expectedJournal);
        }
        EXPECT_EQ(window.lines, expectedWindow);
        EXPECT_EQ(ReadFile(journal.path()), expectedJournal);
        files.push_back(journal.path());
    }
    ASSERT_NE(files[0], files[1]);
    std::vector<std::filesystem::path> listed;
    for (const JournalFile& file : listJournalFiles(folder))
        listed.push_back(file.path);
    EXPECT_EQ(listed, files);

    struct stat status {};
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    for (const auto& file : files) {
        ASSERT_EQ(::stat(file.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u) << file;
    }
}

TEST(Journal, ThatCannotBeWrittenReportsOnceAndLetsEveryLineThrough)
{
    const ScratchFolder scratch;
    const std::filesystem::path regularFile = scratch.path() / "a file";
    std::ofstream(regularFile) << "not a folder";
    const std::filesystem::path readOnly = scratch.path() / "read-only";
    std::filesystem::create_directory(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read
                                               | std::filesystem::perms::owner_exec);

    struct Case {
        const char* name;
        std::function<Journal()> open;
    };
    const Case cases[] = {
        {"folder below a regular file",
         [&] { return Journal::createForRun(regularFile / "journal", kMoment); }},
        {"read-only folder", [&] { return Journal::createForRun(readOnly, kMoment); }},
        {"read-only folder to be made below",
         [&] { return Journal::createForRun(readOnly / "journal", kMoment); }},
        {"disk full", [] { return Journal::appendTo("/dev/full"); }},
        {"file in a read-only folder", [&] { return Journal::appendTo(readOnly / "j.log"); }},
    };
    // As an ordinary user: root would write into the read-only folder.
    std::thread([&] {
        ASSERT_TRUE(test::dropFilePermissionOverrides());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Journal journal = c.open();
            std::vector<std::string> reports;
            journal.onFailure([&reports](const std::string& reason) { reports.push_back(reason); });
            RecordingSink window;
            JournalSink sink(window, &journal);
            sink.setReceiptTime(true);
            for (const char* line : {"one\r\n", "two\r\n", "three\r\n"})
                sink.AppendLine(line);
            sink.endOfPoll();
            sink.AppendLine("four\r\n");

            ASSERT_EQ(window.lines.size(), 4u);
            EXPECT_TRUE(window.lines[3].ends_with(" four\r\n")) << window.lines[3];
            EXPECT_EQ(window.endsOfPoll, 1);
            EXPECT_FALSE(journal.isWriting());
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports.front(), journal.failure());
            EXPECT_NE(reports.front().find("journal"), std::string::npos) << reports.front();
        }
    }).join();
}

TEST(Journal, RetentionRemovesOldRunsOldestFirstAndKeepsTheCurrentOne)
{
    struct File {
        int ageDays;
        int megabytes;
        bool current = false;
        bool inUse = false; // held open by another run
    };
    struct Case {
        const char* name;
        std::vector<File> files; // oldest run first
        JournalLimits limits;
        std::vector<int> removed; // indices, in the order removed
    };
    const std::vector<Case> cases{
        {"by age", {{40, 0}, {31, 0}, {29, 0}, {0, 0, true}}, {30, 100}, {0, 1}},
        {"by total size", {{3, 1}, {2, 1}, {1, 1}, {0, 0, true}}, {30, 2}, {0}},
        {"age first, then size", {{40, 1}, {3, 1}, {2, 1}, {1, 1}, {0, 0, true}}, {30, 2}, {0, 1}},
        {"current run too old and too large", {{40, 3, true}, {5, 1}, {4, 1}}, {30, 2}, {1, 2}},
        {"held open by another run", {{40, 0, false, true}, {35, 0}, {0, 0, true}}, {30, 100}, {1}},
        {"no limits", {{400, 2}, {0, 0, true}}, {0, 0}, {}},
    };
    const system_clock::time_point now = system_clock::now();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder scratch;
        const std::filesystem::path folder = scratch.path();
        std::vector<std::filesystem::path> paths;
        std::vector<std::filesystem::path> keep;
        std::vector<Journal> inUse;
        for (const File& file : c.files) {
            const auto started = now - std::chrono::days(file.ageDays) - 1h;
            paths.push_back(folder / journalFileName(started));
            std::ofstream(paths.back()) << "a line\n";
            std::filesystem::resize_file(paths.back(), static_cast<std::uintmax_t>(file.megabytes)
                                                           << 20);
            SetModified(paths.back(), started + 30min);
            if (file.current)
                keep.push_back(paths.back());
            if (file.inUse)
                inUse.push_back(Journal::appendTo(paths.back()));
        }
        const std::filesystem::path foreign = folder / "notes.txt";
        std::ofstream(foreign) << std::string(3 << 20, 'n');
        SetModified(foreign, now - std::chrono::days(400));

        std::vector<std::filesystem::path> expected;
        for (const int index : c.removed)
            expected.push_back(paths[static_cast<std::size_t>(index)]);
        EXPECT_EQ(applyRetention(folder, c.limits, keep, now), expected);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const bool removed =
                std::find(expected.begin(), expected.end(), paths[i]) != expected.end();
            EXPECT_EQ(std::filesystem::exists(paths[i]), !removed) << i;
        }
        EXPECT_TRUE(std::filesystem::exists(foreign));
    }
}

// After a fatal report the next start names the crashed run's journal; the
// retention spares it then, however old.
TEST(Journal, StartNamesThePreviousRunAndSparesItAfterAFatalReport)
{
    for (const bool afterFatalReport : {false, true}) {
        SCOPED_TRACE(afterFatalReport ? "after a fatal report" : "after a normal exit");
        const ScratchFolder scratch;
        const system_clock::time_point now = system_clock::now();
        std::vector<std::filesystem::path> earlier;
        for (const int ageDays : {60, 45}) {
            const auto started = now - std::chrono::days(ageDays);
            earlier.push_back(scratch.path() / journalFileName(started));
            std::ofstream(earlier.back()) << "a line\n";
            SetModified(earlier.back(), started);
        }
        const JournalStart start = startJournal(scratch.path(), {}, afterFatalReport, now);
        ASSERT_TRUE(start.journal.isWriting()) << start.journal.failure();
        EXPECT_EQ(start.previousRun, earlier[1]);
        EXPECT_EQ(newestEarlierJournal(scratch.path(), start.journal.path()),
                  afterFatalReport ? std::optional(earlier[1]) : std::nullopt);
        EXPECT_EQ(start.removed.size(), afterFatalReport ? 1u : 2u);
        EXPECT_FALSE(std::filesystem::exists(earlier[0]));
        EXPECT_TRUE(std::filesystem::exists(start.journal.path()));
    }
}

} // namespace vexmoor::trace
