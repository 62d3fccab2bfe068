// A stand-in for the Oracle client library: the OCI functions the client
// backend of db/ uses, over the embedded engine. The connect identifier
// given to OCILogon2 is the path of the engine's database file. Like a real
// client it keeps a statement cache per session (used when the session was
// logged on with OCI_LOGON2_STMTCACHE), reports errors through the error
// handle with a trailing line feed, and refuses to run a PL/SQL block with
// an iteration count of zero.

#include "StandInStatistics.h"

#include "base/OraError.h"
#include "base/Text.h"
#include "db/NoDestructor.h"
#include "db/OciApi.h"
#include "engine/Database.h"
#include "engine/Session.h"
#include "engine/Statement.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace vexmoor::db::oci;
using namespace vexmoor::db::oci::api;
namespace engine = vexmoor::engine;
namespace base = vexmoor::base;

namespace vexmoor::db::oci::api {

struct OCIEnv {
    ub4 mode = 0;
};

struct OCIError {
    sb4 code = 0;
    std::string text;
};

struct OCIBind {
    std::string name;
};

struct OCISvcCtx {
    std::shared_ptr<engine::Database> database;
    std::unique_ptr<engine::Session> session;
    bool caching = false;
    std::set<std::string> cachedKeys;
};

struct OCIStmt {
    OCISvcCtx* service = nullptr;
    std::string text;
    ub2 type = 0;
    ub2 parseOffset = 0;
    std::unique_ptr<engine::Statement> statement;
    std::vector<std::unique_ptr<OCIBind>> binds;
};

} // namespace vexmoor::db::oci::api

namespace {

constexpr ub2 kStmtSelect = 1;
constexpr ub2 kStmtCreate = 5;
constexpr ub2 kStmtBegin = 8;
constexpr ub2 kStmtDeclare = 9;

// Every handle the stand-in handed out, owned here as a real client owns
// its handles; kept for the process's life like a real client's state.
struct Handles {
    std::map<const void*, std::unique_ptr<OCIEnv>> environments;
    std::map<const void*, std::unique_ptr<OCIError>> errors;
    std::map<const void*, std::unique_ptr<OCISvcCtx>> services;
    std::map<const void*, std::unique_ptr<OCIStmt>> statements;
    std::map<std::string, std::weak_ptr<engine::Database>> databases;
    StandInStatistics statistics{};
};

Handles& handles()
{
    static detail::NoDestructor<Handles> instance;
    return instance.get();
}

void countCall()
{
    ++handles().statistics.calls;
}

template <typename T>
T* keep(std::map<const void*, std::unique_ptr<T>>& owner, std::unique_ptr<T> handle)
{
    T* raw = handle.get();
    owner[raw] = std::move(handle);
    return raw;
}

sword fail(OCIError* error, const base::OraError& raised)
{
    if (error != nullptr) {
        error->code = raised.code();
        error->text = raised.message() + "\n";
    }
    return OCI_ERROR;
}

std::string view(const OraText* text, sb4 length)
{
    if (text == nullptr)
        return {};
    const char* chars = reinterpret_cast<const char*>(text);
    return length < 0 ? std::string(chars) : std::string(chars, static_cast<std::size_t>(length));
}

ub2 classify(const std::string& text)
{
    std::string word;
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c)))
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else if (!word.empty())
            break;
    }
    if (word == "SELECT" || word == "WITH")
        return kStmtSelect;
    if (word == "CREATE")
        return kStmtCreate;
    if (word == "BEGIN")
        return kStmtBegin;
    if (word == "DECLARE")
        return kStmtDeclare;
    return 0;
}

std::shared_ptr<engine::Database> openDatabase(const std::string& path)
{
    auto& slot = handles().databases[path];
    if (auto database = slot.lock())
        return database;
    auto database = engine::Database::open(path);
    slot = database;
    return database;
}

} // namespace

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

STANDIN_EXPORT const StandInStatistics* StandInCurrentStatistics()
{
    auto& statistics = handles().statistics;
    statistics.liveStatements = static_cast<int>(handles().statements.size());
    statistics.liveEnvironments = static_cast<int>(handles().environments.size());
    return &statistics;
}

STANDIN_EXPORT sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void*, MallocFn, ReallocFn, FreeFn,
                                     std::size_t, void**, ub2 charset, ub2 ncharset)
{
    countCall();
    handles().statistics.environmentMode = static_cast<int>(mode);
    handles().statistics.charset = charset;
    handles().statistics.ncharset = ncharset;
    auto environment = std::make_unique<OCIEnv>();
    environment->mode = mode;
    *envp = keep(handles().environments, std::move(environment));
    return OCI_SUCCESS;
}

