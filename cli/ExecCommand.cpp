#include "ExecCommand.h"

#include "Placeholders.h"

#include "db/Oci.h"
#include "db/OciCursor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace vexmoor::cli {

namespace {

constexpr std::int32_t kStringBufferSize = 4000;
using db::oci::kTypeInteger;
using db::oci::kTypeString;
constexpr std::int16_t kNullIndicator = -1;

// One placeholder's variable; the cursor keeps its address until the execute.
class BoundVariable {
public:
    BoundVariable(std::string name, bool integer)
        : name_(std::move(name)), isInteger_(integer),
          text_(integer ? nullptr : std::make_unique_for_overwrite<char[]>(kStringBufferSize))
    {
        if (text_)
            text_[0] = '\0';
    }

    void Bind(db::OciCursor& cursor)
    {
        if (isInteger_)
            cursor.Bind(name_.c_str(), &integer_, sizeof integer_, kTypeInteger, &indicator_);
        else
            cursor.Bind(name_.c_str(), text_.get(), kStringBufferSize, kTypeString, &indicator_);
    }

    std::string line() const
    {
        std::string line = name_ + "=";
        if (indicator_ == kNullIndicator)
            return line;
        if (isInteger_)
            return line + std::to_string(integer_);
        const void* end = std::memchr(text_.get(), '\0', kStringBufferSize);
        const std::size_t length =
            end ? static_cast<std::size_t>(static_cast<const char*>(end) - text_.get())
                : static_cast<std::size_t>(kStringBufferSize);
        return line.append(text_.get(), length);
    }

private:
    std::string name_;
    bool isInteger_;
    std::int32_t integer_ = 0;
    std::unique_ptr<char[]> text_;
    std::int16_t indicator_ = kNullIndicator;
};

bool namedAsInteger(const std::string& placeholder, const std::vector<std::string>& integerNames)
{
    return std::any_of(integerNames.begin(), integerNames.end(),
                       [&](const std::string& name) { return samePlaceholder(placeholder, name); });
}

void writeLine(std::FILE* out, const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
}

// The session's dbms_output buffer, switched on for the run and read back
// line by line after each statement, as a console shows it.
class DbmsOutputReader {
public:
    explicit DbmsOutputReader(db::OciSession& session) : cursor_(session), line_(kLineBufferSize)
    {
        cursor_.SetStatement("BEGIN DBMS_OUTPUT.ENABLE(NULL); END;");
        // A database without dbms_output still runs the statements.
        enabled_ = cursor_.Execute(false);
        cursor_.SetStatement("BEGIN DBMS_OUTPUT.GET_LINE(:line, :status); END;");
        cursor_.Bind(":line", line_.data(), kLineBufferSize, kTypeString, &lineIndicator_);
        cursor_.Bind(":status", &status_, sizeof status_, kTypeInteger, &statusIndicator_);
    }

    void drain(std::FILE* out)
    {
        if (!enabled_)
            return;
        for (;;) {
            cursor_.Execute(true);
            if (statusIndicator_ == kNullIndicator || status_ != 0)
                return;
            if (lineIndicator_ == kNullIndicator) {
                writeLine(out, std::string());
                continue;
            }
            const void* end = std::memchr(line_.data(), '\0', line_.size());
            const std::size_t length =
                end ? static_cast<std::size_t>(static_cast<const char*>(end) - line_.data())
                    : line_.size();
            writeLine(out, std::string(line_.data(), length));
        }
    }

private:
    // dbms_output's longest line and its terminating NUL.
    static constexpr std::int32_t kLineBufferSize = 32768;

    db::OciCursor cursor_;
    std::vector<char> line_;
    std::int16_t lineIndicator_ = kNullIndicator;
    std::int32_t status_ = 0;
    std::int16_t statusIndicator_ = kNullIndicator;
    bool enabled_ = false;
};

} // namespace

void runExec(db::OciSession& session, const std::vector<std::string>& statements,
             const std::vector<std::string>& integerNames, std::FILE* out,
             const std::function<bool()>& stopRequested)
{
    db::OciCursor cursor(session);
    DbmsOutputReader output(session);
    for (const std::string& statement : statements) {
        if (stopRequested())
            return;
        std::vector<BoundVariable> variables;
        for (std::string& name : findPlaceholders(statement)) {
            const bool integer = namedAsInteger(name, integerNames);
            variables.emplace_back(std::move(name), integer);
        }
        cursor.SetStatement(statement);
        for (BoundVariable& variable : variables)
            variable.Bind(cursor);
        cursor.Execute(true);
        for (const BoundVariable& variable : variables)
            writeLine(out, variable.line());
        output.drain(out);
        std::fflush(out);
    }
}

} // namespace vexmoor::cli
