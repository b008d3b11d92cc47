// The list's two kinds of tip: each item's infotip (its entry's details),
// which the list view shows itself, and the list's own tip, which the
// window's tooltip control shows where no item is under the mouse. Only one
// of them shows at a time.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace rw::ui {

// `text` (UTF-8, lines split by "\n") as an infotip of at most `room`
// characters with its terminating NUL: an overlong line is cut short, and
// when the lines still do not fit, those at the end are left out. Each cut
// ends in "…".
std::wstring infotip_text(std::string_view text, std::size_t room);

// Lets the list view's infotips break into their lines and wrap long ones:
// a tooltip does either only once it has a maximum width, which follows
// `dpi`.
void let_infotips_wrap(HWND list, UINT dpi);

// Answers the list view's LVN_GETINFOTIPW with `text`, cut to its buffer.
void fill_infotip(NMLVGETINFOTIPW& request, std::string_view text);

// For a list view with LVS_EX_INFOTIP, in place of relay_to_tooltips():
// hands the list's mouse message on to `tooltips` where no item is under the
// mouse. Over an item it tells them instead that the mouse is on none of
// their tools, so that the list's own tip is hidden there, and one that was
// about to show does not.
void relay_off_items(HWND tooltips, HWND list, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace rw::ui
