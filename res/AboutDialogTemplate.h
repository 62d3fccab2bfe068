#pragma once

#include "res/DialogTemplate.h"

// The about box: dialog template 163 and its banner, bitmap 147.
namespace vexmoor::res {

inline constexpr int IDD_ABOUTBOX = 163;
inline constexpr int IDB_BANNER = 147;

inline constexpr int IDC_WEB_LINK = 1000;     // the maker's web address
inline constexpr int IDC_MAIL_LINK = 1001;    // the maker's notice line
inline constexpr int IDC_BANNER = 1006;       // the banner picture
inline constexpr int IDC_VERSION_TEXT = 1033; // the sunken box with the about text

// The banner's resource path; 320 x 50 pixels, 24 bits per pixel.
inline constexpr const char* kBannerResource = ":/vexmoor/about/banner.png";

// The maker's addresses and the captions that show them.
inline constexpr const char* kMakerMailAddress = "support@orrindale.example";
inline constexpr const char* kMakerWebPage = "https://www.orrindale.example/vexmoor";
inline constexpr const char* kWebLinkCaption = "www.orrindale.example/vexmoor";
inline constexpr const char* kMailLinkCaption =
    "Written by Orrindale Software, support@orrindale.example";

// Template 163. Its resources (the banner) are registered on first use, as
// they live in a static library.
const DialogTemplate& aboutDialogTemplate();

} // namespace vexmoor::res
