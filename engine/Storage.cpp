#include "Storage.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vexmoor::engine {

namespace {

using std::chrono::microseconds;
using std::chrono::steady_clock;

constexpr const char* kSchema = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;
CREATE TABLE accounts(name TEXT PRIMARY KEY, password TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE privileges(
  account TEXT NOT NULL,
  privilege INTEGER NOT NULL,
  PRIMARY KEY(account, privilege)) WITHOUT ROWID;
CREATE TABLE procedures(
  owner TEXT NOT NULL,
  name TEXT NOT NULL,
  source TEXT NOT NULL,
  version INTEGER NOT NULL,
  PRIMARY KEY(owner, name));
CREATE TABLE package_bodies(
  owner TEXT NOT NULL,
  name TEXT NOT NULL,
  source TEXT NOT NULL,
  version INTEGER NOT NULL,
  PRIMARY KEY(owner, name));
CREATE TABLE synonyms(
  owner TEXT NOT NULL,
  name TEXT NOT NULL,
  target_owner TEXT NOT NULL,
  target_name TEXT NOT NULL,
  PRIMARY KEY(owner, name)) WITHOUT ROWID;
CREATE TABLE pipes(
  name TEXT PRIMARY KEY,
  max_size INTEGER NOT NULL,
  explicit INTEGER NOT NULL,
  private INTEGER NOT NULL,
  owner TEXT) WITHOUT ROWID;
CREATE TABLE sequences(
  owner TEXT NOT NULL,
  name TEXT NOT NULL,
  next_value INTEGER NOT NULL,
  increment INTEGER NOT NULL,
  min_value INTEGER NOT NULL,
  max_value INTEGER NOT NULL,
  cycle INTEGER NOT NULL,
  PRIMARY KEY(owner, name)) WITHOUT ROWID;
CREATE TABLE messages(
  pipe TEXT NOT NULL,
  seq INTEGER NOT NULL,
  size INTEGER NOT NULL,
  reach INTEGER NOT NULL,
  payload BLOB NOT NULL,
  PRIMARY KEY(pipe, seq)) WITHOUT ROWID;
)sql";

// What the schema of an older version lacks, added in place, by the version
// that brings it: the statements that take a file from version N to N + 1.
constexpr const char* kUpgrades[] = {
    "", // version 0 does not exist
    "ALTER TABLE pipes ADD COLUMN owner TEXT;",
    "CREATE TABLE package_bodies(owner TEXT NOT NULL, name TEXT NOT NULL, source TEXT NOT NULL, "
    "version INTEGER NOT NULL, PRIMARY KEY(owner, name));",
    "CREATE TABLE sequences(owner TEXT NOT NULL, name TEXT NOT NULL, next_value INTEGER NOT NULL, "
    "increment INTEGER NOT NULL, min_value INTEGER NOT NULL, max_value INTEGER NOT NULL, cycle "
    "INTEGER NOT NULL, PRIMARY KEY(owner, name)) WITHOUT ROWID;",
};
static_assert(std::size(kUpgrades) == Storage::kSchemaVersion);

OraError notAvailable(const std::filesystem::path& file, std::string_view reason)
{
    OraError error = oraError(1034);
    error.appendLine(file.string() + ": " + std::string(reason));
    return error;
}

std::string systemText(int error)
{
    return std::system_category().message(error);
}

// The line under an operating system's error, as Oracle prints it.
std::string osErrorLine(int error)
{
#if defined(__linux__) && defined(__x86_64__)
    constexpr const char* kPlatform = "Linux-x86_64";
#elif defined(__linux__)
    constexpr const char* kPlatform = "Linux";
#else
    constexpr const char* kPlatform = "OS";
#endif
    return std::string(kPlatform) + " Error: " + std::to_string(error) + ": " + systemText(error);
}

// 0 when the running user may write `path`, else why not (EACCES, EROFS).
int writeDenied(const std::filesystem::path& path)
{
#if !defined(_WIN32)
    // The effective ids decide, as for the open itself; root passes unless
    // the file system is mounted read-only.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
#endif
    return 0;
}

std::filesystem::path folderOf(const std::filesystem::path& file)
{
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Why the database cannot be written: the folder (where the journal files
// must be made), the file itself, or one of its journal files. Empty when
// none of them is refused to us.
std::string readOnlyReason(const std::filesystem::path& file)
{
    std::error_code ignored;
    if (int error = writeDenied(file); error != 0 && std::filesystem::exists(file, ignored))
        return "the database file is read-only (" + systemText(error) + ")";
    std::filesystem::path folder = folderOf(file);
    if (int error = writeDenied(folder); error != 0) {
        return "the folder " + folder.string() + " is read-only (" + systemText(error)
               + "); the database needs to create its journal files there";
    }
    for (const char* suffix : {"-wal", "-shm", "-catalog", "-sends"}) {
        std::filesystem::path side = file.string() + suffix;
        if (int error = writeDenied(side); error != 0 && std::filesystem::exists(side, ignored))
            return "the file " + side.string() + " beside the database is read-only ("
                   + systemText(error) + ")";
    }
    return {};
}

// Why SQLite could not open the file or one of the files beside it.
std::string cantOpenReason(const std::filesystem::path& file, std::string_view sqliteText)
{
    std::error_code ignored;
    std::filesystem::path folder = folderOf(file);
    if (!std::filesystem::exists(folder, ignored))
        return "the folder " + folder.string() + " does not exist";
    if (std::filesystem::is_directory(file, ignored))
        return "this is a folder, not a database file";
#if !defined(_WIN32)
    if (std::filesystem::exists(file, ignored)
        && ::faccessat(AT_FDCWD, file.c_str(), R_OK, AT_EACCESS) != 0)
        return "the database file cannot be read (" + systemText(errno) + ")";
#endif
    if (std::string reason = readOnlyReason(file); !reason.empty())
        return reason;
    return std::string(sqliteText);
}

std::string damagedReason(std::string_view detail)
{
    return "the database file is damaged (" + std::string(detail) + ")";
}

// Creates a missing database file readable by its owner only, whatever the
// umask; SQLite then makes the journal files beside it with the same mode. A
// file that cannot be made here is left for SQLite to report.
void createPrivately(const std::filesystem::path& file)
{
#if !defined(_WIN32)
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    (void)::fchmod(fd, 0600);
    ::close(fd);
#endif
}

unsigned fileMode(const std::filesystem::path& file)
{
#if !defined(_WIN32)
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0)
        return info.st_mode & 0777;
#endif
    return 0600;
}

// Each table's columns (name, type, NOT NULL, key), one text per table.
std::string columnsOf(sqlite3* db, const std::string& table)
{
    sqlite3_stmt* stmt = nullptr;
    std::string columns;
    if (sqlite3_prepare_v2(
            db,
            "SELECT group_concat(name || ' ' || type || ' ' || \"notnull\" || ' ' || pk, ', ') "
            "FROM pragma_table_info(?1)",
            -1, &stmt, nullptr)
        == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
            columns = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
    return columns;
}

// The tables of the current schema and their columns, as a new file gets them.
const std::vector<std::pair<std::string, std::string>>& expectedTables()
{
    static const auto tables = [] {
        std::vector<std::pair<std::string, std::string>> result;
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            result.emplace_back(name, columnsOf(db, name));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return result;
    }();
    return tables;
}

} // namespace

StorageBusy::StorageBusy(std::string detail) : OraError(oraError(54))
{
    appendLine(detail);
}

SqlStatement::SqlStatement(sqlite3* db, std::string_view sql)
{
    int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        std::string message = sqlite3_errmsg(db);
        // Our statements name only tables and columns every file of ours
        // has: one that is missing was lost from the file.
        if (message.starts_with("no such table") || message.starts_with("no such column"))
            throw notAvailable(sqlite3_db_filename(db, "main"), damagedReason(message));
        throw oraError(600, {"[sqlite prepare], [" + message + "]"});
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(stmt_);
}

Storage::Storage(const std::filesystem::path& file, const std::function<void(Storage&)>& populate)
{
    // SQLite's allocation statistics take a global mutex on every allocation;
    // nothing here reads them. Only possible before SQLite's first use in the
    // process, and harmless to ask for later.
    static std::once_flag quietAllocations;
    std::call_once(quietAllocations, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    createPrivately(file);
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw notAvailable(file, cantOpenReason(file, reason));
    }
    // Another process may be creating the same new file this moment; SQLite
    // then reports some locks at once instead of through the busy handler.
    // Looking again is safe: every step is idempotent.
    auto deadline = std::chrono::steady_clock::now() + kDefaultLockWait;
    try {
        configure();
        // SQLite falls back to reading a file it may not write; every
        // session writes (a receive takes its message off the pipe).
        if (sqlite3_db_readonly(db_, "main") == 1) {
            std::string reason = readOnlyReason(file);
            throw notAvailable(file,
                               reason.empty() ? "the database file cannot be written" : reason);
        }
        for (;;) {
            try {
                createOrCheckSchema(populate);
                break;
            } catch (const StorageBusy&) {
                if (std::chrono::steady_clock::now() >= deadline)
                    throw;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        // Only beside a file known to be ours.
        unsigned mode = fileMode(file);
        changeCounter_ = std::make_unique<ChangeCounter>(file.string() + "-catalog", mode);
        sendCounter_ = std::make_unique<ChangeCounter>(file.string() + "-sends", mode);
    } catch (const StorageBusy&) {
        closeAfterFailure();
        throw notAvailable(file, "the file stayed locked by another program");
    } catch (const std::system_error& error) {
        closeAfterFailure();
        std::string reason = error.code() == std::errc::read_only_file_system
                                     || error.code() == std::errc::permission_denied
                                 ? readOnlyReason(file)
                                 : std::string();
        throw notAvailable(file, reason.empty() ? error.what() : reason);
    } catch (const OraError& error) {
        closeAfterFailure();
        // Raised with its reason already (ORA-01034), or an I/O error that
        // says what failed (ORA-27072).
        if (error.code() == 1034 || error.code() == 27072)
            throw;
        throw notAvailable(file, error.message());
    }
}

void Storage::closeAfterFailure()
{
    // Statements first: a connection with live statements does not close.
    statements_.clear();
    rollback_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
}

Storage::~Storage()
{
    statements_.clear();
    sqlite3_close(db_);
}

void Storage::configure()
{
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, &Storage::onBusy, this);
    // Prepared now, so that a rollback in a destructor never has to prepare.
    rollback_ = cached("ROLLBACK");
}

void Storage::createOrCheckSchema(const std::function<void(Storage&)>& populate)
{
    // Look before touching: a file of another program must stay as it was, so
    // the journal mode is only switched once the file is known to be ours.
    auto applicationId = [this] {
        Query query(*this, "PRAGMA application_id");
        query.step();
        return query.integer(0);
    };
    auto tableCount = [this] {
        Query query(*this, "SELECT count(*) FROM sqlite_schema");
        query.step();
        return query.integer(0);
    };
    auto throwForeign = [this] {
        throw notAvailable(sqlite3_db_filename(db_, "main"), "not a Vexmoor database");
    };

    // Both looks in one snapshot: a process creating the file commits its
    // tables and its application id together.
    std::int64_t id = 0;
    {
        Transaction look(*this, Transaction::Mode::Read);
        checkIntegrity();
        id = applicationId();
        if (id != kApplicationId && (id != 0 || tableCount() != 0))
            throwForeign();
    }

    execute("PRAGMA journal_mode=WAL");
    execute("PRAGMA synchronous=NORMAL");
    sqlite3_wal_hook(db_, &Storage::onWalCommit, this);

    if (id == 0) {
        // Another process may be creating the same new file: decide inside the
        // write lock.
        Transaction transaction(*this, Transaction::Mode::Write);
        id = applicationId();
        if (id == 0 && tableCount() == 0) {
            execute(kSchema);
            execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
            Query(*this, "INSERT INTO meta(key, value) VALUES('schema_version', ?)")
                .bind(1, kSchemaVersion)
                .run();
            if (populate)
                populate(*this);
        } else if (id != kApplicationId) {
            throwForeign();
        }
        transaction.commit();
        created_ = id == 0;
    }

    std::int64_t version = schemaVersion();
    if (version > kSchemaVersion) {
        throw notAvailable(sqlite3_db_filename(db_, "main"),
                           "written by a newer version of Vexmoor (schema "
                               + std::to_string(version) + ")");
    }
    if (version < kSchemaVersion)
        upgradeSchema();
    checkTables();
}

std::int64_t Storage::schemaVersion()
{
    Query version(*this, "SELECT value FROM meta WHERE key = 'schema_version'");
    if (!version.step())
        throw notAvailable(sqlite3_db_filename(db_, "main"), "not a Vexmoor database");
    return version.integer(0);
}

void Storage::upgradeSchema()
{
    // Under the write lock, from the version found there: another process
    // may have upgraded the file meanwhile.
    Transaction transaction(*this, Transaction::Mode::Write);
    for (std::int64_t version = schemaVersion(); version < kSchemaVersion; ++version)
        execute(kUpgrades[version]);
    Query(*this, "UPDATE meta SET value = ? WHERE key = 'schema_version'")
        .bind(1, kSchemaVersion)
        .run();
    transaction.commit();
}

void Storage::checkTables()
{
    // A table or column lost from the file would otherwise surface as the
    // failure of whichever statement first needs it.
    for (const auto& [table, columns] : expectedTables()) {
        std::string found = columnsOf(db_, table);
        if (found != columns) {
            throw notAvailable(
                sqlite3_db_filename(db_, "main"),
                damagedReason(found.empty()
                                  ? "the table " + table + " is missing"
                                  : "the table " + table + " has other columns than " + columns));
        }
    }
}

void Storage::checkIntegrity()
{
    // Reads every page of the file once: milliseconds for the few hundred
    // kilobytes a file of pipes holds. Damage found later would show as
    // wrong answers or lost messages.
    Query check(*this, "PRAGMA quick_check(1)");
    if (check.step() && check.text(0) != "ok")
        throw notAvailable(sqlite3_db_filename(db_, "main"), damagedReason(check.text(0)));
}

sqlite3_stmt* Storage::cached(const char* sql)
{
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return found->second->get();
    auto statement = std::make_unique<SqlStatement>(db_, sql);
    sqlite3_stmt* raw = statement->get();
    statements_.emplace(sql, std::move(statement));
    return raw;
}

void Storage::execute(const char* sql)
{
    check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

void Storage::check(int rc) const
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    std::filesystem::path file = sqlite3_db_filename(db_, "main");
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw StorageBusy(sqlite3_errstr(rc));
    case SQLITE_NOTADB:
        throw notAvailable(file, "damaged, or not a database file ("
                                     + std::string(sqlite3_errstr(rc)) + ")");
    case SQLITE_CORRUPT:
        throw notAvailable(file, damagedReason(sqlite3_errstr(rc)));
    case SQLITE_CANTOPEN:
        throw notAvailable(file, cantOpenReason(file, sqlite3_errmsg(db_)));
    case SQLITE_READONLY: {
        std::string reason = readOnlyReason(file);
        throw notAvailable(file, reason.empty() ? std::string(sqlite3_errmsg(db_)) : reason);
    }
    case SQLITE_FULL:
    case SQLITE_IOERR: {
        // The transaction is rolled back and the file stays as it was before
        // it; once there is room again the same call succeeds.
        int error = sqlite3_system_errno(db_);
        if (error == 0 && (rc & 0xff) == SQLITE_FULL)
            error = ENOSPC;
        OraError failure = oraError(27072);
        failure.appendLine(error != 0 ? osErrorLine(error) : std::string(sqlite3_errstr(rc)));
        failure.appendLine("Additional information: " + file.string());
        throw failure;
    }
    default:
        throw oraError(600, {"[sqlite], [" + std::to_string(rc) + "], ["
                             + std::string(sqlite3_errmsg(db_)) + "]"});
    }
}

void Storage::setLockDeadline(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    lockDeadline_ = deadline;
}

std::int64_t Storage::headerCounter()
{
    Query query(*this, "PRAGMA user_version");
    query.step();
    return query.integer(0);
}

namespace {
constexpr int kYieldingAttempts = 8;
constexpr int kCheckpointPages = 1000;
constexpr auto kCheckpointWait = std::chrono::milliseconds(100);
} // namespace

int Storage::onWalCommit(void* self, sqlite3* db, const char* schema, int pages)
{
    // SQLite's own checkpoint after a commit is passive: it stops at any
    // reader. With a sender and a receiver in two processes one of them is
    // nearly always reading, so the log would never start over and would grow
    // without bound, and every read would get slower. A restarting checkpoint
    // waits (through the busy handler) for the other side's transaction, a
    // few microseconds, so that the next commit writes the log from its start.
    // The wait is kept short: a reader that stays longer (another program
    // holding a transaction open) only postpones the restart to a later commit.
    if (pages >= kCheckpointPages) {
        auto& storage = *static_cast<Storage*>(self);
        auto callerDeadline = storage.lockDeadline_;
        storage.lockDeadline_ = steady_clock::now() + kCheckpointWait;
        sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
        storage.lockDeadline_ = callerDeadline;
    }
    return SQLITE_OK;
}

int Storage::onBusy(void* self, int attempt)
{
    auto& storage = *static_cast<Storage*>(self);
    auto now = steady_clock::now();
    if (attempt == 0)
        storage.waitStarted_ = now;
    auto deadline = storage.lockDeadline_.value_or(storage.waitStarted_ + kDefaultLockWait);
    if (now >= deadline)
        return 0;
    if (attempt < kYieldingAttempts) {
        // Another connection's commit usually takes a few microseconds: the
        // lock is free again sooner than the shortest sleep would wake us.
        std::this_thread::yield();
        return 1;
    }
    // 10 us, 20 us, ... up to 250 us: short enough that a waiting writer gets
    // the lock soon after it is free, long enough not to burn a core.
    auto pause = std::min<steady_clock::duration>(
        microseconds(10 << std::min(attempt - kYieldingAttempts, 5)), microseconds(250));
    std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, deadline - now));
    return 1;
}

