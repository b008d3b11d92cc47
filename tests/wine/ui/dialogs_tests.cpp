// The message box, the text prompt and the file-open dialog, worked through
// their windows as a user would.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/text.h"
#include "ui/win32_dialogs.h"
#include "ui/window_layout.h"
#include "ui_driver.h"
#include "ui_support.h"

namespace rw::ui {
namespace {

using test::click_button;
using test::drive;
using test::focus_of_thread;
using test::hidden_parts;
using test::press_key;
using test::text_of;

HWND field_of(HWND dialog) { return ::FindWindowExW(dialog, nullptr, L"Edit", nullptr); }

struct InputCase {
  const char* what;
  std::function<void(HWND dialog)> act;
  std::string expected;
};

TEST(InputBox, ReturnsTheTextOnOkAndNothingOnCancel) {
  const std::vector<InputCase> cases = {
      {"OK after typing",
       [](HWND dialog) {
         ::SendMessageW(field_of(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Tool Ünï"));
         click_button(dialog, IDOK);
       },
       "Tool Ünï"},
      {"OK on the proposal", [](HWND dialog) { click_button(dialog, IDOK); }, "notepad"},
      {"Cancel after typing",
       [](HWND dialog) {
         ::SendMessageW(field_of(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"other"));
         click_button(dialog, IDCANCEL);
       },
       ""},
      {"Enter in the field", [](HWND dialog) { press_key(field_of(dialog), VK_RETURN); },
       "notepad"},
      {"Escape in the field", [](HWND dialog) { press_key(field_of(dialog), VK_ESCAPE); }, ""},
      {"the close box", [](HWND dialog) { ::PostMessageW(dialog, WM_CLOSE, 0, 0); }, ""},
  };
  for (const InputCase& c : cases) {
    SCOPED_TRACE(c.what);
    Win32Dialogs dialogs;
    std::string answer = "unset";
    const std::string problem = drive(
        L"Runwarden: ADD",
        [&](HWND dialog) -> std::string {
          if (text_of(field_of(dialog)) != L"notepad") return "the field lacks the default text";
          c.act(dialog);
          return {};
        },
        [&] {
          answer = dialogs.input_box("Enter application title:", "Runwarden: ADD", "notepad");
        });
    EXPECT_EQ(problem, "");
    EXPECT_EQ(answer, c.expected);
  }
}

TEST(InputBox, ShowsThePromptAndStartsInTheFieldWithItsTextSelected) {
  Win32Dialogs dialogs;
  const DWORD ui_thread = ::GetCurrentThreadId();
  const std::string problem = drive(
      L"Runwarden: ADD",
      [&](HWND dialog) -> std::string {
        HWND prompt = ::FindWindowExW(dialog, nullptr, L"Static", nullptr);
        if (text_of(prompt) != L"Enter application title:") return "prompt missing";
        if (focus_of_thread(ui_thread) != field_of(dialog)) return "the field has no focus";
        DWORD start = 1, end = 0;
        ::SendMessageW(field_of(dialog), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        if (start != 0 || end != 7) return "the proposal is not selected";
        // The prompt's label has the id 100.
        const std::string hidden =
            hidden_parts(dialog, SIZE{5400, 1920}, {100, IDOK, IDCANCEL}, window_dpi(dialog));
        if (!hidden.empty()) return hidden;
        click_button(dialog, IDCANCEL);
        return {};
      },
      [&] { dialogs.input_box("Enter application title:", "Runwarden: ADD", "notepad"); });
  EXPECT_EQ(problem, "");
}

TEST(MessageBoxes, IsFoundByItsTitleAndReturnsTheButtonPressed) {
  struct Case {
    int flags;
    int button;
  };
  for (const Case c : {Case{mb::kYesNo, IDYES}, Case{mb::kYesNo, IDNO}, Case{mb::kCritical, IDOK},
                       Case{mb::kInformation, IDOK}}) {
    SCOPED_TRACE(c.button);
    Win32Dialogs dialogs;
    int result = 0;
    const std::string problem = drive(
        L"Runwarden: WARNING",
        [&](HWND box) -> std::string {
          if (::FindWindowExW(box, nullptr, L"Static", L"Remove it?") == nullptr) {
            return "the prompt is not shown";
          }
          click_button(box, c.button);
          return {};
        },
        [&] { result = dialogs.message_box("Remove it?", c.flags, "Runwarden: WARNING"); });
    EXPECT_EQ(problem, "");
    EXPECT_EQ(result, c.button);
  }
}

TEST(MessageBoxes, WithoutATitleIsTitledWithTheProgramTitle) {
  Win32Dialogs dialogs;
  int result = 0;
  const std::string problem = drive(
      L"Runwarden",
      [&](HWND box) -> std::string {
        click_button(box, IDOK);
        return {};
      },
      [&] { result = dialogs.message_box("System Information Is Unavailable", mb::kOk, ""); });
  EXPECT_EQ(problem, "");
  EXPECT_EQ(result, mb::kResultOk);
}

OpenFileRequest select_application(std::uint32_t flags) {
  OpenFileRequest request;
  request.flags = flags;
  request.filter = "Programs|*.exe;*.com;*.bat|All files|*.*|";
  request.filter_index = 0;
  request.title = "Runwarden: Select application";
  return request;
}

std::wstring current_folder() {
  std::wstring folder(MAX_PATH * 4, L'\0');
  folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

TEST(OpenFile, CancelIsNoChoice) {
  Win32Dialogs dialogs;
  OpenFileResult result;
  result.chosen = true;
  const std::string problem = drive(
      L"Runwarden: Select application",
      [&](HWND dialog) -> std::string {
        click_button(dialog, IDCANCEL);
        return {};
      },
      [&] { result = dialogs.open_file(select_application(ofn::kFileMustExist)); });
  EXPECT_EQ(problem, "");
  EXPECT_FALSE(result.chosen);
  EXPECT_EQ(result.file_name, "");
}

// The file name box of the explorer-style dialog: the edit inside its
// combo box cmb13, however deeply the dialog nests it.
HWND file_name_box(HWND dialog) {
  struct Search {
    HWND found = nullptr;
  } search;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM out) -> BOOL {
        wchar_t name[16] = {};
        ::GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"Edit") != 0 || ::GetDlgCtrlID(child) != 0x47c) return TRUE;
        reinterpret_cast<Search*>(out)->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(OpenFile, GivesThePathAndTheBareNameAndKeepsTheCurrentFolderWhenAsked) {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring program = std::wstring(windows) + L"\\notepad.exe";
  const std::wstring before = current_folder();

  Win32Dialogs dialogs;
  OpenFileResult result;
  const std::string problem = drive(
      L"Runwarden: Select application",
      [&](HWND dialog) -> std::string {
        HWND name_box = file_name_box(dialog);
        if (name_box == nullptr) return "no file name box";
        ::SendMessageW(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(program.c_str()));
        click_button(dialog, IDOK);
        return {};
      },
      [&] {
        result = dialogs.open_file(select_application(ofn::kFileMustExist | ofn::kPathMustExist |
                                                      ofn::kNoChangeDir | ofn::kHideReadOnly));
      });
  EXPECT_EQ(problem, "");
  ASSERT_TRUE(result.chosen);
  EXPECT_EQ(_wcsicmp(win32::widen(result.file_name).c_str(), program.c_str()), 0)
      << result.file_name;
  EXPECT_EQ(_wcsicmp(win32::widen(result.file_title).c_str(), L"notepad.exe"), 0)
      << result.file_title;
  EXPECT_EQ(current_folder(), before);
}

}  // namespace
}  // namespace rw::ui
