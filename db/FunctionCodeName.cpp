#include "ErrorReport.h"

#include <array>
#include <string_view>

namespace vexmoor::db {

namespace {

// The release-7 library's names for the function codes it leaves in byte 10
// of a cursor area; codes it never uses read "not used".
constexpr std::string_view kNotUsed = "not used";

constexpr std::array<std::string_view, 67> kFunctionNames = [] {
    std::array<std::string_view, 67> names{};
    for (auto& name : names)
        name = kNotUsed;
    names[2] = "OSQL";
    names[4] = "OEXEC, OEXN";
    names[6] = "OBIND";
    names[8] = "ODEFIN";
    names[10] = "ODSRBN";
    names[12] = "OFETCH, OFEN";
    names[14] = "OOPEN";
    names[16] = "OCLOSE";
    names[22] = "ODSC";
    names[24] = "ONAME";
    names[26] = "OSQL3";
    names[28] = "OBNDRV";
    names[30] = "OBNDRN";
    names[34] = "OOPT";
    names[52] = "OCAN";
    names[54] = "OPARSE";
    names[56] = "OEXFET";
    names[58] = "OFLNG";
    names[60] = "ODESCR";
    names[62] = "OBNDRA";
    names[63] = "OBINDPS";
    names[64] = "ODEFINPS";
    names[65] = "OGETPI";
    names[66] = "OSETPI";
    return names;
}();

} // namespace

std::string functionCodeName(std::uint8_t code)
{
    if (code == 0)
        return {}; // no function: the report's first line stays "ORACLE Error"
    if (code < kFunctionNames.size())
        return std::string(kFunctionNames[code]);
    return "unknown (" + std::to_string(code) + ")";
}

} // namespace vexmoor::db
