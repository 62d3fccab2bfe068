#include "Composite.h"

#include "Interpreter.h"
#include "OraError.h"

#include <array>
#include <cmath>
#include <string_view>

namespace vexmoor::engine {

CompositeValue& Value::mutableComposite()
{
    if (composite_.use_count() > 1)
        composite_ = std::make_shared<CompositeValue>(*composite_);
    return *composite_;
}

int CompositeType::fieldIndex(const std::string& field) const
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == field)
            return static_cast<int>(i);
    }
    return -1;
}

bool recordAssignable(const CompositeType* to, const CompositeType* from)
{
    if (to == from)
        return true;
    if (!to || !from || !from->rowType || to->isCollection() || from->isCollection()
        || to->fields.size() != from->fields.size())
        return false;
    for (std::size_t i = 0; i < to->fields.size(); ++i) {
        const TypeSpec& a = to->fields[i].type;
        const TypeSpec& b = from->fields[i].type;
        // A field of a cursor's computed column has no type of its own.
        const bool untyped = b.type == ValueType::Null && !b.composite;
        if (!untyped && (a.type != b.type || a.composite != b.composite))
            return false;
    }
    return true;
}

Value initialValue(const TypeSpec& type)
{
    if (!type.composite)
        return Value::null(type.type);
    auto value = std::make_shared<CompositeValue>();
    value->type = type.composite;
    for (const auto& field : type.composite->fields)
        value->fields.push_back(initialValue(field.type));
    return Value::composite(std::move(value), type.composite->isDense());
}

std::optional<CollectionMethod> collectionMethod(const std::string& name)
{
    static constexpr std::array<std::pair<std::string_view, CollectionMethod>, 10> kMethods{{
        {"COUNT", CollectionMethod::Count},
        {"FIRST", CollectionMethod::First},
        {"LAST", CollectionMethod::Last},
        {"NEXT", CollectionMethod::Next},
        {"PRIOR", CollectionMethod::Prior},
        {"EXISTS", CollectionMethod::Exists},
        {"DELETE", CollectionMethod::Delete},
        {"EXTEND", CollectionMethod::Extend},
        {"TRIM", CollectionMethod::Trim},
        {"LIMIT", CollectionMethod::Limit},
    }};
    for (const auto& [text, method] : kMethods) {
        if (text == name)
            return method;
    }
    return std::nullopt;
}

namespace {

[[noreturn]] void uninitialised()
{
    throw oraError(6531);
}

const CompositeValue& collectionOf(const Value& collection)
{
    if (collection.isNull())
        uninitialised();
    return *collection.asComposite();
}

bool isNested(const CompositeValue& value)
{
    return value.type->isDense();
}

// A numeric subscript as PLS_INTEGER; ORA-06502 for NULL.
double numberKey(const Value& key, const ConversionContext& context)
{
    if (key.isNull())
        throw oraError(6502, {": NULL index table key value"});
    return toPlsInteger(convert(key, ValueType::Number, context).asNumber());
}

std::string textKey(const CompositeValue& value, const Value& key, const ConversionContext& context)
{
    if (key.isNull())
        throw oraError(6502, {": NULL index table key value"});
    std::string text = toText(key, context);
    if (value.type->keyLength >= 0 && text.size() > static_cast<std::size_t>(value.type->keyLength))
        throw oraError(6502, {": character string buffer too small"});
    return text;
}

// A nested table's or varray's subscript must lie within 1 .. its size;
// beyond a varray's limit it is outside the limit rather than beyond the count.
void checkNestedIndex(const CompositeValue& value, double index)
{
    if (index < 1 || (value.type->limit >= 0 && index > value.type->limit))
        throw oraError(6532);
    if (index > static_cast<double>(value.extent))
        throw oraError(6533);
}

Value keyValue(double key)
{
    return Value::number(key);
}

template <typename Map>
Value firstKey(const Map& map, bool last)
{
    if (map.empty())
        return Value::null(std::is_same_v<typename Map::key_type, double> ? ValueType::Number
                                                                          : ValueType::Varchar2);
    const auto& key = last ? map.rbegin()->first : map.begin()->first;
    if constexpr (std::is_same_v<typename Map::key_type, double>)
        return keyValue(key);
    else
        return Value::text(key);
}

template <typename Map>
Value neighbour(const Map& map, const typename Map::key_type& key, bool next)
{
    using Key = typename Map::key_type;
    const ValueType type = std::is_same_v<Key, double> ? ValueType::Number : ValueType::Varchar2;
    if (next) {
        const auto it = map.upper_bound(key);
        if (it == map.end())
            return Value::null(type);
        if constexpr (std::is_same_v<Key, double>)
            return keyValue(it->first);
        else
            return Value::text(it->first);
    }
    auto it = map.lower_bound(key);
    if (it == map.begin())
        return Value::null(type);
    --it;
    if constexpr (std::is_same_v<Key, double>)
        return keyValue(it->first);
    else
        return Value::text(it->first);
}

} // namespace

Value readElement(const Value& collection, const Value& key, const ConversionContext& context)
{
    const CompositeValue& value = collectionOf(collection);
    if (value.type->stringKeys) {
        const auto found = value.named.find(textKey(value, key, context));
        if (found == value.named.end())
            throw oraError(1403);
        return found->second;
    }
    const double index = numberKey(key, context);
    if (isNested(value))
        checkNestedIndex(value, index);
    const auto found = value.numbered.find(index);
    if (found == value.numbered.end())
        throw oraError(1403);
    return found->second;
}

