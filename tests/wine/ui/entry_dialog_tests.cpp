// Modify and its dialog over the real registry of the Wine prefix: the
// dialog is worked from a helper thread while the main window's thread
// runs its modal loop.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text.h"
#include "ui/entry_dialog.h"
#include "ui_driver.h"
#include "ui_support.h"

namespace rw::test {
namespace {

using namespace ui::entry_dialog;
using ui::form1::kMenuModify;
using win32::narrow;

constexpr wchar_t kCurrentUserCaption[] = L"Runwarden: MODIFY [CURRENT USER]";

class EntryDialogTest : public MainWindowTest {
 protected:
  // Makes `name` current and sends the menu's Modify; `work` gets the dialog.
  std::string modify(const std::wstring& name, const std::function<std::string(HWND)>& work) {
    const int index = find_item(name);
    if (index < 0) return "the entry is not listed";
    form_->list().set_current(index);
    return drive(kCurrentUserCaption, work,
                 [&] { ::SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(kMenuModify, 0), 0); });
  }

  std::wstring stored(const std::wstring& name) {
    const auto value = read_value(HKEY_CURRENT_USER, kRunKey, name);
    return value ? value->text : L"(missing)";
  }
};

std::wstring item_text(HWND dialog, int id) { return text_of(::GetDlgItem(dialog, id)); }

void set_item_text(HWND dialog, int id, const std::wstring& text) {
  ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

TEST_F(EntryDialogTest, TheMenusModifyShowsTheStoredCommandAndOkStoresTheEditedOne) {
  const std::wstring name = seeded(L"modified");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\old.exe /quiet");
  ui::Form1& form = open_form();
  const int index = find_item(name);
  ASSERT_GE(index, 0);
  const int count = form.list().count();
  const bool checked = form.list().checked(index);
  const auto tag = form.list().tag(index);
  form.list().set_current(index);

  std::string seen_title, seen_source;
  const std::string problem = drive(
      kCurrentUserCaption,
      [&](HWND dialog) -> std::string {
        seen_title = narrow(item_text(dialog, kTitleBox));
        seen_source = narrow(item_text(dialog, kSourceBox));
        if (::GetWindow(dialog, GW_OWNER) != form.hwnd()) return "not owned by the main window";
        set_item_text(dialog, kSourceBox, L"C:\\new.exe /loud");
        click_button(dialog, kOkButton);
        return {};
      },
      [&] {
        // Down over Add and Remove, past the separator, to Modify.
        right_click_and_press({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        pump();
      });
  ASSERT_EQ(problem, "");
  EXPECT_EQ(seen_title, narrow(name));
  EXPECT_EQ(seen_source, "C:\\old.exe /quiet");
  const auto value = read_value(HKEY_CURRENT_USER, kRunKey, name);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->text, L"C:\\new.exe /loud");
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  // The list is left as it was.
  EXPECT_EQ(form.list().count(), count);
  EXPECT_EQ(find_item(name), index);
  EXPECT_EQ(form.list().checked(index), checked);
  EXPECT_EQ(form.list().tag(index), tag);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(EntryDialogTest, HasItsLayoutColoursAndTabOrderAndTheCloseBoxWritesNothing) {
  const std::wstring name = seeded(L"looked at");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\seen.exe");
  ui::Form1& form = open_form();
  const DWORD ui_thread = ::GetCurrentThreadId();
  const std::string problem = modify(name, [&](HWND dialog) -> std::string {
    expect_dialog_geometry(dialog, 2760, 3750, 5700, 1980);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), form.hwnd()) << "owned: no taskbar button";
    EXPECT_FALSE(::IsWindowEnabled(form.hwnd())) << "modal to the main window";

    EXPECT_EQ(item_text(dialog, kOkButton), L"&OK");
    EXPECT_EQ(item_text(dialog, kCancelButton), L"&Cancel");
    EXPECT_EQ(item_text(dialog, kBrowseButton), L"&Browse");
    EXPECT_EQ(item_text(dialog, kTitleLabel), L"Title:");
    EXPECT_EQ(item_text(dialog, kSourceLabel), L"Source:");
    HWND title = ::GetDlgItem(dialog, kTitleBox);
    EXPECT_FALSE(::IsWindowEnabled(title));
    EXPECT_EQ(::SendMessageW(title, EM_GETLIMITTEXT, 0, 0), 255);

    // OK has the focus; Tab goes round OK, Cancel, the command, Browse.
    EXPECT_EQ(focus_of_thread(ui_thread), ::GetDlgItem(dialog, kOkButton));
    HWND at = ::GetDlgItem(dialog, kOkButton);
    for (int id : {kCancelButton, kSourceBox, kBrowseButton, kOkButton}) {
      at = ::GetNextDlgTabItem(dialog, at, FALSE);
      EXPECT_EQ(::GetDlgCtrlID(at), id);
    }

    // Both boxes write in dark blue.
    HDC dc = ::CreateCompatibleDC(nullptr);
    for (int id : {kTitleBox, kSourceBox}) {
      const UINT message = id == kTitleBox ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
      ::SetTextColor(dc, RGB(1, 2, 3));
      ::SendMessageW(dialog, message, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
      EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 192)) << id;
    }
    ::DeleteDC(dc);

    // Enter in the command and Escape anywhere press nothing.
    set_item_text(dialog, kSourceBox, L"C:\\typed.exe");
    HWND source = ::GetDlgItem(dialog, kSourceBox);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(source), TRUE);
    EXPECT_EQ(focus_of_thread(ui_thread), source);
    press_key(source, VK_RETURN);
    press_key(::GetDlgItem(dialog, kOkButton), VK_ESCAPE);
    ::Sleep(300);
    if (!::IsWindow(dialog)) return "Enter or Escape closed the dialog";
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    return {};
  });
  EXPECT_EQ(problem, "");
  EXPECT_EQ(stored(name), L"C:\\seen.exe");
  EXPECT_TRUE(::IsWindowEnabled(form.hwnd()));
}

