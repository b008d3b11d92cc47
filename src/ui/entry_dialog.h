// The entry dialog, as Modify uses it.
#pragma once

#include <windows.h>

#include "catalogue/catalogue.h"

namespace rw::ui {

// Control ids of the dialog, under the readable names the code uses and,
// beside them, the names of its design. None is IDOK or IDCANCEL: Enter and
// Escape press a button only when it has the focus.
namespace entry_dialog {
inline constexpr int kTitleLabel = 301;  // Label1(0)
inline constexpr int kTitleBox = 302, kTxtTitle = kTitleBox;
inline constexpr int kSourceLabel = 303;  // Label1(1)
inline constexpr int kSourceBox = 304, kTxtSource = kSourceBox;
inline constexpr int kBrowseButton = 305, kCmdBrowse = kBrowseButton;
inline constexpr int kSeparatorLine = 306, kLine1 = kSeparatorLine;
inline constexpr int kCancelButton = 307;
inline constexpr int kOkButton = 308;
// The text colour of both boxes.
inline constexpr COLORREF kDarkBlue = RGB(0, 0, 192);
}  // namespace entry_dialog

// Modify on the current item: reads its command, shows the dialog modal to
// `owner`, and writes the command back on OK.
void modify_current_entry(HWND owner, Catalogue& catalogue);

}  // namespace rw::ui
