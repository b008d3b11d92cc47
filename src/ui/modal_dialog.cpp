// The in-memory dialog template and the modal dialog's one procedure.
#include "ui/modal_dialog.h"

#include "platform/platform.h"
#include "platform/win32/text.h"

namespace rw::ui {

DialogTemplate::DialogTemplate(DWORD style, DWORD ex_style, short width, short height,
                               std::wstring_view title) {
  put_dword(style | DS_SETFONT);
  put_dword(ex_style);
  words_.push_back(0);  // no items
  words_.push_back(0);  // x and y: the dialog places itself
  words_.push_back(0);
  words_.push_back(static_cast<WORD>(width));
  words_.push_back(static_cast<WORD>(height));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the dialog class
  put_string(title);
  words_.push_back(8);
  put_string(L"MS Shell Dlg");
}

void DialogTemplate::put_dword(DWORD value) {
  words_.push_back(LOWORD(value));
  words_.push_back(HIWORD(value));
}

void DialogTemplate::put_string(std::wstring_view text) {
  words_.insert(words_.end(), text.begin(), text.end());
  words_.push_back(0);
}

INT_PTR ModalDialog::run(HWND owner, const DialogTemplate& layout, std::string_view name) {
  failure_ = nullptr;
  const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), layout.get(), owner,
                                                   &procedure, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
  if (result == -1) {
    throw PlatformError("DialogBoxIndirectParam", std::string(name),
                        static_cast<Status>(::GetLastError()));
  }
  return result;
}

void ModalDialog::end(INT_PTR result) { ::EndDialog(window_, result); }

bool ModalDialog::on_message(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK ModalDialog::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModalDialog*>(lparam);
    self->window_ = window;
    ::SetWindowLongPtrW(window, DWLP_USER, lparam);
  }
  auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  try {
    return self->dispatch(message, wparam, lparam);
  } catch (...) {
    // Unwinding through the system's dialog code is not allowed; run() rethrows.
    if (!self->failure_) self->failure_ = std::current_exception();
    ::EndDialog(window, -1);
    return TRUE;
  }
}

INT_PTR ModalDialog::dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init() ? TRUE : FALSE;
    case WM_COMMAND:
      return on_command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)) ? TRUE
                                                                                        : FALSE;
    default: {
      INT_PTR result = FALSE;
      if (!on_message(message, wparam, lparam, result)) return FALSE;
      // Messages that return a value (brushes, cursors) go through DWLP_MSGRESULT
      // except these, which the dialog manager takes straight from the procedure.
      switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
          return result;
        default:
          ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
          return TRUE;
      }
    }
  }
}

HWND modal_owner(HWND fallback) {
  HWND active = ::GetActiveWindow();
  if (active != nullptr && ::IsWindowEnabled(active)) return active;
  if (fallback != nullptr) {
    HWND popup = ::GetLastActivePopup(fallback);
    if (popup != nullptr && ::IsWindowEnabled(popup)) return popup;
  }
  return fallback;
}

std::string window_text(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return win32::narrow(text);
}

}  // namespace rw::ui
