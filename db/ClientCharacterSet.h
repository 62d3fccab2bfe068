#pragma once

// The client character set the Oracle client environment is created with.

#include "ConnectString.h"

#include <optional>
#include <string>

namespace vexmoor::db::oci {

// Oracle's name for the character set of the user's locale (LC_ALL, else
// LC_CTYPE, else LANG, as the C library reads them): "AL32UTF8" for UTF-8,
// "WE8ISO8859P1" for Latin-1, and so on. Nothing when NLS_LANG is set (the
// client then takes the user's choice) or the locale's set has no Oracle
// name known here (the client then takes its own default).
std::optional<std::string> clientCharacterSetName(const EnvironmentLookup& environment);

} // namespace vexmoor::db::oci
