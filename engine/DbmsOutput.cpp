#include "DbmsOutput.h"

#include "Builtins.h"
#include "Composite.h"
#include "Interpreter.h"
#include "OraError.h"

#include <algorithm>
#include <array>

namespace vexmoor::engine {

namespace {

constexpr std::size_t kMinLimit = 2000;
constexpr std::size_t kMaxLimit = 1000000;
constexpr std::size_t kDefaultLimit = 20000;
constexpr std::size_t kMaxLine = kMaxVarchar2;

[[noreturn]] void packageError(const std::string& text)
{
    throw OraError(20000, oraPrefix(20000) + ": " + text);
}

} // namespace

void DbmsOutputBuffer::enable(std::optional<std::size_t> limit)
{
    enabled_ = true;
    limit_ =
        limit ? std::optional<std::size_t>(std::clamp(*limit, kMinLimit, kMaxLimit)) : std::nullopt;
}

void DbmsOutputBuffer::disable()
{
    enabled_ = false;
    reading_ = false;
    used_ = 0;
    lines_.clear();
    partial_.clear();
}

void DbmsOutputBuffer::startWriting()
{
    if (!reading_)
        return;
    reading_ = false;
    used_ = partial_.size();
    lines_.clear();
}

void DbmsOutputBuffer::put(std::string_view text)
{
    if (!enabled_)
        return;
    startWriting();
    if (partial_.size() + text.size() > kMaxLine)
        packageError("ORU-10028: line length overflow, limit of " + std::to_string(kMaxLine)
                     + " bytes per line");
    if (limit_ && used_ + text.size() > *limit_)
        packageError("ORU-10027: buffer overflow, limit of " + std::to_string(*limit_) + " bytes");
    partial_.append(text);
    used_ += text.size();
}

void DbmsOutputBuffer::newLine()
{
    if (!enabled_)
        return;
    startWriting();
    lines_.push_back(std::move(partial_));
    partial_.clear();
}

std::optional<std::string> DbmsOutputBuffer::getLine()
{
    reading_ = true;
    if (lines_.empty())
        return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    used_ -= std::min(used_, line.size());
    return line;
}

// ---------------------------------------------------------------- built-ins

namespace {

DbmsOutputBuffer& output(BuiltinCall& call)
{
    return call.interpreter.state().output;
}

Value none()
{
    return Value::null();
}

std::string textArg(BuiltinCall& call, std::size_t i)
{
    return toText(call.args[i], call.interpreter.conversion());
}

Value enable(BuiltinCall& call)
{
    if (call.has(0) && call.args[0].isNull()) {
        output(call).enable(std::nullopt);
        return none();
    }
    std::size_t limit = kDefaultLimit;
    if (call.has(0)) {
        const double size =
            convert(call.args[0], ValueType::Number, call.interpreter.conversion()).asNumber();
        limit = size <= 0
                    ? kMinLimit
                    : static_cast<std::size_t>(std::min(size, static_cast<double>(kMaxLimit)));
    }
    output(call).enable(limit);
    return none();
}

Value disable(BuiltinCall& call)
{
    output(call).disable();
    return none();
}

Value put(BuiltinCall& call)
{
    output(call).put(textArg(call, 0));
    return none();
}

Value putLine(BuiltinCall& call)
{
    output(call).put(textArg(call, 0));
    output(call).newLine();
    return none();
}

Value newLine(BuiltinCall& call)
{
    output(call).newLine();
    return none();
}

// Status 0 with the line, or 1 and NULL when no complete line is left.
Value getLine(BuiltinCall& call)
{
    const auto line = output(call).getLine();
    call.interpreter.assign(call.frame, call.target(0),
                            line ? Value::text(*line) : Value::null(ValueType::Varchar2));
    call.interpreter.assign(call.frame, call.target(1), Value::number(line ? 0 : 1));
    return none();
}

// GET_LINES(lines OUT chararr, numlines IN OUT integer): up to numlines
// lines into lines(1..n), n into numlines.
Value getLines(BuiltinCall& call)
{
    const Value wanted = call.args[1];
    double limit =
        wanted.isNull()
            ? 0
            : convert(wanted, ValueType::Number, call.interpreter.conversion()).asNumber();
    auto lines = std::make_shared<CompositeValue>();
    lines->type = &dbmsOutputCharArr();
    double count = 0;
    while (count < limit) {
        const auto line = output(call).getLine();
        if (!line)
            break;
        ++count;
        lines->numbered[count] = Value::text(*line);
    }
    call.interpreter.assign(call.frame, call.target(0), Value::composite(std::move(lines)));
    call.interpreter.assign(call.frame, call.target(1), Value::number(count));
    return none();
}

constexpr std::array<BuiltinParam, 0> kNoParams{};
constexpr std::array kEnableParams{BuiltinParam{"BUFFER_SIZE", ParamMode::In, true}};
constexpr std::array kTextParam{BuiltinParam{"A"}};
constexpr std::array kGetLineParams{BuiltinParam{"LINE", ParamMode::Out},
                                    BuiltinParam{"STATUS", ParamMode::Out}};
constexpr std::array kGetLinesParams{BuiltinParam{"LINES", ParamMode::Out},
                                     BuiltinParam{"NUMLINES", ParamMode::InOut}};

constexpr std::array kDbmsOutput{
    BuiltinDef{"DBMS_OUTPUT", "ENABLE", false, ValueType::Null, kEnableParams, enable},
    BuiltinDef{"DBMS_OUTPUT", "DISABLE", false, ValueType::Null, kNoParams, disable},
    BuiltinDef{"DBMS_OUTPUT", "PUT", false, ValueType::Null, kTextParam, put},
    BuiltinDef{"DBMS_OUTPUT", "PUT_LINE", false, ValueType::Null, kTextParam, putLine},
    BuiltinDef{"DBMS_OUTPUT", "NEW_LINE", false, ValueType::Null, kNoParams, newLine},
    BuiltinDef{"DBMS_OUTPUT", "GET_LINE", false, ValueType::Null, kGetLineParams, getLine},
    BuiltinDef{"DBMS_OUTPUT", "GET_LINES", false, ValueType::Null, kGetLinesParams, getLines},
};

} // namespace

const CompositeType& dbmsOutputCharArr()
{
    static const CompositeType type = [] {
        CompositeType charArr;
        charArr.kind = CompositeType::Kind::IndexBy;
        charArr.name = "CHARARR";
        charArr.element.type = ValueType::Varchar2;
        charArr.element.length = static_cast<int>(kMaxLine);
        return charArr;
    }();
    return type;
}

std::span<const BuiltinDef> dbmsOutputBuiltins()
{
    return kDbmsOutput;
}

} // namespace vexmoor::engine
