// UTF-8 inside the program, UTF-16 at every Windows call.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw::win32 {

inline std::wstring widen(std::string_view text) {
  std::u16string units = utf8_to_utf16(text);
  return std::wstring(units.begin(), units.end());
}

inline std::string narrow(std::wstring_view text) {
  return utf16_to_utf8(std::u16string(text.begin(), text.end()));
}

}  // namespace rw::win32
