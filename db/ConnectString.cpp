#include "ConnectString.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vexmoor::db::oci {

namespace {

constexpr std::string_view kEmbedded = "embedded";


bool startsWithKeyword(std::string_view text)
{
    return text.size() >= kEmbedded.size()
           && std::equal(kEmbedded.begin(), kEmbedded.end(), text.begin(), [](char a, char b) {
                  return a == std::tolower(static_cast<unsigned char>(b));
              });
}

std::optional<std::string> nonEmpty(const EnvironmentLookup& environment, const char* name)
{
    auto value = environment(name);
    if (value && value->empty())
        value.reset();
    return value;
}

std::filesystem::path userDataFolder(const EnvironmentLookup& environment)
{
#if defined(_WIN32)
    if (auto local = nonEmpty(environment, "LOCALAPPDATA"))
        return *local;
#elif defined(__APPLE__)
    if (auto home = nonEmpty(environment, "HOME"))
        return std::filesystem::path(*home) / "Library" / "Application Support";
#else
    if (auto xdg = nonEmpty(environment, "XDG_DATA_HOME");
        xdg && std::filesystem::path(*xdg).is_absolute())
        return *xdg;
    if (auto home = nonEmpty(environment, "HOME"))
        return std::filesystem::path(*home) / ".local" / "share";
#endif
    return std::filesystem::path(".");
}

} // namespace

std::optional<std::string> processEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::filesystem::path defaultEmbeddedDatabase(const EnvironmentLookup& environment)
{
    if (auto file = nonEmpty(environment, "VEXMOOR_EMBEDDED_DB"))
        return *file;
    return userDataFolder(environment) / "Orrindale" / "Vexmoor" / "embedded.db";
}

ConnectTarget parseConnectString(std::string_view connect, const EnvironmentLookup& environment)
{
    const std::string_view text = base::trimBlanks(connect);
    if (!startsWithKeyword(text))
        return {};
    const std::string_view rest = text.substr(kEmbedded.size());
    if (rest.empty() || (rest.front() == ':' && rest.size() == 1))
        return {BackendKind::Embedded, defaultEmbeddedDatabase(environment), true};
    if (rest.front() == ':')
        return {BackendKind::Embedded, std::filesystem::path(std::string(rest.substr(1))), false};
    return {}; // "embeddedfoo" is a connect identifier like any other
}

} // namespace vexmoor::db::oci
