#include "ConnectionSource.h"

#include <cstdlib>

namespace vexmoor::cli {

ResolvedConnection resolveConnection(const CliOptions& options,
                                     const EnvironmentLookup& environment)
{
    std::string text;
    std::string source;
    if (options.connect) {
        text = *options.connect;
        source = "-c";
    } else if (std::optional<std::string> fromEnvironment = environment("VEXMOOR_CONNECT")) {
        text = *fromEnvironment;
        source = "VEXMOOR_CONNECT";
    } else {
        return {std::nullopt,
                "no database given: use -c USER[/PASSWORD]@CONNECT or set VEXMOOR_CONNECT"};
    }
    std::optional<ConnectArgument> connection = parseConnectArgument(text);
    if (!connection)
        return {std::nullopt, source + " needs USER[/PASSWORD]@CONNECT, not '" + text + "'"};
    if (!connection->password)
        connection->password = environment("VEXMOOR_PASSWORD");
    return {std::move(connection), {}};
}

std::optional<std::string> processEnvironment(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

} // namespace vexmoor::cli
