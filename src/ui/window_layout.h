// Windows built from data: each window's controls are one table (kind, id,
// caption, position and size in twips, tooltip, style), created in table
// order (which is the tab order) and scaled to the window's DPI.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace rw::ui {

enum class ControlKind { Frame, ListView, Button, Label, Edit, EtchedLine, Icon };

struct ControlSpec {
  ControlKind kind;
  int id;  // the control id, also used to find it again
  std::string_view caption;
  int left, top, width, height;  // twips, relative to the client area
  std::string_view tooltip;      // empty: none
  DWORD extra_style = 0;         // added to the kind's usual style
  bool tab_stop = true;
};

// Twips are design values at 96 DPI: 15 twips per pixel.
int twips_to_pixels(int twips, UINT dpi);

// Creates the controls of `specs` on `parent`, in order, with the dialog
// font, and a tooltip control carrying each non-empty tooltip. Returns the
// tooltip window (owned by the parent, destroyed with it).
//
// A list view's tooltip does not subclass the list: the list takes several
// messages for each of thousands of items while it fills, and the subclass
// chain costs each of them a window-property lookup (under Wine, a round
// trip to the server). Its owner passes the list's mouse messages on with
// relay_to_tooltips() instead.
HWND create_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font);

// A list view shows its text in one column as wide as its client area, that
// is, beside its vertical scroll bar when it has one: a column any wider
// brings a horizontal scroll bar for the few pixels the vertical one covers.
void fit_list_column(HWND list);

// Hands a control's mouse message to the tooltip window, which shows the
// control's tip when the mouse rests on it.
void relay_to_tooltips(HWND tooltips, HWND control, UINT message, WPARAM wparam, LPARAM lparam);

// Puts a procedure in front of a window's own for as long as both live, by
// replacing the window procedure itself. Unlike SetWindowSubclass it looks
// nothing up per message: the hook is in the window's GWLP_USERDATA, which
// is the application's to use on the common controls.
class WindowProcedureHook {
 public:
  // Gets every message but WM_NCDESTROY, which removes the hook on the way.
  using Procedure = LRESULT (*)(const WindowProcedureHook& hook, HWND window, UINT message,
                                WPARAM wparam, LPARAM lparam);

  WindowProcedureHook() = default;
  ~WindowProcedureHook() { remove(); }
  WindowProcedureHook(const WindowProcedureHook&) = delete;
  WindowProcedureHook& operator=(const WindowProcedureHook&) = delete;

  // `owner` is for the procedure, through owner().
  void install(HWND window, Procedure procedure, void* owner);
  void remove();
  void* owner() const { return owner_; }
  // The window's own handling of a message.
  LRESULT call_original(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const {
    return ::CallWindowProcW(original_, window, message, wparam, lparam);
  }

 private:
  static LRESULT CALLBACK dispatch(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
  WNDPROC original_ = nullptr;
  Procedure procedure_ = nullptr;
  void* owner_ = nullptr;
};

// Places the controls of `specs` (found by id) anew for a DPI and gives them
// `font`, as after a move to a monitor of another DPI.
void move_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font);

// The DPI of a window (GetDpiForWindow where available, else the screen's).
UINT window_dpi(HWND window);

// The default dialog font at a DPI; the caller owns it.
HFONT create_dialog_font(UINT dpi);

// The window's client size in twips, turned into an outer window size for
// the given styles at the DPI.
SIZE window_size_for_client(int client_width_twips, int client_height_twips, DWORD style,
                            DWORD ex_style, UINT dpi);

// Sizes `window` for a client area of the given twips, at the window's own
// styles, and puts the client area's top-left corner at a screen position
// given in twips (or centred over its owner): the placement of the
// program's dialogs.
void place_client_area(HWND window, int left_twips, int top_twips, int width_twips,
                       int height_twips, UINT dpi);

// For DialogLayout's left and top: over the middle of the owner instead.
inline constexpr int kCentred = -0x7FFFFFFF;

// A dialog of the program, in twips: where its client area's corner sits on
// the screen (or kCentred), the client area's size, and its controls.
struct DialogLayout {
  int left, top;
  int width, height;
  std::span<const ControlSpec> controls;
};

// The fixed dialog border, without minimize or maximize box.
inline constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// Places `dialog` and creates its controls at `dpi` (0: the dialog's own),
// with a dialog font kept in `font`. Returns the DPI used.
UINT lay_out_dialog(HWND dialog, const DialogLayout& layout, win32::UniqueFont& font, UINT dpi = 0);

}  // namespace rw::ui
