#include "Catalog.h"

#include "ChangeCounter.h"
#include "OraError.h"
#include "PasswordHash.h"
#include "Storage.h"

#include <algorithm>
#include <cctype>

namespace vexmoor::engine {

namespace {

constexpr std::string_view kPublic = "PUBLIC";
// Synonyms that name synonyms are followed at most this far; Oracle reports
// a longer chain as a loop.
constexpr int kMaxSynonymChain = 32;

std::string upper(std::string_view name)
{
    std::string result(name);
    std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return result;
}

ObjectName upper(const ObjectName& object)
{
    return ObjectName{upper(object.owner), upper(object.name)};
}

// Every catalog change bumps the counter in the file header, inside the
// change's own transaction; the new value also versions a stored procedure.
std::int64_t bumpGeneration(Storage& storage)
{
    std::int64_t next = (storage.headerCounter() + 1) & 0x7fffffff;
    storage.execute(("PRAGMA user_version=" + std::to_string(next)).c_str());
    return next;
}

bool accountExists(Storage& storage, const std::string& user)
{
    Query query(storage, "SELECT 1 FROM accounts WHERE name = ?");
    query.bind(1, user);
    return query.step();
}

// The kind of the unit stored under the name, if there is one.
std::optional<std::string> storedKind(Storage& storage, const ObjectName& object)
{
    Query query(storage, "SELECT source FROM procedures WHERE owner = ? AND name = ?");
    query.bind(1, object.owner).bind(2, object.name);
    if (!query.step())
        return std::nullopt;
    return unitKind(query.text(0));
}

bool procedureExists(Storage& storage, const ObjectName& object)
{
    return storedKind(storage, object).has_value();
}

bool sequenceExistsNow(Storage& storage, const ObjectName& object)
{
    Query query(storage, "SELECT 1 FROM sequences WHERE owner = ? AND name = ?");
    query.bind(1, object.owner).bind(2, object.name);
    return query.step();
}

bool bodyExists(Storage& storage, const ObjectName& object)
{
    Query query(storage, "SELECT 1 FROM package_bodies WHERE owner = ? AND name = ?");
    query.bind(1, object.owner).bind(2, object.name);
    return query.step();
}

bool synonymExists(Storage& storage, const ObjectName& object)
{
    Query query(storage, "SELECT 1 FROM synonyms WHERE owner = ? AND name = ?");
    query.bind(1, object.owner).bind(2, object.name);
    return query.step();
}

void insertAccount(Storage& storage, const std::string& user, std::string_view passwordHash)
{
    Query(storage, "INSERT INTO accounts(name, password) VALUES(?, ?)")
        .bind(1, user)
        .bind(2, passwordHash)
        .run();
}

// Replaces a password stored in the clear, or hashed with older limits, by a
// hash made now; unless another logon replaced it first.
void rehashPassword(Storage& storage, const std::string& user, const std::string& stored,
                    std::string_view password)
{
    std::string hash = hashPassword(password); // slow: before taking the write lock
    Transaction transaction(storage, Transaction::Mode::Write);
    Query(storage, "UPDATE accounts SET password = ? WHERE name = ? AND password = ?")
        .bind(1, hash)
        .bind(2, user)
        .bind(3, stored)
        .run();
    transaction.commit();
}

void insertPrivilege(Storage& storage, const std::string& user, Privilege privilege)
{
    Query(storage, "INSERT OR IGNORE INTO privileges(account, privilege) VALUES(?, ?)")
        .bind(1, user)
        .bind(2, static_cast<std::int64_t>(privilege))
        .run();
}

std::optional<ObjectName> synonymTarget(Storage& storage, const ObjectName& synonym)
{
    Query query(storage,
                "SELECT target_owner, target_name FROM synonyms WHERE owner = ? AND name = ?");
    query.bind(1, synonym.owner).bind(2, synonym.name);
    if (!query.step())
        return std::nullopt;
    return ObjectName{query.text(0), query.text(1)};
}

std::optional<ObjectName> resolveNow(Storage& storage, const std::string& user,
                                     const std::string& name)
{
    // One read transaction, so that the answer comes from one state of the
    // catalog even while another process changes it.
    Transaction transaction(storage, Transaction::Mode::Read);
    ObjectName current{user, name};
    if (!procedureExists(storage, current) && !synonymExists(storage, current))
        current.owner = kPublic;
    for (int hop = 0; hop < kMaxSynonymChain; ++hop) {
        if (current.owner != kPublic && procedureExists(storage, current))
            return current;
        std::optional<ObjectName> next = synonymTarget(storage, current);
        if (!next)
            return std::nullopt;
        current = *next;
    }
    return std::nullopt;
}

// One change of the catalog: its own write transaction, marked for the
// other processes while it runs, and a new generation.
template <typename Change>
void changeCatalog(Storage& storage, Change change)
{
    Transaction transaction(storage, Transaction::Mode::Write);
    ChangeMark mark(storage.changeCounter());
    change();
    bumpGeneration(storage);
    transaction.commit();
}

} // namespace

std::string unitKind(std::string_view source)
{
    std::size_t begin = 0;
    while (begin < source.size() && std::isspace(static_cast<unsigned char>(source[begin])))
        ++begin;
    std::size_t end = begin;
    while (end < source.size() && std::isalpha(static_cast<unsigned char>(source[end])))
        ++end;
    return upper(source.substr(begin, end - begin));
}

Catalog::Catalog(Storage& storage) : storage_(storage) {}

std::vector<std::string> Catalog::unitNames(std::string_view owner)
{
    Query query(storage_, "SELECT name FROM procedures WHERE owner = ? ORDER BY name");
    query.bind(1, owner);
    std::vector<std::string> names;
    while (query.step())
        names.push_back(query.text(0));
    return names;
}

// The tables of sources (procedures, package_bodies) share one shape: owner,
// name, source and the catalog generation that stored it. Statement texts are
// literals, as the statement cache wants them.
namespace {

struct SourceTable {
    const char* upsert;
    const char* select;
    const char* remove;
};

constexpr SourceTable kProcedureSources{
    "INSERT INTO procedures(owner, name, source, version) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT(owner, name) DO UPDATE SET source = ?3, version = ?4",
    "SELECT source, version FROM procedures WHERE owner = ? AND name = ?",
    "DELETE FROM procedures WHERE owner = ? AND name = ?"};

constexpr SourceTable kPackageBodySources{
    "INSERT INTO package_bodies(owner, name, source, version) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT(owner, name) DO UPDATE SET source = ?3, version = ?4",
    "SELECT source, version FROM package_bodies WHERE owner = ? AND name = ?",
    "DELETE FROM package_bodies WHERE owner = ? AND name = ?"};

void upsertSource(Storage& storage, const SourceTable& table, const ObjectName& name,
                  std::string_view source)
{
    const std::int64_t version = bumpGeneration(storage);
    Query(storage, table.upsert)
        .bind(1, name.owner)
        .bind(2, name.name)
        .bind(3, source)
        .bind(4, version)
        .run();
}

} // namespace

void Catalog::createDefaultAccounts(Storage& storage)
{
    insertAccount(storage, "SYSTEM", hashPassword("manager"));
    insertPrivilege(storage, "SYSTEM", Privilege::All);
    insertAccount(storage, "VEXMOOR", hashPassword("vexmoor"));
    for (Privilege privilege :
         {Privilege::ExecuteDbmsPipe, Privilege::CreateProcedure, Privilege::CreatePublicSynonym})
        insertPrivilege(storage, "VEXMOOR", privilege);
}

std::optional<std::string> Catalog::authenticate(std::string_view user, std::string_view password)
{
    std::string name;
    std::string stored;
    {
        Query query(storage_, "SELECT name, password FROM accounts WHERE name = ?");
        query.bind(1, upper(user));
        if (!query.step())
            return std::nullopt;
        name = query.text(0);
        stored = query.text(1);
    }
    if (isPasswordHash(stored)) {
        if (!verifyPassword(stored, password))
            return std::nullopt;
        if (passwordHashOutdated(stored))
            rehashPassword(storage_, name, stored, password);
        return name;
    }
    // Stored in the clear by an older version: hashed at the first logon
    // that proves it.
    if (!matchesClearPassword(stored, password))
        return std::nullopt;
    rehashPassword(storage_, name, stored, password);
    return name;
}

bool Catalog::userExists(std::string_view user)
{
    return accountExists(storage_, upper(user));
}

bool Catalog::hasPrivilege(std::string_view user, Privilege privilege)
{
    refresh();
    auto key = std::make_pair(upper(user), static_cast<int>(privilege));
    if (auto found = privileges_.find(key); found != privileges_.end())
        return found->second;
    Query query(storage_, "SELECT 1 FROM privileges WHERE account = ? AND privilege IN (?, ?)");
    query.bind(1, key.first)
        .bind(2, static_cast<std::int64_t>(privilege))
        .bind(3, static_cast<std::int64_t>(Privilege::All));
    bool granted = query.step();
    privileges_.emplace(std::move(key), granted);
    return granted;
}

void Catalog::createUser(std::string_view user, std::string_view password)
{
    std::string name = upper(user);
    // SYS is the engine's own name: every pipe admits it.
    if (name == "SYS")
        throw oraError(1920, {name});
    std::string hash = hashPassword(password); // slow: before taking the write lock
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (accountExists(storage_, name))
        throw oraError(1920, {name});
    insertAccount(storage_, name, hash);
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::dropUser(std::string_view user)
{
    // Drops the account with everything in its schema, as DROP USER CASCADE.
    std::string name = upper(user);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (!accountExists(storage_, name))
        throw oraError(1918, {name});
    Query(storage_, "DELETE FROM accounts WHERE name = ?").bind(1, name).run();
    Query(storage_, "DELETE FROM privileges WHERE account = ?").bind(1, name).run();
    Query(storage_, "DELETE FROM procedures WHERE owner = ?").bind(1, name).run();
    Query(storage_, "DELETE FROM package_bodies WHERE owner = ?").bind(1, name).run();
    Query(storage_, "DELETE FROM synonyms WHERE owner = ?").bind(1, name).run();
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::grant(std::string_view user, Privilege privilege)
{
    std::string name = upper(user);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (!accountExists(storage_, name))
        throw oraError(1917, {name});
    insertPrivilege(storage_, name, privilege);
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::revoke(std::string_view user, Privilege privilege)
{
    std::string name = upper(user);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (!accountExists(storage_, name))
        throw oraError(1917, {name});
    Query(storage_, "DELETE FROM privileges WHERE account = ? AND privilege = ?")
        .bind(1, name)
        .bind(2, static_cast<std::int64_t>(privilege))
        .run();
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::storeProcedure(const ObjectName& object, std::string_view source, bool orReplace)
{
    ObjectName name = upper(object);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    const auto kind = storedKind(storage_, name);
    if (synonymExists(storage_, name) || sequenceExistsNow(storage_, name)
        || (kind && (!orReplace || *kind != unitKind(source))))
        throw oraError(955);
    upsertSource(storage_, kProcedureSources, name, source);
    transaction.commit();
}

std::optional<StoredProcedure> Catalog::findProcedure(const ObjectName& object)
{
    return findSource(procedures_, kProcedureSources.select, object);
}

std::optional<StoredProcedure> Catalog::findSource(SourceCache& cache, const char* select,
                                                   const ObjectName& object)
{
    refresh();
    ObjectName name = upper(object);
    auto key = std::make_pair(name.owner, name.name);
    if (auto found = cache.find(key); found != cache.end())
        return found->second;
    std::optional<StoredProcedure> unit;
    Query query(storage_, select);
    query.bind(1, name.owner).bind(2, name.name);
    if (query.step())
        unit = StoredProcedure{name, query.text(0), query.integer(1)};
    cache.emplace(std::move(key), unit);
    return unit;
}

void Catalog::dropProcedure(const ObjectName& object, std::string_view kind)
{
    ObjectName name = upper(object);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (storedKind(storage_, name) != kind)
        throw oraError(4043, {name.name});
    Query(storage_, kProcedureSources.remove).bind(1, name.owner).bind(2, name.name).run();
    Query(storage_, kPackageBodySources.remove).bind(1, name.owner).bind(2, name.name).run();
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::storePackageBody(const ObjectName& object, std::string_view source, bool orReplace)
{
    ObjectName name = upper(object);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (bodyExists(storage_, name) && !orReplace)
        throw oraError(955);
    upsertSource(storage_, kPackageBodySources, name, source);
    transaction.commit();
}

std::optional<StoredProcedure> Catalog::findPackageBody(const ObjectName& object)
{
    return findSource(bodies_, kPackageBodySources.select, object);
}

void Catalog::dropPackageBody(const ObjectName& object)
{
    ObjectName name = upper(object);
    Transaction transaction(storage_, Transaction::Mode::Write);
    ChangeMark mark(storage_.changeCounter());
    if (!bodyExists(storage_, name))
        throw oraError(4043, {name.name});
    Query(storage_, kPackageBodySources.remove).bind(1, name.owner).bind(2, name.name).run();
    bumpGeneration(storage_);
    transaction.commit();
}

void Catalog::createSynonym(const ObjectName& synonym, const ObjectName& target, bool orReplace)
{
    ObjectName name = upper(synonym);
    ObjectName to = upper(target);
    changeCatalog(storage_, [&] {
        if (procedureExists(storage_, name) || sequenceExistsNow(storage_, name)
            || (!orReplace && synonymExists(storage_, name)))
            throw oraError(955);
        Query(storage_,
              "INSERT INTO synonyms(owner, name, target_owner, target_name) VALUES(?1, ?2, ?3, ?4) "
              "ON CONFLICT(owner, name) DO UPDATE SET target_owner = ?3, target_name = ?4")
            .bind(1, name.owner)
            .bind(2, name.name)
            .bind(3, to.owner)
            .bind(4, to.name)
            .run();
    });
}

void Catalog::dropSynonym(const ObjectName& synonym)
{
    ObjectName name = upper(synonym);
    changeCatalog(storage_, [&] {
        if (!synonymExists(storage_, name))
            throw oraError(name.owner == kPublic ? 1432 : 1434);
        Query(storage_, "DELETE FROM synonyms WHERE owner = ? AND name = ?")
            .bind(1, name.owner)
            .bind(2, name.name)
            .run();
    });
}

void Catalog::createSequence(const ObjectName& object, const SequenceDefinition& definition)
{
    ObjectName name = upper(object);
    changeCatalog(storage_, [&] {
        if (procedureExists(storage_, name) || synonymExists(storage_, name)
            || sequenceExistsNow(storage_, name))
            throw oraError(955);
        Query(storage_, "INSERT INTO sequences(owner, name, next_value, increment, min_value, "
                        "max_value, cycle) VALUES(?, ?, ?, ?, ?, ?, ?)")
            .bind(1, name.owner)
            .bind(2, name.name)
            .bind(3, definition.start)
            .bind(4, definition.increment)
            .bind(5, definition.minValue)
            .bind(6, definition.maxValue)
            .bind(7, definition.cycle ? 1 : 0)
            .run();
    });
}

void Catalog::dropSequence(const ObjectName& object)
{
    ObjectName name = upper(object);
    changeCatalog(storage_, [&] {
        if (!sequenceExistsNow(storage_, name))
            throw oraError(2289);
        Query(storage_, "DELETE FROM sequences WHERE owner = ? AND name = ?")
            .bind(1, name.owner)
            .bind(2, name.name)
            .run();
    });
}

bool Catalog::sequenceExists(const ObjectName& object)
{
    return sequenceExistsNow(storage_, upper(object));
}

// Its own write transaction, committed at once: a ROLLBACK of the caller's
// tables never gives a number back, as in Oracle. Not a catalog change: the
// generation stays.
std::int64_t Catalog::nextSequenceValue(const ObjectName& object)
{
    ObjectName name = upper(object);
    Transaction transaction(storage_, Transaction::Mode::Write);
    std::int64_t value = 0;
    std::int64_t increment = 0;
    std::int64_t minValue = 0;
    std::int64_t maxValue = 0;
    bool cycle = false;
    {
        Query read(storage_, "SELECT next_value, increment, min_value, max_value, cycle FROM "
                             "sequences WHERE owner = ? AND name = ?");
        read.bind(1, name.owner).bind(2, name.name);
        if (!read.step())
            throw oraError(2289);
        value = read.integer(0);
        increment = read.integer(1);
        minValue = read.integer(2);
        maxValue = read.integer(3);
        cycle = read.integer(4) != 0;
    }
    if (value > maxValue || value < minValue) {
        const bool up = increment > 0;
        if (!cycle)
            throw oraError(8004, {name.name, up ? "exceeds" : "goes below", up ? "MAX" : "MIN"});
        value = up ? minValue : maxValue;
    }
    // Bounds and increment are at most 18 digits: the sum stays in 64 bits.
    Query(storage_, "UPDATE sequences SET next_value = ? WHERE owner = ? AND name = ?")
        .bind(1, value + increment)
        .bind(2, name.owner)
        .bind(3, name.name)
        .run();
    transaction.commit();
    return value;
}

void Catalog::markChanged()
{
    changeCatalog(storage_, [] {});
}

std::optional<ObjectName> Catalog::findSynonym(const ObjectName& synonym)
{
    refresh();
    ObjectName name = upper(synonym);
    auto key = std::make_pair(name.owner, name.name);
    if (auto found = synonyms_.find(key); found != synonyms_.end())
        return found->second;
    std::optional<ObjectName> target = synonymTarget(storage_, name);
    synonyms_.emplace(std::move(key), target);
    return target;
}

std::optional<ObjectName> Catalog::resolve(std::string_view user, std::string_view name)
{
    refresh();
    auto key = std::make_pair(upper(user), upper(name));
    if (auto found = resolved_.find(key); found != resolved_.end())
        return found->second;
    std::optional<ObjectName> target = resolveNow(storage_, key.first, key.second);
    resolved_.emplace(std::move(key), target);
    return target;
}

std::int64_t Catalog::generation()
{
    ChangeCounter& counter = storage_.changeCounter();
    std::uint64_t mark = counter.load();
    if (ChangeCounter::settled(mark) && mark == seenMark_)
        return generation_;
    generation_ = storage_.headerCounter();
    seenMark_ = mark;
    return generation_;
}

void Catalog::refresh()
{
    std::int64_t now = generation();
    if (now == cachedFor_)
        return;
    privileges_.clear();
    procedures_.clear();
    bodies_.clear();
    synonyms_.clear();
    resolved_.clear();
    cachedFor_ = now;
}

} // namespace vexmoor::engine
