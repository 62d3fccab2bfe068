#include "LikePattern.h"

namespace vexmoor::engine {

bool likeMatches(std::string_view text, std::string_view pattern, char escape, bool hasEscape)
{
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && hasEscape && pattern[p] == escape && p + 1 < pattern.size()) {
            if (pattern[p + 1] == text[t]) {
                p += 2;
                ++t;
                continue;
            }
        } else if (p < pattern.size() && pattern[p] == '%') {
            starPattern = p++;
            starText = t;
            continue;
        } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
            continue;
        }
        if (starPattern == std::string_view::npos)
            return false;
        p = starPattern + 1;
        t = ++starText;
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

} // namespace vexmoor::engine
