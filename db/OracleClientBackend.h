#pragma once

#include "Backend.h"

#include <memory>
#include <string_view>

namespace vexmoor::db::oci::detail {

// The return code of an olog that found no usable client library (none on
// the system, or one that lacks a function this layer needs).
inline constexpr int kNoClientLibrary = 1047;

// Logs on through the Oracle client library, loaded on first use. Raises
// OraError: the client's error, or kNoClientLibrary with a text that says
// what was looked for and where.
std::shared_ptr<BackendSession> logOnOracleClient(std::string_view user, std::string_view password,
                                                  std::string_view connect);

} // namespace vexmoor::db::oci::detail
