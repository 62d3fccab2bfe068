#include "OracleClientBackend.h"

#include "ClientCharacterSet.h"
#include "ClientLibrary.h"
#include "NoDestructor.h"
#include "OciHandle.h"

#include "base/OraError.h"

#include <cstring>
#include <optional>
#include <string>

namespace vexmoor::db::oci::detail {

namespace {

using namespace api;
using base::OraError;
using base::oraError;

// Code of a failure the client reported without an error record.
constexpr int kNoErrorRecord = 600;

const OraText* oraText(std::string_view text)
{
    return reinterpret_cast<const OraText*>(text.data());
}

bool succeeded(sword status)
{
    return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

// The client's error for a failed call, from the error handle.
OraError translateError(const ClientApi& api, OCIError* error, sword status,
                        unsigned parseOffset = 0)
{
    if (status != OCI_INVALID_HANDLE && error != nullptr) {
        sb4 code = 0;
        OraText buffer[3072] = {};
        if (api.errorGet(error, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR)
                == OCI_SUCCESS
            && code != 0) {
            std::string message(reinterpret_cast<const char*>(buffer));
            while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
                message.pop_back();
            return OraError(code, std::move(message), parseOffset);
        }
    }
    return OraError(kNoErrorRecord,
                    "The Oracle client returned status " + std::to_string(status)
                        + " without an error record",
                    parseOffset);
}

template <typename Function>
void resolve(const ClientLibrary& library, const char* name, Function& function)
{
    const ClientLibrary::Symbol symbol = library.symbol(name);
    if (symbol == nullptr)
        throw OraError(kNoClientLibrary, "The Oracle client library " + library.file()
                                             + " has no function " + name
                                             + "; a client of release 11.2 or later is needed.");
    function = reinterpret_cast<Function>(symbol);
}

ClientApi resolveAll(const ClientLibrary& library)
{
    ClientApi api;
    resolve(library, "OCIEnvNlsCreate", api.envNlsCreate);
    resolve(library, "OCIHandleAlloc", api.handleAlloc);
    resolve(library, "OCIHandleFree", api.handleFree);
    resolve(library, "OCILogon2", api.logon2);
    resolve(library, "OCILogoff", api.logoff);
    resolve(library, "OCIStmtPrepare2", api.stmtPrepare2);
    resolve(library, "OCIStmtRelease", api.stmtRelease);
    resolve(library, "OCIBindByName", api.bindByName);
    resolve(library, "OCIStmtExecute", api.stmtExecute);
    resolve(library, "OCIErrorGet", api.errorGet);
    resolve(library, "OCIAttrGet", api.attrGet);
    resolve(library, "OCIBreak", api.breakCall);
    resolve(library, "OCINlsCharSetNameToId", api.nlsCharSetNameToId);
    return api;
}

// The id of the client character set for the environment: the locale's,
// unless NLS_LANG names one (0 lets the client take NLS_LANG, or its own
// default). Resolving a name needs an environment, so a first one is made
// for that alone.
ub2 clientCharacterSetId(const ClientApi& api)
{
    const std::optional<std::string> name = clientCharacterSetName(processEnvironment);
    if (!name)
        return 0;
    OCIEnv* probe = nullptr;
    if (api.envNlsCreate(&probe, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0)
            != OCI_SUCCESS
        || probe == nullptr)
        return 0;
    const ub2 id = api.nlsCharSetNameToId(probe, oraText(*name));
    api.handleFree(probe, OCI_HTYPE_ENV);
    return id;
}

// The loaded library and its one environment, shared by every session of
// the process.
class OracleClient {
public:
    explicit OracleClient(std::unique_ptr<ClientLibrary> library)
        : library_(std::move(library)), api_(resolveAll(*library_)),
          environment_(FreeHandle{&api_, OCI_HTYPE_ENV})
    {
        OCIEnv* environment = nullptr;
        // Texts travel in the locale's character set, national ones too.
        const ub2 characterSet = clientCharacterSetId(api_);
        // The layer is entered from one thread at a time, but the release-7
        // opinit asks for a thread-safe environment, and so do we.
        const sword status =
            api_.envNlsCreate(&environment, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0,
                              nullptr, characterSet, characterSet);
        if (status != OCI_SUCCESS || environment == nullptr)
            throw OraError(kNoClientLibrary, "The Oracle client library " + library_->file()
                                                 + " could not create its environment (status "
                                                 + std::to_string(status) + "); check NLS_LANG.");
        environment_.adopt(environment);
    }

    const ClientApi& api() const { return api_; }
    OCIEnv* environment() const { return environment_.get(); }

    // The process's client, loaded on the first logon that needs it. A
    // failed load is tried again on the next logon.
    static OracleClient& instance()
    {
        static NoDestructor<std::unique_ptr<OracleClient>> client;
        if (!client.get()) {
            auto search = findClientLibrary(processEnvironment);
            if (!search.library)
                throw OraError(kNoClientLibrary, search.failure);
            client.get() = std::make_unique<OracleClient>(std::move(search.library));
        }
        return *client.get();
    }

private:
    std::unique_ptr<ClientLibrary> library_;
    ClientApi api_;
    OciHandle<OCIEnv, FreeHandle> environment_;
};

class OracleClientSession final : public BackendSession,
                                  public std::enable_shared_from_this<OracleClientSession> {
public:
    explicit OracleClientSession(OracleClient& client)
        : api_(client.api()), environment_(client.environment()),
          error_(FreeHandle{&api_, OCI_HTYPE_ERROR}, allocateError(api_, environment_)),
          breakError_(FreeHandle{&api_, OCI_HTYPE_ERROR}, allocateError(api_, environment_)),
          service_(LogOff{&api_, error_.get()})
    {
    }

    void logOn(std::string_view user, std::string_view password, std::string_view connect)
    {
        OCISvcCtx* service = nullptr;
        // The statement cache spares the server a parse of the texts the
        // poller sends again and again.
        const sword status = api_.logon2(environment_, error_.get(), &service, oraText(user),
                                         static_cast<ub4>(user.size()), oraText(password),
                                         static_cast<ub4>(password.size()), oraText(connect),
                                         static_cast<ub4>(connect.size()), OCI_LOGON2_STMTCACHE);
        if (!succeeded(status))
            throw translateError(api_, error_.get(), status);
        service_.adopt(service);
    }

    std::unique_ptr<BackendCursor> openCursor() override;

    // The running call fails with ORA-01013. A break has its own error
    // handle: the call it breaks is using the session's.
    void interrupt() override
    {
        if (service_)
            api_.breakCall(service_.get(), breakError_.get());
    }

    const ClientApi& api() const { return api_; }
    OCIError* error() const { return error_.get(); }
    OCISvcCtx* service() const { return service_.get(); }

private:
    static OCIError* allocateError(const ClientApi& api, OCIEnv* environment)
    {
        void* error = nullptr;
        const sword status = api.handleAlloc(environment, &error, OCI_HTYPE_ERROR, 0, nullptr);
        if (status != OCI_SUCCESS || error == nullptr)
            throw OraError(kNoErrorRecord,
                           "The Oracle client could not allocate an error handle (status "
                               + std::to_string(status) + ")");
        return static_cast<OCIError*>(error);
    }

    const ClientApi& api_;
    OCIEnv* environment_;
    OciHandle<OCIError, FreeHandle> error_;
    OciHandle<OCIError, FreeHandle> breakError_;
    OciHandle<OCISvcCtx, LogOff> service_; // logged off before its error handles go
};

class OracleClientCursor final : public BackendCursor {
public:
    explicit OracleClientCursor(std::shared_ptr<OracleClientSession> session)
        : session_(std::move(session))
    {
    }

    // Prepares locally, from the session's statement cache; the text
    // reaches the server with execute.
    void parse(std::string_view statement) override
    {
        statement_.reset();
        const ClientApi& api = session_->api();
        OCIStmt* prepared = nullptr;
        const sword status =
            api.stmtPrepare2(session_->service(), &prepared, session_->error(), oraText(statement),
                             static_cast<ub4>(statement.size()), oraText(statement),
                             static_cast<ub4>(statement.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
        if (!succeeded(status))
            throw translateError(api, session_->error(), status);
        statement_.emplace(ReleaseStatement{&api, session_->error(), std::string(statement)});
        statement_->adopt(prepared);

        ub2 type = 0;
        if (!succeeded(api.attrGet(prepared, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE,
                                   session_->error())))
            type = 0;
        statementType_ = type;
    }

    void bind(std::string_view name, void* buffer, sb4 length, sword type, sb2* indicator) override
    {
        OCIStmt* statement = requireStatement();
        const ClientApi& api = session_->api();
        OCIBind* binding = nullptr;
        const sword status =
            api.bindByName(statement, &binding, session_->error(), oraText(name),
                           static_cast<sb4>(name.size()), buffer, length, externalType(type),
                           indicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
        if (!succeeded(status))
            throw translateError(api, session_->error(), status);
    }

    void execute() override
    {
        OCIStmt* statement = requireStatement();
        const ClientApi& api = session_->api();
        // A query without defines must run zero times; PL/SQL blocks and
        // everything else exactly once.
        const ub4 iterations = statementType_ == OCI_STMT_SELECT ? 0 : 1;
        const sword status = api.stmtExecute(session_->service(), statement, session_->error(),
                                             iterations, 0, nullptr, nullptr, OCI_DEFAULT);
        if (succeeded(status))
            return;
        OraError error = translateError(api, session_->error(), status);
        ub2 offset = 0;
        if (succeeded(api.attrGet(statement, OCI_HTYPE_STMT, &offset, nullptr,
                                  OCI_ATTR_PARSE_ERROR_OFFSET, session_->error())))
            error.setParseOffset(offset);
        throw error;
    }

    void close() override { statement_.reset(); }

private:
    static ub2 externalType(sword type)
    {
        if (type == kTypeInteger)
            return SQLT_INT;
        if (type == kTypeString)
            return SQLT_STR;
        return static_cast<ub2>(type);
    }

    OCIStmt* requireStatement() const
    {
        if (!statement_ || !*statement_)
            throw oraError(1003);
        return statement_->get();
    }

    std::shared_ptr<OracleClientSession> session_;
    std::optional<OciHandle<OCIStmt, ReleaseStatement>> statement_;
    ub2 statementType_ = 0;
};

std::unique_ptr<BackendCursor> OracleClientSession::openCursor()
{
    return std::make_unique<OracleClientCursor>(shared_from_this());
}

} // namespace

std::shared_ptr<BackendSession> logOnOracleClient(std::string_view user, std::string_view password,
                                                  std::string_view connect)
{
    auto session = std::make_shared<OracleClientSession>(OracleClient::instance());
    session->logOn(user, password, connect);
    return session;
}

} // namespace vexmoor::db::oci::detail
