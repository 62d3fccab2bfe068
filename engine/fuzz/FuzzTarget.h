#pragma once

#include "engine/Compiler.h"
#include "engine/OraError.h"
#include "engine/Parser.h"
#include "engine/SqlCommands.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What the parser fuzzer runs on each input, shared with the test that
// replays the seed corpus: lex and parse the text as a block and as a
// procedure, and compile what parses. Only OraError may come out of the
// engine; anything else (or a crash, hang or leak) is a finding.
namespace vexmoor::engine::fuzz {

// Resolves dbms_pipe and nothing else, as for a user without procedures.
class NoProcedures final : public CompileEnvironment {
public:
    bool mayUseDbmsPipe(const std::string&) override { return true; }
    std::shared_ptr<CompiledUnit> procedure(const std::string&, const std::vector<std::string>&) override
    {
        return nullptr;
    }
};

inline void compileIfItParses(std::string_view text, bool asProcedure)
{
    try {
        CompiledUnit unit;
        Parser parser(text);
        unit.ast = asProcedure ? parser.parseProcedure() : parser.parseAnonymousBlock();
        unit.owner = "FUZZ";
        NoProcedures environment;
        compile(unit, environment);
    } catch (const OraError&) {
    }
}

inline int fuzzOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)isPlSqlBlock(text);
    compileIfItParses(text, false);
    compileIfItParses(text, true);
    return 0;
}

} // namespace vexmoor::engine::fuzz
