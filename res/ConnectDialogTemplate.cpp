#include "res/ConnectDialogTemplate.h"

#include "res/WindowStyles.h"

#include <array>

namespace vexmoor::res::connect_dialog {
namespace {

using namespace res::style;

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kEditStyle = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// In layout order, which is the tab order.
constexpr std::array kControls{
    ControlTemplate{-1, ControlKind::Label, "&Username:", 13, 17, 35, 8, kChild | SS_LEFT},
    ControlTemplate{kUserNameEdit, ControlKind::Edit, "", 52, 15, 120, 12, kEditStyle},
    ControlTemplate{-1, ControlKind::Label, "&Password:", 13, 36, 35, 8, kChild | SS_LEFT},
    ControlTemplate{kPasswordEdit, ControlKind::Edit, "", 52, 33, 120, 12,
                    kEditStyle | ES_PASSWORD},
    ControlTemplate{-1, ControlKind::Label, "&Connect:", 13, 53, 34, 8, kChild | SS_LEFT},
    ControlTemplate{kConnectStringBox, ControlKind::ComboBox, "", 52, 50, 120, 40,
                    kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT},
    ControlTemplate{kConnectButton, ControlKind::PushButton, "Connect", 186, 7, 50, 14,
                    kChild | WS_TABSTOP | BS_DEFPUSHBUTTON},
    ControlTemplate{kCancelButton, ControlKind::PushButton, "Cancel", 186, 24, 50, 14,
                    kChild | WS_TABSTOP},
    ControlTemplate{kHelpButton, ControlKind::PushButton, "&Help", 186, 41, 50, 14,
                    kChild | WS_TABSTOP},
    ControlTemplate{-1, ControlKind::GroupBox, "Status", 4, 74, 232, 57, kChild | BS_GROUPBOX},
    ControlTemplate{kStatusLine1, ControlKind::Label, "", 12, 88, 218, 8, kChild | SS_CENTER},
    ControlTemplate{kStatusLine2, ControlKind::Label, "", 12, 100, 217, 8, kChild | SS_CENTER},
    ControlTemplate{kStatusLine3, ControlKind::Label, "", 12, 112, 217, 8, kChild | SS_CENTER},
    ControlTemplate{-1, ControlKind::GroupBox, "Connection", 4, 3, 176, 69, kChild | BS_GROUPBOX},
};

constexpr DialogTemplate kTemplate{
    kTemplateId,
    "Connect to Oracle",
    243,
    138,
    "MS Sans Serif",
    8,
    DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    kControls,
};

} // namespace

const DialogTemplate& dialogTemplate()
{
    return kTemplate;
}

} // namespace vexmoor::res::connect_dialog
