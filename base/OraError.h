#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vexmoor::base {

// The one error type of every layer that talks to a database (the engine, both
// backends, the stand-in client): an Oracle error number, the full message
// as Oracle prints it ("ORA-06550: line 1, column 7:\nPLS-00103: ..." or
// "ORA-20099: Debug error\nORA-06512: at ..."), and, for a statement that does
// not compile, the character offset of the fault in the statement text.
class OraError : public std::exception {
public:
    OraError(int code, std::string message, unsigned parseOffset = 0);

    int code() const noexcept { return code_; }
    const std::string& message() const noexcept { return message_; }
    unsigned parseOffset() const noexcept { return parseOffset_; }
    const char* what() const noexcept override { return message_.c_str(); }

    void setParseOffset(unsigned offset) noexcept { parseOffset_ = offset; }
    // Adds a line under the message, as Oracle stacks "ORA-06512: at line 3".
    void appendLine(std::string_view line);

private:
    int code_;
    std::string message_;
    unsigned parseOffset_;
};

// Oracle's text for an error number, with each "%s" replaced by the next
// argument in turn: oraText(6502, {": character string buffer too small"}).
// Unknown numbers get a generic text that still carries the number.
std::string oraText(int code, std::initializer_list<std::string_view> args = {});

// "ORA-01017: invalid username/password; logon denied" as an error.
OraError oraError(int code, std::initializer_list<std::string_view> args = {});

// The "ORA-NNNNN" prefix: five digits, zero-padded.
std::string oraPrefix(int code);

} // namespace vexmoor::base
