// The main window, built over the real Windows services in the Wine prefix
// (its registry and Startup folders) and worked in-process with messages.
// Message boxes and the shell are recorded instead of shown.
#include <gtest/gtest.h>
#include <shlobj.h>
// after windows.h (through shlobj.h)
#include <commctrl.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "expected_version.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "ui/form1.h"
#include "ui/window_layout.h"
#include "ui_support.h"

namespace rw::ui {
namespace {

using namespace form1;
using namespace rw::test;
using win32::narrow;
using win32::widen;

// The Run key's text, as the tests here compare it.
std::optional<std::wstring> read_string(HKEY root, const std::wstring& key,
                                        const std::wstring& name) {
  const auto value = read_value(root, key, name);
  if (!value) return std::nullopt;
  return value->text;
}

// The main window's tooltip control, the only one of this thread.
HWND thread_tooltips() {
  HWND tips = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND candidate, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        ::GetClassNameW(candidate, name, 64);
        if (_wcsicmp(name, TOOLTIPS_CLASSW) != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = candidate;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tips));
  return tips;
}

bool file_exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A program file that exists: this test's own.
std::wstring this_program() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// Where the mouse rests on the list: the pointer is put there and the list
// gets the move, as from the mouse itself.
void hover(HWND list, POINT at) {
  POINT on_screen = at;
  ::ClientToScreen(list, &on_screen);
  ::SetCursorPos(on_screen.x, on_screen.y);
  ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
}

// Lets the tooltip's timers run for a while; true when it is showing.
bool tip_showing_after(HWND tips, int milliseconds) {
  for (int waited = 0; waited < milliseconds && !::IsWindowVisible(tips); waited += 20) {
    pump();
    ::Sleep(20);
  }
  pump();
  return ::IsWindowVisible(tips) != FALSE;
}

POINT middle_of_item(HWND list, int index) {
  RECT item{};
  ListView_GetItemRect(list, index, &item, LVIR_LABEL);
  return POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

// A point of the list below its last item.
POINT below_the_items(HWND list) {
  RECT area{};
  ::GetClientRect(list, &area);
  RECT last{0, 0, 0, 0};
  const int count = ListView_GetItemCount(list);
  if (count > 0) ListView_GetItemRect(list, count - 1, &last, LVIR_BOUNDS);
  EXPECT_LT(last.bottom + 8, area.bottom) << "the items fill the list";
  return POINT{area.right / 2, (last.bottom + area.bottom) / 2};
}

// Where a control of the window lies, in its client area's pixels.
RECT place_of(Form1& form, int id) {
  RECT at{};
  ::GetWindowRect(form.control(id), &at);
  ::MapWindowPoints(nullptr, form.hwnd(), reinterpret_cast<POINT*>(&at), 2);
  return at;
}

// As when the window moves to a monitor of that DPI.
void change_dpi(Form1& form, UINT dpi) {
  RECT suggested{0, 0, 100, 100};
  ::SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
}

inline constexpr wchar_t kPolicyRunKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
inline constexpr wchar_t kPoliciesKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::string kSetByPolicy = "set by a policy; change it in Group Policy";

// The colours the list paints into the item's name, as it paints them for
// the screen: through WM_PRINTCLIENT into a bitmap of its own.
std::set<COLORREF> colours_of_name(HWND list, int index) {
  RECT client{};
  ::GetClientRect(list, &client);
  HDC screen = ::GetDC(list);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                 PRF_CLIENT | PRF_ERASEBKGND);
  RECT name{};
  ListView_GetItemRect(list, index, &name, LVIR_LABEL);
  std::set<COLORREF> colours;
  for (LONG y = name.top; y < name.bottom; ++y) {
    for (LONG x = name.left; x < name.right; ++x) colours.insert(::GetPixel(memory, x, y));
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(list, screen);
  return colours;
}

// The text of the tip that says why an item was left as it is, or nothing
// while it does not show.
std::optional<std::string> lock_notice_shown(Form1& form) {
  HWND tip = form.lock_notice();
  if (tip == nullptr || !::IsWindowVisible(tip)) return std::nullopt;
  wchar_t text[512] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.lpszText = text;
  if (!::SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) return "";
  return narrow(text);
}

void click_checkbox(HWND list, int index) {
  const POINT at = checkbox_point(list, index);
  ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  ::SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  pump();
}

void press_space(HWND list) {
  ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
  ::SendMessageW(list, WM_KEYUP, VK_SPACE, 0xC0390001);
  pump();
}

// What the context menu showed when it opened on a right click at the
// item `at` (or the list's empty corner when -1): Remove and Modify enabled.
struct MenuSeen {
  bool opened = false;
  bool remove_enabled = false;
  bool modify_enabled = false;
  bool add_enabled = false;
  bool details_enabled = false;
  bool open_location_enabled = false;
};

MenuSeen seen_;
HMENU seen_menu_ = nullptr;

class Form1Test : public test::MainWindowTest {
 protected:
  // The same for the keyboard's menu key (WM_CONTEXTMENU at -1).
  MenuSeen menu_key() {
    seen_ = MenuSeen{};
    seen_menu_ = form_->popup_menu();
    HWND list = form_->control(kEntryList);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, &read_and_close_menu);
    ::SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
    ::KillTimer(nullptr, timer);
    pump();
    return seen_;
  }

  MenuSeen right_click(int at, UINT button_message = WM_RBUTTONDOWN) {
    HWND list = form_->control(kEntryList);
    POINT point{2, 2};
    if (at >= 0) {
      RECT item{};
      ListView_GetItemRect(list, at, &item, LVIR_LABEL);
      point = POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    }
    seen_ = MenuSeen{};
    seen_menu_ = form_->popup_menu();
    // The menu runs its own modal loop; a timer inside it reads the items as
    // shown and closes the menu.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, &read_and_close_menu);
    ::SendMessageW(list, button_message, button_message == WM_RBUTTONDOWN ? MK_RBUTTON : 0,
                   MAKELPARAM(point.x, point.y));
    ::KillTimer(nullptr, timer);
    pump();
    return seen_;
  }

  static void CALLBACK read_and_close_menu(HWND, UINT, UINT_PTR, DWORD) {
    if (::FindWindowW(L"#32768", nullptr) == nullptr) return;
    auto enabled = [](int id) {
      return (::GetMenuState(seen_menu_, static_cast<UINT>(id), MF_BYCOMMAND) &
              (MF_GRAYED | MF_DISABLED)) == 0;
    };
    seen_.opened = true;
    seen_.add_enabled = enabled(kMenuAdd);
    seen_.remove_enabled = enabled(kMenuRemove);
    seen_.modify_enabled = enabled(kMenuModify);
    seen_.details_enabled = enabled(kMenuDetails);
    seen_.open_location_enabled = enabled(kMenuOpenLocation);
    ::EndMenu();
  }

  void press_exit() { ::SendMessageW(form_->control(kExitButton), BM_CLICK, 0, 0); }
};

TEST_F(Form1Test, HasAFixedBorderNoMenuBarAndTheClientAreaOfItsDesign) {
  Form1& form = open_form();
  HWND window = form.hwnd();
  EXPECT_EQ(narrow(window_text(window)), testing::expected_caption());
  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_EQ(::GetMenu(window), nullptr);
  const UINT dpi = window_dpi(window);
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, twips_to_pixels(6885, dpi));
  EXPECT_EQ(client.bottom, twips_to_pixels(4740, dpi));
}

