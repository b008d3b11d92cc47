// The message box, the text prompt and the file-open dialog over the Windows
// dialogs. The prompt is a dialog of the program's own, in the classic
// shape: prompt, OK and Cancel on the right, the one-line field below.
#include "ui/win32_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "catalogue/places.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"
#include "ui/modal_dialog.h"
#include "ui/window_layout.h"

namespace rw::ui {

namespace {

using win32::narrow;
using win32::widen;

constexpr int kPromptId = 100;
constexpr int kFieldId = 101;

// The classic shape: the prompt at the left, OK and Cancel at the right, the
// one-line field across the bottom. OK is the default button: Enter is OK.
constexpr std::array<ControlSpec, 4> kInputBoxControls = {{
    {ControlKind::Label, kPromptId, "", 120, 120, 3840, 1200, ""},
    {ControlKind::Edit, kFieldId, "", 120, 1440, 5160, 315, ""},
    {ControlKind::Button, IDOK, "OK", 4140, 120, 1140, 375, "", BS_DEFPUSHBUTTON},
    {ControlKind::Button, IDCANCEL, "Cancel", 4140, 600, 1140, 375, ""},
}};
constexpr DialogLayout kInputBoxLayout{kCentred, kCentred, 5400, 1920, kInputBoxControls};

class InputBoxDialog final : public ModalDialog {
 public:
  InputBoxDialog(std::string_view prompt, std::string_view default_text)
      : prompt_(widen(prompt)), default_text_(default_text) {}

  // The text on OK, the empty text on Cancel.
  std::string show(HWND owner, std::string_view title) {
    const DialogTemplate layout(kDialogStyle, 0, 0, 0, widen(title));
    const INT_PTR result = run(owner, layout, title);
    return result == IDOK ? text_ : std::string();
  }

 private:
  bool on_init() override {
    lay_out_dialog(window(), kInputBoxLayout, font_);
    ::SetWindowTextW(item(kPromptId), prompt_.c_str());
    ::SetWindowTextW(item(kFieldId), widen(default_text_).c_str());
    ::SetFocus(item(kFieldId));
    ::SendMessageW(item(kFieldId), EM_SETSEL, 0, -1);
    return false;
  }

  bool on_command(int id, int, HWND) override {
    // Enter reaches here as IDOK and Escape (or the close box) as IDCANCEL.
    if (id == IDOK) {
      text_ = window_text(item(kFieldId));
      end(IDOK);
      return true;
    }
    if (id == IDCANCEL) {
      end(IDCANCEL);
      return true;
    }
    return false;
  }

  std::wstring prompt_;
  std::string default_text_;
  std::string text_;
  win32::UniqueFont font_;
};

// "Programs|*.exe|All files|*.*|" to the NUL-separated, doubly terminated form.
std::wstring filter_for_dialog(std::string_view filter) {
  std::wstring result = widen(filter);
  std::replace(result.begin(), result.end(), L'|', L'\0');
  if (result.empty() || result.back() != L'\0') result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

// The common dialogs' own error codes have no system message text.
std::string common_dialog_error_words(DWORD code) {
  switch (code) {
    case FNERR_BUFFERTOOSMALL:
      return "the chosen path is too long";
    case FNERR_INVALIDFILENAME:
      return "the file name is not valid";
    case FNERR_SUBCLASSFAILURE:
      return "the list box could not be subclassed";
    case CDERR_MEMALLOCFAILURE:
    case CDERR_MEMLOCKFAILURE:
      return "not enough memory";
    case CDERR_INITIALIZATION:
      return "the dialog could not be initialised";
    case CDERR_DIALOGFAILURE:
      return "the dialog could not be created";
    default:
      return "the dialog failed";
  }
}

// The file dialog is the only use of comdlg32: Add loads it the first time.
win32::SystemLibrary& comdlg32() {
  static win32::SystemLibrary library(L"comdlg32.dll");
  return library;
}

// Long enough for any path the wide API accepts.
constexpr DWORD kPathBufferChars = 32768;

}  // namespace

int Win32Dialogs::message_box(std::string_view prompt, int flags, std::string_view title) {
  const std::wstring wide_prompt = widen(prompt);
  const std::wstring wide_title = widen(title.empty() ? kProgramTitle : title);
  HWND owner = modal_owner(owner_);
  UINT style = static_cast<UINT>(flags);
  // Without an owner the box still has to stop input to the program's windows.
  if (owner == nullptr) style |= MB_TASKMODAL;
  const int result = ::MessageBoxW(owner, wide_prompt.c_str(), wide_title.c_str(), style);
  if (result != 0) return result;
  // A box that could not be shown answered nothing; a question must not read as Yes.
  return (flags & mb::kYesNo) == mb::kYesNo ? mb::kResultNo : mb::kResultOk;
}

std::string Win32Dialogs::input_box(std::string_view prompt, std::string_view title,
                                    std::string_view default_text) {
  InputBoxDialog dialog(prompt, default_text);
  return dialog.show(modal_owner(owner_), title);
}

OpenFileResult Win32Dialogs::open_file(const OpenFileRequest& request) {
  using GetOpenFileNameWFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
  using CommDlgExtendedErrorFn = DWORD(WINAPI*)();
  const auto get_open_file_name = comdlg32().function<GetOpenFileNameWFn>("GetOpenFileNameW");
  const auto extended_error = comdlg32().function<CommDlgExtendedErrorFn>("CommDlgExtendedError");
  if (get_open_file_name == nullptr || extended_error == nullptr) {
    throw PlatformError("LoadLibrary", "comdlg32.dll", static_cast<Status>(::GetLastError()));
  }
  const std::wstring filter = filter_for_dialog(request.filter);
  const std::wstring title = widen(request.title);
  std::vector<wchar_t> path(kPathBufferChars, L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = modal_owner(owner_);
  dialog.lpstrFilter = filter.c_str();
  // 0 would mean a custom filter, of which there is none: the first one it is.
  dialog.nFilterIndex = static_cast<DWORD>(std::max(1, request.filter_index));
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathBufferChars;
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.Flags = request.flags | OFN_EXPLORER;

  OpenFileResult result;
  if (!get_open_file_name(&dialog)) {
    const DWORD error = extended_error();
    if (error == 0) return result;  // the user cancelled
    throw PlatformError("GetOpenFileName (" + common_dialog_error_words(error) + ")", request.title,
                        static_cast<Status>(error));
  }
  const std::wstring chosen(path.data());
  result.chosen = true;
  result.file_name = narrow(chosen);
  const size_t offset = std::min<size_t>(dialog.nFileOffset, chosen.size());
  result.file_title = narrow(std::wstring_view(chosen).substr(offset));
  return result;
}

}  // namespace rw::ui
