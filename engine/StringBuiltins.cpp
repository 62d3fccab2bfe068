// The standard functions on text: padding, trimming, searching, replacing,
// case, characters and regular expressions (PCRE2 underneath).
#include "BuiltinArgs.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>
#include <cctype>
#include <memory>

namespace vexmoor::engine {

namespace {

using namespace builtin_args;

Value nullText()
{
    return Value::null(ValueType::Varchar2);
}

// LPAD and RPAD: the text cut or padded to `width` characters with the
// padding repeated; a width below 1 gives NULL.
template <bool Left>
Value pad(BuiltinCall& call)
{
    if (anyNull(call))
        return nullText();
    const std::string text = textOf(call, 0);
    const std::int64_t width = wholeOf(call, 1);
    if (width < 1)
        return nullText();
    const auto size = static_cast<std::size_t>(std::min<std::int64_t>(width, kMaxVarchar2));
    if (text.size() >= size)
        return Value::text(text.substr(0, size));
    const std::string padding = call.has(2) ? textOf(call, 2) : std::string(" ");
    std::string fill;
    while (fill.size() < size - text.size())
        fill += padding;
    fill.resize(size - text.size());
    return Value::text(Left ? fill + text : text + fill);
}

std::size_t leadingIn(const std::string& text, const std::string& set)
{
    const auto first = text.find_first_not_of(set);
    return first == std::string::npos ? text.size() : first;
}

std::size_t trailingEnd(const std::string& text, const std::string& set)
{
    const auto last = text.find_last_not_of(set);
    return last == std::string::npos ? 0 : last + 1;
}

template <bool Left>
Value trimSet(BuiltinCall& call)
{
    if (anyNull(call))
        return nullText();
    const std::string text = textOf(call, 0);
    const std::string set = call.has(1) ? textOf(call, 1) : std::string(" ");
    if (Left)
        return Value::text(text.substr(leadingIn(text, set)));
    return Value::text(text.substr(0, trailingEnd(text, set)));
}

// TRIM: one character, from the side the parser passed (BOTH by default).
Value trim(BuiltinCall& call)
{
    if (anyNull(call))
        return nullText();
    const std::string character = call.has(1) ? textOf(call, 1) : std::string(" ");
    if (character.size() != 1)
        throw oraError(30001);
    const std::string side = call.has(2) ? textOf(call, 2) : std::string("BOTH");
    const std::string text = textOf(call, 0);
    const std::size_t begin = side == "TRAILING" ? 0 : leadingIn(text, character);
    const std::size_t end = side == "LEADING" ? text.size() : trailingEnd(text, character);
    return Value::text(begin < end ? text.substr(begin, end - begin) : std::string());
}

// REPLACE: a NULL search string leaves the text; a NULL replacement removes.
Value replace(BuiltinCall& call)
{
    if (call.args[0].isNull())
        return nullText();
    std::string text = textOf(call, 0);
    const std::string search = textOf(call, 1);
    if (search.empty())
        return Value::text(std::move(text));
    const std::string replacement = call.has(2) ? textOf(call, 2) : std::string();
    std::string result;
    std::size_t from = 0;
    for (auto at = text.find(search); at != std::string::npos; at = text.find(search, from)) {
        result.append(text, from, at - from);
        result += replacement;
        from = at + search.size();
        if (result.size() > kMaxVarchar2)
            throw oraError(6502, {": character string buffer too small"});
    }
    result.append(text, from);
    if (result.size() > kMaxVarchar2)
        throw oraError(6502, {": character string buffer too small"});
    return Value::text(std::move(result));
}

// TRANSLATE: each character of `from` becomes the one at its place in `to`,
// or goes when `to` is shorter; the first occurrence in `from` counts.
Value translate(BuiltinCall& call)
{
    if (anyNull(call))
        return nullText();
    const std::string from = textOf(call, 1);
    const std::string to = textOf(call, 2);
    std::array<int, 256> map{};
    map.fill(-2);
    for (std::size_t i = from.size(); i-- > 0;)
        map[static_cast<unsigned char>(from[i])] =
            i < to.size() ? static_cast<unsigned char>(to[i]) : -1;
    std::string result;
    for (const char c : textOf(call, 0)) {
        const int mapped = map[static_cast<unsigned char>(c)];
        if (mapped == -2)
            result += c;
        else if (mapped >= 0)
            result += static_cast<char>(mapped);
    }
    return Value::text(std::move(result));
}

// INSTR: a negative position searches backwards from that many characters
// before the end; position 0 finds nothing; occurrence must be positive.
Value instr(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    const std::string text = textOf(call, 0);
    const std::string search = textOf(call, 1);
    const std::int64_t position = call.has(2) ? wholeOf(call, 2) : 1;
    const std::int64_t occurrence = call.has(3) ? wholeOf(call, 3) : 1;
    if (occurrence < 1)
        outOfRange(call, call.args[3]);
    const auto size = static_cast<std::int64_t>(text.size());
    if (position == 0 || std::abs(position) > size)
        return Value::number(0);
    std::int64_t found = 0;
    if (position > 0) {
        std::size_t at = static_cast<std::size_t>(position - 1);
        for (std::int64_t n = 0; n < occurrence; ++n, ++at) {
            at = text.find(search, at);
            if (at == std::string::npos)
                return Value::number(0);
            found = static_cast<std::int64_t>(at) + 1;
        }
    } else {
        auto at = static_cast<std::size_t>(size + position);
        for (std::int64_t n = 0; n < occurrence; ++n) {
            at = text.rfind(search, at);
            if (at == std::string::npos)
                return Value::number(0);
            found = static_cast<std::int64_t>(at) + 1;
            if (at == 0 && n + 1 < occurrence)
                return Value::number(0);
            --at;
        }
    }
    return Value::number(static_cast<double>(found));
}

// INITCAP: words are runs of letters and digits; each starts upper case.
// The bytes of a multibyte character count as letters and keep their case.
Value initcap(BuiltinCall& call)
{
    std::string text = textOf(call, 0);
    bool inWord = false;
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            inWord = true;
            continue;
        }
        c = static_cast<char>(inWord ? std::tolower(u) : std::toupper(u));
        inWord = std::isalnum(u) != 0;
    }
    return Value::text(std::move(text));
}