TEST_F(Form1Test, EachControlHasTheCaptionAndTipOfTheWindowsText) {
  Form1& form = open_form();
  HWND tips = thread_tooltips();
  ASSERT_NE(tips, nullptr);
  const struct {
    int id;
    const wchar_t* window_class;
    const wchar_t* caption;
    const wchar_t* tip;  // empty: none
  } controls[] = {
      {kEntriesFrame, L"Button", L"StartUp Programs", L""},
      {kEntryList, WC_LISTVIEWW, L"", L"Use checkboxes to enable/disable startup!"},
      {kRemoveButton, L"Button", L"&Remove", L"Remove selected program from the list"},
      {kAddButton, L"Button", L"&Add", L"Add new programs to the StartUp list"},
      {kHelpButton, L"Button", L"&Help",
       L"Runwarden Help, requires an HTML reader installed (ie. web browser)"},
      {kAboutButton, L"Button", L"A&bout", L"About Runwarden..."},
      {kExitButton, L"Button", L"E&xit", L"Exit Runwarden and save the changes"},
  };
  for (const auto& expected : controls) {
    SCOPED_TRACE(narrow(expected.caption));
    HWND control = form.control(expected.id);
    ASSERT_NE(control, nullptr);
    wchar_t class_name[64] = {};
    ::GetClassNameW(control, class_name, 64);
    EXPECT_EQ(_wcsicmp(class_name, expected.window_class), 0) << narrow(class_name);
    EXPECT_EQ(window_text(control), expected.caption);
    wchar_t tip[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip;
    ::SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, expected.tip);
    // No default button: Enter presses only the focused one.
    if (expected.id != kEntriesFrame && expected.id != kEntryList) {
      EXPECT_EQ(::GetWindowLongW(control, GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    }
  }
}

TEST_F(Form1Test, TheListsTipShowsWhereNoItemIsUnderTheMouseAndOnlyThere) {
  const std::wstring name = seeded(L"hovered");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\h.exe");
  Form1& form = open_form();
  HWND list = form.control(kEntryList);
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_INFOTIP);
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  HWND tips = thread_tooltips();
  ASSERT_NE(tips, nullptr);
  ::SendMessageW(tips, TTM_SETDELAYTIME, TTDT_INITIAL, 1);
  const POINT on_item = middle_of_item(list, index);
  const POINT off_items = below_the_items(list);

  // Its delay begins off the items and ends over one: the item's infotip
  // has the place, and the list's tip stays away.
  ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(off_items.x, off_items.y));
  hover(list, on_item);
  EXPECT_FALSE(tip_showing_after(tips, 300)) << "shown over an item";

  hover(list, off_items);
  ASSERT_TRUE(tip_showing_after(tips, 1000)) << "not shown off the items";
  TTTOOLINFOW shown{};
  shown.cbSize = sizeof(shown);
  ASSERT_TRUE(::SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&shown)));
  EXPECT_EQ(shown.uId, reinterpret_cast<UINT_PTR>(list));

  hover(list, on_item);
  EXPECT_FALSE(tip_showing_after(tips, 300)) << "left showing over an item";
}

