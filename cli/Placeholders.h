#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::cli {

// The placeholders of a statement (":name", ":1"), each once, in order of
// first appearance and spelled as that appearance writes them, colon
// included. Names match without regard to letter case, as the database
// matches them. Text inside string literals, quoted identifiers and comments
// is skipped; ":=" is an assignment, not a placeholder.
std::vector<std::string> findPlaceholders(std::string_view statement);

// Whether two placeholder names (with or without their colon) are the same.
bool samePlaceholder(std::string_view a, std::string_view b);

} // namespace vexmoor::cli
