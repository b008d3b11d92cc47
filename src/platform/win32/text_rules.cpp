// How Windows compares the names of registry values and files, and the order
// the list shows them in.
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

std::string Win32TextRules::name_key(std::string_view name) {
  std::wstring wide = widen(name);
  if (wide.empty()) return {};
  // The invariant upper case, as the ordinal comparison that ignores case uses.
  std::wstring upper(wide.size(), L'\0');
  const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                     static_cast<int>(wide.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length <= 0) return narrow(wide);
  upper.resize(static_cast<size_t>(length));
  return narrow(upper);
}

std::string Win32TextRules::sort_key(std::string_view text) {
  const std::wstring wide = widen(text);
  const int length = static_cast<int>(wide.size());
  if (length == 0) return {};  // LCMapStringW refuses the empty text; it sorts first
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // The scan makes a key for each of tens of thousands of names: most keys
  // fit here, in one call instead of two (the size, then the key).
  alignas(wchar_t) char small[1024];
  const int fitted = ::LCMapStringW(LOCALE_USER_DEFAULT, kFlags, wide.data(), length,
                                    reinterpret_cast<wchar_t*>(small), sizeof small);
  if (fitted > 0) return std::string(small, static_cast<size_t>(fitted) - 1);  // no closing zero
  const int size = ::LCMapStringW(LOCALE_USER_DEFAULT, kFlags, wide.data(), length, nullptr, 0);
  if (size <= 0)
    throw PlatformError("LCMapString", std::string(text), static_cast<Status>(::GetLastError()));
  std::string key(static_cast<size_t>(size), '\0');
  ::LCMapStringW(LOCALE_USER_DEFAULT, kFlags, wide.data(), length,
                 reinterpret_cast<wchar_t*>(key.data()), size);
  key.resize(static_cast<size_t>(size) - 1);  // its closing zero byte
  return key;
}

}  // namespace rw::win32
