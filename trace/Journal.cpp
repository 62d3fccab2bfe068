#include "Journal.h"

#include "ReceiptTime.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmoor::trace {

namespace {

constexpr std::string_view kJournalSuffix = ".log";
// Runs started in one millisecond beyond this many would be a fault elsewhere.
constexpr int kMostRunsPerMillisecond = 1000;
constexpr std::uintmax_t kBytesPerMegabyte = 1024 * 1024;

std::string systemErrorText(int error)
{
    return std::strerror(error);
}

// Makes `folder` and any missing parent, each 0700: the journal holds what
// stored code traced, which is for its user alone.
bool makeFolder(const std::filesystem::path& folder, int& error)
{
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return false;
        }
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        error = ENOTDIR;
        return false;
    }
    // A folder made by hand keeps its owner, but not room for others to read.
    if ((status.st_mode & 077) != 0)
        ::chmod(folder.c_str(), status.st_mode & 0700);
    return true;
}

bool allDigits(std::string_view text)
{
    return !text.empty()
           && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::chrono::system_clock::time_point modificationTime(const struct stat& status)
{
    using namespace std::chrono;
    return system_clock::time_point(duration_cast<system_clock::duration>(
        seconds(status.st_mtim.tv_sec) + nanoseconds(status.st_mtim.tv_nsec)));
}

// Removes a journal file unless another run holds it open as its journal.
bool removeUnlessInUse(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool removed = free && ::unlink(file.c_str()) == 0;
    ::close(fd);
    return removed;
}

} // namespace

std::filesystem::path journalFolder(const EnvironmentLookup& environment)
{
    const std::filesystem::path below = std::filesystem::path("Orrindale") / "Vexmoor" / "journal";
    if (const auto state = environment("XDG_STATE_HOME"); state && !state->empty()) {
        const std::filesystem::path base(*state);
        if (base.is_absolute())
            return base / below;
    }
    const auto home = environment("HOME");
    if (!home || home->empty())
        return {};
    return std::filesystem::path(*home) / ".local" / "state" / below;
}

std::filesystem::path journalFolder()
{
    return journalFolder([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    });
}

std::string journalFileName(std::chrono::system_clock::time_point start, int serial)
{
    using namespace std::chrono;
    const auto sinceEpoch = floor<milliseconds>(start.time_since_epoch());
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const std::time_t seconds = static_cast<std::time_t>(wholeSeconds.count());
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02dT%02d-%02d-%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>((sinceEpoch - wholeSeconds).count()));
    std::string result(name);
    if (serial > 0)
        result += "_" + std::to_string(serial);
    result += kJournalSuffix;
    return result;
}

bool isJournalFileName(std::string_view name)
{
    // YYYY-MM-DDTHH-MM-SS.mmmZ[_N].log
    constexpr std::string_view kPattern = "0000-00-00T00-00-00.000Z";
    if (!name.ends_with(kJournalSuffix) || name.size() < kPattern.size() + kJournalSuffix.size())
        return false;
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kPattern[i] == '0' ? !digit : name[i] != kPattern[i])
            return false;
    }
    std::string_view rest = name.substr(kPattern.size());
    rest.remove_suffix(kJournalSuffix.size());
    return rest.empty() || (rest.front() == '_' && allDigits(rest.substr(1)));
}

Journal::Journal(Journal&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)),
      failure_(std::move(other.failure_)), handler_(std::move(other.handler_)),
      reported_(other.reported_), record_(std::move(other.record_))
{
}

Journal& Journal::operator=(Journal&& other) noexcept
{
    if (this != &other) {
        closeFile();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        failure_ = std::move(other.failure_);
        handler_ = std::move(other.handler_);
        reported_ = other.reported_;
        record_ = std::move(other.record_);
    }
    return *this;
}

Journal::~Journal()
{
    closeFile();
}

void Journal::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