TEST_F(EntryDialogTest, BrowseFillsTheCommandQuotedAndCancelThenWritesNothing) {
  const std::wstring name = seeded(L"browsed");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\before.exe");
  open_form();
  dialogs_.next_file = {true, "C:\\Program Files\\Tool\\tool.exe", "tool.exe"};
  std::wstring after_browse;
  const std::string problem = modify(name, [&](HWND dialog) -> std::string {
    ::SendMessageW(::GetDlgItem(dialog, kBrowseButton), BM_CLICK, 0, 0);
    after_browse = item_text(dialog, kSourceBox);
    click_button(dialog, kCancelButton);
    return {};
  });
  EXPECT_EQ(problem, "");
  EXPECT_EQ(after_browse, L"\"C:\\Program Files\\Tool\\tool.exe\"");
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  const OpenFileRequest& request = dialogs_.file_requests[0];
  EXPECT_EQ(request.flags, 0x180Cu) << "must exist, and the current folder is kept";
  EXPECT_EQ(request.title, "Runwarden: Select application");
  EXPECT_EQ(stored(name), L"C:\\before.exe");
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(EntryDialogTest, ACancelledOrBrokenBrowseKeepsTheCommandAndTheDialog) {
  const std::wstring name = seeded(L"kept");
  write_value(HKEY_CURRENT_USER, kRunKey, name, L"C:\\kept.exe");
  open_form();
  std::wstring after_cancel, after_break;
  bool open_after_break = false;
  const std::string problem = modify(name, [&](HWND dialog) -> std::string {
    ::SendMessageW(::GetDlgItem(dialog, kBrowseButton), BM_CLICK, 0, 0);  // cancelled
    after_cancel = item_text(dialog, kSourceBox);
    dialogs_.open_file_breaks = true;
    ::SendMessageW(::GetDlgItem(dialog, kBrowseButton), BM_CLICK, 0, 0);
    after_break = item_text(dialog, kSourceBox);
    open_after_break = ::IsWindowVisible(dialog) != FALSE;
    click_button(dialog, kCancelButton);
    return {};
  });
  EXPECT_EQ(problem, "");
  EXPECT_EQ(after_cancel, L"C:\\kept.exe");
  EXPECT_EQ(after_break, L"C:\\kept.exe");
  EXPECT_TRUE(open_after_break);
  ASSERT_EQ(dialogs_.shown.size(), 1u) << "only the broken dialog is told";
  EXPECT_EQ(dialogs_.shown[0].title, "Runwarden: ERROR");
  EXPECT_NE(dialogs_.shown[0].prompt.find("the file dialog broke"), std::string::npos);
}

TEST_F(EntryDialogTest, EnterOnOkStoresALongExpandableCommandWholeWithItsType) {
  const std::wstring name = seeded(L"long");
  std::wstring command = L"%SystemRoot%\\long.exe ";
  command.append(5000 - command.size(), L'x');
  write_value(HKEY_CURRENT_USER, kRunKey, name, command, REG_EXPAND_SZ);
  open_form();
  std::wstring shown;
  const std::string problem = modify(name, [&](HWND dialog) -> std::string {
    shown = item_text(dialog, kSourceBox);
    press_key(::GetDlgItem(dialog, kOkButton), VK_RETURN);
    return {};
  });
  EXPECT_EQ(problem, "");
  EXPECT_EQ(shown.size(), command.size());
  const auto value = read_value(HKEY_CURRENT_USER, kRunKey, name);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->text, command);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_EXPAND_SZ));
}

}  // namespace
}  // namespace rw::test