TEST_F(Form1Test, AnItemsInfotipIsItsEntrysDetailsCutToTheTipsBuffer) {
  const std::wstring name = seeded(L"gone");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"\"C:\\Missing Folder\\gone.exe\" /x");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  // The list view's request, with a buffer marked beyond its end.
  auto infotip = [&](int item, int room) {
    std::wstring buffer(static_cast<size_t>(room) + 8, L'#');
    NMLVGETINFOTIPW request{};
    request.hdr.hwndFrom = form.control(kEntryList);
    request.hdr.idFrom = kEntryList;
    request.hdr.code = LVN_GETINFOTIPW;
    request.pszText = buffer.data();
    request.cchTextMax = room;
    request.iItem = item;
    ::SendMessageW(form.hwnd(), WM_NOTIFY, kEntryList, reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(buffer.substr(static_cast<size_t>(room)), std::wstring(8, L'#'));
    return std::wstring(buffer.c_str());
  };

  const std::wstring tip = infotip(index, INFOTIPSIZE);
  EXPECT_EQ(tip.rfind(name + L"\n", 0), 0u) << narrow(tip);
  EXPECT_NE(tip.find(L"\nCommand: \"C:\\Missing Folder\\gone.exe\" /x\n"), std::wstring::npos)
      << narrow(tip);
  EXPECT_NE(tip.find(L"\nWarning: Program file missing: C:\\Missing Folder\\gone.exe"),
            std::wstring::npos)
      << narrow(tip);
  EXPECT_EQ(infotip(index, static_cast<int>(name.size()) + 20), name + L"\n\x2026");
  EXPECT_EQ(infotip(100000, INFOTIPSIZE).rfind(L"The details cannot be shown", 0), 0u);
  EXPECT_TRUE(dialogs_.shown.empty());

  // Its lines break only in a tip of limited width, scaled with the window.
  HWND item_tips = ListView_GetToolTips(form.control(kEntryList));
  ASSERT_NE(item_tips, nullptr);
  for (const auto& [dpi, width] : {std::pair{144u, 600}, {96u, 400}}) {
    change_dpi(form, dpi);
    infotip(index, INFOTIPSIZE);
    EXPECT_EQ(::SendMessageW(item_tips, TTM_GETMAXTIPWIDTH, 0, 0), width) << dpi << " dpi";
  }
}

TEST_F(Form1Test, StartsWithTheFocusOnExitAndTabsInTheWindowsOrder) {
  Form1& form = open_form();
  EXPECT_EQ(::GetFocus(), form.control(kExitButton));
  const std::vector<int> order = {kEntryList,   kRemoveButton, kAddButton,
                                  kAboutButton, kHelpButton,   kExitButton};
  HWND at = form.control(kExitButton);
  for (int id : order) {
    at = ::GetNextDlgTabItem(form.hwnd(), at, FALSE);
    EXPECT_EQ(::GetDlgCtrlID(at), id);
  }
  EXPECT_EQ(form.list().current(), -1);
}

TEST_F(Form1Test, ListsSeededEntriesSortedWithTheirPlacesAndChecks) {
  const std::wstring active = seeded(L"b active");
  const std::wstring parked = seeded(L"A parked");
  const std::wstring shortcut = seeded(L"c shortcut");
  const std::wstring parked_shortcut = seeded(L"D parked shortcut");
  write_value(HKEY_CURRENT_USER, kRunKey, active, L"C:\\b.exe");
  write_value(HKEY_CURRENT_USER, kCurrentUserParking, parked, L"C:\\a.exe");
  write_file(startup_folder() + L"\\" + shortcut + L".lnk");
  ::CreateDirectoryW((program_folder() + L"\\DISABLED").c_str(), nullptr);
  ::CreateDirectoryW((program_folder() + L"\\DISABLED\\Default User").c_str(), nullptr);
  write_file(program_folder() + L"\\DISABLED\\Default User\\" + parked_shortcut + L".lnk");

  Form1& form = open_form();
  HWND list = form.control(kEntryList);
  const LONG style = ::GetWindowLongW(list, GWL_STYLE);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_FALSE(style & LVS_SORTASCENDING);  // the entries' own table places each item
  EXPECT_TRUE(style & LVS_OWNERDATA);       // and holds them: the control only shows them
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES);
  EXPECT_EQ(ListView_GetTextColor(list), ::GetSysColor(COLOR_ACTIVECAPTION));

  struct Expected {
    std::wstring name;
    std::int32_t tag;
    bool checked;
  };
  const std::vector<Expected> in_order = {
      {parked, 8, false}, {active, 2, true}, {shortcut, 4, true}, {parked_shortcut, 6, false}};
  int previous = -1;
  for (const Expected& expected : in_order) {
    SCOPED_TRACE(narrow(expected.name));
    const int index = find_item(expected.name);
    ASSERT_GE(index, 0);
    EXPECT_GT(index, previous);  // sorted without regard to case
    previous = index;
    EXPECT_EQ(form.list().tag(index), expected.tag);
    EXPECT_EQ(form.list().checked(index), expected.checked);
  }
  EXPECT_TRUE(dialogs_.shown.empty());
}

// One entry in each registry place beyond the Run keys, the machine's RunOnce
// lists switched off by their policy.
TEST_F(Form1Test, ListsTheRegistryPlacesBeyondTheRunKeysWithTheirStates) {
  using L = StartupLocation;
  const struct {
    L location;
    std::wstring name;
    bool checked;
    OffReason off;
  } cases[] = {
      {L::CurrentUserRunOnce, seeded(L"user once"), true, OffReason::None},
      {L::AllUsersRunOnceParked, seeded(L"machine once parked"), false, OffReason::None},
      {L::AllUsersRunOnce, seeded(L"machine once"), false, OffReason::SwitchedOffByPolicy},
      {L::AllUsersRunOnce32, seeded(L"machine once 32"), false, OffReason::SwitchedOffByPolicy},
      {L::CurrentUserPolicyRun, seeded(L"user policy"), true, OffReason::None},
      {L::AllUsersPolicyRun, seeded(L"machine policy"), true, OffReason::None},
      {L::Winlogon, L"C:\\RwUiInit.exe", true, OffReason::None},
      {L::CurrentUserLoad, L"C:\\RwUiRun.exe", true, OffReason::None},
  };
  for (const auto& c : cases) {
    if (place(c.location).storage != Storage::ProgramLists)
      seed_.text(c.location, narrow(c.name), "C:\\windows\\notepad.exe");
  }
  seed_.programs(L::Winlogon, 0, "userinit.exe,C:\\RwUiInit.exe");
  seed_.programs(L::CurrentUserLoad, 1, "C:\\RwUiRun.exe");
  seed_.value({kHkeyLocalMachine,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", access::kView64},
              "DisableLocalMachineRunOnce", REG_DWORD, {1, 0, 0, 0});

  Form1& form = open_form();
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.name));
    const int index = find_item(c.name);
    ASSERT_GE(index, 0);
    EXPECT_EQ(form.list().tag(index), static_cast<std::int32_t>(c.location));
    EXPECT_EQ(form.list().checked(index), c.checked);
    EXPECT_EQ(form.list().off(index), c.off);
    EXPECT_EQ(form.list().locked(index),
              c.off != OffReason::None || place(c.location).actions.read_only());
  }
}

