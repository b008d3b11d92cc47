// Keeps each key press in the window it went down in. When a window closes on
// a key's press (Enter on a dialog's OK, Alt+F4), the key is still down and
// the next window takes over: without this, the key's auto-repeats and its
// release reach that window, and a repeated Enter presses its focused button.
// A key pressed while a window closes, or while the program is too busy to
// read it, waits in the queue: read by the next window, it would answer a
// question the user has not yet seen.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

#include "platform/win32/handles.h"

namespace rw::ui {

// The rule, message by message: a key that went down before the active window
// was activated never acts in it (judged by the key's own time stamp, not by
// when the program reads it). A key's repeats, release and characters belong
// to the window that was active when it went down, and to no window after it.
// Enter acts once, on its press; its repeats belong to no window at all.
class KeyPressLedger {
 public:
  // `window` is being activated at `now`, on the clock of MSG::time
  // (GetTickCount's).
  void activating(HWND window, std::uint32_t now);
  // True when the message must reach no window. `removing` is false for a
  // look at a message that stays queued: it is judged, not recorded.
  bool stray(const MSG& message, bool removing);

 private:
  bool stray_key_down(const MSG& message, bool removing);
  bool stray_key_up(const MSG& message, bool removing);
  bool pressed_before_activation(const MSG& message) const;

  // The activation each key went down in; 0 for a key that is up or whose
  // press acted nowhere.
  std::array<std::uint32_t, 256> pressed_in_{};
  std::uint32_t activation_ = 1;
  HWND active_ = nullptr;
  // None until the first window of the thread is activated.
  std::optional<std::uint32_t> activated_at_;
  // The activation the last key-down taken acted in; 0 when it acted nowhere.
  // TranslateMessage posts the characters a key-down makes, and posted
  // messages are read before the next key message: so each character
  // follows its key-down, but may be read by a window activated in between.
  std::uint32_t typed_in_ = 0;
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
