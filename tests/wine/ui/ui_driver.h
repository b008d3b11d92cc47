// Driving the program's modal windows from a test: the test thread opens the
// window and blocks in its modal loop, while a helper thread finds the window
// by its title and works it with messages, as a user's input would arrive.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace rw::test {

// The visible top-level window of this process titled `title`, or null once
// `timeout` has passed.
inline HWND wait_for_window(const std::wstring& title,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    HWND window = ::FindWindowW(nullptr, title.c_str());
    if (window != nullptr && ::IsWindowVisible(window)) {
      DWORD process = 0;
      ::GetWindowThreadProcessId(window, &process);
      if (process == ::GetCurrentProcessId()) return window;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

// Closes whatever modal window the UI thread still shows, so that a failing
// test ends instead of waiting for a user who will never come.
inline void close_windows_of_thread(DWORD thread) {
  ::EnumThreadWindows(
      thread,
      [](HWND window, LPARAM) -> BOOL {
        if (::IsWindowVisible(window)) {
          ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
          ::PostMessageW(window, WM_COMMAND, IDNO, 0);
          ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
      },
      0);
}

// The window that has the keyboard focus on `thread`.
inline HWND focus_of_thread(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

// Waits until `condition` holds or `timeout` passes; returns the last answer.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

inline std::wstring text_of(HWND window) {
  // WM_GETTEXT rather than GetWindowText: it reaches controls of other threads.
  const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = ::SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

inline void press_key(HWND window, UINT key) {
  ::PostMessageW(window, WM_KEYDOWN, key, 1);
  ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

inline void click_button(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Runs `work` on a helper thread against the window titled `title` while the
// caller runs `open` (which shows the window modally). `work` gets the window
// and returns a description of what went wrong, or the empty text; the window
// must then close by itself. A window that never shows, a `work` that fails or
// a window that stays open is closed and reported.
template <typename Open>
std::string drive(const std::wstring& title, const std::function<std::string(HWND)>& work,
                  Open&& open) {
  const DWORD ui_thread = ::GetCurrentThreadId();
  auto helper = std::async(std::launch::async, [&]() -> std::string {
    HWND window = wait_for_window(title);
    std::string problem =
        window == nullptr ? "no window titled as expected appeared" : work(window);
    if (problem.empty() && !eventually([window] { return !::IsWindow(window); })) {
      problem = "the window stayed open";
    }
    if (!problem.empty()) close_windows_of_thread(ui_thread);
    return problem;
  });
  open();
  return helper.get();
}

}  // namespace rw::test