TEST_F(Form1Test, ListsAPackagedStartupTaskByItsManifestsNameLockedAndOff) {
  const std::wstring name = seeded(L"Packaged chat");
  const std::string family = prefix_.substr(0, prefix_.find(' ')) + ".Chat_8wekyb3d8bbwe";
  seed_.packaged_task({family, "ChatStartup", 1,
                       prefix_.substr(0, prefix_.find(' ')) + ".Chat_1.0.0.0_x64__8wekyb3d8bbwe",
                       narrow(program_folder()) + "\\Package",
                       seeding::startup_task_manifest("ChatStartup", narrow(name), "Chat.exe")});
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  EXPECT_EQ(form.list().tag(index),
            static_cast<std::int32_t>(StartupLocation::PackagedStartupTask));
  EXPECT_FALSE(form.list().checked(index));
  EXPECT_TRUE(form.list().locked(index));
  EXPECT_EQ(form.list().off(index), OffReason::SwitchedOffInSettings);
  EXPECT_EQ(form.list().key(index), family + "\\ChatStartup");
  EXPECT_TRUE(dialogs_.shown.empty());
}

// More entries than the list shows bring the vertical scroll bar; the one
// column then fills what the bar leaves, so that no horizontal bar appears
// for the few pixels the vertical one covers.
TEST_F(Form1Test, ManyEntriesBringAVerticalScrollBarAndNoHorizontalOne) {
  for (int i = 0; i < 40; ++i) {
    write_value(HKEY_CURRENT_USER, kRunKey, seeded(L"Scroll " + std::to_wstring(i)), L"C:\\s.exe");
  }
  Form1& form = open_form();
  HWND list = form.control(kEntryList);
  ASSERT_GT(form.list().count(), ListView_GetCountPerPage(list));
  const LONG style = ::GetWindowLongW(list, GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_FALSE(style & WS_HSCROLL);
  RECT client{};
  ::GetClientRect(list, &client);
  EXPECT_EQ(ListView_GetColumnWidth(list, 0), client.right);
}

TEST_F(Form1Test, SpaceTogglesTheCurrentItemAndTypingFindsAnItem) {
  const std::wstring name = seeded(L"Spacebar");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\s.exe");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  HWND list = form.control(kEntryList);
  ::SetFocus(list);
  form.list().set_current(index);
  EXPECT_TRUE(form.list().checked(index));
  ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
  ::SendMessageW(list, WM_KEYUP, VK_SPACE, 0xC0390001);
  pump();
  EXPECT_FALSE(form.list().checked(index));
  ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
  ::SendMessageW(list, WM_KEYUP, VK_SPACE, 0xC0390001);
  pump();
  EXPECT_TRUE(form.list().checked(index));
  // Nothing is written while ticking.
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), L"C:\\s.exe");

  form.list().set_current(-1);
  for (wchar_t letter : name) ::SendMessageW(list, WM_CHAR, letter, 1);
  EXPECT_EQ(form.list().current(), index);
}

TEST_F(Form1Test, ContextMenuEnablesForTheItemThatWasCurrentBeforeTheRightClick) {
  const std::wstring run_value = seeded(L"menu run");
  const std::wstring parked = seeded(L"menu parked");
  const std::wstring shortcut = seeded(L"menu shortcut");
  write_value(HKEY_CURRENT_USER, kRunKey, run_value, L"C:\\r.exe");
  write_value(HKEY_CURRENT_USER, kCurrentUserParking, parked, L"C:\\p.exe");
  write_file(startup_folder() + L"\\" + shortcut + L".lnk");
  Form1& form = open_form();
  const int run_index = find_item(run_value);
  const int parked_index = find_item(parked);
  const int shortcut_index = find_item(shortcut);
  ASSERT_GE(run_index, 0);
  ASSERT_GE(parked_index, 0);
  ASSERT_GE(shortcut_index, 0);

  MenuSeen seen = right_click(-1);
  EXPECT_TRUE(seen.opened);
  EXPECT_TRUE(seen.add_enabled);
  EXPECT_FALSE(seen.remove_enabled) << "no current item";
  EXPECT_FALSE(seen.modify_enabled) << "no current item";

  form.list().set_current(run_index);
  seen = right_click(shortcut_index);
  EXPECT_TRUE(seen.opened);
  EXPECT_TRUE(seen.remove_enabled);
  EXPECT_TRUE(seen.modify_enabled) << "acts on the Run entry, not the one clicked";
  EXPECT_EQ(form.list().current(), run_index);

  form.list().set_current(parked_index);
  seen = right_click(parked_index);
  EXPECT_TRUE(seen.modify_enabled) << "a parked Run entry can be modified";

  form.list().set_current(shortcut_index);
  seen = right_click(shortcut_index);
  EXPECT_TRUE(seen.remove_enabled);
  EXPECT_FALSE(seen.modify_enabled) << "a shortcut has no command to modify";

  form.list().set_current(run_index);
  seen = menu_key();
  EXPECT_TRUE(seen.opened) << "Shift+F10 opens the same menu";
  EXPECT_TRUE(seen.modify_enabled);

  EXPECT_FALSE(right_click(run_index, WM_MBUTTONDOWN).opened);
  EXPECT_FALSE(right_click(run_index, WM_LBUTTONDOWN).opened);
}

