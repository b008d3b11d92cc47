// Opening documents with the shell and starting programs.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

void Win32Shell::shell_open(std::string_view verb, std::string_view file, int show) {
  // ShellExecuteW may hand the work to shell extensions, which need COM.
  ComScope com;
  const std::wstring wide_verb = widen(verb);
  const std::wstring wide_file = widen(file);
  // No parameters and no working folder: a document or URL needs neither,
  // and a stray argument would reach the program that opens it.
  ::ShellExecuteW(::GetDesktopWindow(), wide_verb.empty() ? nullptr : wide_verb.c_str(),
                  wide_file.c_str(), nullptr, nullptr, show);
}

void Win32Shell::start_program(std::string_view path, int show) {
  // The path names the program itself, so a path with spaces is never read
  // as a program followed by arguments; the command line repeats it quoted,
  // as the program's own argv[0].
  const std::wstring application = api_path(path);
  std::wstring command_line = L"\"" + widen(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started)) {
    const auto error = static_cast<Status>(::GetLastError());
    throw PlatformError("CreateProcess", std::string(path), error);
  }
  UniqueKernelHandle process(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
}

void Win32Shell::show_in_folder(std::string_view path) {
  ComScope com;
  const std::wstring wide = widen(path);
  PIDLIST_ABSOLUTE item = nullptr;
  HRESULT result = ::SHParseDisplayName(wide.c_str(), nullptr, &item, 0, nullptr);
  if (SUCCEEDED(result)) {
    result = ::SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    free_task_memory(item);
  }
  if (FAILED(result)) {
    throw PlatformError("SHOpenFolderAndSelectItems", std::string(path),
                        static_cast<Status>(status_of(result)));
  }
}

}  // namespace rw::win32
