#pragma once

#include "ChangeCounter.h"
#include "OraError.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vexmoor::engine {

// Raised when the file stayed locked by another connection past the wait
// allowed, or when a deferred transaction could not become a write
// transaction because another connection wrote first. The caller may retry.
class StorageBusy : public OraError {
public:
    explicit StorageBusy(std::string detail);
};

// One prepared SQLite statement, finalized with its owner.
class SqlStatement {
public:
    SqlStatement(sqlite3* db, std::string_view sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// The SQLite connection to one database file, set up the way every process
// of ours uses it: WAL journal, synchronous=NORMAL (a committed transaction
// survives a crash of the program; a power failure may lose the last
// transactions but never corrupts the file), and a busy handler that polls
// the lock every few microseconds instead of SQLite's sleeps of up to 100 ms.
// Statements are prepared once and kept. Used by one thread at a time.
class Storage {
public:
    // Identifies a database file of ours (PRAGMA application_id: "VXMR").
    static constexpr std::int32_t kApplicationId = 0x56584D52;
    // 2: pipes have an owner. 3: package bodies. 4: sequences.
    static constexpr int kSchemaVersion = 4;
    // How long an ordinary operation waits for another connection's lock.
    static constexpr std::chrono::seconds kDefaultLockWait{30};

    // Opens or creates the file and its tables; `populate` fills a new file
    // in the transaction that creates it, so no other process ever sees it
    // half made; a new file and the files beside it are readable by their
    // owner only. A file of an older version is upgraded in place. ORA-01034
    // with the reason on the second line when the file cannot be opened or
    // written, is damaged or holds something else; ORA-27072 when the disk
    // is full.
    explicit Storage(const std::filesystem::path& file,
                     const std::function<void(Storage&)>& populate = {});
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // True when the tables were created by this open.
    bool created() const { return created_; }
    sqlite3* handle() const { return db_; }

    // The prepared statement for `sql`, prepared on first use. `sql` must be
    // a string literal: statements are found by its address, which spares
    // hashing the text on every use.
    sqlite3_stmt* cached(const char* sql);
    // Runs SQL that returns no rows (pragmas, DDL); not cached.
    void execute(const char* sql);

    // Raises the OraError matching an SQLite result code other than OK, ROW
    // and DONE: ORA-27072 for a full disk or another I/O error (the
    // transaction is rolled back, the file stays usable), ORA-01034 for a
    // damaged or read-only file, StorageBusy for a lock.
    void check(int rc) const;

    // Lock waits give up at this time (StorageBusy); none = kDefaultLockWait
    // from the start of each wait.
    void setLockDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);

    // The number kept in the file header for the catalog (PRAGMA user_version):
    // a read of the header page, which every transaction reads anyway.
    std::int64_t headerCounter();

    bool inTransaction() const { return inTransaction_; }

    // Shared by every process on the file: moves whenever the catalog may
    // have changed (the file beside the database, named FILE-catalog).
    ChangeCounter& changeCounter() { return *changeCounter_; }
    // Moves whenever a message is put on any pipe (the file FILE-sends), so
    // that a receiver can tell without a read that nothing has arrived.
    ChangeCounter& sendCounter() { return *sendCounter_; }

private:
    friend class Transaction;
    static int onBusy(void* self, int attempt);
    static int onWalCommit(void* self, sqlite3* db, const char* schema, int pages);
    void configure();
    void closeAfterFailure();
    void createOrCheckSchema(const std::function<void(Storage&)>& populate);
    void checkIntegrity();
    std::int64_t schemaVersion();
    void upgradeSchema();
    void checkTables();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr; // prepared up front: used by destructors
    bool created_ = false;
    bool inTransaction_ = false;
    std::optional<std::chrono::steady_clock::time_point> lockDeadline_;
    std::chrono::steady_clock::time_point waitStarted_{};
    std::unordered_map<const char*, std::unique_ptr<SqlStatement>> statements_;
    std::unique_ptr<ChangeCounter> changeCounter_;
    std::unique_ptr<ChangeCounter> sendCounter_;
};

// A use of a cached statement: bind, step, read columns. Resets the
// statement and clears its bindings when it goes out of scope, so a
// statement never keeps a read transaction open.
class Query {
public:
    // `sql` must be a string literal (see Storage::cached).
    Query(Storage& storage, const char* sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Parameters are numbered from 1.
    Query& bind(int index, std::int64_t value);
    Query& bind(int index, std::string_view text);
    Query& bind(int index, std::span<const std::uint8_t> bytes);

    // Next row: true when there is one, false when done.
    bool step();
    // Steps to the end; for statements without rows.
    void run();

    // Columns are numbered from 0.
    std::int64_t integer(int column) const;
    std::string text(int column) const;
    std::vector<std::uint8_t> blob(int column) const;
    bool isNull(int column) const;

private:
    Storage& storage_;
    sqlite3_stmt* stmt_;
};

// One transaction, rolled back unless committed. Write transactions start
// with BEGIN IMMEDIATE, so they take the write lock first (waiting in the busy
// handler) and never fail half-way on a lock; read transactions are deferred
// and may be upgraded by a write, which raises StorageBusy when another
// connection wrote in between.
class Transaction {
public:
    enum class Mode { Read, Write };

    Transaction(Storage& storage, Mode mode);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Storage& storage_;
    bool active_ = false;
};

} // namespace vexmoor::engine