Value& elementForWrite(Value& collection, const Value& key, const ConversionContext& context)
{
    if (collection.isNull())
        uninitialised();
    CompositeValue& value = collection.mutableComposite();
    if (value.type->stringKeys) {
        auto [it, added] = value.named.try_emplace(textKey(value, key, context), Value());
        if (added)
            it->second = initialValue(value.type->element);
        return it->second;
    }
    const double index = numberKey(key, context);
    if (isNested(value))
        checkNestedIndex(value, index);
    auto [it, added] = value.numbered.try_emplace(index, Value());
    if (added)
        it->second = initialValue(value.type->element);
    return it->second;
}

namespace {

Value deleteElements(Value& collection, const std::vector<Value>& args,
                     const ConversionContext& context)
{
    CompositeValue& value = collection.mutableComposite();
    if (args.empty()) {
        value.numbered.clear();
        value.named.clear();
        value.extent = 0;
        return {};
    }
    // A NULL bound deletes nothing, as in Oracle.
    for (const auto& arg : args) {
        if (arg.isNull())
            return {};
    }
    if (value.type->stringKeys) {
        const std::string low = textKey(value, args[0], context);
        const std::string high = args.size() > 1 ? textKey(value, args[1], context) : low;
        if (low <= high)
            value.named.erase(value.named.lower_bound(low), value.named.upper_bound(high));
        return {};
    }
    const double low = numberKey(args[0], context);
    const double high = args.size() > 1 ? numberKey(args[1], context) : low;
    if (low <= high)
        value.numbered.erase(value.numbered.lower_bound(low), value.numbered.upper_bound(high));
    return {};
}

// How many places EXTEND(n) or TRIM(n) mean: 1 without n, nothing when n is
// NULL (the call then does nothing).
std::optional<double> placeCount(const std::vector<Value>& args, const ConversionContext& context)
{
    if (args.empty())
        return 1;
    if (args[0].isNull())
        return std::nullopt;
    const double count = numberKey(args[0], context);
    if (count < 0)
        throw oraError(6532);
    return count;
}

Value extend(Value& collection, const std::vector<Value>& args, const ConversionContext& context)
{
    CompositeValue& value = collection.mutableComposite();
    const std::optional<double> count = placeCount(args, context);
    if (!count)
        return {};
    if (value.type->limit >= 0 && static_cast<double>(value.extent) + *count > value.type->limit)
        throw oraError(6532);
    for (double i = 0; i < *count; ++i) {
        ++value.extent;
        value.numbered[static_cast<double>(value.extent)] = initialValue(value.type->element);
    }
    return {};
}

// TRIM(n): the last n places go, deleted ones counted, as in Oracle.
Value trim(Value& collection, const std::vector<Value>& args, const ConversionContext& context)
{
    CompositeValue& value = collection.mutableComposite();
    const std::optional<double> count = placeCount(args, context);
    if (!count)
        return {};
    if (*count > static_cast<double>(value.extent))
        throw oraError(6533);
    for (double i = 0; i < *count; ++i)
        value.numbered.erase(static_cast<double>(value.extent--));
    return {};
}

} // namespace

Value callMethod(Value& collection, CollectionMethod method, const std::vector<Value>& args,
                 const ConversionContext& context)
{
    if (method == CollectionMethod::Exists) {
        if (collection.isNull())
            return Value::boolean(false);
        const CompositeValue& value = *collection.asComposite();
        if (args[0].isNull())
            return Value::boolean(false);
        if (value.type->stringKeys)
            return Value::boolean(value.named.count(textKey(value, args[0], context)) != 0);
        return Value::boolean(value.numbered.count(numberKey(args[0], context)) != 0);
    }
    const CompositeValue& value = collectionOf(collection);
    const bool text = value.type->stringKeys;
    switch (method) {
    case CollectionMethod::Count:
        return Value::number(
            static_cast<double>(text ? value.named.size() : value.numbered.size()));
    case CollectionMethod::First:
    case CollectionMethod::Last: {
        const bool last = method == CollectionMethod::Last;
        return text ? firstKey(value.named, last) : firstKey(value.numbered, last);
    }
    case CollectionMethod::Next:
    case CollectionMethod::Prior: {
        const bool next = method == CollectionMethod::Next;
        if (args[0].isNull())
            return Value::null(text ? ValueType::Varchar2 : ValueType::Number);
        if (text)
            return neighbour(value.named, toText(args[0], context), next);
        return neighbour(value.numbered, convert(args[0], ValueType::Number, context).asNumber(),
                         next);
    }
    case CollectionMethod::Delete:
        return deleteElements(collection, args, context);
    case CollectionMethod::Extend:
        return extend(collection, args, context);
    case CollectionMethod::Trim:
        return trim(collection, args, context);
    case CollectionMethod::Limit:
        return value.type->limit >= 0 ? Value::number(value.type->limit)
                                      : Value::null(ValueType::Number);
    case CollectionMethod::Exists:
        break;
    }
    return {};
}

Value constructCollection(const CompositeType& type, std::vector<Value> elements,
                          const ConversionContext& context)
{
    if (type.limit >= 0 && elements.size() > static_cast<std::size_t>(type.limit))
        throw oraError(6532);
    auto value = std::make_shared<CompositeValue>();
    value->type = &type;
    for (auto& element : elements) {
        ++value->extent;
        value->numbered[static_cast<double>(value->extent)] =
            coerce(type.element, std::move(element), context);
    }
    return Value::composite(std::move(value));
}

} // namespace vexmoor::engine
