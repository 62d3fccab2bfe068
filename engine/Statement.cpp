#include "Statement.h"

#include "Interpreter.h"
#include "Lexer.h"
#include "OraError.h"
#include "SessionImpl.h"
#include "SqlCommands.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

namespace vexmoor::engine {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return base::equalsIgnoringCase(a, b);
}

std::string_view withoutColon(std::string_view name)
{
    return !name.empty() && name.front() == ':' ? name.substr(1) : name;
}

bool isIntegerSize(std::int32_t capacity)
{
    return capacity == 1 || capacity == 2 || capacity == 4 || capacity == 8;
}

Value readBind(const BindBuffer& buffer)
{
    const ValueType type =
        buffer.type == ExternalType::Integer ? ValueType::Number : ValueType::Varchar2;
    if ((buffer.indicator && *buffer.indicator == -1) || !buffer.data || buffer.capacity <= 0)
        return Value::null(type);
    if (buffer.type == ExternalType::Integer) {
        switch (buffer.capacity) {
        case 1: {
            std::int8_t v;
            std::memcpy(&v, buffer.data, 1);
            return Value::number(v);
        }
        case 2: {
            std::int16_t v;
            std::memcpy(&v, buffer.data, 2);
            return Value::number(v);
        }
        case 4: {
            std::int32_t v;
            std::memcpy(&v, buffer.data, 4);
            return Value::number(v);
        }
        default: {
            std::int64_t v;
            std::memcpy(&v, buffer.data, 8);
            return Value::number(static_cast<double>(v));
        }
        }
    }
    const auto* text = static_cast<const char*>(buffer.data);
    return Value::text(std::string(text, strnlen(text, static_cast<std::size_t>(buffer.capacity))));
}

void writeBind(const BindBuffer& buffer, const Value& value)
{
    if (value.isNull()) {
        if (buffer.indicator)
            *buffer.indicator = -1;
        return;
    }
    if (buffer.indicator)
        *buffer.indicator = 0;
    if (!buffer.data)
        return;
    if (buffer.type == ExternalType::Integer) {
        const double number = value.asNumber();
        switch (buffer.capacity) {
        case 1: {
            const auto v = static_cast<std::int8_t>(number);
            std::memcpy(buffer.data, &v, 1);
            break;
        }
        case 2: {
            const auto v = static_cast<std::int16_t>(number);
            std::memcpy(buffer.data, &v, 2);
            break;
        }
        case 4: {
            const auto v = static_cast<std::int32_t>(number);
            std::memcpy(buffer.data, &v, 4);
            break;
        }
        default: {
            const auto v = static_cast<std::int64_t>(number);
            std::memcpy(buffer.data, &v, 8);
            break;
        }
        }
        return;
    }
    // The assignment checked that the text and its NUL fit.
    const std::string& text = value.asText();
    std::memcpy(buffer.data, text.data(), text.size());
    static_cast<char*>(buffer.data)[text.size()] = '\0';
}

} // namespace

std::vector<std::string> placeholderNames(std::string_view text)
{
    std::vector<std::string> names;
    Lexer lexer(text);
    for (Token token = lexer.next(); token.kind != TokenKind::EndOfFile; token = lexer.next()) {
        if (token.kind != TokenKind::BindVariable)
            continue;
        std::string name = base::upperText(withoutColon(token.text));
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    return names;
}

struct Statement::Impl {
    Session::Impl* session;
    std::string text;
    std::vector<std::pair<std::string, BindBuffer>> binds;
    std::shared_ptr<const CompiledStatement> compiled;
    std::int64_t generation = -1;

    void execute();
    std::vector<BindSlot> bindSlots(const UnitAst& unit) const;
};

std::unique_ptr<Statement> Session::prepare(std::string text)
{
    auto impl = std::make_unique<Statement::Impl>();
    impl->session = impl_.get();
    impl->text = std::move(text);
    return std::unique_ptr<Statement>(new Statement(std::move(impl)));
}

Statement::Statement(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Statement::~Statement() = default;

const std::string& Statement::text() const
{
    return impl_->text;
}

void Statement::bind(std::string_view placeholder, BindBuffer buffer)
{
    const std::string_view name = withoutColon(placeholder);
    for (auto& [bound, existing] : impl_->binds) {
        if (sameName(bound, name)) {
            existing = buffer;
            return;
        }
    }
    impl_->binds.emplace_back(std::string(name), buffer);
}

std::vector<BindSlot> Statement::Impl::bindSlots(const UnitAst& unit) const
{
    std::vector<BindSlot> slots(unit.placeholders.size());
    std::vector<bool> bound(unit.placeholders.size(), false);
    for (const auto& [name, buffer] : binds) {
        std::size_t index = 0;
        while (index < unit.placeholders.size() && !sameName(unit.placeholders[index], name))
            ++index;
        if (index == unit.placeholders.size())
            throw oraError(1036);
        if (buffer.type == ExternalType::Integer && !isIntegerSize(buffer.capacity))
            throw oraError(1036);
        slots[index].buffer = buffer;
        bound[index] = true;
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!bound[i])
            throw oraError(1008);
        slots[i].value = readBind(slots[i].buffer);
    }
    return slots;
}

void Statement::Impl::execute()
{
    session->refresh();
    if (!compiled || generation != session->generation) {
        compiled = session->compiled(text);
        generation = session->generation;
    }
    if (!compiled->unit) {
        if (!binds.empty())
            throw oraError(1036);
        runSqlCommand(text, *session);
        return;
    }
    std::vector<BindSlot> slots = bindSlots(*compiled->unit->ast);
    Interpreter interpreter(session->session);
    interpreter.run(*compiled->unit, slots);
    for (const auto& slot : slots) {
        if (slot.assigned)
            writeBind(slot.buffer, slot.value);
    }
}

namespace {

// A cancel request ends with the statement that gave way to it: one that
// ended with ORA-01013, or whose dbms_pipe wait returned 3. Any other
// statement leaves it for the next, so a request that came just as a
// statement was ending is not lost.
class CancelSettlement {
public:
    explicit CancelSettlement(SessionState& state) : state_(state)
    {
        state_.cancelHonoured = false;
    }
    ~CancelSettlement()
    {
        if (state_.cancelHonoured)
            state_.cancel.clear();
        state_.cancelHonoured = false;
    }
    CancelSettlement(const CancelSettlement&) = delete;
    CancelSettlement& operator=(const CancelSettlement&) = delete;

    void ended(const OraError& error) noexcept
    {
        if (error.code() == 1013)
            state_.cancelHonoured = true;
    }

private:
    SessionState& state_;
};

} // namespace

void Statement::execute()
{
    CancelSettlement settlement(impl_->session->session);
    try {
        impl_->execute();
    } catch (const OraError& error) {
        settlement.ended(error);
        throw;
    } catch (const std::exception& error) {
        throw asOraError(error);
    }
}

} // namespace vexmoor::engine
