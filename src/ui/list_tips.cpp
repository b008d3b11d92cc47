// Item infotips beside the list's own tip.
#include "ui/list_tips.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/win32/text.h"
#include "ui/window_layout.h"

namespace rw::ui {

namespace {

// About a full path: a longer line (a long command) would crowd out the
// lines after it, which are often the warnings.
constexpr std::size_t kLongestLine = 260;
constexpr wchar_t kCut = L'\x2026';
// 400 pixels at 96 DPI.
constexpr int kInfotipWidthTwips = 6000;
// Long enough to read a reason of two lines.
constexpr UINT kNoticeMilliseconds = 5000;
constexpr UINT_PTR kNoticeTool = 1;
constexpr UINT_PTR kNoticeTimer = 1;

// The notice's one tool, which belongs to the tip's owner.
TTTOOLINFOW notice_tool(HWND tip, wchar_t* text = nullptr) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = ::GetWindow(tip, GW_OWNER);
  tool.uId = kNoticeTool;
  tool.lpszText = text;
  return tool;
}

// At most `length` characters, the last of them "…" when something was cut;
// never between the halves of a surrogate pair.
std::wstring shortened(std::wstring_view line, std::size_t length) {
  if (line.size() <= length) return std::wstring(line);
  if (length == 0) return {};
  std::size_t keep = length - 1;
  if (keep > 0 && IS_HIGH_SURROGATE(line[keep - 1])) --keep;
  return std::wstring(line.substr(0, keep)) + kCut;
}

bool item_under(HWND list, POINT client) {
  LVHITTESTINFO hit{};
  hit.pt = client;
  return ListView_HitTest(list, &hit) >= 0 && (hit.flags & LVHT_ONITEM) != 0;
}

// Where a client-area mouse message happened, in the list's coordinates:
// the wheel's messages alone give the screen's.
POINT client_point(HWND list, UINT message, LPARAM lparam) {
  POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) ::ScreenToClient(list, &at);
  return at;
}

}  // namespace

std::wstring infotip_text(std::string_view text, std::size_t room) {
  if (room == 0) return {};
  const std::size_t limit = room - 1;
  const std::wstring wide = win32::widen(text);
  std::wstring lines;
  for (std::size_t start = 0; start <= wide.size();) {
    std::size_t end = wide.find(L'\n', start);
    if (end == std::wstring::npos) end = wide.size();
    if (start > 0) lines += L'\n';
    lines += shortened(std::wstring_view(wide).substr(start, end - start), kLongestLine);
    start = end + 1;
  }
  if (lines.size() <= limit) return lines;
  // Whole lines as far as they go, then one that says more was left out.
  const std::size_t last_break = limit >= 2 ? lines.rfind(L'\n', limit - 2) : std::wstring::npos;
  if (last_break != std::wstring::npos && last_break > 0) {
    return lines.substr(0, last_break) + L'\n' + kCut;
  }
  return shortened(lines, limit);
}

void let_infotips_wrap(HWND list, UINT dpi) {
  HWND item_tips = ListView_GetToolTips(list);
  if (item_tips == nullptr) return;
  ::SendMessageW(item_tips, TTM_SETMAXTIPWIDTH, 0, twips_to_pixels(kInfotipWidthTwips, dpi));
}

void fill_infotip(NMLVGETINFOTIPW& request, std::string_view text) {
  if (request.pszText == nullptr || request.cchTextMax <= 0) return;
  const std::wstring tip = infotip_text(text, static_cast<std::size_t>(request.cchTextMax));
  std::copy(tip.begin(), tip.end(), request.pszText);
  request.pszText[tip.size()] = L'\0';
}

void relay_off_items(HWND tooltips, HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool client_mouse = message >= WM_MOUSEFIRST && message <= WM_MOUSELAST;
  POINT at = client_mouse ? client_point(list, message, lparam) : POINT{};
  if (!client_mouse || !item_under(list, at)) {
    relay_to_tooltips(tooltips, list, message, wparam, lparam);
    return;
  }
  // The list's parent has no tool of its own: a move there is a move off
  // every tool, which hides the list's tip and stops its show timer from
  // bringing it up over the item.
  HWND parent = ::GetParent(list);
  ::MapWindowPoints(list, parent, &at, 1);
  relay_to_tooltips(tooltips, parent, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
}

bool ItemNotice::make(HWND owner) {
  if (tip_ != nullptr && ::IsWindow(tip_)) return true;
  tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
  if (tip_ == nullptr) return false;
  TTTOOLINFOW tool = notice_tool(tip_, const_cast<wchar_t*>(L""));
  ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  return true;
}

void ItemNotice::show(HWND list, int index, std::string_view text, UINT dpi) {
  if (!make(::GetParent(list))) return;
  if (HWND item_tips = ListView_GetToolTips(list)) ::SendMessageW(item_tips, TTM_POP, 0, 0);
  std::wstring wide = win32::widen(text);
  TTTOOLINFOW tool = notice_tool(tip_, wide.data());
  ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, twips_to_pixels(kInfotipWidthTwips, dpi));
  ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT name{};
  ListView_GetItemRect(list, index, &name, LVIR_LABEL);
  POINT below{name.left, name.bottom};
  ::ClientToScreen(list, &below);
  ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(below.x, below.y));
  ::SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  // Set again, the timer counts from this show.
  ::SetTimer(tip_, kNoticeTimer, kNoticeMilliseconds, &ItemNotice::hide_when_due);
}

void ItemNotice::hide() {
  if (tip_ != nullptr && ::IsWindow(tip_)) hide_when_due(tip_, 0, 0, 0);
}

void CALLBACK ItemNotice::hide_when_due(HWND tip, UINT, UINT_PTR, DWORD) {
  ::KillTimer(tip, kNoticeTimer);
  TTTOOLINFOW tool = notice_tool(tip);
  ::SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace rw::ui
