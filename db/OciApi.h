#pragma once

// The part of Oracle's current call interface (release 8 and later) that the
// Oracle client backend uses, declared from Oracle's public documentation so
// that no Oracle header is needed to build. The functions are looked up by
// name in the client library at run time.

#include "Oci.h"

#include <cstddef>

namespace vexmoor::db::oci::api {

using OraText = unsigned char;

// Opaque handle types; only the client library knows their insides.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCISnapshot;

inline constexpr sword OCI_SUCCESS = 0;
inline constexpr sword OCI_SUCCESS_WITH_INFO = 1;
inline constexpr sword OCI_NO_DATA = 100;
inline constexpr sword OCI_ERROR = -1;
inline constexpr sword OCI_INVALID_HANDLE = -2;

inline constexpr ub4 OCI_DEFAULT = 0;
inline constexpr ub4 OCI_THREADED = 1;
inline constexpr ub4 OCI_NTV_SYNTAX = 1;
inline constexpr ub4 OCI_LOGON2_STMTCACHE = 4;

inline constexpr ub4 OCI_HTYPE_ENV = 1;
inline constexpr ub4 OCI_HTYPE_ERROR = 2;
inline constexpr ub4 OCI_HTYPE_SVCCTX = 3;
inline constexpr ub4 OCI_HTYPE_STMT = 4;

inline constexpr ub4 OCI_ATTR_STMT_TYPE = 24;
inline constexpr ub4 OCI_ATTR_PARSE_ERROR_OFFSET = 129;

inline constexpr ub2 OCI_STMT_SELECT = 1;

inline constexpr ub2 SQLT_CHR = 1;
inline constexpr ub2 SQLT_INT = 3;
inline constexpr ub2 SQLT_STR = 5;

using MallocFn = void* (*)(void* context, std::size_t size);
using ReallocFn = void* (*)(void* context, void* memory, std::size_t size);
using FreeFn = void (*)(void* context, void* memory);

using OCIEnvNlsCreateFn = sword (*)(OCIEnv** envp, ub4 mode, void* ctxp, MallocFn, ReallocFn,
                                    FreeFn, std::size_t xtramem_sz, void** usrmempp, ub2 charset,
                                    ub2 ncharset);
using OCIHandleAllocFn = sword (*)(const void* parenth, void** hndlpp, ub4 type,
                                   std::size_t xtramem_sz, void** usrmempp);
using OCIHandleFreeFn = sword (*)(void* hndlp, ub4 type);
using OCILogon2Fn = sword (*)(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                              const OraText* username, ub4 uname_len, const OraText* password,
                              ub4 passwd_len, const OraText* dbname, ub4 dbname_len, ub4 mode);
using OCILogoffFn = sword (*)(OCISvcCtx* svchp, OCIError* errhp);
using OCIStmtPrepare2Fn = sword (*)(OCISvcCtx* svchp, OCIStmt** stmtp, OCIError* errhp,
                                    const OraText* stmt, ub4 stmt_len, const OraText* key,
                                    ub4 keylen, ub4 language, ub4 mode);
using OCIStmtReleaseFn = sword (*)(OCIStmt* stmtp, OCIError* errhp, const OraText* key, ub4 keylen,
                                   ub4 mode);
using OCIBindByNameFn = sword (*)(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                  const OraText* placeholder, sb4 placeh_len, void* valuep,
                                  sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                  ub4 maxarr_len, ub4* curelep, ub4 mode);
using OCIStmtExecuteFn = sword (*)(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                   ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                   ub4 mode);
using OCIErrorGetFn = sword (*)(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                OraText* bufp, ub4 bufsiz, ub4 type);
using OCINlsCharSetNameToIdFn = ub2 (*)(void* envhp, const OraText* name);
using OCIAttrGetFn = sword (*)(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                               ub4 attrtype, OCIError* errhp);
using OCIBreakFn = sword (*)(void* hndlp, OCIError* errhp);

// The functions as resolved from one loaded library.
struct ClientApi {
    OCIEnvNlsCreateFn envNlsCreate = nullptr;
    OCIHandleAllocFn handleAlloc = nullptr;
    OCIHandleFreeFn handleFree = nullptr;
    OCILogon2Fn logon2 = nullptr;
    OCILogoffFn logoff = nullptr;
    OCIStmtPrepare2Fn stmtPrepare2 = nullptr;
    OCIStmtReleaseFn stmtRelease = nullptr;
    OCIBindByNameFn bindByName = nullptr;
    OCIStmtExecuteFn stmtExecute = nullptr;
    OCIErrorGetFn errorGet = nullptr;
    OCIAttrGetFn attrGet = nullptr;
    OCIBreakFn breakCall = nullptr;
    OCINlsCharSetNameToIdFn nlsCharSetNameToId = nullptr;
};

} // namespace vexmoor::db::oci::api
