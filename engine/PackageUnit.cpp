#include "PackageUnit.h"

#include "Parser.h"

namespace vexmoor::engine {

namespace {

template <typename T>
void append(std::vector<T>& to, std::vector<T>& from)
{
    for (auto& item : from)
        to.push_back(std::move(item));
}

// The body's declarations, subprograms and initialisation after the
// header's.
std::unique_ptr<UnitAst> merge(std::unique_ptr<UnitAst> header, std::unique_ptr<UnitAst> body)
{
    Block& into = header->block;
    Block& from = body->block;
    append(into.declarations, from.declarations);
    append(into.subprograms, from.subprograms);
    append(into.types, from.types);
    into.body = std::move(from.body);
    into.handlers = std::move(from.handlers);
    header->isPackageBody = true;
    return header;
}

// A header with subprograms needs a body to run them.
bool needsBody(const UnitAst& header)
{
    if (header.publicSubprograms > 0)
        return true;
    for (const auto& declaration : header.block.declarations) {
        if (declaration.cursor)
            return true;
    }
    return false;
}

void reset(CompiledUnit& unit)
{
    auto retired = std::make_unique<CompiledUnit>();
    retired->ast = std::move(unit.ast);
    retired->locals = std::move(unit.locals);
    for (auto& local : retired->locals)
        local->publicMember = false;
    unit.retired.push_back(std::move(retired));
    unit.slotTypes.clear();
    unit.slotNotNull.clear();
    unit.locals.clear();
    unit.cursors.clear();
    unit.dependencies.clear();
}

} // namespace

void compilePackage(CompiledUnit& unit, const StoredProcedure& header,
                    const std::optional<StoredProcedure>& body, CompileEnvironment& environment)
{
    unit.specVersion = header.version;
    unit.bodyVersion = body ? body->version : 0;
    const std::string name = "package body \"" + unit.qualifiedName + "\"";
    if (body) {
        try {
            auto headerAst = Parser(header.source).parsePackage();
            Parser bodyParser(body->source);
            bodyParser.knowTypesOf(headerAst->block);
            unit.ast = merge(std::move(headerAst), bodyParser.parsePackage());
            compile(unit, environment);
            return;
        } catch (const OraError& error) {
            reset(unit);
            unit.compileError = error;
            unit.bodyError = oraError(4063, {name});
        }
    }
    unit.ast = Parser(header.source).parsePackage();
    compile(unit, environment);
    if (!body && needsBody(*unit.ast))
        unit.bodyError = oraError(4067, {name});
}

} // namespace vexmoor::engine
