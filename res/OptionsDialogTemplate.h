#pragma once

#include "res/DialogTemplate.h"

// Dialog 135, "Options": the five trace settings and the button that installs
// the server-side trace procedures.
namespace vexmoor::res::options_dialog {

inline constexpr int kTemplateId = 135;

inline constexpr int kOkButton = 1; // the default button
inline constexpr int kCancelButton = 2;
inline constexpr int kPipeNameEdit = 1000;
inline constexpr int kTimerSlider = 1001;
inline constexpr int kLFFlagBox = 1003;
inline constexpr int kTimerValueText = 1004;
inline constexpr int kAutoUnpackBox = 1005;
inline constexpr int kAllowEditBox = 1006;
inline constexpr int kGenerateProceduresButton = 1007;

// The slider's range and the distance between its tick marks.
inline constexpr int kTimerMinimum = 0;
inline constexpr int kTimerMaximum = 60;
inline constexpr int kTimerTickFrequency = 10;

const DialogTemplate& dialogTemplate();

} // namespace vexmoor::res::options_dialog
