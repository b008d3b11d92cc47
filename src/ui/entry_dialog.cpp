// The entry dialog: the name and command of a Run entry, with Browse, Cancel
// and OK. Only OK writes, and it writes through the catalogue's Modify.
#include "ui/entry_dialog.h"

#include <array>
#include <exception>
#include <string>
#include <utility>

#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "platform/win32/text.h"
#include "ui/modal_dialog.h"
#include "ui/window_layout.h"

namespace rw::ui {

namespace {

using namespace entry_dialog;
using win32::widen;

constexpr int kMaxTitleChars = 255;

// In tab order: OK first, so that it has the focus when the dialog opens.
constexpr std::array<ControlSpec, 8> kControls = {{
    {ControlKind::Button, kOkButton, "&OK", 4440, 1440, 1095, 375, ""},
    {ControlKind::Button, kCancelButton, "&Cancel", 3240, 1440, 1095, 375, ""},
    {ControlKind::Edit, kTitleBox, "", 960, 240, 3615, 315, "Application Title", WS_DISABLED},
    {ControlKind::Edit, kSourceBox, "", 960, 720, 3615, 315, "Application Source"},
    {ControlKind::Button, kBrowseButton, "&Browse", 4680, 720, 855, 375,
     "Browse for the application"},
    {ControlKind::Label, kTitleLabel, "Title:", 240, 320, 615, 255, ""},
    {ControlKind::Label, kSourceLabel, "Source:", 240, 795, 615, 255, ""},
    {ControlKind::EtchedLine, kSeparatorLine, "", 120, 1320, 5400, 0, ""},
}};

// The client area's corner is fixed on the screen, wherever the main window is.
constexpr DialogLayout kLayout{2760, 3750, 5700, 1980, kControls};

// What the dialog ended with.
constexpr INT_PTR kClosed = 0;
constexpr INT_PTR kWritten = 1;
constexpr INT_PTR kNotShowable = 2;

class EntryDialog final : public ModalDialog {
 public:
  EntryDialog(Catalogue& catalogue, ModifyRequest request)
      : catalogue_(catalogue), request_(std::move(request)) {}

  INT_PTR show(HWND owner) {
    const DialogTemplate layout(kDialogStyle, 0, 0, 0, widen(request_.caption));
    return run(owner, layout, request_.caption);
  }

 private:
  bool on_init() override {
    lay_out_dialog(window(), kLayout, font_);
    ::SendMessageW(item(kTitleBox), EM_SETLIMITTEXT, kMaxTitleChars, 0);
    // The box's usual limit would cut a long command short, and OK would
    // then store the cut one.
    ::SendMessageW(item(kSourceBox), EM_SETLIMITTEXT, 0, 0);
    ::SetWindowTextW(item(kTitleBox), widen(request_.title).c_str());
    ::SetWindowTextW(item(kSourceBox), widen(request_.source).c_str());
    if (window_text(item(kSourceBox)) != request_.source) {
      end(kNotShowable);
      return false;
    }
    // Through the dialog manager, so that OK is also the button Enter presses.
    ::SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(kOkButton)), TRUE);
    return false;
  }

  bool on_command(int id, int code, HWND) override {
    if (code != BN_CLICKED) return false;
    switch (id) {
      case kOkButton:
        commit();
        return true;
      case kCancelButton:
        end(kClosed);
        return true;
      case kBrowseButton:
        if (auto chosen = browse_for_source(catalogue_.platform)) {
          ::SetWindowTextW(item(kSourceBox), widen(*chosen).c_str());
        }
        return true;
      case IDOK:
        // Enter: it presses the focused button, and no other.
        if (HWND focus = ::GetFocus(); is_button(focus)) {
          on_command(::GetDlgCtrlID(focus), BN_CLICKED, focus);
        }
        return true;
      default:
        // IDCANCEL, which Escape makes: no button is the cancel button.
        return true;
    }
  }

  bool is_button(HWND control) const {
    return control != nullptr && (control == item(kOkButton) || control == item(kCancelButton) ||
                                  control == item(kBrowseButton));
  }

  void commit() {
    try {
      // The name is the entry's own rather than what the box shows, which
      // holds no more than 255 characters.
      if (commit_modify(catalogue_, request_, window_text(item(kSourceBox)))) {
        end(kWritten);
      }
    } catch (const std::exception& error) {
      // The dialog stays, and with it what the user typed.
      show_error(catalogue_.platform,
                 entry_failure(catalogue_.platform.status_text,
                               "Can't save the new command of " + request_.title + " ! ", error));
    }
  }

  bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override {
    switch (message) {
      case WM_CLOSE:
        end(kClosed);
        result = 0;
        return true;
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORSTATIC: {
        // A disabled box asks for the static colours.
        const auto control = reinterpret_cast<HWND>(lparam);
        if (control != item(kTitleBox) && control != item(kSourceBox)) return false;
        const int background = ::IsWindowEnabled(control) ? COLOR_WINDOW : COLOR_BTNFACE;
        const auto dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, kDarkBlue);
        ::SetBkColor(dc, ::GetSysColor(background));
        result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(background));
        return true;
      }
      default:
        return false;
    }
  }

  Catalogue& catalogue_;
  ModifyRequest request_;
  win32::UniqueFont font_;
};

}  // namespace

void modify_current_entry(HWND owner, Catalogue& catalogue) {
  std::optional<ModifyRequest> request = begin_modify(catalogue);
  if (!request) return;
  const std::string name = request->title;
  EntryDialog dialog(catalogue, std::move(*request));
  if (dialog.show(owner) == kNotShowable) {
    show_error(catalogue.platform,
               "Can't show the command of " + name + " as it is stored, so it is left as it is.");
  }
}

}  // namespace rw::ui
