#include "bench/processes.h"

#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cwctype>
#include <span>

#include "bench/bench_clock.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace rw::bench {

namespace {

using win32::UniqueKernelHandle;

BOOL CALLBACK match_main_window(HWND window, LPARAM found) {
  if (!::IsWindowVisible(window)) return TRUE;
  wchar_t class_name[16] = {};
  ::GetClassNameW(window, class_name, 16);
  // A message box at start-up is not the main window being shown.
  if (std::wstring_view(class_name) == L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Asks only about the windows of the program's first thread, which makes its
// main window: the watching itself costs the program as little as it can
// (under Wine every question about another process's window is a request to
// the server that the program is waiting on too).
HWND main_window_of(DWORD thread_id) {
  HWND found = nullptr;
  ::EnumThreadWindows(thread_id, match_main_window, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK close_window_of(HWND window, LPARAM process_id) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(process_id)) ::PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

std::vector<std::string> modules_of(HANDLE process) {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  for (;;) {
    const auto bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (!::EnumProcessModulesEx(process, modules.data(), bytes, &needed, LIST_MODULES_ALL))
      return {};
    if (needed <= bytes) break;
    modules.resize(needed / sizeof(HMODULE));
  }
  modules.resize(needed / sizeof(HMODULE));
  std::vector<std::string> names;
  // The first is the program itself.
  for (HMODULE module : std::span(modules).subspan(std::min<std::size_t>(1, modules.size()))) {
    wchar_t name[MAX_PATH] = {};
    const DWORD length = ::GetModuleBaseNameW(process, module, name, MAX_PATH);
    if (length == 0) continue;
    std::wstring lower(name, length);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    names.push_back(win32::narrow(lower));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Closes the program as the user would, without its Exit: nothing is applied.
void close_program(HANDLE process, DWORD process_id) {
  ::EnumWindows(close_window_of, static_cast<LPARAM>(process_id));
  if (::WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 5000);
  }
}

}  // namespace

WindowShown start_until_window_shown(const std::wstring& program, int settle_ms,
                                     const std::wstring& arguments) {
  WindowShown result;
  std::wstring command_line = L"\"" + program + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  const Stopwatch clock;
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
    result.failure = "cannot start it (error " + std::to_string(::GetLastError()) + ")";
    return result;
  }
  UniqueKernelHandle process(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
  ::WaitForInputIdle(process.get(), 20000);
  HWND window = nullptr;
  while ((window = main_window_of(started.dwThreadId)) == nullptr) {
    if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) {
      result.failure = "it ended before showing a window";
      return result;
    }
    if (clock.milliseconds() > 60000) {
      result.failure = "no window within a minute";
      close_program(process.get(), started.dwProcessId);
      return result;
    }
  }
  result.milliseconds = clock.milliseconds();
  result.shown = true;
  if (settle_ms > 0) ::Sleep(static_cast<DWORD>(settle_ms));
  result.modules = modules_of(process.get());
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (::GetProcessMemoryInfo(process.get(), &counters, sizeof(counters)))
    result.peak_working_set = counters.PeakWorkingSetSize;
  close_program(process.get(), started.dwProcessId);
  return result;
}

}  // namespace rw::bench
