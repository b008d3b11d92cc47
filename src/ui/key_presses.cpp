// The key press ledger and the thread hooks that feed it: every activation,
// and every message a loop of the thread takes from the queue.
#include "ui/key_presses.h"

namespace rw::ui {

namespace {

// Bit 30 of a key message's lParam: the key was down before this message.
constexpr LPARAM kWasDown = LPARAM{1} << 30;

thread_local KeyPressLedger* thread_ledger = nullptr;

}  // namespace

void KeyPressLedger::activating(HWND window) {
  // Windows may be told again that they are active; only a change counts.
  if (window == active_) return;
  active_ = window;
  ++activation_;
}

bool KeyPressLedger::stray(const MSG& message, bool removing) {
  const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
  if (!down && !up) return false;
  std::uint32_t& pressed_in = pressed_in_[message.wParam & 0xFF];
  const bool repeat = down && (message.lParam & kWasDown) != 0;
  if (down && !repeat) {
    if (removing) pressed_in = activation_;
    return false;
  }
  const bool here = pressed_in == activation_;
  if (up && removing) pressed_in = 0;
  // Enter acts on its press; held, it must not go on pressing buttons.
  if (repeat && message.wParam == VK_RETURN) return true;
  return !here;
}

KeyPressFilter::KeyPressFilter() {
  thread_ledger = &ledger_;
  const DWORD thread = ::GetCurrentThreadId();
  message_hook_.reset(::SetWindowsHookExW(WH_GETMESSAGE, &on_message_taken, nullptr, thread));
  activation_hook_.reset(::SetWindowsHookExW(WH_CBT, &on_window_event, nullptr, thread));
}

KeyPressFilter::~KeyPressFilter() {
  message_hook_.reset();
  activation_hook_.reset();
  thread_ledger = nullptr;
}

LRESULT CALLBACK KeyPressFilter::on_message_taken(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION && thread_ledger != nullptr) {
    auto& taken = *reinterpret_cast<MSG*>(message);
    // WM_NULL is the one message every window and loop ignores.
    if (thread_ledger->stray(taken, (removal & PM_REMOVE) != 0)) taken.message = WM_NULL;
  }
  return ::CallNextHookEx(nullptr, code, removal, message);
}

LRESULT CALLBACK KeyPressFilter::on_window_event(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && thread_ledger != nullptr) {
    thread_ledger->activating(reinterpret_cast<HWND>(wparam));
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace rw::ui
