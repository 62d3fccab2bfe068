#include "CompileErrors.h"

#include <charconv>
#include <string_view>

namespace vexmoor::engine {

namespace {

constexpr std::string_view kPlace = "ORA-06550: line ";

// "ORA-06550: line 3, column 14:" gives 3 and 14.
bool readPlace(std::string_view line, std::int64_t& lineNumber, std::int64_t& column)
{
    if (!line.starts_with(kPlace))
        return false;
    const char* end = line.data() + line.size();
    auto [afterLine, lineError] = std::from_chars(line.data() + kPlace.size(), end, lineNumber);
    constexpr std::string_view kColumn = ", column ";
    if (lineError != std::errc() || std::string_view(afterLine, end - afterLine).find(kColumn) != 0)
        return false;
    return std::from_chars(afterLine + kColumn.size(), end, column).ec == std::errc();
}

// 201 for "PLS-00201: ...", 0 for "PL/SQL: Statement ignored".
std::int64_t messageNumberOf(std::string_view text)
{
    std::int64_t number = 0;
    if (text.size() > 4 && text[3] == '-')
        std::from_chars(text.data() + 4, text.data() + text.size(), number);
    return number;
}

} // namespace

std::vector<CompileErrorRow> compileErrorRows(const std::string& name, const std::string& type,
                                              const OraError& error)
{
    std::vector<CompileErrorRow> rows;
    const std::string& message = error.message();
    std::size_t start = 0;
    while (start <= message.size()) {
        std::size_t end = message.find('\n', start);
        if (end == std::string::npos)
            end = message.size();
        const std::string_view line(message.data() + start, end - start);
        CompileErrorRow row;
        row.name = name;
        row.type = type;
        if (readPlace(line, row.line, row.position)) {
            rows.push_back(std::move(row));
        } else if (!rows.empty() && rows.back().text.empty()) {
            rows.back().text = line;
            rows.back().messageNumber = messageNumberOf(line);
        }
        start = end + 1;
    }
    if (rows.empty())
        rows.push_back(CompileErrorRow{name, type, 0, 0, 0, message, error.code()});
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].sequence = static_cast<std::int64_t>(i + 1);
    return rows;
}

} // namespace vexmoor::engine
