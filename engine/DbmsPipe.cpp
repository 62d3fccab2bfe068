#include "Builtins.h"
#include "Database.h"
#include "Interpreter.h"
#include "PipeStore.h"

#include <array>
#include <chrono>
#include <cmath>

namespace vexmoor::engine {

namespace {

// The dbms_pipe package over the session's message buffer and the
// database's pipes.

using std::chrono::milliseconds;

MessageBuffer& buffer(BuiltinCall& call)
{
    return call.interpreter.state().buffer;
}

PipeStore& pipes(BuiltinCall& call)
{
    return call.interpreter.state().database->pipes();
}

// A wait that gave way to the session's cancel request (status 3) settles it.
int interruptible(BuiltinCall& call, int status)
{
    if (status == PipeStore::kInterrupted)
        call.interpreter.state().cancelHonoured = true;
    return status;
}

// Private pipes admit only the user who made them.
const std::string& user(BuiltinCall& call)
{
    return call.interpreter.state().user;
}

std::string pipeName(BuiltinCall& call)
{
    if (call.args[0].isNull())
        throw oraError(23321);
    return toText(call.args[0], call.interpreter.conversion());
}

double numberArg(BuiltinCall& call, std::size_t i, double fallback)
{
    if (!call.has(i) || call.args[i].isNull())
        return fallback;
    return convert(call.args[i], ValueType::Number, call.interpreter.conversion()).asNumber();
}

// A timeout in seconds, as the package takes it; maxwait when not given or
// NULL, as the package's default; at most the session's longest wait.
milliseconds timeoutArg(BuiltinCall& call, std::size_t i)
{
    const auto longest = call.interpreter.state().limits.longestWait;
    const auto maxWait =
        longest ? std::min(*longest, std::chrono::duration_cast<milliseconds>(PipeStore::kMaxWait))
                : std::chrono::duration_cast<milliseconds>(PipeStore::kMaxWait);
    const double seconds =
        std::round(numberArg(call, i, static_cast<double>(PipeStore::kMaxWait.count())));
    if (!(seconds > 0))
        return milliseconds{0};
    if (seconds * 1000 >= static_cast<double>(maxWait.count()))
        return maxWait;
    return milliseconds{static_cast<std::int64_t>(seconds * 1000)};
}

std::int64_t pipeSizeArg(BuiltinCall& call, std::size_t i)
{
    const double size = numberArg(call, i, static_cast<double>(PipeStore::kDefaultMaxPipeSize));
    return size > 0 && size < 1e15 ? static_cast<std::int64_t>(size)
                                   : PipeStore::kDefaultMaxPipeSize;
}

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Value none()
{
    return Value::null();
}

Value packMessage(BuiltinCall& call)
{
    const Value& item = call.args[0];
    switch (item.type()) {
    case ValueType::Number:
        buffer(call).packNumber(item.isNull() ? std::nullopt
                                              : std::optional<double>(item.asNumber()));
        break;
    case ValueType::Date:
        buffer(call).packDate(item.isNull() ? std::nullopt : std::optional<OraDate>(item.asDate()));
        break;
    default: {
        const Value text = convert(item, ValueType::Varchar2, call.interpreter.conversion());
        buffer(call).packVarchar2(text.isNull() ? std::nullopt
                                                : std::optional<std::string_view>(text.asText()));
        break;
    }
    }
    return none();
}

Value packMessageRaw(BuiltinCall& call)
{
    const Value raw = convert(call.args[0], ValueType::Raw, call.interpreter.conversion());
    buffer(call).packRaw(bytesOf(raw.asText()));
    return none();
}

Value packMessageRowid(BuiltinCall& call)
{
    const Value rowid = convert(call.args[0], ValueType::Rowid, call.interpreter.conversion());
    buffer(call).packRowid(rowid.isNull() ? std::nullopt
                                          : std::optional<std::string_view>(rowid.asText()));
    return none();
}

Value unpackMessage(BuiltinCall& call)
{
    const Expr& target = call.target(0);
    Value value;
    switch (call.interpreter.targetType(call.frame, target)) {
    case ValueType::Number: {
        const auto number = buffer(call).unpackNumber();
        value = number ? Value::number(*number) : Value::null(ValueType::Number);
        break;
    }
    case ValueType::Date: {
        const auto date = buffer(call).unpackDate();
        value = date ? Value::date(*date) : Value::null(ValueType::Date);
        break;
    }
    case ValueType::Varchar2: {
        auto text = buffer(call).unpackVarchar2();
        value = text ? Value::text(std::move(*text)) : Value::null(ValueType::Varchar2);
        break;
    }
    case ValueType::Raw: {
        // The trace console's item block unpacks RAW and ROWID items with
        // unpack_message into variables of those types.
        const auto bytes = buffer(call).unpackRaw();
        value = Value::text(std::string(bytes.begin(), bytes.end()), ValueType::Raw);
        break;
    }
    case ValueType::Rowid: {
        auto rowid = buffer(call).unpackRowid();
        value = rowid ? Value::text(std::move(*rowid), ValueType::Rowid)
                      : Value::null(ValueType::Rowid);
        break;
    }
    default:
        throw oraError(6559, {"string", typeName(ValueType::Boolean)});
    }
    call.interpreter.assign(call.frame, target, std::move(value));
    return none();
}

Value unpackMessageRaw(BuiltinCall& call)
{
    const auto bytes = buffer(call).unpackRaw();
    call.interpreter.assign(call.frame, call.target(0),
                            Value::text(std::string(bytes.begin(), bytes.end()), ValueType::Raw));
    return none();
}

Value unpackMessageRowid(BuiltinCall& call)
{
    auto rowid = buffer(call).unpackRowid();
    call.interpreter.assign(call.frame, call.target(0),
                            rowid ? Value::text(std::move(*rowid), ValueType::Rowid)
                                  : Value::null(ValueType::Rowid));
    return none();
}

Value nextItemType(BuiltinCall& call)
{
    return Value::number(static_cast<int>(buffer(call).nextItemType()));
}

Value sendMessage(BuiltinCall& call)
{
    const std::string pipe = pipeName(call);
    const milliseconds timeout = timeoutArg(call, 1);
    const std::int64_t size = pipeSizeArg(call, 2);
    const std::vector<std::uint8_t> message = buffer(call).takePacked();
    const CancelRequest& cancel = call.interpreter.state().cancel;
    return Value::number(
        interruptible(call, pipes(call).send(pipe, message, timeout, size, user(call), &cancel)));
}

Value receiveMessage(BuiltinCall& call)
{
    const std::string pipe = pipeName(call);
    std::vector<std::uint8_t> message;
    const CancelRequest& cancel = call.interpreter.state().cancel;
    const int status = interruptible(
        call, pipes(call).receive(pipe, timeoutArg(call, 1), message, user(call), &cancel));
    if (status == 0)
        buffer(call).loadReceived(std::move(message));
    return Value::number(status);
}

Value purge(BuiltinCall& call)
{
    pipes(call).purge(pipeName(call), user(call));
    return none();
}

Value createPipe(BuiltinCall& call)
{
    const std::string pipe = pipeName(call);
    const bool isPrivate = !call.has(2) || call.args[2].isNull() || call.args[2].asBoolean();
    return Value::number(pipes(call).createPipe(pipe, pipeSizeArg(call, 1), isPrivate, user(call)));
}

Value removePipe(BuiltinCall& call)
{
    return Value::number(pipes(call).removePipe(pipeName(call), user(call)));
}

Value resetBuffer(BuiltinCall& call)
{
    buffer(call).reset();
    return none();
}

Value uniqueSessionName(BuiltinCall& call)
{
    return Value::text(call.interpreter.state().uniqueName);
}

constexpr std::array<BuiltinParam, 0> kNoParams{};
constexpr std::array kItemIn{BuiltinParam{"ITEM"}};
constexpr std::array kItemOut{BuiltinParam{"ITEM", ParamMode::Out}};
constexpr std::array kPipe{BuiltinParam{"PIPENAME"}};
constexpr std::array kSendParams{BuiltinParam{"PIPENAME"},
                                 BuiltinParam{"TIMEOUT", ParamMode::In, true},
                                 BuiltinParam{"MAXPIPESIZE", ParamMode::In, true}};
constexpr std::array kReceiveParams{BuiltinParam{"PIPENAME"},
                                    BuiltinParam{"TIMEOUT", ParamMode::In, true}};
constexpr std::array kCreateParams{BuiltinParam{"PIPENAME"},
                                   BuiltinParam{"MAXPIPESIZE", ParamMode::In, true},
                                   BuiltinParam{"PRIVATE", ParamMode::In, true}};

constexpr std::array kDbmsPipe{
    BuiltinDef{"DBMS_PIPE", "PACK_MESSAGE", false, ValueType::Null, kItemIn, packMessage},
    BuiltinDef{"DBMS_PIPE", "PACK_MESSAGE_RAW", false, ValueType::Null, kItemIn, packMessageRaw},
    BuiltinDef{"DBMS_PIPE", "PACK_MESSAGE_ROWID", false, ValueType::Null, kItemIn,
               packMessageRowid},
    BuiltinDef{"DBMS_PIPE", "UNPACK_MESSAGE", false, ValueType::Null, kItemOut, unpackMessage},
    BuiltinDef{"DBMS_PIPE", "UNPACK_MESSAGE_RAW", false, ValueType::Null, kItemOut,
               unpackMessageRaw},
    BuiltinDef{"DBMS_PIPE", "UNPACK_MESSAGE_ROWID", false, ValueType::Null, kItemOut,
               unpackMessageRowid},
    BuiltinDef{"DBMS_PIPE", "NEXT_ITEM_TYPE", true, ValueType::Number, kNoParams, nextItemType},
    BuiltinDef{"DBMS_PIPE", "SEND_MESSAGE", true, ValueType::Number, kSendParams, sendMessage},
    BuiltinDef{"DBMS_PIPE", "RECEIVE_MESSAGE", true, ValueType::Number, kReceiveParams,
               receiveMessage},
    BuiltinDef{"DBMS_PIPE", "PURGE", false, ValueType::Null, kPipe, purge},
    BuiltinDef{"DBMS_PIPE", "CREATE_PIPE", true, ValueType::Number, kCreateParams, createPipe},
    BuiltinDef{"DBMS_PIPE", "REMOVE_PIPE", true, ValueType::Number, kPipe, removePipe},
    BuiltinDef{"DBMS_PIPE", "RESET_BUFFER", false, ValueType::Null, kNoParams, resetBuffer},
    BuiltinDef{"DBMS_PIPE", "UNIQUE_SESSION_NAME", true, ValueType::Varchar2, kNoParams,
               uniqueSessionName},
};

} // namespace

std::span<const BuiltinDef> dbmsPipeBuiltins()
{
    return kDbmsPipe;
}

} // namespace vexmoor::engine
