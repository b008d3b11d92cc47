// Runwarden's entry point: the main window over the real Windows services.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "platform/win32/win32_platform.h"
#include "ui/form1.h"
#include "ui/key_presses.h"
#include "ui/win32_dialogs.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES;
  ::InitCommonControlsEx(&controls);

  rw::ui::Win32Dialogs dialogs;
  rw::win32::Win32Services services;
  rw::Platform platform = services.platform(dialogs);

  // Before any window: a key that closes one window must not act in the next.
  rw::ui::KeyPressFilter key_presses;
  rw::ui::Form1 form(platform);
  if (!form.create()) return 1;
  dialogs.set_owner(form.hwnd());
  if (!form.open(show_command)) return 1;
  return rw::ui::run_message_loop(form);
}
