// What a status means, in the system's own words.
#include <windows.h>

#include <array>

#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

std::string Win32StatusText::describe(Status code) {
  std::array<wchar_t, 1024> buffer{};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), 0, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), nullptr);
  std::wstring_view text(buffer.data(), length);
  // The messages end with a line break (sometimes after a space); the
  // callers put them into sentences of their own.
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  if (text.empty()) return "Error " + std::to_string(code) + ".";
  return narrow(text);
}

}  // namespace rw::win32