TEST_F(Form1Test, DetailsAndOpenFileLocationFollowModifyAfterASeparator) {
  HMENU menu = open_form().popup_menu();
  const struct {
    UINT id;  // 0: a separator
    const wchar_t* caption;
  } items[] = {{kMenuAdd, L"Add"},
               {kMenuRemove, L"Remove"},
               {0, L""},
               {kMenuModify, L"Modify"},
               {0, L""},
               {kMenuDetails, L"&Details..."},
               {kMenuOpenLocation, L"Open file &location"}};
  ASSERT_EQ(::GetMenuItemCount(menu), static_cast<int>(std::size(items)));
  for (int position = 0; position < ::GetMenuItemCount(menu); ++position) {
    SCOPED_TRACE(position);
    wchar_t caption[64] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    item.dwTypeData = caption;
    item.cch = 64;
    ASSERT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item));
    const auto& expected = items[position];
    EXPECT_EQ((item.fType & MFT_SEPARATOR) != 0, expected.id == 0);
    if (expected.id != 0) {
      EXPECT_EQ(item.wID, expected.id);
      EXPECT_STREQ(caption, expected.caption);
    }
  }
}

TEST_F(Form1Test, DetailsNeedACurrentItemAndOpenFileLocationAProgramFileThatExists) {
  const std::wstring present = seeded(L"present");
  const std::wstring missing = seeded(L"missing");
  write_value(HKEY_CURRENT_USER, kRunKey, present, L"\"" + this_program() + L"\" /tray");
  write_value(HKEY_CURRENT_USER, kRunKey, missing, L"C:\\Missing Folder\\gone.exe");
  Form1& form = open_form();
  const struct {
    std::wstring current;  // empty: no current item
    bool details;
    bool open_location;
  } cases[] = {{L"", false, false}, {present, true, true}, {missing, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.current));
    form.list().set_current(c.current.empty() ? -1 : find_item(c.current));
    const MenuSeen seen = right_click(-1);
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(seen.details_enabled, c.details);
    EXPECT_EQ(seen.open_location_enabled, c.open_location);
    EXPECT_EQ(seen.remove_enabled, c.details) << "Remove keeps its own rule";
    EXPECT_EQ(seen.modify_enabled, c.details) << "Modify keeps its own rule";
  }
}

TEST_F(Form1Test, ShiftF10ThenDShowsTheCurrentEntrysDetails) {
  const std::wstring name = seeded(L"details");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"\"C:\\Missing Folder\\gone.exe\" /x");
  Form1& form = open_form();
  form.list().set_current(find_item(name));
  menu_key_and_press({'D'});
  pump();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  const ShownMessage& box = dialogs_.shown[0];
  EXPECT_EQ(box.title, "Runwarden: DETAILS");
  EXPECT_EQ(box.flags, mb::kInformation);
  EXPECT_NE(box.prompt.find("\nCommand: \"C:\\Missing Folder\\gone.exe\" /x\n"), std::string::npos)
      << box.prompt;
  EXPECT_NE(box.prompt.find("\nWarning: Program file missing: C:\\Missing Folder\\gone.exe"),
            std::string::npos)
      << box.prompt;
}

TEST_F(Form1Test, OpenFileLocationHandsTheProgramFileToTheShell) {
  const std::wstring name = seeded(L"located");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"\"" + this_program() + L"\" /tray");
  Form1& form = open_form();
  form.list().set_current(find_item(name));
  menu_key_and_press({'L'});
  pump();
  EXPECT_EQ(shell_.shown, std::vector<std::string>{narrow(this_program())});
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(Form1Test, MenuRemoveDeletesTheCurrentEntryAsTheButtonDoes) {
  const std::wstring name = seeded(L"removed");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\gone.exe");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  form.list().set_current(index);
  ::SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(kMenuRemove, 0), 0);
  EXPECT_EQ(find_item(name), -1);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), std::nullopt);
}

TEST_F(Form1Test, HelpOpensTheDocumentNextToTheProgram) {
  Form1& form = open_form();
  ::SendMessageW(form.control(kHelpButton), BM_CLICK, 0, 0);
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0], "Open|" + narrow(program_folder()) + "\\help.html|1");
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_TRUE(::IsWindow(form.hwnd()));
}

TEST_F(Form1Test, ExitParksAnUntickedEntryAndTheNextStartRestoresATickedOne) {
  const std::wstring name = seeded(L"Tool");
  const std::wstring command = L"\"C:\\Program Files\\Tool\\tool.exe\" /tray";
  write_value(HKEY_CURRENT_USER, kRunKey, name, command);

  Form1& form = open_form();
  int index = find_item(name);
  ASSERT_GE(index, 0);
  form.list().set_checked(index, false);
  press_exit();
  EXPECT_FALSE(form_->hwnd() != nullptr) << "Exit unloads the window";
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), std::nullopt);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kCurrentUserParking, name), command);

  open_form();
  index = find_item(name);
  ASSERT_GE(index, 0);
  EXPECT_EQ(form_->list().tag(index), 8);
  EXPECT_FALSE(form_->list().checked(index));
  form_->list().set_checked(index, true);
  press_exit();
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), command);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kCurrentUserParking, name), std::nullopt);
  EXPECT_TRUE(dialogs_.shown.empty());
}