Value concat(BuiltinCall& call)
{
    std::string text = textOf(call, 0) + textOf(call, 1);
    if (text.size() > kMaxVarchar2)
        throw oraError(6502, {": character string buffer too small"});
    return Value::text(std::move(text));
}

// CHR: the character of that code in the database character set; a code
// above 255 is its bytes, most significant first (CHR(50089) is 'é').
Value chr(BuiltinCall& call)
{
    if (anyNull(call))
        return nullText();
    const double number = std::trunc(numberOf(call, 0));
    if (number < 0 || number > 4294967295.0)
        outOfRange(call, call.args[0]);
    auto code = static_cast<std::uint32_t>(number);
    std::string bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<char>(code & 0xFF));
        code >>= 8;
    } while (code != 0);
    return Value::text(std::move(bytes));
}

// ASCII: the code of the first character, all its UTF-8 bytes together.
Value ascii(BuiltinCall& call)
{
    if (anyNull(call))
        return Value::null(ValueType::Number);
    const std::string text = textOf(call, 0);
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    double code = 0;
    for (std::size_t i = 0; i < std::min(length, text.size()); ++i)
        code = code * 256 + static_cast<unsigned char>(text[i]);
    return Value::number(code);
}

// ---------------------------------------------------------------- regular expressions

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;

// Oracle's match parameter: i/c case, n lets '.' match a newline, m makes
// ^ and $ match at lines, x ignores blanks in the pattern; the last of i
// and c counts. Anything else is ORA-01760. Text is matched byte by byte,
// as LENGTH and SUBSTR count it.
std::uint32_t matchOptions(BuiltinCall& call, std::size_t i)
{
    std::uint32_t options = PCRE2_DOLLAR_ENDONLY;
    if (!call.has(i) || call.args[i].isNull())
        return options;
    for (const char c : textOf(call, i)) {
        switch (c) {
        case 'i':
            options |= PCRE2_CASELESS;
            break;
        case 'c':
            options &= ~PCRE2_CASELESS;
            break;
        case 'n':
            options |= PCRE2_DOTALL;
            break;
        case 'm':
            options = (options | PCRE2_MULTILINE) & ~PCRE2_DOLLAR_ENDONLY;
            break;
        case 'x':
            options |= PCRE2_EXTENDED;
            break;
        default:
            throw oraError(1760);
        }
    }
    return options;
}

int regexErrorCode(int pcreError)
{
    switch (pcreError) {
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
    case PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS:
        return 12725;
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET:
        return 12726;
    case PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE:
        return 12727;
    case PCRE2_ERROR_CLASS_RANGE_ORDER:
        return 12728;
    default:
        return 12722;
    }
}

Code compilePattern(const std::string& pattern, std::uint32_t options)
{
    int error = 0;
    PCRE2_SIZE offset = 0;
    Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options,
                            &error, &offset, nullptr));
    if (!code)
        throw oraError(regexErrorCode(error));
    return code;
}

// One regular expression applied to one text, match after match.
class Matcher {
public:
    Matcher(const std::string& text, const std::string& pattern, std::uint32_t options)
        : text_(text), code_(compilePattern(pattern, options)),
          data_(pcre2_match_data_create_from_pattern(code_.get(), nullptr))
    {
        if (!data_)
            throw oraError(12722);
    }