Journal Journal::createForRun(const std::filesystem::path& folder,
                              std::chrono::system_clock::time_point start)
{
    Journal journal;
    int error = 0;
    if (folder.empty()) {
        journal.fail("no folder for the journal (neither XDG_STATE_HOME nor HOME is set)");
        return journal;
    }
    if (!makeFolder(folder, error)) {
        journal.fail("cannot make the journal folder " + folder.string() + ": "
                     + systemErrorText(error));
        return journal;
    }
    for (int serial = 0; serial < kMostRunsPerMillisecond; ++serial) {
        const std::filesystem::path file = folder / journalFileName(start, serial);
        // O_EXCL: a run that started in the same millisecond owns that name.
        const int fd = ::open(
            file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        journal.path_ = file;
        if (fd < 0) {
            journal.fail("cannot create the journal " + file.string() + ": "
                         + systemErrorText(errno));
            return journal;
        }
        ::flock(fd, LOCK_SH | LOCK_NB);
        journal.fd_ = fd;
        return journal;
    }
    journal.fail("cannot create the journal in " + folder.string() + ": too many runs at once");
    return journal;
}

Journal Journal::appendTo(const std::filesystem::path& file)
{
    Journal journal;
    journal.path_ = file;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        journal.fail("cannot open the journal " + file.string() + ": " + systemErrorText(errno));
        return journal;
    }
    ::flock(fd, LOCK_SH | LOCK_NB);
    journal.fd_ = fd;
    return journal;
}

void Journal::onFailure(FailureHandler handler)
{
    handler_ = std::move(handler);
    if (!failure_.empty() && !reported_ && handler_) {
        reported_ = true;
        handler_(failure_);
    }
}

void Journal::fail(std::string reason)
{
    failure_ = std::move(reason);
    closeFile();
    if (!reported_ && handler_) {
        reported_ = true;
        handler_(failure_);
    }
}

void Journal::record(std::string_view composedLine, std::chrono::system_clock::time_point received)
{
    if (!isWriting())
        return;
    record_ = formatJournalTime(received);
    record_ += ' ';
    record_ += composedLine;
    if (!composedLine.ends_with('\n'))
        record_ += '\n';
    std::string_view rest = record_;
    while (!rest.empty()) {
        const ssize_t written = ::write(fd_, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail("cannot write the journal " + path_.string() + ": "
                 + systemErrorText(written < 0 ? errno : EIO));
            return;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::vector<JournalFile> listJournalFiles(const std::filesystem::path& folder)
{
    std::vector<JournalFile> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& path = entry->path();
        struct stat status {};
        if (!isJournalFileName(path.filename().string()) || ::lstat(path.c_str(), &status) != 0
            || !S_ISREG(status.st_mode))
            continue;
        files.push_back(
            {path, static_cast<std::uintmax_t>(status.st_size), modificationTime(status)});
    }
    std::sort(files.begin(), files.end(), [](const JournalFile& a, const JournalFile& b) {
        return a.path.filename() < b.path.filename();
    });
    return files;
}

std::optional<std::filesystem::path> newestEarlierJournal(const std::filesystem::path& folder,
                                                          const std::filesystem::path& current)
{
    const std::vector<JournalFile> files = listJournalFiles(folder);
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        if (file->path != current)
            return file->path;
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> applyRetention(const std::filesystem::path& folder,
                                                  const JournalLimits& limits,
                                                  const std::vector<std::filesystem::path>& keep,
                                                  std::chrono::system_clock::time_point now)
{
    std::vector<JournalFile> files = listJournalFiles(folder);
    const auto kept = [&keep](const JournalFile& file) {
        return std::find(keep.begin(), keep.end(), file.path) != keep.end();
    };
    std::vector<std::filesystem::path> removed;
    const auto removeFile = [&](const JournalFile& file) {
        if (kept(file) || !removeUnlessInUse(file.path))
            return false;
        removed.push_back(file.path);
        return true;
    };

    if (limits.maxAgeDays > 0) {
        const auto oldest = now - std::chrono::days(limits.maxAgeDays);
        std::erase_if(files, [&](const JournalFile& file) {
            return file.modified < oldest && removeFile(file);
        });
    }
    if (limits.maxTotalMegabytes > 0) {
        const std::uintmax_t bound =
            static_cast<std::uintmax_t>(limits.maxTotalMegabytes) * kBytesPerMegabyte;
        std::uintmax_t total = 0;
        for (const JournalFile& file : files)
            total += file.size;
        for (const JournalFile& file : files) {
            if (total <= bound)
                break;
            if (removeFile(file))
                total -= file.size;
        }
    }
    return removed;
}

JournalStart startJournal(const std::filesystem::path& folder, const JournalLimits& limits,
                          bool keepPreviousRun, std::chrono::system_clock::time_point now)
{
    JournalStart start;
    start.previousRun = newestEarlierJournal(folder, {});
    start.journal = Journal::createForRun(folder, now);
    std::vector<std::filesystem::path> keep{start.journal.path()};
    if (keepPreviousRun && start.previousRun)
        keep.push_back(*start.previousRun);
    start.removed = applyRetention(folder, limits, keep, now);
    return start;
}

} // namespace vexmoor::trace
