#include "ui_support.h"

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "ui/window_layout.h"
#include "ui_driver.h"

namespace rw::test {

int RecordingDialogs::message_box(std::string_view prompt, int flags, std::string_view title) {
  shown.push_back({std::string(prompt), flags, std::string(title)});
  return mb::kResultNo;
}

std::string RecordingDialogs::input_box(std::string_view, std::string_view, std::string_view) {
  return {};
}

OpenFileResult RecordingDialogs::open_file(const OpenFileRequest& request) {
  file_requests.push_back(request);
  if (open_file_breaks) throw std::logic_error("the file dialog broke");
  return next_file;
}

void RecordingShell::shell_open(std::string_view verb, std::string_view file, int show) {
  opened.push_back(std::string(verb) + "|" + std::string(file) + "|" + std::to_string(show));
}

void RecordingShell::start_program(std::string_view path, int show) {
  started.push_back(std::string(path) + "|" + std::to_string(show));
}

void RecordingShell::show_in_folder(std::string_view path) { shown.emplace_back(path); }

std::optional<StoredValue> read_value(HKEY root, const std::wstring& key,
                                      const std::wstring& name) {
  constexpr DWORD kAnyText = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  StoredValue value;
  DWORD size = 0;
  if (::RegGetValueW(root, key.c_str(), name.c_str(), kAnyText, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.text.assign(size / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(root, key.c_str(), name.c_str(), kAnyText, &value.type, value.text.data(),
                     &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.text.resize(size / sizeof(wchar_t) - 1);
  return value;
}

std::optional<std::vector<BYTE>> read_bytes(HKEY root, const std::wstring& key, REGSAM view,
                                            const std::wstring& name) {
  std::vector<BYTE> bytes(4096);
  DWORD size = static_cast<DWORD>(bytes.size());
  if (::RegGetValueW(root, key.c_str(), name.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND |
                         (view == KEY_WOW64_32KEY ? RRF_SUBKEY_WOW6432KEY : RRF_SUBKEY_WOW6464KEY),
                     nullptr, bytes.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  bytes.resize(size);
  return bytes;
}

std::wstring startup_folder() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring program_folder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring window_text(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

void expect_dialog_geometry(HWND dialog, int left, int top, int width, int height, UINT dpi) {
  if (dpi == 0) dpi = ui::window_dpi(dialog);
  RECT client{};
  ::GetClientRect(dialog, &client);
  POINT corner{0, 0};
  ::ClientToScreen(dialog, &corner);
  EXPECT_EQ(corner.x, ui::twips_to_pixels(left, dpi));
  EXPECT_EQ(corner.y, ui::twips_to_pixels(top, dpi));
  EXPECT_EQ(client.right, ui::twips_to_pixels(width, dpi));
  EXPECT_EQ(client.bottom, ui::twips_to_pixels(height, dpi));
  EXPECT_FALSE(::GetWindowLongW(dialog, GWL_STYLE) &
               (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
}

namespace {

int width_of(const RECT& rect) { return rect.right - rect.left; }
int height_of(const RECT& rect) { return rect.bottom - rect.top; }

// Where a control draws its text, and how: a label wraps it over its whole
// area; a push button keeps it inside its edge and focus rectangle; a group
// box writes it into its top border, indented; an edit box between its
// margins.
struct TextRoom {
  RECT room;
  UINT format;
};

TextRoom text_room(HWND control, UINT dpi) {
  RECT client{};
  ::GetClientRect(control, &client);
  wchar_t class_name[32] = {};
  ::GetClassNameW(control, class_name, 32);
  const auto style = static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE));
  const int inset = ::MulDiv(3, static_cast<int>(dpi), 96);
  if (_wcsicmp(class_name, L"Static") == 0) {
    return {client, DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0u)};
  }
  if (_wcsicmp(class_name, L"Edit") == 0) {
    RECT formatting{};
    ::SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
    // The formatting rectangle is a line high whatever the box's height.
    return {RECT{formatting.left, client.top, formatting.right, client.bottom},
            DT_SINGLELINE | DT_NOPREFIX};
  }
  if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
    return {RECT{client.left + 3 * inset, client.top, client.right - 3 * inset, client.bottom},
            DT_SINGLELINE};
  }
  ::InflateRect(&client, -inset, -inset);
  return {client, DT_SINGLELINE};
}

// The size `control`'s text takes when drawn into `room` with its own font.
SIZE text_size(HWND control, const TextRoom& room) {
  const std::wstring text = text_of(control);
  HDC dc = ::GetDC(control);
  const HGDIOBJ old_font =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, width_of(room.room), 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, room.format | DT_CALCRECT);
  ::SelectObject(dc, old_font);
  ::ReleaseDC(control, dc);
  return SIZE{width_of(needed), height_of(needed)};
}

std::string describe(HWND control) {
  return "control " + std::to_string(::GetDlgCtrlID(control)) + " \"" +
         win32::narrow(text_of(control)) + "\"";
}

}  // namespace

std::string hidden_parts(HWND window, SIZE client_twips, std::initializer_list<int> text_ids,
                         UINT dpi) {
  std::string found;
  const std::string at_dpi = " at " + std::to_string(dpi) + " dpi\n";
  for (const int id : text_ids) {
    HWND control = ::GetDlgItem(window, id);
    if (control == nullptr || text_of(control).empty()) {
      found += "control " + std::to_string(id) + " shows no text" + at_dpi;
      continue;
    }
    const TextRoom room = text_room(control, dpi);
    const SIZE needed = text_size(control, room);
    if (needed.cx > width_of(room.room) || needed.cy > height_of(room.room)) {
      found += describe(control) + " needs " + std::to_string(needed.cx) + "x" +
               std::to_string(needed.cy) + " px but has " + std::to_string(width_of(room.room)) +
               "x" + std::to_string(height_of(room.room)) + at_dpi;
    }
  }
  RECT client{};
  ::GetClientRect(window, &client);
  client.right = std::min<LONG>(client.right, ui::twips_to_pixels(client_twips.cx, dpi));
  client.bottom = std::min<LONG>(client.bottom, ui::twips_to_pixels(client_twips.cy, dpi));
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT at{};
    ::GetWindowRect(child, &at);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
    if (at.left < 0 || at.top < 0 || at.right > client.right || at.bottom > client.bottom) {
      found += describe(child) + " reaches outside the client area" + at_dpi;
    }
  }
  return found;
}

void pump() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

POINT checkbox_point(HWND list, int item) {
  RECT label{};
  ListView_GetItemRect(list, item, &label, LVIR_LABEL);
  LVHITTESTINFO box{};
  box.pt = POINT{label.left, (label.top + label.bottom) / 2};
  do {
    --box.pt.x;
  } while (box.pt.x > 0 && ListView_HitTest(list, &box) == item &&
           (box.flags & LVHT_ONITEM) != LVHT_ONITEMSTATEICON);
  EXPECT_EQ(box.flags & LVHT_ONITEM, LVHT_ONITEMSTATEICON) << "no checkbox left of the name";
  return box.pt;
}

MainWindowTest::MainWindowTest()
    : prefix_("RwUi" + std::to_string(::GetCurrentProcessId()) + " "),
      seed_(prefix_),
      platform_{services_.registry,
                services_.files,
                services_.folders,
                services_.status_text,
                shell_,
                dialogs_,
                services_.text_rules,
                services_.programs,
                services_.tasks} {}

MainWindowTest::~MainWindowTest() { form_.reset(); }

std::wstring MainWindowTest::seeded(const std::wstring& base) {
  return win32::widen(prefix_) + base;
}

void MainWindowTest::write_value(HKEY root, const std::wstring& key, const std::wstring& name,
                                 const std::wstring& text, DWORD type) {
  write_bytes(root, key, 0, name, type, text_to_registry_bytes(win32::narrow(text)));
}

void MainWindowTest::write_bytes(HKEY root, const std::wstring& key, REGSAM view,
                                 const std::wstring& name, DWORD type,
                                 const std::vector<BYTE>& bytes) {
  const Hive hive = root == HKEY_LOCAL_MACHINE ? kHkeyLocalMachine : kHkeyCurrentUser;
  seed_.value({hive, win32::narrow(key), view}, win32::narrow(name), type, bytes);
}

void MainWindowTest::write_file(const std::wstring& path) {
  seed_.file(win32::narrow(path), "lnk");
}

ui::Form1& MainWindowTest::open_form() {
  form_.emplace(platform_, ui::Form1::Options{false});
  EXPECT_TRUE(form_->create());
  EXPECT_TRUE(form_->open(SW_SHOWNORMAL));
  pump();
  return *form_;
}

int MainWindowTest::find_item(const std::wstring& name) {
  for (int i = 0; i < form_->list().count(); ++i) {
    if (form_->list().text(i) == win32::narrow(name)) return i;
  }
  return -1;
}

namespace {

std::vector<UINT> menu_keys_;

void CALLBACK press_menu_keys(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  if (menu == nullptr || menu_keys_.empty()) return;
  for (UINT key : menu_keys_) {
    ::PostMessageW(menu, WM_KEYDOWN, key, 1);
    ::PostMessageW(menu, WM_KEYUP, key, 0xC0000001);
  }
  menu_keys_.clear();
}

// The menu runs its own modal loop; a timer inside it does the typing.
void open_menu_and_press(const std::vector<UINT>& keys, HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam) {
  menu_keys_ = keys;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, &press_menu_keys);
  ::SendMessageW(window, message, wparam, lparam);
  ::KillTimer(nullptr, timer);
}

}  // namespace

void MainWindowTest::right_click_and_press(const std::vector<UINT>& keys) {
  open_menu_and_press(keys, form_->control(ui::form1::kEntryList), WM_RBUTTONDOWN, MK_RBUTTON,
                      MAKELPARAM(2, 2));
}

void MainWindowTest::menu_key_and_press(const std::vector<UINT>& keys) {
  HWND list = form_->control(ui::form1::kEntryList);
  open_menu_and_press(keys, list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
}

}  // namespace rw::test
