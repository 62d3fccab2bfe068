#pragma once

#include "engine/Compiler.h"
#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/Parser.h"
#include "engine/Session.h"
#include "engine/SqlCommands.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

// What the fuzzer runs on each input, shared with the test that replays the
// corpus: lex and parse the text as a block, a procedure and a package, compile what
// parses, and run the text as a statement on a database of its own, with
// every placeholder bound. Only OraError may come out of the engine; anything
// else (or a crash, hang or leak) is a finding.
namespace vexmoor::engine::fuzz {

// Statements one input may run: enough for every loop of the corpus to turn
// a few thousand times, few enough to keep an input well under a second.
inline constexpr std::uint64_t kStepBudget = 20000;
// Inputs run on one database file before it starts afresh, so that what
// inputs leave behind (messages, procedures, users) stays small.
inline constexpr unsigned kInputsPerDatabase = 2000;

// Resolves dbms_pipe and nothing else, as for a user without procedures.
class NoProcedures final : public CompileEnvironment {
public:
    bool mayUseDbmsPipe(const std::string&) override { return true; }
    std::shared_ptr<CompiledUnit> procedure(const std::string&,
                                            const std::vector<std::string>&) override
    {
        return nullptr;
    }
};

enum class UnitKind { Block, Procedure, Package };

inline void compileIfItParses(std::string_view text, UnitKind kind)
{
    try {
        CompiledUnit unit;
        Parser parser(text);
        unit.ast = kind == UnitKind::Procedure ? parser.parseProcedure()
                   : kind == UnitKind::Package ? parser.parsePackage()
                                               : parser.parseAnonymousBlock();
        unit.owner = "FUZZ";
        NoProcedures environment;
        compile(unit, environment);
    } catch (const OraError&) {
    }
}

// A database file in a folder of its own under the temporary folder, removed
// with the folder when the process ends or the database starts afresh.
class ScratchDatabase {
public:
    ScratchDatabase()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vexmoor-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        folder_ = pattern;
        database_ = Database::open(folder_ / "fuzz.db");
    }
    ~ScratchDatabase()
    {
        database_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::shared_ptr<Database>& database() const { return database_; }

private:
    std::filesystem::path folder_;
    std::shared_ptr<Database> database_;
};

inline std::shared_ptr<Database> fuzzDatabase()
{
    static std::unique_ptr<ScratchDatabase> scratch;
    static unsigned uses = 0;
    if (!scratch || ++uses % kInputsPerDatabase == 0) {
        scratch.reset();
        scratch = std::make_unique<ScratchDatabase>();
    }
    return scratch->database();
}

// The caller's side of the placeholders: even ones take a 4-byte integer,
// odd ones a text buffer that starts with a number in it.
struct Binds {
    struct Slot {
        std::int32_t integer = 7;
        std::vector<char> text = std::vector<char>(64, '\0');
        std::int16_t indicator = 0;
    };
    std::vector<Slot> slots;

    void bindAll(Statement& statement, const std::vector<std::string>& names)
    {
        slots.resize(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            Slot& slot = slots[i];
            std::memcpy(slot.text.data(), "42", 3);
            const BindBuffer buffer =
                i % 2 == 0
                    ? BindBuffer{&slot.integer, 4, ExternalType::Integer, &slot.indicator}
                    : BindBuffer{slot.text.data(), static_cast<std::int32_t>(slot.text.size()),
                                 ExternalType::String, &slot.indicator};
            statement.bind(names[i], buffer);
        }
    }
};

inline std::vector<std::string> placeholdersOf(std::string_view text)
{
    try {
        return Parser(text).parseAnonymousBlock()->placeholders;
    } catch (const OraError&) {
        return {};
    }
}

// Runs the text as SYSTEM, who may do everything, with no wait on a pipe
// and a bounded number of statements.
inline void executeOnScratchDatabase(const std::string& text)
{
    try {
        auto session = Session::logOn(fuzzDatabase(), "system", "manager");
        session->setLimits(ExecutionLimits{kStepBudget, std::chrono::milliseconds{0}});
        auto statement = session->prepare(text);
        Binds binds;
        binds.bindAll(*statement, placeholdersOf(text));
        statement->execute();
    } catch (const OraError& error) {
        // The engine's own faults (an internal error, memory run out) are
        // findings, not answers to the input.
        if (error.code() == 600 || error.code() == 4030)
            std::abort();
    }
}

inline int fuzzOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)isPlSqlBlock(text);
    compileIfItParses(text, UnitKind::Block);
    compileIfItParses(text, UnitKind::Procedure);
    compileIfItParses(text, UnitKind::Package);
    executeOnScratchDatabase(text);
    return 0;
}

} // namespace vexmoor::engine::fuzz