    // The next match at or after `from`; false when there is none.
    bool find(std::size_t from)
    {
        if (from > text_.size())
            return false;
        const int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(text_.data()),
                                   text_.size(), from, 0, data_.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH)
            return false;
        if (rc < 0)
            throw oraError(12722);
        return true;
    }

    std::size_t begin(std::size_t group = 0) const
    {
        return pcre2_get_ovector_pointer(data_.get())[2 * group];
    }
    std::size_t end(std::size_t group = 0) const
    {
        return pcre2_get_ovector_pointer(data_.get())[2 * group + 1];
    }
    std::size_t groups() const { return pcre2_get_ovector_count(data_.get()); }
    bool hasGroup(std::size_t group) const
    {
        return group < groups() && begin(group) != PCRE2_UNSET;
    }
    std::string group(std::size_t group) const
    {
        return hasGroup(group) ? text_.substr(begin(group), end(group) - begin(group))
                               : std::string();
    }
    // Where the search goes on after the current match: past an empty one.
    std::size_t next() const { return end() > begin() ? end() : end() + 1; }

private:
    const std::string& text_;
    Code code_;
    MatchData data_;
};

Value regexpLike(BuiltinCall& call)
{
    if (call.args[0].isNull() || call.args[1].isNull())
        return Value::null(ValueType::Boolean);
    const std::string text = textOf(call, 0);
    Matcher matcher(text, textOf(call, 1), matchOptions(call, 2));
    return Value::boolean(matcher.find(0));
}

// The 1-based position argument i (default 1), at least 1.
std::size_t startOf(BuiltinCall& call, std::size_t i)
{
    const std::int64_t position = call.has(i) ? wholeOf(call, i) : 1;
    if (position < 1)
        outOfRange(call, call.args[i]);
    return static_cast<std::size_t>(position - 1);
}

// The replacement with \1 .. \9 put in for the groups of the match.
void appendReplacement(std::string& out, const std::string& replacement, const Matcher& matcher)
{
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        if (replacement[i] == '\\' && i + 1 < replacement.size()
            && std::isdigit(static_cast<unsigned char>(replacement[i + 1]))) {
            out += matcher.group(static_cast<std::size_t>(replacement[++i] - '0'));
        } else if (replacement[i] == '\\' && i + 1 < replacement.size()
                   && replacement[i + 1] == '\\') {
            out += replacement[++i];
        } else {
            out += replacement[i];
        }
        if (out.size() > kMaxVarchar2)
            throw oraError(6502, {": character string buffer too small"});
    }
}

// REGEXP_REPLACE(source, pattern, replacement, position, occurrence, match):
// occurrence 0 replaces every match; a NULL pattern leaves the source.
Value regexpReplace(BuiltinCall& call)
{
    if (call.args[0].isNull())
        return nullText();
    for (std::size_t i = 3; i < 6; ++i) {
        if (call.has(i) && call.args[i].isNull())
            return nullText();
    }
    const std::string text = textOf(call, 0);
    if (call.args[1].isNull())
        return Value::text(text);
    const std::string replacement = call.has(2) ? textOf(call, 2) : std::string();
    const std::size_t start = startOf(call, 3);
    const std::int64_t occurrence = call.has(4) ? wholeOf(call, 4) : 0;
    if (occurrence < 0)
        outOfRange(call, call.args[4]);
    Matcher matcher(text, textOf(call, 1), matchOptions(call, 5));
    std::string out = text.substr(0, std::min(start, text.size()));
    std::size_t copied = out.size();
    std::int64_t seen = 0;
    for (std::size_t from = start; matcher.find(from); from = matcher.next()) {
        if (occurrence == 0 || ++seen == occurrence) {
            out.append(text, copied, matcher.begin() - copied);
            appendReplacement(out, replacement, matcher);
            copied = matcher.end();
            if (occurrence != 0)
                break;
        }
        if (out.size() > kMaxVarchar2)
            throw oraError(6502, {": character string buffer too small"});
    }
    if (copied < text.size())
        out.append(text, copied);
    return Value::text(std::move(out));
}

// REGEXP_SUBSTR(source, pattern, position, occurrence, match, group); a
// NULL match parameter counts as none, as in REGEXP_LIKE.
Value regexpSubstr(BuiltinCall& call)
{
    for (const std::size_t i : {0, 1, 2, 3, 5}) {
        if (call.has(i) && call.args[i].isNull())
            return nullText();
    }
    const std::string text = textOf(call, 0);
    const std::size_t start = startOf(call, 2);
    const std::int64_t occurrence = call.has(3) ? wholeOf(call, 3) : 1;
    if (occurrence < 1)
        outOfRange(call, call.args[3]);
    const std::int64_t group = call.has(5) ? wholeOf(call, 5) : 0;
    if (group < 0 || group > 9)
        outOfRange(call, call.args[5]);
    Matcher matcher(text, textOf(call, 1), matchOptions(call, 4));
    std::int64_t seen = 0;
    for (std::size_t from = start; matcher.find(from); from = matcher.next()) {
        if (++seen == occurrence)
            return Value::text(matcher.group(static_cast<std::size_t>(group)));
    }
    return nullText();
}

