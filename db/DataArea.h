#pragma once

// Where the layer keeps its state inside a logon or cursor data area. Bytes
// 8-13 carry the three fields callers read; bytes 16-23 carry the number of
// the backend session or cursor that the area stands for (0: none). The rest
// stays as its owner filled it.

#include "Oci.h"

#include <cstdint>

namespace vexmoor::db::oci::detail {

inline constexpr std::size_t kParseOffsetAt = 8;
inline constexpr std::size_t kFunctionCodeAt = 10;
inline constexpr std::size_t kReturnCodeAt = 12;
inline constexpr std::size_t kHandleAt = 16;

// Function codes the calls leave in byte 10; the names the error report
// shows for them are those of the release-7 library.
inline constexpr ub1 kFunctionLogon = 0; // olog is no cursor function: no name
inline constexpr ub1 kFunctionExecute = 4;
inline constexpr ub1 kFunctionOpen = 14;
inline constexpr ub1 kFunctionClose = 16;
inline constexpr ub1 kFunctionBind = 28;
inline constexpr ub1 kFunctionParse = 54;

// Sets the function code, return code and parse error offset of one call.
// An error number wider than 16 bits keeps a non-zero return code.
void writeFields(ub1* area, ub1 function, int returnCode, unsigned parseOffset);

void writeHandle(ub1* area, std::uint64_t handle);
std::uint64_t readHandle(const ub1* area);

} // namespace vexmoor::db::oci::detail
