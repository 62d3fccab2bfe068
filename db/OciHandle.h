#pragma once

// Ownership of the handles the Oracle client hands out: each kind is given
// back in its own way (freed, logged off, released to the statement cache),
// so the handle carries the call that gives it back.

#include "OciApi.h"

#include <string>
#include <utility>

namespace vexmoor::db::oci::detail {

template <typename T, typename Release>
class OciHandle {
public:
    explicit OciHandle(Release release, T* handle = nullptr)
        : handle_(handle), release_(std::move(release))
    {
    }
    ~OciHandle() { reset(); }
    OciHandle(const OciHandle&) = delete;
    OciHandle& operator=(const OciHandle&) = delete;

    T* get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    // Takes over a handle that a client call has just created.
    void adopt(T* handle) noexcept
    {
        reset();
        handle_ = handle;
    }

    void reset() noexcept
    {
        if (handle_ != nullptr)
            release_(std::exchange(handle_, nullptr));
    }

private:
    T* handle_ = nullptr;
    Release release_;
};

struct FreeHandle {
    const api::ClientApi* api;
    ub4 type;
    void operator()(void* handle) const { api->handleFree(handle, type); }
};

struct LogOff {
    const api::ClientApi* api;
    api::OCIError* error;
    void operator()(api::OCISvcCtx* service) const { api->logoff(service, error); }
};

// Back to the session's statement cache, under its text.
struct ReleaseStatement {
    const api::ClientApi* api;
    api::OCIError* error;
    std::string key;
    void operator()(api::OCIStmt* statement) const
    {
        api->stmtRelease(statement, error, reinterpret_cast<const api::OraText*>(key.data()),
                         static_cast<ub4>(key.size()), api::OCI_DEFAULT);
    }
};

} // namespace vexmoor::db::oci::detail
