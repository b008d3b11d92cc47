// The About box.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace rw::ui {

// Control ids, under the readable names the code uses and, beside them,
// the names of the box's design.
namespace about_box {
inline constexpr int kIcon = 401, kPicIcon = kIcon;
inline constexpr int kTitleLabel = 402, kLblTitle = kTitleLabel;
inline constexpr int kVersionLabel = 403, kLblVersion = kVersionLabel;
inline constexpr int kCopyrightLabel = 404, kLblCopyright = kCopyrightLabel;
inline constexpr int kEmailBox = 405, kTxtEmail = kEmailBox;
inline constexpr int kSeparatorLine = 406, kLine1 = kSeparatorLine;
inline constexpr int kDisclaimerLabel = 407, kLblDisclaimer = kDisclaimerLabel;
inline constexpr int kSysInfoButton = 408, kCmdSysInfo = kSysInfoButton;
// The address's text while it has the focus, and otherwise.
inline constexpr COLORREF kLinkFocused = RGB(0, 0, 255);
inline constexpr COLORREF kLinkIdle = RGB(0, 0, 0);
}  // namespace about_box

// Shows frmAbout modal to `owner` until it is closed, laid out for `dpi`
// (0: the DPI of the monitor it opens on).
void show_about_box(HWND owner, Platform& platform, UINT dpi = 0);

}  // namespace rw::ui
