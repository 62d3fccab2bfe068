#include "Session.h"

#include "Database.h"
#include "DateFormat.h"
#include "OraError.h"
#include "PackageInstance.h"
#include "PackageUnit.h"
#include "Parser.h"
#include "SessionImpl.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <new>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vexmoor::engine {

namespace {

// More distinct texts than this and the cache starts over; the poller needs
// a handful.
constexpr std::size_t kMaxCachedStatements = 512;
constexpr int kMaxCompileDepth = 64;

std::string makeUniqueSessionName()
{
    static std::atomic<unsigned> counter{0};
    char name[32];
#ifdef _WIN32
    const auto process = static_cast<unsigned>(_getpid());
#else
    const auto process = static_cast<unsigned>(getpid());
#endif
    std::snprintf(name, sizeof name, "ORA$PIPE$%08X%08X", process, counter.fetch_add(1) + 1);
    return name;
}

} // namespace

OraDate currentDate(const Database& database)
{
    const auto now = std::chrono::system_clock::to_time_t(database.now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    CivilTime civil;
    civil.year = local.tm_year + 1900;
    civil.month = local.tm_mon + 1;
    civil.day = local.tm_mday;
    civil.hour = local.tm_hour;
    civil.minute = local.tm_min;
    civil.second = std::min(local.tm_sec, 59); // a leap second is not a DATE
    return fromCivil(civil);
}

void Session::Impl::refresh()
{
    const std::int64_t current = session.database->catalog().generation();
    if (current == generation)
        return;
    statements.clear();
    // Blocks compiled earlier keep the old procedures alive; new ones get a
    // fresh set.
    procedures = std::make_shared<ProcedureCache>();
    dbmsPipeRights.clear();
    generation = current;
}

std::shared_ptr<const CompiledStatement> Session::Impl::compiled(const std::string& text)
{
    if (const auto found = statements.find(text); found != statements.end())
        return found->second;
    auto statement = std::make_shared<CompiledStatement>();
    if (isPlSqlBlock(text)) {
        auto unit = std::make_shared<CompiledUnit>();
        unit->ast = Parser(text).parseAnonymousBlock();
        unit->owner = session.user;
        unit->procedures = procedures;
        compile(*unit, *this);
        unit->valid = true;
        statement->unit = std::move(unit);
    }
    if (statements.size() >= kMaxCachedStatements)
        statements.clear();
    statements.emplace(text, statement);
    return statement;
}

bool Session::Impl::mayUseDbmsPipe(const std::string& owner)
{
    if (const auto found = dbmsPipeRights.find(owner); found != dbmsPipeRights.end())
        return found->second;
    Catalog& catalog = session.database->catalog();
    const bool may = catalog.hasPrivilege(owner, Privilege::ExecuteDbmsPipe)
                     || catalog.hasPrivilege(owner, Privilege::All);
    dbmsPipeRights.emplace(owner, may);
    return may;
}

std::shared_ptr<CompiledUnit> Session::Impl::procedure(const std::string& owner,
                                                       const std::vector<std::string>& path)
{
    Catalog& catalog = session.database->catalog();
    ObjectName object;
    if (path.size() == 1) {
        auto resolved = catalog.resolve(owner, path[0]);
        if (!resolved)
            return nullptr;
        object = std::move(*resolved);
    } else if (path.size() == 2) {
        object = ObjectName{path[0], path[1]};
    } else {
        return nullptr;
    }
    const std::string key = object.owner + "." + object.name;
    if (const auto found = procedures->find(key); found != procedures->end())
        return found->second;
    const auto stored = catalog.findProcedure(object);
    if (!stored)
        return nullptr;
    if (auto kept = keptPackage(key)) {
        procedures->emplace(key, kept);
        return kept;
    }

    auto unit = std::make_shared<CompiledUnit>();
    unit->owner = object.owner;
    unit->qualifiedName = key;
    procedures->emplace(key, unit);
    // Compiling a procedure compiles those it calls; a chain longer than
    // this is refused rather than allowed to exhaust the stack.
    struct Depth {
        Impl& impl;
        explicit Depth(Impl& owner) : impl(owner) { ++impl.compileDepth; }
        ~Depth()
        {
            if (--impl.compileDepth == 0)
                impl.depthRefused = false;
        }
    } depth(*this);
    if (compileDepth > kMaxCompileDepth) {
        // Not kept, nor is any procedure that failed because of it: from a
        // shallower start they may compile.
        depthRefused = true;
        procedures->erase(key);
        unit->valid = false;
        return unit;
    }
    try {
        // Valid while its body compiles, so that a procedure may call itself.
        unit->valid = true;
        unit->specVersion = stored->version;
        if (unitKind(stored->source) == "PACKAGE") {
            compilePackage(*unit, *stored, catalog.findPackageBody(object), *this);
        } else {
            unit->ast = Parser(stored->source).parseProcedure();
            compile(*unit, *this);
        }
    } catch (const OraError& error) {
        unit->valid = false;
        unit->compileError = error;
        if (depthRefused)
            procedures->erase(key);
    }
    return unit;
}

// The package this session has an instance of, compiled before the catalog
// last changed, while neither it nor anything it uses has changed since: its
// variables keep their values.
std::shared_ptr<CompiledUnit> Session::Impl::keptPackage(const std::string& key)
{
    PackageInstance* instance = packageInstance(session, key);
    if (!instance)
        return nullptr;
    std::set<const CompiledUnit*> seen;
    if (!isCurrent(*instance->unit, seen))
        return nullptr;
    // Its calls point into the units compiled with it: the cache keeps them
    // alive for as long as it hands the package out. (No name has a '"'.)
    auto holder = std::make_shared<CompiledUnit>();
    holder->procedures = instance->procedures;
    procedures->emplace(key + "\"", std::move(holder));
    return instance->unit;
}

bool Session::Impl::isCurrent(const CompiledUnit& unit, std::set<const CompiledUnit*>& seen)
{
    if (!seen.insert(&unit).second)
        return true;
    const auto dot = unit.qualifiedName.find('.');
    if (dot == std::string::npos)
        return false;
    const ObjectName object{unit.qualifiedName.substr(0, dot), unit.qualifiedName.substr(dot + 1)};
    Catalog& catalog = session.database->catalog();
    const auto stored = catalog.findProcedure(object);
    if (!stored || stored->version != unit.specVersion)
        return false;
    if (unitKind(stored->source) == "PACKAGE") {
        const auto body = catalog.findPackageBody(object);
        if ((body ? body->version : 0) != unit.bodyVersion)
            return false;
    }
    for (const CompiledUnit* dependency : unit.dependencies) {
        if (!isCurrent(*dependency, seen))
            return false;
    }
    return true;
}

void Session::Impl::compileStored(const ObjectName& object, bool body)
{
    refresh();
    const auto unit = procedure(object.owner, {object.owner, object.name});
    if (!unit || (body && (!unit->ast || !unit->ast->isPackage))) // a body without its package
        throw oraError(24344);
    const bool bodyFailed = body && unit->bodyError && unit->bodyError->code() == 4063;
    if (!unit->valid || bodyFailed) {
        OraError error = oraError(24344);
        if (unit->compileError)
            error.setParseOffset(unit->compileError->parseOffset());
        throw error;
    }
}

bool Session::Impl::mayUseSequence(const std::string& owner, const std::vector<std::string>& path)
{
    if (path.empty() || path.size() > 2)
        return false;
    const ObjectName object =
        path.size() == 2 ? ObjectName{path[0], path[1]} : ObjectName{owner, path[0]};
    Catalog& catalog = session.database->catalog();
    return catalog.sequenceExists(object)
           && (object.owner == owner || catalog.hasPrivilege(owner, Privilege::All));
}

std::vector<CompileErrorRow> Session::Impl::compileErrorsOf(const std::string& owner)
{
    Catalog& catalog = session.database->catalog();
    std::vector<CompileErrorRow> rows;
    for (const std::string& name : catalog.unitNames(owner)) {
        const auto unit = procedure(owner, {owner, name});
        if (!unit || !unit->compileError)
            continue;
        std::string type = "PACKAGE BODY";
        if (!unit->valid) {
            const auto stored = catalog.findProcedure({owner, name});
            type = stored ? unitKind(stored->source) : "PROCEDURE";
        }
        for (auto& row : compileErrorRows(name, type, *unit->compileError))
            rows.push_back(std::move(row));
    }
    return rows;
}

OraError asOraError(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return OraError(4030,
                        oraPrefix(4030) + ": out of process memory when trying to allocate memory");
    return oraError(600, {"[" + std::string(error.what()) + "]"});
}

Session::Session(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Session::~Session() = default;

std::unique_ptr<Session> Session::logOn(std::shared_ptr<Database> database, std::string_view user,
                                        std::string_view password)
{
    try {
        auto name = database->catalog().authenticate(user, password);
        if (!name)
            throw oraError(1017);
        auto impl = std::make_unique<Impl>();
        impl->session.user = std::move(*name);
        impl->session.uniqueName = makeUniqueSessionName();
        impl->session.conversion.dateFormat = std::string(kDefaultDateFormat);
        impl->session.conversion.now = [db = database.get()] { return currentDate(*db); };
        impl->session.database = std::move(database);
        impl->session.compileErrors = [owner = impl.get()](const std::string& schema) {
            return owner->compileErrorsOf(schema);
        };
        return std::unique_ptr<Session>(new Session(std::move(impl)));
    } catch (const OraError&) {
        throw;
    } catch (const std::exception& error) {
        throw asOraError(error);
    }
}

void Session::setLimits(const ExecutionLimits& limits)
{
    impl_->session.limits = limits;
}

void checkCancel(const SessionState& state)
{
    if (state.cancel.pending())
        throw oraError(1013);
}

void Session::cancel() noexcept
{
    impl_->session.cancel.request();
}

const std::string& Session::user() const
{
    return impl_->session.user;
}

Database& Session::database()
{
    return *impl_->session.database;
}

} // namespace vexmoor::engine
