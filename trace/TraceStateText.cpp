#include "TraceStateText.h"

namespace vexmoor::trace {
namespace {

constexpr std::string_view kSeparator = " \xC2\xB7 "; // a middle dot between blanks

std::string_view fileNameOf(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string withoutUserInformation(std::string_view url)
{
    const auto schemeEnd = url.find("://");
    const auto authorityStart = schemeEnd + 3;
    auto authorityEnd = url.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string_view::npos)
        authorityEnd = url.size();
    const std::string_view authority = url.substr(authorityStart, authorityEnd - authorityStart);
    const auto at = authority.rfind('@');
    const std::string_view host =
        at == std::string_view::npos ? authority : authority.substr(at + 1);
    std::string_view path = url.substr(authorityEnd);
    path = path.substr(0, path.find_first_of("?#"));
    return std::string(url.substr(0, authorityStart)) + std::string(host) + std::string(path);
}

} // namespace

std::string describeConnection(std::string_view user, std::string_view connect)
{
    if (connect.empty())
        return std::string(user);
    std::string where;
    if (connect.starts_with("embedded:"))
        where = "embedded:" + std::string(fileNameOf(connect.substr(9)));
    else if (connect.find("://") != std::string_view::npos)
        where = withoutUserInformation(connect);
    else
        where = std::string(connect);
    return std::string(user) + "@" + where;
}

std::string composeTraceStateText(const TraceState& state)
{
    std::string text = describeConnection(state.user, state.connect);
    text += kSeparator;
    text += state.pipeName.empty() ? std::string("no pipe") : "pipe " + state.pipeName;
    text += kSeparator;
    text += std::to_string(state.timerFrequency) + " s";
    text += kSeparator;
    text += state.tracing ? "tracing" : "stopped";
    if (state.started) {
        text += kSeparator;
        text += std::to_string(state.messagesSinceStart);
        text += state.messagesSinceStart == 1 ? " message" : " messages";
    }
    if (!state.journalFailure.empty()) {
        text += kSeparator;
        text += "journal failed: " + state.journalFailure;
    }
    return text;
}

std::string composeAfterFatalReportText(std::string_view recoveryFile, std::string_view journalFile)
{
    std::string text = "The last run ended with a fatal error.";
    if (!recoveryFile.empty())
        text += " Its unsaved log is in " + std::string(recoveryFile) + ".";
    if (!journalFile.empty())
        text += " Its trace lines are in the journal " + std::string(journalFile) + ".";
    return text;
}

} // namespace vexmoor::trace
