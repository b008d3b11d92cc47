// Windows built from data: each window's controls are one table (kind, name,
// caption, position and size in twips, tooltip, style), created in table
// order (which is the tab order) and scaled to the window's DPI.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <span>
#include <string>
#include <string_view>

namespace rw::ui {

enum class ControlKind { Frame, ListView, Button, Label, Edit, EtchedLine, Icon };

struct ControlSpec {
  ControlKind kind;
  int id;                 // the control id, also used to find it again
  std::string_view name;  // the control's name, e.g. "cmdAdd"
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
HWND create_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font);

// Places the controls of `specs` (found by id) anew for a DPI and gives them
// `font`, as after a move to a monitor of another DPI.
void move_controls(HWND parent, std::span<const ControlSpec> specs, UINT dpi, HFONT font);

// The DPI of a window (GetDpiForWindow where available, else the screen's).
UINT window_dpi(HWND window);

// The default dialog font at a DPI; the caller owns it (see FontOwner).
HFONT create_dialog_font(UINT dpi);

// Owns a GDI object and deletes it.
class GdiOwner {
 public:
  explicit GdiOwner(HGDIOBJ object = nullptr) : object_(object) {}
  ~GdiOwner() { reset(); }
  GdiOwner(const GdiOwner&) = delete;
  GdiOwner& operator=(const GdiOwner&) = delete;
  void reset(HGDIOBJ object = nullptr) {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// The window's client size in twips, turned into an outer window size for
// the given styles at the DPI.
SIZE window_size_for_client(int client_width_twips, int client_height_twips, DWORD style,
                            DWORD ex_style, UINT dpi);

// Sizes `window` for a client area of the given twips, at the window's own
// styles, and puts the client area's top-left corner at a screen position
// given in twips: the placement of the program's dialogs.
void place_client_area(HWND window, int left_twips, int top_twips, int width_twips,
                       int height_twips, UINT dpi);

// A dialog of the program, in twips: where its client area's corner sits on
// the screen, the client area's size, and its controls.
struct DialogLayout {
  int left, top;
  int width, height;
  std::span<const ControlSpec> controls;
};

// The fixed dialog border, without minimize or maximize box.
inline constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// Places `dialog` and creates its controls at its DPI, with a dialog font
// kept in `font`. Returns the DPI.
UINT lay_out_dialog(HWND dialog, const DialogLayout& layout, GdiOwner& font);

}  // namespace rw::ui
