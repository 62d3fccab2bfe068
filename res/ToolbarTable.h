#pragma once

#include <span>

// The main frame's toolbar (resource 128) as data: 16 x 16 buttons, left to
// right, with separators between the groups.
namespace vexmoor::res {

struct ToolbarButton {
    int commandId;     // 0 for a separator
    const char* image; // Qt resource path of the button's image; nullptr for a separator
};

std::span<const ToolbarButton> mainToolbar();

inline constexpr int kToolbarImageSize = 16;

// The program's icon.
inline constexpr const char* kProgramIcon = ":/vexmoor/images/vexmoor.svg";

} // namespace vexmoor::res
