#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The statements that take messages off the pipe, their bind variables and
// the line prefix of each item type.

// "begin :sta := dbms_pipe.receive_message('NAME', 0); end;" with every quote
// of the name doubled.
std::string ReceiveStatement(std::string_view pipeName);
// "begin dbms_pipe.purge('NAME'); end;" with every quote of the name doubled.
std::string PurgeStatement(std::string_view pipeName);

extern const std::string_view kLengthUnpackStatement;
extern const std::string_view kTextUnpackStatement;
extern const std::string_view kItemBlock; // 730 characters, with TABs

inline constexpr const char* kStatusBind = ":sta";
inline constexpr const char* kLengthBind = ":len";
inline constexpr const char* kTextBind = ":chr";
inline constexpr const char* kItemTypeBind = ":v_typ";
inline constexpr const char* kItemValueBind = ":v_res";

inline constexpr std::int32_t kTextBufferSize = 2000;
inline constexpr std::int32_t kItemValueBufferSize = 30000;

// "NUMBER:\t" for 6, "VARCHAR2:\t" for 9, "ROWID:\t" for 11, "DATE:\t" for
// 12, "RAW:\t" for 23; empty for any other code.
std::string_view ItemLinePrefix(int typeCode);
