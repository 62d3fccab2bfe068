#include "ExecCommand.h"

#include "Placeholders.h"

#include "db/Oci.h"
#include "db/OciCursor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::int32_t kStringBufferSize = 4000;
using vexmoor::db::oci::kTypeInteger;
using vexmoor::db::oci::kTypeString;
constexpr std::int16_t kNullIndicator = -1;

// One placeholder's variable; the cursor keeps its address until the execute.
class BoundVariable {
public:
    BoundVariable(std::string name, bool integer)
        : m_name(std::move(name)), m_bInteger(integer),
          m_text(integer ? nullptr : std::make_unique_for_overwrite<char[]>(kStringBufferSize))
    {
        if (m_text)
            m_text[0] = '\0';
    }

    void Bind(OciCursor& cursor)
    {
        if (m_bInteger)
            cursor.Bind(m_name.c_str(), &m_integer, sizeof m_integer, kTypeInteger, &m_indicator);
        else
            cursor.Bind(m_name.c_str(), m_text.get(), kStringBufferSize, kTypeString, &m_indicator);
    }

    std::string Line() const
    {
        std::string line = m_name + "=";
        if (m_indicator == kNullIndicator)
            return line;
        if (m_bInteger)
            return line + std::to_string(m_integer);
        const void* end = std::memchr(m_text.get(), '\0', kStringBufferSize);
        const std::size_t length =
            end ? static_cast<std::size_t>(static_cast<const char*>(end) - m_text.get())
                : static_cast<std::size_t>(kStringBufferSize);
        return line.append(m_text.get(), length);
    }

private:
    std::string m_name;
    bool m_bInteger;
    std::int32_t m_integer = 0;
    std::unique_ptr<char[]> m_text;
    std::int16_t m_indicator = kNullIndicator;
};

bool NamedAsInteger(const std::string& placeholder, const std::vector<std::string>& integerNames)
{
    return std::any_of(integerNames.begin(), integerNames.end(),
                       [&](const std::string& name) { return SamePlaceholder(placeholder, name); });
}

void WriteLine(std::FILE* out, const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
}

// The session's dbms_output buffer, switched on for the run and read back
// line by line after each statement, as a console shows it.
class DbmsOutputReader {
public:
    explicit DbmsOutputReader(OciSession& session) : m_cursor(session), m_line(kLineBufferSize)
    {
        m_cursor.SetStatement("BEGIN DBMS_OUTPUT.ENABLE(NULL); END;");
        // A database without dbms_output still runs the statements.
        m_bEnabled = m_cursor.Execute(false);
        m_cursor.SetStatement("BEGIN DBMS_OUTPUT.GET_LINE(:line, :status); END;");
        m_cursor.Bind(":line", m_line.data(), kLineBufferSize, kTypeString, &m_lineIndicator);
        m_cursor.Bind(":status", &m_status, sizeof m_status, kTypeInteger, &m_statusIndicator);
    }

    void Drain(std::FILE* out)
    {
        if (!m_bEnabled)
            return;
        for (;;) {
            m_cursor.Execute(true);
            if (m_statusIndicator == kNullIndicator || m_status != 0)
                return;
            if (m_lineIndicator == kNullIndicator) {
                WriteLine(out, std::string());
                continue;
            }
            const void* end = std::memchr(m_line.data(), '\0', m_line.size());
            const std::size_t length =
                end ? static_cast<std::size_t>(static_cast<const char*>(end) - m_line.data())
                    : m_line.size();
            WriteLine(out, std::string(m_line.data(), length));
        }
    }

private:
    // dbms_output's longest line and its terminating NUL.
    static constexpr std::int32_t kLineBufferSize = 32768;

    OciCursor m_cursor;
    std::vector<char> m_line;
    std::int16_t m_lineIndicator = kNullIndicator;
    std::int32_t m_status = 0;
    std::int16_t m_statusIndicator = kNullIndicator;
    bool m_bEnabled = false;
};

} // namespace

void RunExec(OciSession& session, const std::vector<std::string>& statements,
             const std::vector<std::string>& integerNames, std::FILE* out,
             const std::function<bool()>& stopRequested)
{
    OciCursor cursor(session);
    DbmsOutputReader output(session);
    for (const std::string& statement : statements) {
        if (stopRequested())
            return;
        std::vector<BoundVariable> variables;
        for (std::string& name : FindPlaceholders(statement)) {
            const bool integer = NamedAsInteger(name, integerNames);
            variables.emplace_back(std::move(name), integer);
        }
        cursor.SetStatement(statement);
        for (BoundVariable& variable : variables)
            variable.Bind(cursor);
        cursor.Execute(true);
        for (const BoundVariable& variable : variables)
            WriteLine(out, variable.Line());
        output.Drain(out);
        std::fflush(out);
    }
}
