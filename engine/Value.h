#pragma once

#include "OraDate.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace vexmoor::engine {

// The PL/SQL data types the engine knows. Null is the type of the literal
// NULL only; a NULL of a known type keeps its type, so that overloads such as
// dbms_pipe.pack_message pick the right item type for it.
// Composite: a record or a collection (Composite.h).
enum class ValueType : std::uint8_t {
    Null,
    Number,
    Varchar2,
    Date,
    Raw,
    Rowid,
    Boolean,
    Composite
};

struct CompositeValue;

std::string_view typeName(ValueType type);

// One PL/SQL value. NUMBER and PLS_INTEGER are held as double; RAW as its
// bytes; VARCHAR2 and ROWID as text. An empty VARCHAR2 or RAW is NULL, as in
// Oracle.
class Value {
public:
    Value() = default;

    static Value null(ValueType type = ValueType::Null)
    {
        Value v;
        v.type_ = type;
        return v;
    }
    static Value number(double n)
    {
        Value v = null(ValueType::Number);
        v.null_ = false;
        v.number_ = n;
        return v;
    }
    static Value boolean(bool b)
    {
        Value v = null(ValueType::Boolean);
        v.null_ = false;
        v.boolean_ = b;
        return v;
    }
    static Value date(OraDate d)
    {
        Value v = null(ValueType::Date);
        v.null_ = false;
        v.date_ = d;
        return v;
    }
    static Value text(std::string s, ValueType type = ValueType::Varchar2)
    {
        Value v = null(type);
        v.null_ = s.empty();
        v.text_ = std::move(s);
        return v;
    }
    static Value varchar2(std::string_view s) { return text(std::string(s)); }
    // A record or collection; `null` for a nested table not yet initialised.
    static Value composite(std::shared_ptr<CompositeValue> c, bool null = false)
    {
        Value v = Value::null(ValueType::Composite);
        v.null_ = null;
        v.composite_ = std::move(c);
        return v;
    }

    ValueType type() const { return type_; }
    bool isNull() const { return null_; }

    double asNumber() const { return number_; }
    bool asBoolean() const { return boolean_; }
    OraDate asDate() const { return date_; }
    // VARCHAR2 and ROWID text, or the bytes of a RAW.
    const std::string& asText() const { return text_; }
    std::string& mutableText() { return text_; }
    const CompositeValue* asComposite() const { return composite_.get(); }
    // The composite to change in place, copied first when another value
    // shares it (Composite.cpp).
    CompositeValue& mutableComposite();
    void setNull(bool null) { null_ = null; }

private:
    ValueType type_ = ValueType::Null;
    bool null_ = true;
    bool boolean_ = false;
    double number_ = 0;
    OraDate date_{};
    std::string text_;
    std::shared_ptr<CompositeValue> composite_;
};

// What implicit and explicit conversions need from the session.
struct ConversionContext {
    std::string dateFormat;
    std::function<OraDate()> now; // TO_DATE takes a missing year and month from it
};

// Oracle's implicit conversions. Each keeps NULL as NULL (of the target
// type) and raises ORA-06502 (or the format errors of TO_DATE/TO_NUMBER) when
// the value cannot be converted. Converting to Null returns the value as is.
Value convert(const Value& value, ValueType target, const ConversionContext& context);

// TO_CHAR of any value without a format: numbers as Oracle prints them,
// dates in the session's format, RAW in hexadecimal.
std::string toText(const Value& value, const ConversionContext& context);

// Hexadecimal text of bytes (RAWTOHEX) and back (HEXTORAW; an odd count of
// digits gets a leading zero; anything else raises ORA-06502).
std::string bytesToHex(std::string_view bytes);
std::string hexToBytes(std::string_view hex);

// Oracle's ROUND(n) for integers: half away from zero. Places beyond what a
// double holds leave the value as it is; places before its first digit give 0.
double roundHalfAway(double value, int decimals = 0);

// The power of ten of a finite, nonzero value's first significant digit.
int firstDigitExponent(double value);

// The longest VARCHAR2 (and RAW) value PL/SQL holds, in bytes.
inline constexpr std::size_t kMaxVarchar2 = 32767;

// NUMBER's range: magnitudes from 1e-130 up to, not including, 1e126. Values
// are doubles, so a NUMBER keeps a double's 15 to 17 significant digits
// rather than Oracle's 38; only text (literals, TO_NUMBER) is rounded to 38
// digits first, which decides whether 9.99...9E+125 overflows.
inline constexpr double kNumberLimit = 1e126;
inline constexpr double kNumberSmallest = 1e-130;

// A computed number as NUMBER holds it: ORA-01426 "numeric overflow" from
// 1e126 on, 0 below 1e-130, ORA-06502 for what is no number at all (0/0).
double numberInRange(double value);

// PLS_INTEGER and BINARY_INTEGER: -2147483648 .. 2147483647. The value
// rounded half away from zero; ORA-01426 outside that range.
std::int32_t toPlsInteger(double value);
bool fitsPlsInteger(double value);

} // namespace vexmoor::engine