// Under Wine a task is read from its file and its switch changes nothing,
// which Exit must tell rather than claim, leaving the file as it was.
TEST_F(Form1Test, TasksJoinTheShownListKeepingSelectionAndFocusAndAFailedSwitchIsTold) {
  const std::wstring value = seeded(L"Zed value");
  write_value(HKEY_CURRENT_USER, kRunKey, value, L"C:\\windows\\notepad.exe");
  const std::string task = narrow(seeded(L"A task"));
  const std::string path = seed_.task(task, R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger/></Triggers>
  <Settings><Enabled>true</Enabled></Settings>
  <Actions Context="Author"><Exec><Command>C:\windows\notepad.exe</Command></Exec></Actions>
</Task>
)");
  const std::optional<std::string> file = seed_.task_file(path);
  ASSERT_TRUE(file.has_value());
  form_.emplace(platform_, Form1::Options{false});
  ASSERT_TRUE(form_->create());
  ASSERT_TRUE(form_->open(SW_SHOWNORMAL));
  EXPECT_EQ(find_item(widen(task)), -1) << "listed before the window showed";
  HWND list = form_->control(kEntryList);
  form_->list().set_current(find_item(value));
  ::SetFocus(list);
  form_->wait_for_later_places();
  pump();
  ASSERT_TRUE(form_->later_places_listed());
  const int index = find_item(widen(task));
  ASSERT_GE(index, 0);
  EXPECT_EQ(form_->list().current(), find_item(value));
  EXPECT_EQ(::GetFocus(), list);
  EXPECT_EQ(form_->list().tag(index), static_cast<int>(StartupLocation::ScheduledTask));
  EXPECT_TRUE(form_->list().checked(index));

  form_->list().set_checked(index, false);
  press_exit();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_NE(dialogs_.shown[0].prompt.find("Task Scheduler did not switch " + task + " off"),
            std::string::npos)
      << dialogs_.shown[0].prompt;
  EXPECT_EQ(seed_.task_file(path), file);
}

// What a 64-bit Windows 8 to 11 keeps besides the Run keys: the 32-bit
// programs' machine entries, and Windows' own switch for each entry.
TEST_F(Form1Test, The32BitViewAndWindowsOwnSwitchBehaveInTheWindowAndAtExit) {
  const std::wstring approved = kStartupApproved;
  const std::wstring run32 = seeded(L"Run32");
  const std::wstring left_off = seeded(L"Left off");
  const std::wstring ticked = seeded(L"Ticked on");
  const std::vector<BYTE> off{3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  write_bytes(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_32KEY, run32, REG_SZ,
              {'C', 0, ':', 0, '\\', 0, 'x', 0, 0, 0});
  write_value(HKEY_CURRENT_USER, kRunKey, left_off, L"C:\\left.exe");
  write_value(HKEY_CURRENT_USER, kRunKey, ticked, L"C:\\ticked.exe");
  write_bytes(HKEY_CURRENT_USER, approved + L"\\Run", 0, left_off, REG_BINARY, off);
  write_bytes(HKEY_CURRENT_USER, approved + L"\\Run", 0, ticked, REG_BINARY,
              {7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

  Form1& form = open_form();
  for (const auto& [name, tag, checked] :
       {std::tuple{run32, 9, true}, {left_off, 2, false}, {ticked, 2, false}}) {
    const int index = find_item(name);
    ASSERT_GE(index, 0) << narrow(name);
    EXPECT_EQ(form.list().tag(index), tag) << narrow(name);
    EXPECT_EQ(form.list().checked(index), checked) << narrow(name);
  }
  form.list().set_checked(find_item(run32), false);
  form.list().set_checked(find_item(ticked), true);
  press_exit();
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(read_bytes(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_32KEY, run32), std::nullopt);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kMachineParking32, run32), L"C:\\x");
  EXPECT_EQ(read_bytes(HKEY_LOCAL_MACHINE, approved + L"\\Run32", KEY_WOW64_64KEY, run32)
                .value_or(std::vector<BYTE>{0})[0],
            3);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, left_off), L"C:\\left.exe");
  EXPECT_EQ(read_bytes(HKEY_CURRENT_USER, approved + L"\\Run", 0, left_off), off);
  EXPECT_EQ(read_bytes(HKEY_CURRENT_USER, approved + L"\\Run", 0, ticked),
            (std::vector<BYTE>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  // Its program writes the entry again: it stays off, and the list says so.
  write_bytes(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_32KEY, run32, REG_SZ,
              {'C', 0, ':', 0, '\\', 0, 'x', 0, 0, 0});
  open_form();
  int again = -1, parked = -1;
  for (int i = 0; i < form_->list().count(); ++i) {
    if (form_->list().text(i) != narrow(run32)) continue;
    (form_->list().tag(i) == 9 ? again : parked) = i;
  }
  ASSERT_GE(again, 0);
  ASSERT_GE(parked, 0);
  EXPECT_FALSE(form_->list().checked(again));
  EXPECT_EQ(form_->list().tag(parked), 10);
}

TEST_F(Form1Test, ExitParksAnUntickedShortcut) {
  const std::wstring name = seeded(L"Shortcut tool");
  write_file(startup_folder() + L"\\" + name + L".lnk");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  form.list().set_checked(index, false);
  press_exit();
  EXPECT_FALSE(file_exists(startup_folder() + L"\\" + name + L".lnk"));
  EXPECT_TRUE(file_exists(program_folder() + L"\\DISABLED\\Default User\\" + name + L".lnk"));
}

// An entry the user cannot switch here, read-only or under a policy that
// keeps its whole list from starting: a click on its checkbox or Space leaves
// it, and a tip beside it says why; its name is grey, not the list's colour.
TEST_F(Form1Test, ALockedItemKeepsItsCheckboxSaysWhyInATipAndIsGrey) {
  const std::wstring pushed = seeded(L"Pushed");
  const std::wstring held = seeded(L"Held");
  const std::wstring free = seeded(L"Free");
  write_value(HKEY_CURRENT_USER, kPolicyRunKey, pushed, L"C:\\p.exe");
  write_value(HKEY_CURRENT_USER, kRunKey, held, L"C:\\h.exe");
  write_bytes(HKEY_CURRENT_USER, kPoliciesKey, 0, L"DisableCurrentUserRun", REG_DWORD,
              {1, 0, 0, 0});
  write_value(HKEY_LOCAL_MACHINE, kRunKey, free, L"C:\\f.exe");
  Form1& form = open_form();
  HWND list = form.control(kEntryList);
  const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
  const COLORREF plain = ListView_GetTextColor(list);
  ASSERT_NE(grey, plain);

  const int free_index = find_item(free);
  ASSERT_GE(free_index, 0);
  EXPECT_TRUE(colours_of_name(list, free_index).contains(plain));
  EXPECT_FALSE(colours_of_name(list, free_index).contains(grey));

  const struct {
    std::wstring name;
    bool checked;
    std::string reason;
  } cases[] = {
      {pushed, true, kSetByPolicy},
      {held, false,
       "a policy keeps Windows from starting this whole list; change it in Group Policy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.name));
    const int index = find_item(c.name);
    ASSERT_GE(index, 0);
    EXPECT_EQ(form.list().checked(index), c.checked) << "shows whether it starts";
    const std::set<COLORREF> colours = colours_of_name(list, index);
    EXPECT_TRUE(colours.contains(grey));
    EXPECT_FALSE(colours.contains(plain));

    form.list().set_current(-1);
    click_checkbox(list, index);
    EXPECT_EQ(form.list().checked(index), c.checked);
    EXPECT_EQ(ListView_GetCheckState(list, index) != 0, c.checked);
    EXPECT_EQ(lock_notice_shown(form), "Cannot be switched here: " + c.reason);
    RECT tip{}, name{};
    ::GetWindowRect(form.lock_notice(), &tip);
    ListView_GetItemRect(list, index, &name, LVIR_LABEL);
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&name), 2);
    EXPECT_NEAR(tip.top, name.bottom, name.bottom - name.top) << "beside the item";

    ::SendMessageW(form.hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(lock_notice_shown(form), std::nullopt) << "left behind by its window";
    ::SetFocus(list);
    form.list().set_current(index);
    press_space(list);
    EXPECT_EQ(form.list().checked(index), c.checked);
    EXPECT_EQ(lock_notice_shown(form), "Cannot be switched here: " + c.reason);
  }
  EXPECT_TRUE(dialogs_.shown.empty()) << "no box: the tip says it";
}

// The untick does not even take, so Exit has nothing to do with the entry;
// had it taken, Exit would leave the entry and say why.
TEST_F(Form1Test, AReadOnlyEntryIsLeftAsItWasByAnUntickAndExit) {
  const std::wstring pushed = seeded(L"Pushed at exit");
  write_value(HKEY_CURRENT_USER, kPolicyRunKey, pushed, L"C:\\p.exe");
  Form1& form = open_form();
  HWND list = form.control(kEntryList);
  click_checkbox(list, find_item(pushed));
  press_exit();
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kPolicyRunKey, pushed), L"C:\\p.exe");
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kCurrentUserParking, pushed), std::nullopt);

  open_form();
  form_->list().set_checked(find_item(pushed), false);  // past the window's guard
  press_exit();
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_NE(dialogs_.shown[0].prompt.find(narrow(pushed) + "' is left as it is: " + kSetByPolicy),
            std::string::npos)
      << dialogs_.shown[0].prompt;
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kPolicyRunKey, pushed), L"C:\\p.exe");
}

