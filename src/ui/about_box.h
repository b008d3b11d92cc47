// The About box.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace rw::ui {

namespace about_box {
inline constexpr int kPicIcon = 401;
inline constexpr int kLblTitle = 402;
inline constexpr int kLblVersion = 403;
inline constexpr int kLblCopyright = 404;
inline constexpr int kTxtEmail = 405;
inline constexpr int kLine1 = 406;
inline constexpr int kLblDisclaimer = 407;
inline constexpr int kCmdSysInfo = 408;
// The address's text while it has the focus, and otherwise.
inline constexpr COLORREF kLinkFocused = RGB(0, 0, 255);
inline constexpr COLORREF kLinkIdle = RGB(0, 0, 0);
}  // namespace about_box

// Shows frmAbout modal to `owner` until it is closed, laid out for `dpi`
// (0: the DPI of the monitor it opens on).
void show_about_box(HWND owner, Platform& platform, UINT dpi = 0);

}  // namespace rw::ui
