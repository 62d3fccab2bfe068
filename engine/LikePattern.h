#pragma once

#include <string_view>

namespace vexmoor::engine {

// SQL's LIKE: % matches any run of characters, _ any one; the escape
// character makes the next one literal. PL/SQL expressions and SQL on users'
// tables both match with it.
bool likeMatches(std::string_view text, std::string_view pattern, char escape, bool hasEscape);

} // namespace vexmoor::engine
