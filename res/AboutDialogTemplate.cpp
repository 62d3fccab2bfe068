#include "res/AboutDialogTemplate.h"

#include "res/WindowStyles.h"

#include <QtCore/qglobal.h>

#include <array>

// The banner lives in this static library's own resource file, which the
// linker keeps only when something asks for it.
static void registerAboutResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(about);
        return true;
    }();
    (void)registered;
}

namespace vexmoor::res {

namespace {

using namespace res::style;

constexpr std::uint32_t kStatic = WS_CHILD | WS_VISIBLE | WS_GROUP;

const std::array<ControlTemplate, 6> kAboutControls{{
    {IDC_WEB_LINK, ControlKind::Label, kWebLinkCaption, 15, 140, 206, 8, kStatic | SS_CENTER},
    {IDC_VERSION_TEXT, ControlKind::Label, "...", 15, 72, 206, 31, kStatic | SS_CENTER | SS_SUNKEN},
    {1, ControlKind::PushButton, "OK", 85, 160, 61, 14,
     WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDC_BANNER, ControlKind::Bitmap, kBannerResource, 9, 15, 217, 34,
     WS_CHILD | WS_VISIBLE | SS_BITMAP, WS_EX_DLGMODALFRAME},
    {IDC_MAIL_LINK, ControlKind::Label, kMailLinkCaption, 15, 127, 206, 8, kStatic | SS_CENTER},
    {-1, ControlKind::GroupBox, "", 7, 59, 222, 95, WS_CHILD | WS_VISIBLE | BS_GROUPBOX},
}};

const DialogTemplate kAboutDialog{IDD_ABOUTBOX,
                                  "About",
                                  236,
                                  182,
                                  "MS Sans Serif",
                                  8,
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                  kAboutControls};

} // namespace

const DialogTemplate& aboutDialogTemplate()
{
    registerAboutResources();
    return kAboutDialog;
}

} // namespace vexmoor::res