constexpr std::array kOne{BuiltinParam{"STR1"}};
constexpr std::array kTwo{BuiltinParam{"STR1"}, BuiltinParam{"STR2"}};
constexpr std::array kThree{BuiltinParam{"STR1"}, BuiltinParam{"STR2"}, BuiltinParam{"STR3"}};
constexpr std::array kPad{BuiltinParam{"STR1"}, BuiltinParam{"LEN"},
                          BuiltinParam{"PAD", ParamMode::In, true}};
constexpr std::array kTrimSet{BuiltinParam{"STR1"}, BuiltinParam{"TSET", ParamMode::In, true}};
constexpr std::array kTrim{BuiltinParam{"STR1"},
                           BuiltinParam{"TRIM_CHARACTER", ParamMode::In, true},
                           BuiltinParam{"TRIM_SIDE", ParamMode::In, true}};
constexpr std::array kReplace{BuiltinParam{"SRCSTR"}, BuiltinParam{"OLDSUB"},
                              BuiltinParam{"NEWSUB", ParamMode::In, true}};
constexpr std::array kInstr{BuiltinParam{"STR1"}, BuiltinParam{"STR2"},
                            BuiltinParam{"POS", ParamMode::In, true},
                            BuiltinParam{"NTH", ParamMode::In, true}};
constexpr std::array kNumber{BuiltinParam{"N"}};
constexpr std::array kRegexpLike{BuiltinParam{"SRCSTR"}, BuiltinParam{"PATTERN"},
                                 BuiltinParam{"MODIFIER", ParamMode::In, true}};
constexpr std::array kRegexpReplace{BuiltinParam{"SRCSTR"},
                                    BuiltinParam{"PATTERN"},
                                    BuiltinParam{"REPLACESTR", ParamMode::In, true},
                                    BuiltinParam{"POSITION", ParamMode::In, true},
                                    BuiltinParam{"OCCURRENCE", ParamMode::In, true},
                                    BuiltinParam{"MODIFIER", ParamMode::In, true}};
constexpr std::array kRegexpSubstr{BuiltinParam{"SRCSTR"},
                                   BuiltinParam{"PATTERN"},
                                   BuiltinParam{"POSITION", ParamMode::In, true},
                                   BuiltinParam{"OCCURRENCE", ParamMode::In, true},
                                   BuiltinParam{"MODIFIER", ParamMode::In, true},
                                   BuiltinParam{"SUBEXPRESSION", ParamMode::In, true}};

constexpr std::array kStrings{
    BuiltinDef{"", "LPAD", true, ValueType::Varchar2, kPad, pad<true>},
    BuiltinDef{"", "RPAD", true, ValueType::Varchar2, kPad, pad<false>},
    BuiltinDef{"", "LTRIM", true, ValueType::Varchar2, kTrimSet, trimSet<true>},
    BuiltinDef{"", "RTRIM", true, ValueType::Varchar2, kTrimSet, trimSet<false>},
    BuiltinDef{"", "TRIM", true, ValueType::Varchar2, kTrim, trim},
    BuiltinDef{"", "REPLACE", true, ValueType::Varchar2, kReplace, replace},
    BuiltinDef{"", "TRANSLATE", true, ValueType::Varchar2, kThree, translate},
    BuiltinDef{"", "INSTR", true, ValueType::Number, kInstr, instr},
    BuiltinDef{"", "INITCAP", true, ValueType::Varchar2, kOne, initcap},
    BuiltinDef{"", "CONCAT", true, ValueType::Varchar2, kTwo, concat},
    BuiltinDef{"", "CHR", true, ValueType::Varchar2, kNumber, chr},
    BuiltinDef{"", "ASCII", true, ValueType::Number, kOne, ascii},
    BuiltinDef{"", "REGEXP_LIKE", true, ValueType::Boolean, kRegexpLike, regexpLike},
    BuiltinDef{"", "REGEXP_REPLACE", true, ValueType::Varchar2, kRegexpReplace, regexpReplace},
    BuiltinDef{"", "REGEXP_SUBSTR", true, ValueType::Varchar2, kRegexpSubstr, regexpSubstr},
};

} // namespace

std::span<const BuiltinDef> stringBuiltins()
{
    return kStrings;
}

} // namespace vexmoor::engine
