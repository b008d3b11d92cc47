// Version resources over version.dll's three functions, looked up when
// first needed.
#include "platform/win32/file_version_info.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace rw::win32 {

namespace {

SystemLibrary& version_dll() {
  static SystemLibrary library(L"version.dll");
  return library;
}

using GetFileVersionInfoSizeWFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoWFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueWFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

}  // namespace

FileVersionInfo FileVersionInfo::of_file(const std::wstring& path) {
  FileVersionInfo info;
  const auto size_of = version_dll().function<GetFileVersionInfoSizeWFn>("GetFileVersionInfoSizeW");
  const auto read = version_dll().function<GetFileVersionInfoWFn>("GetFileVersionInfoW");
  if (size_of == nullptr || read == nullptr) return info;
  DWORD ignored = 0;
  const DWORD size = size_of(path.c_str(), &ignored);
  if (size == 0) return info;
  std::vector<BYTE> data(size);
  if (read(path.c_str(), 0, size, data.data())) info.data_ = std::move(data);
  return info;
}

const void* FileVersionInfo::value(const wchar_t* path, UINT& length) const {
  length = 0;
  if (data_.empty()) return nullptr;
  const auto query = version_dll().function<VerQueryValueWFn>("VerQueryValueW");
  void* found = nullptr;
  if (query == nullptr || !query(data_.data(), path, &found, &length)) return nullptr;
  return found;
}

const VS_FIXEDFILEINFO* FileVersionInfo::fixed() const {
  UINT length = 0;
  const void* found = value(L"\\", length);
  return found != nullptr && length >= sizeof(VS_FIXEDFILEINFO)
             ? static_cast<const VS_FIXEDFILEINFO*>(found)
             : nullptr;
}

std::string FileVersionInfo::string(const wchar_t* name) const {
  UINT length = 0;
  const void* found = value(L"\\VarFileInfo\\Translation", length);
  if (found == nullptr || length < 2 * sizeof(WORD)) return {};
  const auto* language = static_cast<const WORD*>(found);
  wchar_t path[96] = {};
  std::swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", language[0], language[1], name);
  found = value(path, length);
  if (found == nullptr) return {};
  // The length is in characters; a value need not end in a NUL.
  const std::wstring_view text(static_cast<const wchar_t*>(found), length);
  return narrow(text.substr(0, text.find(L'\0')));
}

}  // namespace rw::win32
