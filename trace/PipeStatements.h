#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexmoor::trace {

// The statements that take messages off the pipe, their bind variables and
// the line prefix of each item type.

// "begin :sta := dbms_pipe.receive_message('NAME', 0); end;" with every quote
// of the name doubled.
std::string receiveStatement(std::string_view pipeName);
// "begin dbms_pipe.purge('NAME'); end;" with every quote of the name doubled.
std::string purgeStatement(std::string_view pipeName);

extern const std::string_view kLengthUnpackStatement;
extern const std::string_view kTextUnpackStatement;
extern const std::string_view kItemBlock; // 730 characters, with TABs
// Reads the next item as kItemBlock does, into variables that hold the
// longest item a pipe message can carry. Run only after kItemBlock or a
// simple-mode unpack failed on the message; binds :v_typ and :v_res alike.
extern const std::string_view kLongItemBlock;

inline constexpr const char* kStatusBind = ":sta";
inline constexpr const char* kLengthBind = ":len";
inline constexpr const char* kTextBind = ":chr";
inline constexpr const char* kItemTypeBind = ":v_typ";
inline constexpr const char* kItemValueBind = ":v_res";

// A pipe message carries at most 32,767 bytes (4,096 before Oracle 19c), so
// a text of the simple mode never outgrows 32,767 bytes and the NUL.
inline constexpr std::int32_t kLongestPipeText = 32767;
inline constexpr std::int32_t kTextBufferSize = kLongestPipeText + 1;
inline constexpr std::int32_t kItemValueBufferSize = 30000;
inline constexpr std::int32_t kLongItemValueBufferSize = kLongestPipeText + 1;

// "NUMBER:\t" for 6, "VARCHAR2:\t" for 9, "ROWID:\t" for 11, "DATE:\t" for
// 12, "RAW:\t" for 23; empty for any other code.
std::string_view itemLinePrefix(int typeCode);

} // namespace vexmoor::trace