// Oracle's ids of the character sets a locale may name; 0 for any other name.
STANDIN_EXPORT ub2 OCINlsCharSetNameToId(void* envhp, const OraText* name)
{
    countCall();
    static const std::map<std::string, ub2> ids{{"US7ASCII", 1},       {"WE8ISO8859P1", 31},
                                                {"WE8ISO8859P15", 46}, {"WE8MSWIN1252", 178},
                                                {"UTF8", 871},         {"AL32UTF8", 873}};
    if (envhp == nullptr || handles().environments.count(envhp) == 0 || name == nullptr)
        return 0;
    const auto found = ids.find(reinterpret_cast<const char*>(name));
    return found == ids.end() ? 0 : found->second;
}

STANDIN_EXPORT sword OCIHandleAlloc(const void* parent, void** hndlpp, ub4 type, std::size_t,
                                    void**)
{
    countCall();
    if (parent == nullptr || hndlpp == nullptr)
        return OCI_INVALID_HANDLE;
    switch (type) {
    case OCI_HTYPE_ERROR:
        *hndlpp = keep(handles().errors, std::make_unique<OCIError>());
        return OCI_SUCCESS;
    case OCI_HTYPE_SVCCTX:
        *hndlpp = keep(handles().services, std::make_unique<OCISvcCtx>());
        return OCI_SUCCESS;
    case OCI_HTYPE_STMT:
        *hndlpp = keep(handles().statements, std::make_unique<OCIStmt>());
        return OCI_SUCCESS;
    default:
        return OCI_INVALID_HANDLE;
    }
}

STANDIN_EXPORT sword OCIHandleFree(void* hndlp, ub4 type)
{
    countCall();
    std::size_t erased = 0;
    switch (type) {
    case OCI_HTYPE_ENV:
        erased = handles().environments.erase(hndlp);
        break;
    case OCI_HTYPE_ERROR:
        erased = handles().errors.erase(hndlp);
        break;
    case OCI_HTYPE_SVCCTX:
        erased = handles().services.erase(hndlp);
        break;
    case OCI_HTYPE_STMT:
        erased = handles().statements.erase(hndlp);
        break;
    default:
        break;
    }
    return erased == 1 ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

STANDIN_EXPORT sword OCILogon2(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                               const OraText* username, ub4 uname_len, const OraText* password,
                               ub4 passwd_len, const OraText* dbname, ub4 dbname_len, ub4 mode)
{
    countCall();
    handles().statistics.logonMode = static_cast<int>(mode);
    if (envhp == nullptr || errhp == nullptr || svchp == nullptr)
        return OCI_INVALID_HANDLE;
    try {
        auto database = openDatabase(view(dbname, static_cast<sb4>(dbname_len)));
        auto session = engine::Session::logOn(database, view(username, static_cast<sb4>(uname_len)),
                                              view(password, static_cast<sb4>(passwd_len)));
        auto service = std::make_unique<OCISvcCtx>();
        service->database = std::move(database);
        service->session = std::move(session);
        service->caching = (mode & OCI_LOGON2_STMTCACHE) != 0;
        *svchp = keep(handles().services, std::move(service));
        return OCI_SUCCESS;
    } catch (const base::OraError& error) {
        return fail(errhp, error);
    }
}

STANDIN_EXPORT sword OCILogoff(OCISvcCtx* svchp, OCIError*)
{
    countCall();
    ++handles().statistics.logoffs;
    return handles().services.erase(svchp) == 1 ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

STANDIN_EXPORT sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp,
                                     const OraText* stmt, ub4 stmt_len, const OraText* key,
                                     ub4 keylen, ub4, ub4)
{
    countCall();
    if (svchp == nullptr || svchp->session == nullptr || stmtp == nullptr)
        return OCI_INVALID_HANDLE;
    std::string text = view(stmt, static_cast<sb4>(stmt_len));
    const std::string cacheKey = key != nullptr ? view(key, static_cast<sb4>(keylen)) : text;
    if (svchp->caching && svchp->cachedKeys.count(cacheKey) != 0) {
        ++handles().statistics.cacheHits;
        if (text.empty())
            text = cacheKey;
    } else {
        ++handles().statistics.preparesFromText;
    }
    try {
        auto statement = std::make_unique<OCIStmt>();
        statement->service = svchp;
        statement->type = classify(text);
        statement->statement = svchp->session->prepare(text);
        statement->text = std::move(text);
        *stmtp = keep(handles().statements, std::move(statement));
        return OCI_SUCCESS;
    } catch (const base::OraError& error) {
        return fail(errhp, error);
    }
}

STANDIN_EXPORT sword OCIStmtRelease(OCIStmt* stmtp, OCIError*, const OraText* key, ub4 keylen, ub4)
{
    countCall();
    ++handles().statistics.releases;
    const auto found = handles().statements.find(stmtp);
    if (found == handles().statements.end())
        return OCI_INVALID_HANDLE;
    OCISvcCtx* service = stmtp->service;
    if (service != nullptr && service->caching)
        service->cachedKeys.insert(key != nullptr ? view(key, static_cast<sb4>(keylen))
                                                  : stmtp->text);
    handles().statements.erase(found);
    return OCI_SUCCESS;
}

STANDIN_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                   const OraText* placeholder, sb4 placeh_len, void* valuep,
                                   sb4 value_sz, ub2 dty, void* indp, ub2*, ub2*, ub4, ub4*, ub4)
{
    countCall();
    if (stmtp == nullptr || stmtp->statement == nullptr || bindp == nullptr)
        return OCI_INVALID_HANDLE;
    if (dty != SQLT_INT && dty != SQLT_STR)
        return fail(errhp, base::oraError(1036));
    auto binding = std::make_unique<OCIBind>();
    binding->name = view(placeholder, placeh_len);
    // A real client checks the name against the text's placeholders here.
    const std::string name =
        base::upperText(binding->name.starts_with(':') ? binding->name.substr(1) : binding->name);
    const auto names = engine::placeholderNames(stmtp->text);
    if (std::find(names.begin(), names.end(), name) == names.end())
        return fail(errhp, base::oraError(1036));
    try {
        stmtp->statement->bind(binding->name,
                               engine::BindBuffer{valuep, value_sz,
                                                  dty == SQLT_INT ? engine::ExternalType::Integer
                                                                  : engine::ExternalType::String,
                                                  static_cast<sb2*>(indp)});
    } catch (const base::OraError& error) {
        return fail(errhp, error);
    }
    *bindp = binding.get();
    stmtp->binds.push_back(std::move(binding));
    return OCI_SUCCESS;
}

