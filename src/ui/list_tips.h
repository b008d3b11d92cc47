// The list's tips: each item's infotip (its entry's details), which the
// list view shows itself, and the list's own tip, which the window's tooltip
// control shows where no item is under the mouse; only one of them shows at a
// time. Besides them, a notice beside an item that the user could not tick or
// untick, saying why.
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

// A tip beside one item of a list, shown for a few seconds: no modal box, so
// that it takes no key and the key that brought it acts in no other window.
// The tooltip control is made at the first show, owned by the list's parent
// and destroyed with it.
class ItemNotice {
 public:
  // Shows `text` (UTF-8) below the item's name, in place of any notice
  // shown before, and hides the item's infotip, which would cover it.
  void show(HWND list, int index, std::string_view text, UINT dpi);
  void hide();
  // Null until the first show.
  HWND hwnd() const { return tip_; }

 private:
  static void CALLBACK hide_when_due(HWND tip, UINT, UINT_PTR, DWORD);
  bool make(HWND owner);

  HWND tip_ = nullptr;
};

}  // namespace rw::ui
