// Creating a window's controls from its table, at the window's DPI.
#include "ui/window_layout.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32/text.h"

namespace rw::ui {

namespace {

using win32::widen;

constexpr UINT kDesignDpi = 96;
constexpr int kTwipsPerInch = 1440;

// The DPI functions of Windows 10 are looked up at run time, so that the
// program still starts where they are missing.
template <typename Function>
Function user32_function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

UINT screen_dpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

const wchar_t* class_of(ControlKind kind) {
  switch (kind) {
    case ControlKind::ListView:
      return WC_LISTVIEWW;
    case ControlKind::Frame:
    case ControlKind::Button:
      return WC_BUTTONW;
    case ControlKind::Edit:
      return WC_EDITW;
    case ControlKind::Label:
    case ControlKind::EtchedLine:
    case ControlKind::Icon:
      return WC_STATICW;
  }
  return WC_STATICW;
}

bool takes_focus(ControlKind kind) {
  return kind == ControlKind::ListView || kind == ControlKind::Button || kind == ControlKind::Edit;
}

DWORD style_of(const ControlSpec& spec) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | spec.extra_style;
  if (spec.tab_stop && takes_focus(spec.kind)) style |= WS_TABSTOP;
  switch (spec.kind) {
    case ControlKind::Frame:
      return style | BS_GROUPBOX;
    case ControlKind::ListView:
      // A one-column report without a header reads as a plain list.
      return style | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS;
    case ControlKind::Button:
      return style | BS_PUSHBUTTON;
    case ControlKind::Label:
      return style | SS_LEFT | SS_NOPREFIX;
    case ControlKind::Edit:
      return style | ES_AUTOHSCROLL;
    case ControlKind::EtchedLine:
      return style | (spec.width >= spec.height ? SS_ETCHEDHORZ : SS_ETCHEDVERT);
    case ControlKind::Icon:
      return style | SS_ICON | SS_CENTERIMAGE;
  }
  return style;
}

DWORD ex_style_of(ControlKind kind) {
  return kind == ControlKind::ListView || kind == ControlKind::Edit ? WS_EX_CLIENTEDGE : 0;
}

RECT pixel_rect(const ControlSpec& spec, UINT dpi) {
  const int left = twips_to_pixels(spec.left, dpi);
  const int top = twips_to_pixels(spec.top, dpi);
  // Right and bottom are rounded on their own, so that neighbours that touch
  // in twips still touch in pixels.
  const int right = twips_to_pixels(spec.left + spec.width, dpi);
  const int bottom = twips_to_pixels(spec.top + spec.height, dpi);
  // An etched line is drawn two pixels thick whatever its design height.
  if (spec.kind == ControlKind::EtchedLine) {
    return spec.width >= spec.height ? RECT{left, top, right, top + 2}
                                     : RECT{left, top, left + 2, bottom};
  }
  return RECT{left, top, right, bottom};
}

void add_tooltip(HWND tooltips, HWND parent, HWND control, ControlKind kind,
                 const std::wstring& text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  // See create_controls(): a list view's mouse is relayed by its owner.
  tool.uFlags = TTF_IDISHWND | (kind == ControlKind::ListView ? 0 : TTF_SUBCLASS);
  tool.hwnd = parent;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND create_tooltips(HWND parent) {
  HWND tooltips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
  // Long tips (Help's) wrap instead of running across the screen.
  if (tooltips != nullptr) ::SendMessageW(tooltips, TTM_SETMAXTIPWIDTH, 0, 400);
  return tooltips;
}

// Over the middle of the owner, or of the work area when there is none, and
// never off the owner's monitor.
void centre_over_owner(HWND window, const RECT& outer) {
  HWND owner = ::GetWindow(window, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(
      ::MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT around = monitor.rcWork;
  if (owner != nullptr && ::IsWindowVisible(owner)) ::GetWindowRect(owner, &around);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const RECT& work = monitor.rcWork;
  const int left = std::clamp((around.left + around.right - width) / 2, work.left,
                              std::max(work.left, work.right - width));
  const int top = std::clamp((around.top + around.bottom - height) / 2, work.top,
                             std::max(work.top, work.bottom - height));
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void fit_list_column(HWND list) {
  RECT client{};
  ::GetClientRect(list, &client);
  if (ListView_GetColumnWidth(list, 0) == 0) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right;
    ListView_InsertColumn(list, 0, &column);
  } else {
    ListView_SetColumnWidth(list, 0, client.right);
  }
}

int twips_to_pixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

UINT window_dpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr && window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) return dpi;
  }
  return screen_dpi();
}

HFONT create_dialog_font(UINT dpi) {
  using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto for_dpi =
      user32_function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (for_dpi != nullptr &&
      for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi) != FALSE) {
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
  }
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) != FALSE) {
    // The metrics are at the screen's DPI; bring the height to the window's.
    metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                              static_cast<int>(screen_dpi()));
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
  }
  LOGFONTW fallback{};
  fallback.lfHeight = -::MulDiv(8, static_cast<int>(dpi), 72);
  fallback.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(fallback.lfFaceName, L"MS Shell Dlg 2");
  return ::CreateFontIndirectW(&fallback);
}