Query::Query(Storage& storage, const char* sql) : storage_(storage), stmt_(storage.cached(sql)) {}

Query::~Query()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

Query& Query::bind(int index, std::int64_t value)
{
    storage_.check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Query& Query::bind(int index, std::string_view text)
{
    storage_.check(
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Query& Query::bind(int index, std::span<const std::uint8_t> bytes)
{
    // A zero-length blob must stay a blob, not NULL: give SQLite a valid pointer.
    static const std::uint8_t kNothing = 0;
    const void* data = bytes.empty() ? &kNothing : bytes.data();
    storage_.check(sqlite3_bind_blob64(stmt_, index, data, bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

bool Query::step()
{
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    storage_.check(rc);
    return false;
}

void Query::run()
{
    while (step()) {}
}

std::int64_t Query::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

std::string Query::text(int column) const
{
    const auto* data = sqlite3_column_text(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    if (!data)
        return {};
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::vector<std::uint8_t> Query::blob(int column) const
{
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    int size = sqlite3_column_bytes(stmt_, column);
    if (!data)
        return {};
    return std::vector<std::uint8_t>(data, data + size);
}

bool Query::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Storage& storage, Mode mode) : storage_(storage)
{
    if (storage_.inTransaction_)
        throw oraError(600, {"[nested transaction]"});
    Query(storage_, mode == Mode::Write ? "BEGIN IMMEDIATE" : "BEGIN").run();
    storage_.inTransaction_ = true;
    active_ = true;
}

Transaction::~Transaction()
{
    if (!active_)
        return;
    if (!sqlite3_get_autocommit(storage_.db_)) {
        sqlite3_step(storage_.rollback_);
        sqlite3_reset(storage_.rollback_);
    }
    storage_.inTransaction_ = false;
}

void Transaction::commit()
{
    Query(storage_, "COMMIT").run();
    active_ = false;
    storage_.inTransaction_ = false;
}

} // namespace vexmoor::engine
