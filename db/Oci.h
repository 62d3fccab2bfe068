#pragma once

// The eight release-7 calls of the Oracle Call Interface through which all
// database work goes, and the fields of their data areas that callers read.
// The calls dispatch on the connect string given to olog: "embedded" and
// "embedded:PATH" reach the embedded engine, anything else the Oracle client
// library loaded at run time.
//
// Function codes left in byte 10: oopen 14, oparse 54, obndrv 28, oexec 4,
// oclose 16; olog leaves 0, since it is no cursor function and has no name
// in the error report. An olog that finds no usable Oracle client library
// returns code 1047, and oerhms gives for it a text that says which library
// was looked for, where, and that "embedded" needs none. Every call but
// obreak is serialised on one lock of the layer.

#include <cstddef>
#include <cstdint>

namespace vexmoor::db::oci {

using sword = int;
using eword = int;
using ub1 = std::uint8_t;
using ub2 = std::uint16_t;
using ub4 = std::uint32_t;
using sb2 = std::int16_t;
using sb4 = std::int32_t;
using text = char;

inline constexpr std::size_t kHostAreaSize = 256;
inline constexpr std::size_t kLogonAreaSize = 64;
inline constexpr std::size_t kCursorAreaSize = 64;
// Room for one message from oerhms, the terminator included.
inline constexpr int kMessageBufferSize = 512;

// External data types for obndrv.
inline constexpr sword kTypeInteger = 3;
inline constexpr sword kTypeString = 5;

// Every call returns 0 on success and non-zero on failure.
sword opinit(eword mode);
sword olog(ub1* lda, ub1* hda, const text* uid, sword uidl, const text* pswd, sword pswdl,
           const text* conn, sword connl, ub4 mode);
sword oopen(ub1* cda, ub1* lda, const text* dbn, sword dbnl, sword arsize, const text* uid,
            sword uidl);
sword oparse(ub1* cda, const text* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg);
sword obndrv(ub1* cda, const text* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
             sword scale, sb2* indp, const text* fmt, sword fmtl, sword fmtt);
sword oexec(ub1* cda);
sword oclose(ub1* cda);
// Asks the call running on the logon area's session (on another thread) to
// stop: a running statement ends with ORA-01013. Unlike the other calls it
// does not wait for a call in progress and leaves the area's fields alone.
// Returns non-zero when the area holds no session.
sword obreak(ub1* lda);
// The message text for an Oracle error number, NUL-terminated, at most
// bufsiz bytes with the terminator.
sword oerhms(ub1* lda, sb2 rcode, text* buf, sword bufsiz);

// The three fields the library sets in a logon or cursor area on each call.
ub2 parseErrorOffset(const ub1* area); // bytes 8-9
ub1 functionCode(const ub1* area);     // byte 10
sb2 returnCode(const ub1* area);       // bytes 12-13

} // namespace vexmoor::db::oci