TEST_F(Form1Test, TheCloseBoxDiscardsTheCheckboxChanges) {
  const std::wstring name = seeded(L"kept");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\kept.exe");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  form.list().set_checked(index, false);
  ::SendMessageW(form.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  pump();
  EXPECT_EQ(form_->hwnd(), nullptr);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), L"C:\\kept.exe");
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kCurrentUserParking, name), std::nullopt);
}

TEST_F(Form1Test, EnterPressesOnlyTheFocusedButtonAndAltXPressesExit) {
  const std::wstring name = seeded(L"keys");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\k.exe");
  Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  form.list().set_checked(index, false);

  // Escape anywhere, and Enter in the list, press nothing.
  MSG escape{form.control(kExitButton), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
  form.translate_message(escape);
  ::SetFocus(form.control(kEntryList));
  MSG enter_in_list{form.control(kEntryList), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
  form.translate_message(enter_in_list);
  pump();
  ASSERT_NE(form_->hwnd(), nullptr);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), L"C:\\k.exe");

  // Alt+X, as the keyboard delivers it.
  MSG alt_x{form.control(kEntryList), WM_SYSCHAR, L'x', 0x20000001, 0, {}};
  EXPECT_TRUE(form.translate_message(alt_x));
  pump();
  EXPECT_EQ(form_->hwnd(), nullptr);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kRunKey, name), std::nullopt);
}

TEST_F(Form1Test, EnterRightAfterTheStartPressesExit) {
  const std::wstring name = seeded(L"enter");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\e.exe");
  Form1& form = open_form();
  form.list().set_checked(find_item(name), false);
  MSG enter{::GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
  EXPECT_TRUE(form.translate_message(enter));
  EXPECT_EQ(form_->hwnd(), nullptr);
  EXPECT_EQ(read_string(HKEY_CURRENT_USER, kCurrentUserParking, name), L"C:\\e.exe");
}

TEST_F(Form1Test, AFailingCommandIsToldAndTheWindowStays) {
  Form1& form = open_form();
  dialogs_.open_file_breaks = true;
  ::SendMessageW(form.control(kAddButton), BM_CLICK, 0, 0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].title, "Runwarden: ERROR");
  EXPECT_NE(dialogs_.shown[0].prompt.find("the file dialog broke"), std::string::npos);
  EXPECT_TRUE(::IsWindow(form.hwnd()));
}