STANDIN_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                    ub4, const OCISnapshot*, OCISnapshot*, ub4)
{
    countCall();
    if (svchp == nullptr || stmtp == nullptr || stmtp->statement == nullptr || errhp == nullptr)
        return OCI_INVALID_HANDLE;
    stmtp->parseOffset = 0;
    if (iters == 0 && stmtp->type != kStmtSelect)
        return fail(errhp, base::oraError(24333));
    try {
        stmtp->statement->execute();
        return OCI_SUCCESS;
    } catch (const base::OraError& error) {
        stmtp->parseOffset = static_cast<ub2>(error.parseOffset());
        return fail(errhp, error);
    }
}

// Called on another thread while OCIStmtExecute runs: it touches nothing
// but the session's own cancel request, which is made for that.
STANDIN_EXPORT sword OCIBreak(void* hndlp, OCIError*)
{
    auto* service = static_cast<OCISvcCtx*>(hndlp);
    if (service == nullptr || service->session == nullptr)
        return OCI_INVALID_HANDLE;
    service->session->cancel();
    return OCI_SUCCESS;
}

STANDIN_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp,
                                 ub4 bufsiz, ub4 type)
{
    countCall();
    if (type != OCI_HTYPE_ERROR || hndlp == nullptr)
        return OCI_INVALID_HANDLE;
    const auto* error = static_cast<const OCIError*>(hndlp);
    if (recordno != 1 || error->code == 0)
        return OCI_NO_DATA;
    *errcodep = error->code;
    if (bufp != nullptr && bufsiz > 0) {
        const std::size_t length = std::min<std::size_t>(error->text.size(), bufsiz - 1);
        std::memcpy(bufp, error->text.data(), length);
        bufp[length] = '\0';
    }
    return OCI_SUCCESS;
}

STANDIN_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                                ub4 attrtype, OCIError*)
{
    countCall();
    if (trghndltyp != OCI_HTYPE_STMT || trgthndlp == nullptr || attributep == nullptr)
        return OCI_INVALID_HANDLE;
    const auto* statement = static_cast<const OCIStmt*>(trgthndlp);
    ub2 value = 0;
    if (attrtype == OCI_ATTR_PARSE_ERROR_OFFSET)
        value = statement->parseOffset;
    else if (attrtype == OCI_ATTR_STMT_TYPE)
        value = statement->type;
    else
        return OCI_ERROR;
    std::memcpy(attributep, &value, sizeof value);
    if (sizep != nullptr)
        *sizep = sizeof value;
    return OCI_SUCCESS;
}
