// Who signed a program file, and its SHA-256: Authenticode through
// wintrust.dll and crypt32.dll, hashing through bcrypt.dll. Each DLL is
// loaded by the first check that needs it, so that a start that never
// checks a signature never loads them.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw::win32 {

// Which drive letters stand for the network, asked of Windows once for
// each letter: under Wine each question goes to the mount manager, in
// another process, and costs milliseconds, as much as a signature check.
// A drive mapped or removed later keeps the answer of its first question.
class RemoteDrives {
 public:
  bool is_remote(wchar_t letter);

 private:
  std::array<std::optional<bool>, 26> remote_;  // by letter, from A
};

// The full path of the ordinary file at `path`, as the wide API takes it:
// nothing when the path is on the network (a share, or a drive Windows says
// is remote), which is not touched, or when no file is there (or a folder
// is). Raises PlatformError, naming `path`, when Windows cannot say whether
// a file is there.
std::optional<std::wstring> local_file(std::string_view path, RemoteDrives& drives);

// The signature of the ordinary file at `file` (from local_file). Raises
// PlatformError, naming `subject`, when the check cannot be made.
Signature check_signature(const std::wstring& file, std::string_view subject);

// SHA-256 of files, through one provider of the algorithm that the first
// hash opens and the next ones use.
class FileHasher {
 public:
  FileHasher() = default;
  ~FileHasher();
  FileHasher(const FileHasher&) = delete;
  FileHasher& operator=(const FileHasher&) = delete;

  // The hash of the bytes of the file at `file` (from local_file) in
  // lower-case hex. Raises PlatformError, naming `subject`, when the file
  // cannot be read whole.
  std::string sha256(const std::wstring& file, std::string_view subject);

 private:
  void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE, which needs bcrypt.h
};

}  // namespace rw::win32
