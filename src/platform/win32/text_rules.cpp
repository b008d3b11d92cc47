// How Windows compares the names of registry values and files.
#include <windows.h>

#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

bool Win32TextRules::same_name(std::string_view a, std::string_view b) {
  const std::wstring left = widen(a);
  const std::wstring right = widen(b);
  return ::CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace rw::win32
