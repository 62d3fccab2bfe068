#pragma once

#include "Catalog.h"
#include "Compiler.h"
#include "OraError.h"
#include "Session.h"
#include "SessionState.h"
#include "SqlCommands.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

namespace vexmoor::engine {

// A statement text as the session keeps it: a compiled block, or an SQL
// command that is run from its text each time.
struct CompiledStatement {
    std::shared_ptr<CompiledUnit> unit; // null for an SQL command
};

// The session's caches. Compiled blocks and procedures are valid for one
// catalog generation: when procedures, synonyms or privileges change (here
// or in another process), everything is compiled afresh.
struct Session::Impl final : CompileEnvironment, SqlHost {
    SessionState session;
    std::int64_t generation = -1;
    std::unordered_map<std::string, std::shared_ptr<const CompiledStatement>> statements;
    using ProcedureCache = std::map<std::string, std::shared_ptr<CompiledUnit>>;
    std::shared_ptr<ProcedureCache> procedures = std::make_shared<ProcedureCache>();
    std::map<std::string, bool> dbmsPipeRights;
    int compileDepth = 0;      // procedures being compiled for the one at the bottom
    bool depthRefused = false; // this compile went too deep somewhere

    // Drops the caches when the catalog has changed since they were filled.
    void refresh();
    // The compiled form of a statement text, from the cache when it is there.
    std::shared_ptr<const CompiledStatement> compiled(const std::string& text);

    bool mayUseDbmsPipe(const std::string& owner) override;
    std::shared_ptr<CompiledUnit> procedure(const std::string& owner,
                                            const std::vector<std::string>& path) override;
    std::optional<std::vector<std::pair<std::string, TypeSpec>>>
    tableColumns(const std::string& owner,
                 const std::vector<std::string>& path) override; // SqlTables.cpp
    bool mayUseSequence(const std::string& owner, const std::vector<std::string>& path) override;
    SessionState& state() override { return session; }
    void compileStored(const ObjectName& object, bool body) override;
    // Compiles the schema's stored units, where not yet done, for USER_ERRORS.
    std::vector<CompileErrorRow> compileErrorsOf(const std::string& owner);
    std::shared_ptr<CompiledUnit> keptPackage(const std::string& key);
    bool isCurrent(const CompiledUnit& unit, std::set<const CompiledUnit*>& seen);
};

// The OraError that stands for a standard exception escaping the engine:
// ORA-04030 for memory, ORA-00600 with the exception's text for the rest.
OraError asOraError(const std::exception& error);

} // namespace vexmoor::engine
