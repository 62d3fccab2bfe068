#pragma once

#include "Backend.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace vexmoor::db::oci::detail {

// Logs on to the embedded engine on a database file. All sessions of the
// process on one file share one engine::Database. Raises OraError (ORA-01034
// when the file cannot be opened, ORA-01017 for a wrong user or password).
std::shared_ptr<BackendSession> logOnEmbedded(const std::filesystem::path& file, bool createFolders,
                                              std::string_view user, std::string_view password);

} // namespace vexmoor::db::oci::detail
