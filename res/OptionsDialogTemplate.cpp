#include "res/OptionsDialogTemplate.h"

#include "res/WindowStyles.h"

#include <array>

namespace vexmoor::res::options_dialog {
namespace {

using namespace res::style;

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kCheckBoxStyle = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr std::uint32_t kGroupBoxStyle = kChild | BS_GROUPBOX;

// In template order, which is the tab order: the allow-edit box comes last,
// after the buttons.
constexpr std::array kControls{
    ControlTemplate{kTimerSlider, ControlKind::Slider, "", 18, 18, 150, 22,
                    kChild | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_TOP},
    ControlTemplate{kLFFlagBox, ControlKind::CheckBox, "Automatically add a LF to each message", 19,
                    63, 195, 10, kCheckBoxStyle},
    ControlTemplate{kAutoUnpackBox, ControlKind::CheckBox,
                    "Allow to debug variable messages (auto unpack)", 19, 77, 195, 10,
                    kCheckBoxStyle},
    ControlTemplate{kPipeNameEdit, ControlKind::Edit, "", 20, 130, 200, 15,
                    kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL},
    ControlTemplate{kOkButton, ControlKind::PushButton, "OK", 236, 7, 50, 14,
                    kChild | WS_TABSTOP | BS_DEFPUSHBUTTON},
    ControlTemplate{kCancelButton, ControlKind::PushButton, "Cancel", 236, 24, 50, 14,
                    kChild | WS_TABSTOP},
    ControlTemplate{kGenerateProceduresButton, ControlKind::PushButton, "Generate Procedures", 235,
                    110, 50, 25, kChild | WS_TABSTOP | BS_CENTER | BS_MULTILINE},
    ControlTemplate{-1, ControlKind::GroupBox, "Refresh timer", 10, 5, 214, 38, kGroupBoxStyle},
    ControlTemplate{-1, ControlKind::GroupBox, "Options", 10, 50, 215, 59, kGroupBoxStyle},
    ControlTemplate{kTimerValueText, ControlKind::Label, "", 180, 20, 20, 10,
                    kChild | WS_GROUP | SS_LEFT | SS_SUNKEN},
    ControlTemplate{-1, ControlKind::GroupBox, "Name of the debug pipe", 10, 115, 215, 40,
                    kGroupBoxStyle},
    ControlTemplate{kAllowEditBox, ControlKind::CheckBox,
                    "Allow to edit the debug window (only at next startup)", 20, 92, 195, 10,
                    kCheckBoxStyle},
};

// No DS_CENTER: the dialog has no place of its own and is centred over its
// owner.
constexpr DialogTemplate kTemplate{
    kTemplateId,
    "Options",
    293,
    181,
    "MS Sans Serif",
    8,
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    kControls,
};

} // namespace

const DialogTemplate& dialogTemplate()
{
    return kTemplate;
}

} // namespace vexmoor::res::options_dialog