HWND create_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HWND tooltips = create_tooltips(parent);
  for (const ControlSpec& spec : specs) {
    const RECT at = pixel_rect(spec, dpi);
    const std::wstring caption = widen(spec.caption);
    HWND control = ::CreateWindowExW(
        ex_style_of(spec.kind), class_of(spec.kind), caption.c_str(), style_of(spec), at.left,
        at.top, at.right - at.left, at.bottom - at.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (control == nullptr) continue;
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (spec.kind == ControlKind::ListView) fit_list_column(control);
    if (tooltips != nullptr && !spec.tooltip.empty()) {
      add_tooltip(tooltips, parent, control, spec.kind, widen(spec.tooltip));
    }
  }
  // A frame is drawn beneath the controls it surrounds; created first in the
  // tab order it would otherwise hide them.
  for (const ControlSpec& spec : specs) {
    if (spec.kind != ControlKind::Frame) continue;
    if (HWND frame = ::GetDlgItem(parent, spec.id)) {
      ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  return tooltips;
}

void move_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font) {
  for (const ControlSpec& spec : specs) {
    HWND control = ::GetDlgItem(parent, spec.id);
    if (control == nullptr) continue;
    const RECT at = pixel_rect(spec, dpi);
    ::SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (spec.kind == ControlKind::ListView) fit_list_column(control);
  }
}

SIZE window_size_for_client(int client_width_twips, int client_height_twips, DWORD style,
                            DWORD ex_style, UINT dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = user32_function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, twips_to_pixels(client_width_twips, dpi),
            twips_to_pixels(client_height_twips, dpi)};
  if (adjust_for_dpi == nullptr || adjust_for_dpi(&rect, style, FALSE, ex_style, dpi) == FALSE) {
    ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void place_client_area(HWND window, int left_twips, int top_twips, int width_twips,
                       int height_twips, UINT dpi) {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  const SIZE size = window_size_for_client(width_twips, height_twips, style, ex_style, dpi);
  ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame as drawn decides, not as computed: a theme, or a frame kept at
  // another DPI than the one asked for, can make it thicker or thinner.
  RECT area{};
  ::GetClientRect(window, &area);
  const int width = twips_to_pixels(width_twips, dpi);
  const int height = twips_to_pixels(height_twips, dpi);
  if (area.right != width || area.bottom != height) {
    ::SetWindowPos(window, nullptr, 0, 0, size.cx + width - area.right,
                   size.cy + height - area.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The frame's thickness is what lies between the window's corner and the
  // client area's, whatever the theme makes of it.
  RECT outer{};
  ::GetWindowRect(window, &outer);
  if (left_twips == kCentred) {
    centre_over_owner(window, outer);
    return;
  }
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  const int left = twips_to_pixels(left_twips, dpi) - (client.x - outer.left);
  const int top = twips_to_pixels(top_twips, dpi) - (client.y - outer.top);
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void relay_to_tooltips(HWND tooltips, HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool mouse =
      (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_NCMOUSEMOVE;
  if (tooltips == nullptr || !mouse) return;
  MSG relayed{};
  relayed.hwnd = control;
  relayed.message = message;
  relayed.wParam = wparam;
  relayed.lParam = lparam;
  relayed.time = static_cast<DWORD>(::GetMessageTime());
  const DWORD at = ::GetMessagePos();
  relayed.pt = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  ::SendMessageW(tooltips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void WindowProcedureHook::install(HWND window, Procedure procedure, void* owner) {
  remove();
  procedure_ = procedure;
  owner_ = owner;
  window_ = window;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&dispatch)));
}

void WindowProcedureHook::remove() {
  if (window_ == nullptr) return;
  HWND window = std::exchange(window_, nullptr);
  if (!::IsWindow(window)) return;
  // Only while nobody has hooked the window after us: their hook would
  // otherwise be cut out with ours.
  if (::GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&dispatch)) {
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  }
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK WindowProcedureHook::dispatch(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  auto* hook = reinterpret_cast<WindowProcedureHook*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (hook == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    const WNDPROC original = hook->original_;
    hook->remove();
    return ::CallWindowProcW(original, window, message, wparam, lparam);
  }
  return hook->procedure_(*hook, window, message, wparam, lparam);
}

UINT lay_out_dialog(HWND dialog, const DialogLayout& layout, win32::UniqueFont& font, UINT dpi) {
  if (dpi == 0) dpi = window_dpi(dialog);
  place_client_area(dialog, layout.left, layout.top, layout.width, layout.height, dpi);
  font.reset(create_dialog_font(dpi));
  create_controls(dialog, layout.controls, dpi, font.get());
  return dpi;
}

}  // namespace rw::ui
