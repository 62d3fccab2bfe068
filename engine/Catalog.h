#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexmoor::engine {

class Storage;

// What an account may do. SYSTEM holds All.
enum class Privilege {
    ExecuteDbmsPipe,     // GRANT EXECUTE ON dbms_pipe TO user
    CreateProcedure,     // GRANT CREATE PROCEDURE TO user
    CreatePublicSynonym, // GRANT CREATE PUBLIC SYNONYM TO user
    DropPublicSynonym,   // GRANT DROP PUBLIC SYNONYM TO user
    CreateUser,          // GRANT CREATE USER TO user
    All,                 // GRANT DBA TO user: every privilege
};

struct ObjectName {
    std::string owner; // upper case
    std::string name;  // upper case
    friend bool operator==(const ObjectName&, const ObjectName&) = default;
};

// What CREATE SEQUENCE says, with Oracle's defaults filled in.
struct SequenceDefinition {
    std::int64_t start = 1;
    std::int64_t increment = 1;
    std::int64_t minValue = 1;
    std::int64_t maxValue = 999'999'999'999'999'999;
    bool cycle = false;
};

// The kind of a stored unit: the first word of its source, upper case.
std::string unitKind(std::string_view source);

struct StoredProcedure {
    ObjectName object;
    // The CREATE statement's text from PROCEDURE, FUNCTION or PACKAGE on; a
    // package body's from PACKAGE BODY on.
    std::string source;
    std::int64_t version = 0; // changes whenever the procedure is replaced
};

// Accounts, privileges, stored procedures and synonyms in the database file.
// Names are given in any case and kept in upper case. Every change is its own
// transaction, visible at once to other sessions and processes. Lookups
// (privileges, procedures, synonyms, resolution) are remembered until the
// generation changes.
class Catalog {
public:
    explicit Catalog(Storage& storage);

    // Fills a new database file: SYSTEM/manager with every privilege and
    // VEXMOOR/vexmoor with dbms_pipe, CREATE PROCEDURE and CREATE PUBLIC
    // SYNONYM. Runs inside the transaction that creates the file.
    static void createDefaultAccounts(Storage& storage);

    // The user name as stored, or nothing for an unknown user or a wrong
    // password.
    std::optional<std::string> authenticate(std::string_view user, std::string_view password);
    bool userExists(std::string_view user);
    bool hasPrivilege(std::string_view user, Privilege privilege);

    void createUser(std::string_view user, std::string_view password); // ORA-01920
    void dropUser(std::string_view user);                              // ORA-01918
    void grant(std::string_view user, Privilege privilege);            // ORA-01917
    void revoke(std::string_view user, Privilege privilege);           // ORA-01917

    // Procedures, functions and package headers share the schema's
    // names; each source starts with its kind's word. ORA-00955 when the
    // name is taken in that schema and `orReplace` is off, or when it is
    // taken by an object of another kind.
    void storeProcedure(const ObjectName& object, std::string_view source, bool orReplace);
    std::optional<StoredProcedure> findProcedure(const ObjectName& object);
    // The names of the schema's procedures, functions and packages, in order.
    std::vector<std::string> unitNames(std::string_view owner);
    // ORA-04043 when there is no unit of that kind (PROCEDURE, FUNCTION,
    // PACKAGE); dropping a package drops its body too.
    void dropProcedure(const ObjectName& object, std::string_view kind = "PROCEDURE");

    // A package body is kept beside its header (CREATE PACKAGE), which it needs only
    // to compile. ORA-00955 when there is one and `orReplace` is off.
    void storePackageBody(const ObjectName& object, std::string_view source, bool orReplace);
    std::optional<StoredProcedure> findPackageBody(const ObjectName& object);
    void dropPackageBody(const ObjectName& object); // ORA-04043

    // Sequences: numbers handed out one by one, outside every transaction.
    // ORA-00955 when the name is taken by a procedure, package or synonym
    // (the caller checks tables); ORA-02289 when there is no such sequence.
    void createSequence(const ObjectName& object, const SequenceDefinition& definition);
    void dropSequence(const ObjectName& object);
    bool sequenceExists(const ObjectName& object);
    // NEXTVAL: the next number, given once; ORA-08004 past the bound of a
    // sequence without CYCLE.
    std::int64_t nextSequenceValue(const ObjectName& object);

    // A public synonym has owner "PUBLIC". ORA-00955 when the name is taken.
    void createSynonym(const ObjectName& synonym, const ObjectName& target, bool orReplace);
    void dropSynonym(const ObjectName& synonym); // ORA-01432 (public) / ORA-01434
    std::optional<ObjectName> findSynonym(const ObjectName& synonym);

    // Oracle's resolution of a plain name for `user`: an object or private
    // synonym in the user's own schema, then a public synonym; synonyms are
    // followed to what they name.
    std::optional<ObjectName> resolve(std::string_view user, std::string_view name);

    // A number that changes whenever procedures, synonyms, accounts or
    // privileges change, in this process or another. Cheap enough to ask on
    // every call: callers cache resolved names and compiled procedures under it.
    std::int64_t generation();

    // Moves the generation for a change kept elsewhere that compiled code
    // depends on (a table created or dropped: %TYPE and %ROWTYPE).
    void markChanged();

private:
    // Drops remembered lookups when the catalog has changed since.
    void refresh();

    Storage& storage_;
    // The change counter's value when generation_ was read; odd = not usable.
    std::uint64_t seenMark_ = 1;
    std::int64_t generation_ = -1;
    std::int64_t cachedFor_ = -1;
    std::map<std::pair<std::string, int>, bool> privileges_;
    using SourceCache =
        std::map<std::pair<std::string, std::string>, std::optional<StoredProcedure>>;
    // A unit's source from a table of sources, cached until the catalog
    // changes; `select` reads source and version by owner and name.
    std::optional<StoredProcedure> findSource(SourceCache& cache, const char* select,
                                              const ObjectName& object);

    SourceCache procedures_;
    SourceCache bodies_;
    std::map<std::pair<std::string, std::string>, std::optional<ObjectName>> synonyms_;
    std::map<std::pair<std::string, std::string>, std::optional<ObjectName>> resolved_;
};

} // namespace vexmoor::engine
