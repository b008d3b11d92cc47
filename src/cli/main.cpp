// runwarden-cli's entry point: the command line in UTF-16, the catalogue over
// the real Windows services, and the output to a console or a pipe.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace {

// To a console through WriteConsoleW, whatever its code page; redirected, as
// UTF-8, so that names outside the code page survive in JSON and CSV.
class ConsoleOutput final : public rw::cli::Output {
 public:
  void out(std::string_view text) override { write(STD_OUTPUT_HANDLE, text); }
  void err(std::string_view text) override { write(STD_ERROR_HANDLE, text); }

 private:
  static void write(DWORD which, std::string_view text) {
    HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
      const std::wstring wide = rw::win32::widen(text);
      ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
      ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }
};

// The requests ask nothing through dialogs of the platform's own.
class NoDialogs final : public rw::Dialogs {
 public:
  int message_box(std::string_view, int, std::string_view) override { return rw::mb::kResultNo; }
  std::string input_box(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  rw::OpenFileResult open_file(const rw::OpenFileRequest&) override { return {}; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(rw::win32::narrow(argv[i]));
  ConsoleOutput output;
  const rw::cli::Parsed parsed = rw::cli::parse_command_line(arguments);
  if (!parsed.request) {
    if (parsed.exit_status == 0) {
      output.out(parsed.text);
    } else {
      output.err(parsed.text);
    }
    return parsed.exit_status;
  }
  NoDialogs dialogs;
  rw::win32::Win32Services services;
  rw::Platform platform = services.platform(dialogs);
  return rw::cli::run_request(*parsed.request, platform, output);
}
