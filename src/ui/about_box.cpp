// The About box: icon, title, version and copyright from the program's own
// version resource, the e-mail address as a link, and System Info.
#include "ui/about_box.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "catalogue/about.h"
#include "catalogue/places.h"
#include "platform/win32/file_version_info.h"
#include "platform/win32/text.h"
#include "ui/modal_dialog.h"
#include "ui/resource.h"
#include "ui/window_layout.h"

namespace rw::ui {

namespace {

using namespace about_box;
using win32::widen;

// In twips, like every window's table. System Info comes first, as the one
// control that takes the focus. It reaches further left than its design
// (4260 wide 1245), which the dialog font's caption overfilled.
constexpr std::array<ControlSpec, 8> kControls = {{
    {ControlKind::Button, kSysInfoButton, "&System Info...", 4140, 3075, 1365, 345, ""},
    {ControlKind::Icon, kIcon, "", 240, 240, 660, 660, "", SS_NOTIFY, false},
    {ControlKind::Label, kTitleLabel, kProgramTitle, 1050, 240, 3885, 480, ""},
    {ControlKind::Label, kVersionLabel, "", 1050, 780, 3885, 225, ""},
    {ControlKind::Label, kCopyrightLabel, "", 1050, 1005, 1845, 225, ""},
    {ControlKind::Edit, kEmailBox, "", 2880, 1005, 2175, 285, "Contact me!", ES_READONLY, false},
    // The grey and the white line of an etched separator, as one control.
    {ControlKind::EtchedLine, kSeparatorLine, "", 90, 2445, 5654 - 90, 0, ""},
    {ControlKind::Label, kDisclaimerLabel, "", 255, 2625, 3870, 825, ""},
}};

constexpr DialogLayout kLayout{2340, 1935, 5730, 3555, kControls};

// The link's click, as the address box reports it to the box.
constexpr int kEmailClicked = 0x7001;

struct VersionResource {
  std::string version;  // "Version " + major.minor.revision
  std::string copyright;
};

std::wstring module_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

VersionResource read_version_resource() {
  VersionResource result;
  const win32::FileVersionInfo info = win32::FileVersionInfo::of_file(module_path());
  if (const VS_FIXEDFILEINFO* fixed = info.fixed()) {
    result.version = "Version " + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                     std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                     std::to_string(HIWORD(fixed->dwFileVersionLS));
  }
  result.copyright = info.string(L"LegalCopyright");
  return result;
}

HICON load_program_icon(UINT dpi) {
  const int size = ::MulDiv(32, static_cast<int>(dpi), 96);
  return static_cast<HICON>(::LoadImageW(
      ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_RUNWARDEN), IMAGE_ICON, size, size, 0));
}

HFONT create_title_font(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(135, static_cast<int>(dpi), 720);  // 13.5 points
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = EASTEUROPE_CHARSET;
  wcscpy_s(font.lfFaceName, L"MS Sans Serif");
  return ::CreateFontIndirectW(&font);
}

class AboutBox final : public ModalDialog {
 public:
  AboutBox(Platform& platform, UINT dpi) : platform_(platform), dpi_(dpi) {}

  void show(HWND owner) {
    const std::string caption = "About " + std::string(kProgramTitle);
    const DialogTemplate layout(kDialogStyle, 0, 0, 0, widen(caption));
    run(owner, layout, caption);
  }

 private:
  bool on_init() override {
    const UINT dpi = lay_out_dialog(window(), kLayout, font_, dpi_);
    title_font_.reset(create_title_font(dpi));
    ::SendMessageW(item(kTitleLabel), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_.get()),
                   FALSE);

    const VersionResource resource = read_version_resource();
    ::SetWindowTextW(item(kEmailBox), (L"<" + widen(kContactAddress) + L">").c_str());
    ::SetWindowTextW(item(kVersionLabel), widen(resource.version).c_str());
    ::SetWindowTextW(item(kCopyrightLabel), widen(resource.copyright).c_str());
    icon_.reset(load_program_icon(dpi));
    ::SendMessageW(item(kIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);

    ::SetWindowSubclass(item(kEmailBox), &link_procedure, 1, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(item(kSysInfoButton), &button_procedure, 1, 0);
    // Through the dialog manager, so that Enter presses it.
    ::SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(kSysInfoButton)), TRUE);
    return false;
  }

  bool on_command(int id, int code, HWND) override {
    switch (id) {
      case kSysInfoButton:
        if (code == BN_CLICKED) StartSysInfo(platform_);
        return true;
      case kEmailBox:
        if (code == kEmailClicked) open_contact_link(platform_);
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) {
          link_focused_ = code == EN_SETFOCUS;
          // A link shows no caret.
          if (link_focused_) ::HideCaret(item(kEmailBox));
          ::InvalidateRect(item(kEmailBox), nullptr, TRUE);
        }
        return true;
      case kIcon:
        if (code == STN_CLICKED) focus_sysinfo();
        return true;
      case IDOK:
        // Enter presses System Info when it has the focus, and nothing else.
        if (::GetFocus() == item(kSysInfoButton)) StartSysInfo(platform_);
        return true;
      case IDCANCEL:
        // Escape: the box holds nothing to lose.
        end(IDCANCEL);
        return true;
      default:
        return true;
    }
  }

  bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override {
    switch (message) {
      case WM_CLOSE:
        end(IDCANCEL);
        result = 0;
        return true;
      case WM_MOUSEMOVE:
        // The labels and the line let the mouse through to the box itself.
        focus_sysinfo();
        result = 0;
        return true;
      case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lparam);
        if (control != item(kEmailBox) && control != item(kTitleLabel) &&
            control != item(kDisclaimerLabel)) {
          return false;
        }
        const auto dc = reinterpret_cast<HDC>(wparam);
        const bool focused_link = control == item(kEmailBox) && link_focused_;
        ::SetTextColor(dc, focused_link ? kLinkFocused : kLinkIdle);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
      }
      default:
        return false;
    }
  }

  void focus_sysinfo() {
    HWND button = item(kSysInfoButton);
    if (::GetFocus() != button) ::SetFocus(button);
  }

  // The address: a hand over it, the focus when the mouse moves on it, and
  // its click passed to the box, where errors are handled.
  static LRESULT CALLBACK link_procedure(HWND link, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR, DWORD_PTR) {
    switch (message) {
      case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      case WM_MOUSEMOVE:
        if (::GetFocus() != link) ::SetFocus(link);
        break;
      case WM_LBUTTONUP:
        ::SendMessageW(::GetParent(link), WM_COMMAND, MAKEWPARAM(kEmailBox, kEmailClicked),
                       reinterpret_cast<LPARAM>(link));
        break;
      case WM_NCDESTROY:
        ::RemoveWindowSubclass(link, &link_procedure, 1);
        break;
      default:
        break;
    }
    return ::DefSubclassProc(link, message, wparam, lparam);
  }

  static LRESULT CALLBACK button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR, DWORD_PTR) {
    if (message == WM_MOUSEMOVE && ::GetFocus() != button) ::SetFocus(button);
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(button, &button_procedure, 1);
    return ::DefSubclassProc(button, message, wparam, lparam);
  }

  Platform& platform_;
  UINT dpi_;  // 0: the window's own
  win32::UniqueFont font_;
  win32::UniqueFont title_font_;
  win32::UniqueIcon icon_;
  bool link_focused_ = false;
};

}  // namespace

void show_about_box(HWND owner, Platform& platform, UINT dpi) {
  AboutBox box(platform, dpi);
  box.show(owner);
}

}  // namespace rw::ui
