#include "DataArea.h"

#include <bit>
#include <cstring>

namespace vexmoor::db::oci {

// The fields are read and written a byte at a time so that their layout is
// little-endian on every host and no alignment of the area is assumed.

ub2 parseErrorOffset(const ub1* area)
{
    return static_cast<ub2>(area[detail::kParseOffsetAt] | (area[detail::kParseOffsetAt + 1] << 8));
}

ub1 functionCode(const ub1* area)
{
    return area[detail::kFunctionCodeAt];
}

sb2 returnCode(const ub1* area)
{
    const auto bits =
        static_cast<ub2>(area[detail::kReturnCodeAt] | (area[detail::kReturnCodeAt + 1] << 8));
    return static_cast<sb2>(bits);
}

namespace detail {

void writeFields(ub1* area, ub1 function, int returnCode, unsigned parseOffset)
{
    auto code = static_cast<unsigned>(returnCode);
    if (returnCode != 0 && (code & 0xFFFFu) == 0)
        code = 0xFFFFu;
    const unsigned offset = parseOffset > 0xFFFFu ? 0xFFFFu : parseOffset;
    area[kParseOffsetAt] = static_cast<ub1>(offset & 0xFFu);
    area[kParseOffsetAt + 1] = static_cast<ub1>((offset >> 8) & 0xFFu);
    area[kFunctionCodeAt] = function;
    area[kReturnCodeAt] = static_cast<ub1>(code & 0xFFu);
    area[kReturnCodeAt + 1] = static_cast<ub1>((code >> 8) & 0xFFu);
}

void writeHandle(ub1* area, std::uint64_t handle)
{
    for (std::size_t i = 0; i < 8; ++i)
        area[kHandleAt + i] = static_cast<ub1>((handle >> (8 * i)) & 0xFFu);
}

// Every call reads the handle, so on a little-endian host it is one load.
std::uint64_t readHandle(const ub1* area)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t handle = 0;
        std::memcpy(&handle, area + kHandleAt, sizeof handle);
        return handle;
    } else {
        std::uint64_t handle = 0;
        for (std::size_t i = 0; i < 8; ++i)
            handle |= static_cast<std::uint64_t>(area[kHandleAt + i]) << (8 * i);
        return handle;
    }
}

} // namespace detail
} // namespace vexmoor::db::oci
