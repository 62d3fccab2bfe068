#pragma once

// Which backend a connect string names, and where the embedded database
// lives.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vexmoor::db::oci {

// Reads an environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
std::optional<std::string> processEnvironment(const char* name);

enum class BackendKind { Embedded, OracleClient };

struct ConnectTarget {
    BackendKind backend = BackendKind::OracleClient;
    std::filesystem::path file; // the embedded database file
    bool createFolders = false; // the default file's folders are made on demand
};

// "embedded" (in any letter case, blanks around it ignored) is the default
// embedded database, "embedded:PATH" the embedded database in PATH (an empty
// PATH is the default one), anything else the Oracle client.
ConnectTarget parseConnectString(std::string_view connect, const EnvironmentLookup& environment);

// $VEXMOOR_EMBEDDED_DB if set, else embedded.db in the user's data folder:
// $XDG_DATA_HOME (when absolute; else ~/.local/share)/Orrindale/Vexmoor/.
std::filesystem::path defaultEmbeddedDatabase(const EnvironmentLookup& environment);

} // namespace vexmoor::db::oci
