// libFuzzer entry for the statement parser and compiler; built with
// -DVEXMOOR_FUZZ=ON under clang.
#include "FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return vexmoor::engine::fuzz::fuzzOneInput(data, size);
}
