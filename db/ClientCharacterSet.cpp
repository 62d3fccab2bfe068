#include "ClientCharacterSet.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace vexmoor::db::oci {

namespace {

std::optional<std::string> nonEmpty(const EnvironmentLookup& environment, const char* name)
{
    auto value = environment(name);
    if (value && value->empty())
        value.reset();
    return value;
}

// "UTF-8", "utf8" and "UTF_8" alike: lower case without separators.
std::string folded(std::string_view codeset)
{
    std::string text;
    for (char c : codeset) {
        if (c != '-' && c != '_' && c != '.')
            text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::optional<std::string> oracleName(std::string_view codeset)
{
    static const std::pair<std::string_view, std::string_view> names[] = {
        {"utf8", "AL32UTF8"},
        {"iso88591", "WE8ISO8859P1"},
        {"latin1", "WE8ISO8859P1"},
        {"iso885915", "WE8ISO8859P15"},
        {"latin9", "WE8ISO8859P15"},
        {"cp1252", "WE8MSWIN1252"},
        {"windows1252", "WE8MSWIN1252"},
        {"ansix341968", "US7ASCII"},
        {"ascii", "US7ASCII"},
        {"usascii", "US7ASCII"},
    };
    const std::string key = folded(codeset);
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [&](const auto& entry) { return entry.first == key; });
    if (found == std::end(names))
        return std::nullopt;
    return std::string(found->second);
}

} // namespace

std::optional<std::string> clientCharacterSetName(const EnvironmentLookup& environment)
{
    if (nonEmpty(environment, "NLS_LANG"))
        return std::nullopt;
    std::optional<std::string> locale = nonEmpty(environment, "LC_ALL");
    if (!locale)
        locale = nonEmpty(environment, "LC_CTYPE");
    if (!locale)
        locale = nonEmpty(environment, "LANG");
    // The C locale: the text the program converts is UTF-8 there, of which
    // plain ASCII is a part.
    if (!locale || *locale == "C" || *locale == "POSIX")
        return "AL32UTF8";

    // language[_territory][.codeset][@modifier]
    std::string_view name = *locale;
    const std::string_view modifier = name.find('@') == std::string_view::npos
                                          ? std::string_view()
                                          : name.substr(name.find('@') + 1);
    name = name.substr(0, name.find('@'));
    const std::size_t dot = name.find('.');
    if (dot != std::string_view::npos)
        return oracleName(name.substr(dot + 1));
    // No codeset: the C library's traditional default for the name.
    return modifier == "euro" ? "WE8ISO8859P15" : "WE8ISO8859P1";
}

} // namespace vexmoor::db::oci
