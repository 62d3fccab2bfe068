#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

namespace vexmoor::engine {

class Catalog;
class PipeStore;
class Storage;

// One database file. Several processes may open the same file at once; all
// that they share (accounts, stored procedures, synonyms, pipes and their
// messages) lives in the file. A Database object is used by one thread at a
// time; sessions of one process share it.
class Database {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // Opens the file, creating it when new with the accounts SYSTEM/manager
    // (every privilege) and VEXMOOR/vexmoor (dbms_pipe, CREATE PROCEDURE,
    // CREATE PUBLIC SYNONYM). Raises OraError (ORA-01034 with the reason on
    // its second line) when the file cannot be opened or is not a database
    // of ours.
    static std::shared_ptr<Database> open(const std::filesystem::path& file);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& path() const;
    Catalog& catalog();
    PipeStore& pipes();

    // SYSDATE reads this clock; the system clock unless a test sets another.
    void setClock(Clock clock);
    std::chrono::system_clock::time_point now() const;

private:
    explicit Database(std::filesystem::path file);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vexmoor::engine
