#pragma once

#include "res/DialogTemplate.h"

// Dialog 146, "Connect to Oracle": the logon dialog's controls.
namespace vexmoor::res::connect_dialog {

inline constexpr int kTemplateId = 146;

inline constexpr int kConnectButton = 1; // the default button
inline constexpr int kCancelButton = 2;
inline constexpr int kHelpButton = 9;
inline constexpr int kConnectStringBox = 1007;
inline constexpr int kPasswordEdit = 1068;
inline constexpr int kStatusLine1 = 1070;
inline constexpr int kStatusLine2 = 1071;
inline constexpr int kStatusLine3 = 1072;
inline constexpr int kUserNameEdit = 1074;

const DialogTemplate& dialogTemplate();

} // namespace vexmoor::res::connect_dialog
