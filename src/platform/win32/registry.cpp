// The registry over RegOpenKeyExW and friends. Statuses are passed back as
// the registry returns them; a RegKey holds the HKEY as its number.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

namespace {

// The catalogue names hives by their predefined numbers; anything else is
// not a key this program opens.
HKEY hive_key(Hive hive) {
  switch (hive) {
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    default:
      return nullptr;
  }
}

HKEY key_of(const RegKey& key) {
  return key.is_open() ? reinterpret_cast<HKEY>(key.handle()) : nullptr;
}

}  // namespace

Status Win32Registry::open_key(Hive hive, std::string_view path, std::uint32_t access,
                               RegKey& out) {
  out.close();
  HKEY root = hive_key(hive);
  if (root == nullptr) return ERROR_INVALID_HANDLE;
  UniqueHkey opened;
  const LSTATUS result = ::RegOpenKeyExW(root, widen(path).c_str(), 0, access, opened.put());
  if (result != ERROR_SUCCESS) return result;
  out = RegKey(this, reinterpret_cast<std::uintptr_t>(opened.release()));
  return ERROR_SUCCESS;
}

Status Win32Registry::create_key(Hive hive, std::string_view path, std::uint32_t access,
                                 RegKey& out) {
  out.close();
  HKEY root = hive_key(hive);
  if (root == nullptr) return ERROR_INVALID_HANDLE;
  UniqueHkey opened;
  const LSTATUS result =
      ::RegCreateKeyExW(root, widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        nullptr, opened.put(), nullptr);
  if (result != ERROR_SUCCESS) return result;
  out = RegKey(this, reinterpret_cast<std::uintptr_t>(opened.release()));
  return ERROR_SUCCESS;
}

Status Win32Registry::enum_value_name(const RegKey& key, std::uint32_t index,
                                      std::uint32_t name_capacity, std::string& name) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  const std::size_t room = std::size_t{name_capacity} + 1;
  if (name_buffer_.size() < room) name_buffer_.resize(room);
  DWORD length = name_capacity;
  const LSTATUS result = ::RegEnumValueW(handle, index, name_buffer_.data(), &length, nullptr,
                                         nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  name = narrow(std::wstring_view(name_buffer_.data(), length));
  return ERROR_SUCCESS;
}

Status Win32Registry::enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                                 RegValue& value) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  if (name_buffer_.size() < kMaxValueNameChars + 1) name_buffer_.resize(kMaxValueNameChars + 1);
  if (data_buffer_.empty()) data_buffer_.resize(512);
  for (;;) {
    DWORD length = kMaxValueNameChars + 1;
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(data_buffer_.size());
    const LSTATUS result = ::RegEnumValueW(handle, index, name_buffer_.data(), &length, nullptr,
                                           &type, data_buffer_.data(), &size);
    // With room for any name, more data means the data; another program may
    // have lengthened it since, so grow until it fits.
    if (result == ERROR_MORE_DATA) {
      data_buffer_.resize(std::max<std::size_t>(size, data_buffer_.size() * 2));
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    name = narrow(std::wstring_view(name_buffer_.data(), length));
    value.type = type;
    value.data.assign(data_buffer_.begin(), data_buffer_.begin() + size);
    return ERROR_SUCCESS;
  }
}

Status Win32Registry::query_value(const RegKey& key, std::string_view name, std::uint32_t& type,
                                  std::uint8_t* data, std::uint32_t& size) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  DWORD found_type = REG_NONE;
  DWORD length = size;
  const LSTATUS result =
      ::RegQueryValueExW(handle, widen(name).c_str(), nullptr, &found_type, data, &length);
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    type = found_type;
    size = length;
  }
  return result;
}

Status Win32Registry::set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  return ::RegSetValueExW(handle, widen(name).c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

Status Win32Registry::delete_value(const RegKey& key, std::string_view name) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  return ::RegDeleteValueW(handle, widen(name).c_str());
}

Status Win32Registry::enum_key_name(const RegKey& key, std::uint32_t index, std::string& name) {
  HKEY handle = key_of(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  // A key's name has at most 255 characters; the buffer still grows as asked,
  // so that a longer one would come back whole too.
  std::vector<wchar_t> buffer(256);
  for (;;) {
    auto length = static_cast<DWORD>(buffer.size());
    const LSTATUS result =
        ::RegEnumKeyExW(handle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA && buffer.size() < 65536) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    name = narrow(std::wstring_view(buffer.data(), length));
    return ERROR_SUCCESS;
  }
}

bool Win32Registry::views_are_separate() {
#ifdef _WIN64
  return true;  // a 64-bit program runs on a 64-bit Windows, which keeps both
#else
  // A 32-bit program sees both views only on a 64-bit Windows.
  BOOL emulated = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &emulated) && emulated;
#endif
}

Status Win32Registry::close_handle(std::uintptr_t handle) {
  return ::RegCloseKey(reinterpret_cast<HKEY>(handle));
}

}  // namespace rw::win32
