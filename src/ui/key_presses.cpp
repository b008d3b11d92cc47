// The key press ledger and the thread hooks that feed it: every activation,
// and every message a loop of the thread takes from the queue.
#include "ui/key_presses.h"

namespace rw::ui {

namespace {

// Bit 30 of a key message's lParam: the key was down before this message.
constexpr LPARAM kWasDown = LPARAM{1} << 30;

thread_local KeyPressLedger* thread_ledger = nullptr;

}  // namespace

void KeyPressLedger::activating(HWND window, std::uint32_t now) {
  // Windows may be told again that they are active; only a change counts.
  if (window == active_) return;
  active_ = window;
  activated_at_ = now;
  ++activation_;
}

bool KeyPressLedger::stray(const MSG& message, bool removing) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return stray_key_down(message, removing);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return stray_key_up(message, removing);
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
      return typed_in_ != activation_;
    default:
      return false;
  }
}

bool KeyPressLedger::stray_key_down(const MSG& message, bool removing) {
  std::uint32_t& pressed_in = pressed_in_[message.wParam & 0xFF];
  bool acts = false;
  if ((message.lParam & kWasDown) == 0) {
    acts = !pressed_before_activation(message);
    if (removing) pressed_in = acts ? activation_ : 0;
  } else {
    // Enter acts on its press; held, it must not go on pressing buttons.
    acts = pressed_in == activation_ && message.wParam != VK_RETURN;
  }
  if (removing) typed_in_ = acts ? activation_ : 0;
  return !acts;
}

bool KeyPressLedger::stray_key_up(const MSG& message, bool removing) {
  std::uint32_t& pressed_in = pressed_in_[message.wParam & 0xFF];
  const bool acts = pressed_in == activation_;
  if (removing) pressed_in = 0;
  return !acts;
}

bool KeyPressLedger::pressed_before_activation(const MSG& message) const {
  // The tick count wraps every 49.7 days: compare by signed difference. A key
  // stamped in the very tick of the activation may have been pressed after
  // it, so only a stamp strictly before it counts as before.
  return activated_at_.has_value() &&
         static_cast<std::int32_t>(static_cast<std::uint32_t>(message.time) - *activated_at_) < 0;
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
    // Taken on the clock that stamps input messages (MSG::time).
    thread_ledger->activating(reinterpret_cast<HWND>(wparam), ::GetTickCount());
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace rw::ui
