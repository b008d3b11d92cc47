// How Windows compares the names of registry values and files, and the order
// the list shows them in.
#include <windows.h>

#include <algorithm>

#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

bool Win32TextRules::same_name(std::string_view a, std::string_view b) {
  const std::wstring left = widen(a);
  const std::wstring right = widen(b);
  return ::CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

namespace {

bool is_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The invariant upper case of a run without surrogates, unit for unit.
void upper_case(wchar_t* run, int length) {
  std::wstring upper(static_cast<size_t>(length), L'\0');
  const int mapped = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, run, length,
                                     upper.data(), length, nullptr, nullptr, 0);
  if (mapped == length) std::copy(upper.begin(), upper.end(), run);
}

}  // namespace

std::string Win32TextRules::name_key(std::string_view name) {
  std::wstring wide = widen(name);
  // The ordinal comparison that ignores case upper-cases each UTF-16 unit on
  // its own, so a letter beyond U+FFFF, written as two surrogates, keeps its
  // case; LCMapStringEx would change it, so surrogates are left out of it.
  for (size_t start = 0; start < wide.size();) {
    size_t end = start;
    while (end < wide.size() && !is_surrogate(wide[end])) ++end;
    if (end > start) upper_case(wide.data() + start, static_cast<int>(end - start));
    start = end + 1;
  }
  return narrow(wide);
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
