// What the tests of the program's windows share: recording stand-ins for the
// message boxes, the file dialog and the shell, and a fixture that seeds the
// Wine prefix's registry and folders and opens the main window over the real
// Windows services.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "support/seeder.h"
#include "ui/form1.h"

namespace rw::test {

inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kStartupApproved[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
inline constexpr wchar_t kMachineParking32[] =
    L"Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646 32-bit";
inline constexpr wchar_t kCurrentUserParking[] =
    L"Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";

struct ShownMessage {
  std::string prompt;
  int flags;
  std::string title;
};

// Message boxes are recorded and answered No; the file dialog gives what the
// test scripted (or breaks, when told to).
class RecordingDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int flags, std::string_view title) override;
  std::string input_box(std::string_view, std::string_view, std::string_view) override;
  OpenFileResult open_file(const OpenFileRequest& request) override;

  std::vector<ShownMessage> shown;
  std::vector<OpenFileRequest> file_requests;
  OpenFileResult next_file;
  bool open_file_breaks = false;
};

class RecordingShell final : public Shell {
 public:
  void shell_open(std::string_view verb, std::string_view file, int show) override;
  void start_program(std::string_view path, int show) override;
  void show_in_folder(std::string_view path) override;
  std::vector<std::string> opened;   // "verb|file|show"
  std::vector<std::string> started;  // "path|show"
  std::vector<std::string> shown;    // files shown in their folders
};

struct StoredValue {
  DWORD type = REG_NONE;
  std::wstring text;  // without its terminating NUL
};
std::optional<StoredValue> read_value(HKEY root, const std::wstring& key, const std::wstring& name);
// The same, in a view of HKEY_LOCAL_MACHINE\SOFTWARE (KEY_WOW64_32KEY or _64KEY),
// and for raw bytes; nothing when the value is not there.
std::optional<std::vector<BYTE>> read_bytes(HKEY root, const std::wstring& key, REGSAM view,
                                            const std::wstring& name);

std::wstring startup_folder();
std::wstring program_folder();
std::wstring window_text(HWND window);

// Checks a dialog's client area: its corner on the screen and its size, in
// twips at `dpi` (0: the dialog's own), and the fixed border without minimize
// or maximize box.
void expect_dialog_geometry(HWND dialog, int left, int top, int width, int height, UINT dpi = 0);

// What a user could not see of `window` laid out at `dpi`: each control of
// `text_ids` whose text is empty or does not fit whole in it (measured with
// the control's own font, wrapped as a label wraps, inside a button's edge
// or an edit box's margins), and each child reaching outside the client
// area of the given twips (or outside the real one, if that is smaller: a
// window's frame keeps the screen's DPI under Wine). One line each; empty
// when everything is visible.
std::string hidden_parts(HWND window, SIZE client_twips, std::initializer_list<int> text_ids,
                         UINT dpi);

// Lets the thread's pending messages (painting, posted commands) run.
void pump();

// A point on the item's checkbox, in the list's client coordinates: the
// nearest left of its name that the list itself takes for the box.
POINT checkbox_point(HWND list, int item);

// The main window over the real services, with dialogs and shell recorded.
// Entries named by seeded() are taken out of every place afterwards, and
// what was written at a key or path put back as it was.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  // A name of this test's own, so that entries others left in the prefix are
  // told apart.
  std::wstring seeded(const std::wstring& base);
  // Seeding at the keys and paths the tests spell out.
  void write_value(HKEY root, const std::wstring& key, const std::wstring& name,
                   const std::wstring& text, DWORD type = REG_SZ);
  // In a view of HKEY_LOCAL_MACHINE\SOFTWARE (KEY_WOW64_32KEY or _64KEY, or 0),
  // and raw bytes.
  void write_bytes(HKEY root, const std::wstring& key, REGSAM view, const std::wstring& name,
                   DWORD type, const std::vector<BYTE>& bytes);
  // A file that is not there yet.
  void write_file(const std::wstring& path);
  ui::Form1& open_form();
  int find_item(const std::wstring& name);
  // Right-clicks the list's empty corner and, inside the menu's own loop,
  // presses `keys` (e.g. Down three times and Enter for Modify).
  void right_click_and_press(const std::vector<UINT>& keys);
  // The same for the keyboard's menu key or Shift+F10, which reach the
  // window as WM_CONTEXTMENU at -1 (e.g. 'D' for Details).
  void menu_key_and_press(const std::vector<UINT>& keys);

  std::string prefix_;
  seeding::Seeder seed_;
  win32::Win32Services services_;
  RecordingShell shell_;
  RecordingDialogs dialogs_;
  Platform platform_;
  std::optional<ui::Form1> form_;
};

}  // namespace rw::test
