#pragma once

#include "OraDate.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vexmoor::engine {

// The bytes of NUMBER and DATE items in a dbms_pipe message, in Oracle's own
// formats, so that items cost what they cost on Oracle.

// NUMBER: an exponent byte and up to 20 base-100 digits (negative numbers
// complemented and closed by 102). Keeps the shortest decimal form of the
// double, so decoding gives back the same double. ORA-01426 for magnitudes
// of 1e126 and more, ORA-06502 for NaN; magnitudes below 1e-130 become 0.
std::vector<std::uint8_t> encodeNumber(double value);
double decodeNumber(std::span<const std::uint8_t> bytes);

// DATE: century+100, year+100, month, day, hour+1, minute+1, second+1.
std::vector<std::uint8_t> encodeDate(OraDate date);
OraDate decodeDate(std::span<const std::uint8_t> bytes);

} // namespace vexmoor::engine
