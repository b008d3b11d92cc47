// The About box, opened from the main window's button and worked from a
// helper thread: its contents, the hover scheme, the link and System Info.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text.h"
#include "ui/about_box.h"
#include "ui_driver.h"
#include "ui_support.h"

namespace rw::test {
namespace {

using namespace ui::about_box;
using ui::form1::kAboutButton;

constexpr wchar_t kCaption[] = L"About Runwarden";

class AboutBoxTest : public MainWindowTest {
 protected:
  std::string about(const std::function<std::string(HWND)>& work) {
    return drive(kCaption, work,
                 [&] { ::SendMessageW(form_->control(kAboutButton), BM_CLICK, 0, 0); });
  }
};

std::wstring item_text(HWND box, int id) { return text_of(::GetDlgItem(box, id)); }

// Where a control's middle lies in the box's client area.
LPARAM middle_of(HWND box, int id) {
  RECT at{};
  ::GetWindowRect(::GetDlgItem(box, id), &at);
  ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&at), 2);
  return MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2);
}

COLORREF link_colour(HWND box) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box, kEmailBox)));
  const COLORREF colour = ::GetTextColor(dc);
  ::DeleteDC(dc);
  return colour;
}

TEST_F(AboutBoxTest, ShowsTheVersionResourceAndStartsWithTheFocusOnSystemInfo) {
  ui::Form1& form = open_form();
  const DWORD ui_thread = ::GetCurrentThreadId();
  const std::string problem = about([&](HWND box) -> std::string {
    EXPECT_EQ(::GetWindow(box, GW_OWNER), form.hwnd());
    EXPECT_FALSE(::IsWindowEnabled(form.hwnd())) << "modal to the main window";
    EXPECT_EQ(item_text(box, kTitleLabel), L"Runwarden");
    EXPECT_EQ(win32::narrow(item_text(box, kVersionLabel)),
              std::string("Version ") + RUNWARDEN_PROJECT_VERSION);
    EXPECT_EQ(item_text(box, kCopyrightLabel), L"\u00A9 2026 Runwarden");
    EXPECT_EQ(item_text(box, kEmailBox), L"<rw@example.org>");
    EXPECT_EQ(item_text(box, kSysInfoButton), L"&System Info...");
    EXPECT_NE(::SendMessageW(::GetDlgItem(box, kIcon), STM_GETICON, 0, 0), 0);
    HWND email = ::GetDlgItem(box, kEmailBox);
    EXPECT_TRUE(::GetWindowLongW(email, GWL_STYLE) & ES_READONLY);

    expect_dialog_geometry(box, 2340, 1935, 5730, 3555);

    // System Info is the one tab stop.
    HWND sysinfo = ::GetDlgItem(box, kSysInfoButton);
    EXPECT_EQ(focus_of_thread(ui_thread), sysinfo);
    EXPECT_EQ(::GetNextDlgTabItem(box, sysinfo, FALSE), sysinfo);
    EXPECT_EQ(link_colour(box), kLinkIdle);
    ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return {};
  });
  EXPECT_EQ(problem, "");
  EXPECT_TRUE(::IsWindowEnabled(form.hwnd()));
}

TEST_F(AboutBoxTest, ShowsEveryTextWholeInsideTheBoxAtEachDpi) {
  for (const UINT dpi : {96u, 144u}) {
    SCOPED_TRACE(dpi);
    const std::string problem = drive(
        kCaption,
        [&](HWND box) -> std::string {
          expect_dialog_geometry(box, 2340, 1935, 5730, 3555, dpi);
          std::string hidden = hidden_parts(
              box, SIZE{5730, 3555},
              {kTitleLabel, kVersionLabel, kCopyrightLabel, kEmailBox, kSysInfoButton}, dpi);
          ::PostMessageW(box, WM_CLOSE, 0, 0);
          return hidden;
        },
        // No owner: a failing case closes what it left open, and with it
        // an owner the next case would need.
        [&] { ui::show_about_box(nullptr, platform_, dpi); });
    EXPECT_EQ(problem, "");
  }
}

TEST_F(AboutBoxTest, TheFocusFollowsTheMouseAndColoursTheAddress) {
  open_form();
  const DWORD ui_thread = ::GetCurrentThreadId();
  const std::string problem = about([&](HWND box) -> std::string {
    HWND email = ::GetDlgItem(box, kEmailBox);
    HWND sysinfo = ::GetDlgItem(box, kSysInfoButton);
    ::SendMessageW(email, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(focus_of_thread(ui_thread), email);
    EXPECT_EQ(link_colour(box), kLinkFocused);
    // The disclaimer lets the mouse through to the box beneath it.
    EXPECT_EQ(::SendMessageW(::GetDlgItem(box, kDisclaimerLabel), WM_NCHITTEST, 0, 0),
              HTTRANSPARENT);
    ::SendMessageW(box, WM_MOUSEMOVE, 0, middle_of(box, kDisclaimerLabel));
    EXPECT_EQ(focus_of_thread(ui_thread), sysinfo);
    EXPECT_EQ(link_colour(box), kLinkIdle);

    // Over the icon nothing happens; a click on it moves the focus.
    ::SendMessageW(email, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    HWND icon = ::GetDlgItem(box, kIcon);
    EXPECT_NE(::SendMessageW(icon, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    ::SendMessageW(icon, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(focus_of_thread(ui_thread), email);
    ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(kIcon, STN_CLICKED), reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(focus_of_thread(ui_thread), sysinfo);

    // Tab cannot reach the address.
    press_key(sysinfo, VK_TAB);
    ::Sleep(100);
    EXPECT_EQ(focus_of_thread(ui_thread), sysinfo);
    press_key(sysinfo, VK_ESCAPE);
    return {};
  });
  EXPECT_EQ(problem, "") << "Escape closes the box";
}

TEST_F(AboutBoxTest, TheAddressOpensAMailAndSystemInfoSaysItIsUnavailable) {
  open_form();
  const std::string problem = about([&](HWND box) -> std::string {
    HWND email = ::GetDlgItem(box, kEmailBox);
    ::SendMessageW(email, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageW(email, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ::SendMessageW(::GetDlgItem(box, kSysInfoButton), BM_CLICK, 0, 0);
    if (!::IsWindow(box)) return "the box closed";
    ::PostMessageW(box, WM_CLOSE, 0, 0);
    return {};
  });
  EXPECT_EQ(problem, "");
  ASSERT_EQ(shell_.opened.size(), 1u);
  EXPECT_EQ(shell_.opened[0], "Open|mailto:rw@example.org?Subject=Runwarden|1");
  // Wine has no System Information program.
  EXPECT_TRUE(shell_.started.empty());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].prompt, "System Information Is Unavailable At This Time");
  EXPECT_EQ(dialogs_.shown[0].title, "Runwarden");
  EXPECT_EQ(dialogs_.shown[0].flags, mb::kOk);
}

}  // namespace
// The manifest is the one version the program does not show; it must not
// drift from the others either.
TEST(VersionResources, TheManifestCarriesTheProjectsVersion) {
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
  const std::string manifest(bytes, ::SizeofResource(nullptr, found));
  EXPECT_NE(manifest.find(std::string("name=\"Runwarden\" version=\"") + RUNWARDEN_PROJECT_VERSION +
                          ".0\""),
            std::string::npos);
}

}  // namespace rw::test
