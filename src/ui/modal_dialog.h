// A modal dialog as a class over one dialog procedure, built from an
// in-memory template so the program needs no resource script for it.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace rw::ui {

// A DLGTEMPLATE without items, laid out in memory as DialogBoxIndirect reads
// it: the dialogs create their controls from their tables in twips instead.
// DS_SETFONT is always set, with the shell's dialog font at 8 points.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, DWORD ex_style, short width, short height, std::wstring_view title);
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void put_dword(DWORD value);
  void put_string(std::wstring_view text);

  std::vector<WORD> words_;  // the allocator's alignment makes the start DWORD-aligned
};

// Derived dialogs handle messages in named members. An exception thrown by a
// handler ends the dialog and is rethrown by run(), never passed through the
// system's code.
class ModalDialog {
 public:
  virtual ~ModalDialog() = default;
  ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

 protected:
  // Shows the dialog modal to `owner` and returns what end() was given.
  // Raises PlatformError when the dialog cannot be created.
  INT_PTR run(HWND owner, const DialogTemplate& layout, std::string_view name);
  void end(INT_PTR result);
  HWND window() const { return window_; }
  HWND item(int id) const { return ::GetDlgItem(window_, id); }

  // WM_INITDIALOG. Return true to let the system focus the first tab stop.
  virtual bool on_init() { return true; }
  // WM_COMMAND. Return true when handled.
  virtual bool on_command(int id, int code, HWND control) = 0;
  // Any other message; return true with `result` set when handled.
  virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result);

 private:
  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
  std::exception_ptr failure_;
};

// The window a new modal dialog should be modal to: the thread's active window
// when it takes input, else the last active popup of `fallback` (the main
// window, which is disabled while one of its dialogs is open), else `fallback`.
HWND modal_owner(HWND fallback);

// The text of a window, in UTF-8.
std::string window_text(HWND window);

}  // namespace rw::ui
