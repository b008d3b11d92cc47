// A file's version resource (who made it, what it is, its version), read
// through version.dll, which is loaded by the first read rather than with
// the program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rw::win32 {

class FileVersionInfo {
 public:
  // The resource of the file at `path` (as the wide API takes it). Empty
  // when the file has none, it cannot be read, or version.dll cannot be
  // loaded: to the callers, all three mean there is nothing to show.
  static FileVersionInfo of_file(const std::wstring& path);

  bool empty() const { return data_.empty(); }
  // The fixed part (file version, flags); nullptr when it is missing.
  const VS_FIXEDFILEINFO* fixed() const;
  // A string in the resource's first language, such as "CompanyName" or
  // "LegalCopyright"; empty when missing.
  std::string string(const wchar_t* name) const;

 private:
  // The value at `path` inside the resource, or nullptr.
  const void* value(const wchar_t* path, UINT& length) const;

  std::vector<BYTE> data_;
};

}  // namespace rw::win32
