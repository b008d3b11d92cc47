// runwarden-cli's entry point: the command line in UTF-16, the catalogue over
// the real Windows services, and the output to a console or a pipe.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace {

// To a console through WriteConsoleW, whatever its code page; redirected, as
// UTF-8, so that names outside the code page survive in JSON and CSV. A
// write that fails (a full disk, a pipe whose reader has gone) gives its
// status, so that the run does not end as if all was said.
class ConsoleOutput final : public rw::cli::Output {
 public:
  rw::Status out(std::string_view text) override { return write(STD_OUTPUT_HANDLE, text); }
  rw::Status err(std::string_view text) override { return write(STD_ERROR_HANDLE, text); }

 private:
  static rw::Status write(DWORD which, std::string_view text) {
    HANDLE handle = ::GetStdHandle(which);
    // Started without that handle at all: there is nowhere to write to.
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return ERROR_SUCCESS;
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
      const std::wstring wide = rw::win32::widen(text);
      return write_all(wide.data(), wide.size(),
                       [&](const wchar_t* from, DWORD count, DWORD* written) {
                         return ::WriteConsoleW(handle, from, count, written, nullptr);
                       });
    }
    return write_all(text.data(), text.size(), [&](const char* from, DWORD count, DWORD* written) {
      return ::WriteFile(handle, from, count, written, nullptr);
    });
  }

  // Writes until all is written, as a call may write less than it was given.
  template <typename Unit, typename Call>
  static rw::Status write_all(const Unit* text, std::size_t size, Call call) {
    constexpr std::size_t kMostAtOnce = 1u << 20;
    while (size > 0) {
      DWORD written = 0;
      const auto count = static_cast<DWORD>(std::min(size, kMostAtOnce));
      if (!call(text, count, &written)) return static_cast<rw::Status>(::GetLastError());
      if (written == 0) return ERROR_WRITE_FAULT;
      text += written;
      size -= written;
    }
    return ERROR_SUCCESS;
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(rw::win32::narrow(argv[i]));
  ConsoleOutput output;
  rw::win32::Win32Services services;
  const rw::cli::Parsed parsed = rw::cli::parse_command_line(arguments);
  if (!parsed.request) return rw::cli::print_parsed(parsed, output, services.status_text);
  return rw::cli::run_request(
      *parsed.request, [&](rw::Dialogs& dialogs) { return services.platform(dialogs); }, output);
}
