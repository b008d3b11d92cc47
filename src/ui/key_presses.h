// Keeps each key press in the window it went down in. When a window closes on
// a key's press (Enter on a dialog's OK, Alt+F4), the key is still down and
// the next window takes over: without this, the key's auto-repeats and its
// release reach that window, and a repeated Enter presses its focused button.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "platform/win32/handles.h"

namespace rw::ui {

// The rule, message by message: a key's repeats and release belong to the
// window that was active when the key went down, and to no window after it.
// Enter acts once, on its press; its repeats belong to no window at all.
class KeyPressLedger {
 public:
  // `window` is being activated.
  void activating(HWND window);
  // True when the key message must reach no window. `removing` is false for
  // a look at a message that stays queued: it is judged, not recorded.
  bool stray(const MSG& message, bool removing);

 private:
  // The activation each key went down in; 0 for a key that is up or that
  // went down while no window of the thread was taking keys.
  std::array<std::uint32_t, 256> pressed_in_{};
  std::uint32_t activation_ = 1;
  HWND active_ = nullptr;
};

// Applies the ledger to every message loop of the calling thread for as long
// as it lives: the program's own, and those of the message boxes, the common
// dialogs and every modal dialog, which the program cannot reach otherwise.
// One per thread.
class KeyPressFilter {
 public:
  KeyPressFilter();
  ~KeyPressFilter();
  KeyPressFilter(const KeyPressFilter&) = delete;
  KeyPressFilter& operator=(const KeyPressFilter&) = delete;

 private:
  static LRESULT CALLBACK on_message_taken(int code, WPARAM removal, LPARAM message);
  static LRESULT CALLBACK on_window_event(int code, WPARAM wparam, LPARAM lparam);

  KeyPressLedger ledger_;
  win32::UniqueHook message_hook_;
  win32::UniqueHook activation_hook_;
};

}  // namespace rw::ui
