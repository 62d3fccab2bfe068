#include "OraError.h"

#include <array>
#include <cstdio>
#include <utility>

namespace vexmoor::base {

namespace {

struct ErrorText {
    int code;
    std::string_view text;
};

// Oracle's wording for the errors the engine and the backends raise: the one
// place an error's text is written.
constexpr std::array kErrorTexts{
    ErrorText{0, "normal, successful completion"},
    ErrorText{54, "resource busy and acquire with NOWAIT specified or timeout expired"},
    ErrorText{600, "internal error code, arguments: %s"},
    ErrorText{900, "invalid SQL statement"},
    ErrorText{942, "table or view does not exist"},
    ErrorText{955, "name is already used by an existing object"},
    ErrorText{932, "inconsistent datatypes: expected %s got %s"},
    ErrorText{972, "identifier is too long"},
    ErrorText{975, "date + date not allowed"},
    ErrorText{1008, "not all variables bound"},
    ErrorText{1001, "invalid cursor"},
    ErrorText{1003, "no statement parsed"},
    ErrorText{1012, "not logged on"},
    ErrorText{1013, "user requested cancel of current operation"},
    ErrorText{1017, "invalid username/password; logon denied"},
    ErrorText{1031, "insufficient privileges"},
    ErrorText{1034, "ORACLE not available"},
    ErrorText{1036, "illegal variable name/number"},
    ErrorText{1403, "no data found"},
    ErrorText{1422, "exact fetch returns more than requested number of rows"},
    ErrorText{1432, "public synonym to be dropped does not exist"},
    ErrorText{1434, "private synonym to be dropped does not exist"},
    ErrorText{1426, "numeric overflow"},
    ErrorText{1476, "divisor is equal to zero"},
    ErrorText{1722, "invalid number"},
    ErrorText{1810, "format code appears twice"},
    ErrorText{1820, "format code cannot appear in date input format"},
    ErrorText{1830, "date format picture ends before converting entire input string"},
    ErrorText{1840, "input value not long enough for date format"},
    ErrorText{1841, "(full) year must be between -4713 and +9999, and not be 0"},
    ErrorText{1843, "not a valid month"},
    ErrorText{1846, "not a valid day of the week"},
    ErrorText{1847, "day of month must be between 1 and last day of month"},
    ErrorText{1848, "day of year must be between 1 and 365 (366 for leap year)"},
    ErrorText{1849, "hour must be between 1 and 12"},
    ErrorText{1850, "hour must be between 0 and 23"},
    ErrorText{1851, "minutes must be between 0 and 59"},
    ErrorText{1852, "seconds must be between 0 and 59"},
    ErrorText{1853, "seconds in day must be between 0 and 86399"},
    ErrorText{1854, "julian date must be between 1 and 5373484"},
    ErrorText{1855, "AM/A.M. or PM/P.M. required"},
    ErrorText{1856, "BC/B.C. or AD/A.D. required"},
    ErrorText{1858, "a non-numeric character was found where a numeric was expected"},
    ErrorText{1861, "literal does not match format string"},
    ErrorText{1862, "the numeric value does not match the length of the format item"},
    ErrorText{1917, "user or role '%s' does not exist"},
    ErrorText{1918, "user '%s' does not exist"},
    ErrorText{1920, "user name '%s' conflicts with another user or role name"},
    ErrorText{1821, "date format not recognized"},
    ErrorText{1481, "invalid number format model"},
    ErrorText{2289, "sequence does not exist"},
    ErrorText{2393, "exceeded call limit on CPU usage"},
    ErrorText{3114, "not connected to ORACLE"},
    ErrorText{3115, "unsupported network datatype or representation"},
    ErrorText{4001, "sequence parameter %s must be an integer"},
    ErrorText{4002, "INCREMENT must be a non-zero integer"},
    ErrorText{4003, "sequence parameter %s exceeds maximum size allowed (18 digits)"},
    ErrorText{4004, "MINVALUE must be less than MAXVALUE"},
    ErrorText{4006, "START WITH cannot be less than MINVALUE"},
    ErrorText{4008, "START WITH cannot be more than MAXVALUE"},
    ErrorText{4030, "out of process memory when trying to allocate %s bytes (%s,%s)"},
    ErrorText{4043, "object %s does not exist"},
    ErrorText{4061, "existing state of %s has been invalidated"},
    ErrorText{4063, "%s has errors"},
    ErrorText{4065, "not executed, altered or dropped %s"},
    ErrorText{4067, "not executed, %s does not exist"},
    ErrorText{4068, "existing state of packages%s has been discarded"},
    ErrorText{6502, "PL/SQL: numeric or value error%s"},
    ErrorText{6503, "PL/SQL: Function returned without value"},
    ErrorText{6508, "PL/SQL: could not find program unit being called%s"},
    ErrorText{6510, "PL/SQL: unhandled user-defined exception"},
    ErrorText{6531, "Reference to uninitialized collection"},
    ErrorText{6532, "Subscript outside of limit"},
    ErrorText{6533, "Subscript beyond count"},
    ErrorText{6512, "at %s"},
    ErrorText{6550, "line %s, column %s:\n%s"},
    ErrorText{6556, "the pipe is empty, cannot fulfill the unpack_message request"},
    ErrorText{6558, "buffer in dbms_pipe package is full. No more items allowed"},
    ErrorText{6559, "wrong datatype requested, %s, actual datatype is %s"},
    ErrorText{1428, "argument '%s' is out of range"},
    ErrorText{1760, "illegal argument for function"},
    ErrorText{1899, "bad precision specifier"},
    ErrorText{6592, "CASE not found while executing CASE statement"},
    ErrorText{12722, "regular expression internal error"},
    ErrorText{12725, "unmatched parentheses in regular expression"},
    ErrorText{12726, "unmatched bracket in regular expression"},
    ErrorText{12727, "invalid back reference in regular expression"},
    ErrorText{12728, "invalid range in regular expression"},
    ErrorText{30001, "trim set should have only one character"},
    ErrorText{30076, "invalid extract field for extract source"},
    ErrorText{12154, "TNS:could not resolve the connect identifier specified"},
    ErrorText{8002, "sequence %s.CURRVAL is not yet defined in this session"},
    ErrorText{8004, "sequence %s.NEXTVAL %s %sVALUE and cannot be instantiated"},
    ErrorText{21000, "error number argument to raise_application_error of %s%s is out of range"},
    ErrorText{23321, "Pipename may not be null"},
    ErrorText{23322, "Privilege error accessing pipe"},
    ErrorText{24333, "zero iteration count"},
    ErrorText{24344, "success with compilation error"},
    ErrorText{27072, "File I/O error"},
};

std::string_view findText(int code)
{
    for (const auto& entry : kErrorTexts) {
        if (entry.code == code)
            return entry.text;
    }
    return {};
}

} // namespace

OraError::OraError(int code, std::string message, unsigned parseOffset)
    : code_(code), message_(std::move(message)), parseOffset_(parseOffset)
{
}

void OraError::appendLine(std::string_view line)
{
    message_ += '\n';
    message_ += line;
}

std::string oraPrefix(int code)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "ORA-%05d", code);
    return buffer;
}

std::string oraText(int code, std::initializer_list<std::string_view> args)
{
    std::string_view pattern = findText(code);
    if (pattern.empty())
        return "Message " + std::to_string(code) + " not found";

    std::string text;
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            if (next != args.end())
                text += *next++;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

OraError oraError(int code, std::initializer_list<std::string_view> args)
{
    return OraError(code, oraPrefix(code) + ": " + oraText(code, args));
}

} // namespace vexmoor::base