// The program folder of a copy whose "DISABLED" is a file, not a folder.
class BlockedProgramFolder final : public Folders {
 public:
  BlockedProgramFolder(Folders& real, std::string folder)
      : real_(real), folder_(std::move(folder)) {}
  std::string special_folder(int csidl) override { return real_.special_folder(csidl); }
  std::string windows_directory() override { return real_.windows_directory(); }
  std::string system_directory() override { return real_.system_directory(); }
  bool is_network_drive(char letter) override { return real_.is_network_drive(letter); }
  std::string program_folder() override { return folder_; }

 private:
  Folders& real_;
  std::string folder_;
};

// Listing needs no parking folder: the window starts and lists, and only
// parking a shortcut, which needs the folder, says why it cannot be made.
TEST_F(Form1Test, StartsWhereThePlaceForSwitchedOffEntriesCannotBeMade) {
  const std::wstring folder =
      program_folder() + L"\\blocked" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  write_file(folder + L"\\DISABLED");
  const std::wstring name = seeded(L"Blocked link");
  write_file(startup_folder() + L"\\" + name + L".lnk");
  BlockedProgramFolder folders(services_.folders, narrow(folder));
  Platform platform{services_.registry,
                    services_.files,
                    folders,
                    services_.status_text,
                    shell_,
                    dialogs_,
                    services_.text_rules,
                    services_.programs,
                    services_.tasks};
  {
    Form1 form(platform, Form1::Options{false});
    ASSERT_TRUE(form.create());
    EXPECT_TRUE(form.open(SW_SHOWNORMAL));
    EXPECT_TRUE(::IsWindowVisible(form.hwnd()));
    EXPECT_TRUE(dialogs_.shown.empty()) << dialogs_.shown[0].prompt;
    int index = -1;
    for (int i = 0; i < form.list().count(); ++i) {
      if (form.list().text(i) == narrow(name)) index = i;
    }
    ASSERT_GE(index, 0);
    form.list().set_checked(index, false);
    ::SendMessageW(form.control(kExitButton), BM_CLICK, 0, 0);
  }
  ::DeleteFileW((folder + L"\\DISABLED").c_str());
  ::RemoveDirectoryW(folder.c_str());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].title, "Runwarden: ERROR");
  EXPECT_NE(dialogs_.shown[0].prompt.find("MkDir failed for \"" + narrow(folder) + "\\DISABLED\""),
            std::string::npos)
      << dialogs_.shown[0].prompt;
  EXPECT_TRUE(file_exists(startup_folder() + L"\\" + name + L".lnk"));
}

// At each DPI: the list and the buttons beside it inside the frame, the
// buttons below it clear of it, no control on another, each text whole and
// everything inside the client area.
TEST_F(Form1Test, PlacesEachControlInOrClearOfTheFrameApartAndWholeAtEachDpi) {
  Form1& form = open_form();
  const struct {
    int id;
    bool in_frame;
  } controls[] = {{kEntryList, true},   {kRemoveButton, true}, {kAddButton, true},
                  {kHelpButton, false}, {kAboutButton, false}, {kExitButton, false}};
  for (const UINT dpi : {96u, 144u}) {
    SCOPED_TRACE(dpi);
    change_dpi(form, dpi);
    const RECT frame = place_of(form, kEntriesFrame);
    for (const auto& c : controls) {
      SCOPED_TRACE(c.id);
      const RECT at = place_of(form, c.id);
      RECT common{};
      if (c.in_frame) {
        EXPECT_TRUE(at.left > frame.left && at.top > frame.top && at.right < frame.right &&
                    at.bottom < frame.bottom);
      } else {
        EXPECT_FALSE(::IntersectRect(&common, &at, &frame));
      }
      for (const auto& other : controls) {
        const RECT other_at = place_of(form, other.id);
        if (other.id == c.id) continue;
        EXPECT_FALSE(::IntersectRect(&common, &at, &other_at)) << "on " << other.id;
      }
    }
    EXPECT_EQ(hidden_parts(form.hwnd(), SIZE{6885, 4740},
                           {kEntriesFrame, kRemoveButton, kAddButton, kHelpButton, kAboutButton,
                            kExitButton},
                           dpi),
              "");
  }
}

// On a monitor of another DPI the window takes the client area of its
// design at that DPI, and each control its place scaled alike.
TEST_F(Form1Test, LaysItselfOutAgainOnAMonitorOfAnotherDpi) {
  Form1& form = open_form();
  const int ids[] = {kEntriesFrame, kEntryList,   kRemoveButton, kAddButton,
                     kHelpButton,   kAboutButton, kExitButton};
  const int old_dpi = static_cast<int>(window_dpi(form.hwnd()));
  const int new_dpi = old_dpi * 3 / 2;
  std::vector<RECT> before;
  for (int id : ids) before.push_back(place_of(form, id));
  change_dpi(form, static_cast<UINT>(new_dpi));
  const auto scaled = [&](LONG pixels) { return ::MulDiv(pixels, new_dpi, old_dpi); };
  for (std::size_t i = 0; i < std::size(ids); ++i) {
    SCOPED_TRACE(ids[i]);
    const RECT after = place_of(form, ids[i]);
    EXPECT_NEAR(after.left, scaled(before[i].left), 1);
    EXPECT_NEAR(after.top, scaled(before[i].top), 1);
    EXPECT_NEAR(after.right, scaled(before[i].right), 1);
    EXPECT_NEAR(after.bottom, scaled(before[i].bottom), 1);
  }
  RECT window{};
  ::GetWindowRect(form.hwnd(), &window);
  const SIZE expected = window_size_for_client(
      6885, 4740, static_cast<DWORD>(::GetWindowLongW(form.hwnd(), GWL_STYLE)), 0,
      static_cast<UINT>(new_dpi));
  EXPECT_EQ(window.right - window.left, expected.cx);
  EXPECT_EQ(window.bottom - window.top, expected.cy);
}

}  // namespace
}  // namespace rw::ui
