// The entry dialog, as Modify uses it.
#pragma once

#include <windows.h>

#include "catalogue/catalogue.h"

namespace rw::ui {

// Control ids of the dialog. None is IDOK or IDCANCEL: Enter and Escape press
// a button only when it has the focus.
namespace entry_dialog {
inline constexpr int kLabelTitle = 301;
inline constexpr int kTxtTitle = 302;
inline constexpr int kLabelSource = 303;
inline constexpr int kTxtSource = 304;
inline constexpr int kCmdBrowse = 305;
inline constexpr int kLine1 = 306;
inline constexpr int kCancelButton = 307;
inline constexpr int kOkButton = 308;
// The text colour of both boxes.
inline constexpr COLORREF kDarkBlue = RGB(0, 0, 192);
}  // namespace entry_dialog

// Modify on the current item: reads its command, shows the dialog modal to
// `owner`, and writes the command back on OK.
void modify_current_entry(HWND owner, Catalogue& catalogue);

}  // namespace rw::ui
