// Files and folders over FindFirstFileW, CreateDirectoryW, CopyFileW and
// DeleteFileW, with the listing rules of Dir.
#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

namespace {

// CreateDirectoryW stops 12 characters short of MAX_PATH (room for an 8.3
// name inside), so that is where the prefix becomes necessary.
constexpr std::size_t kLongPathFrom = MAX_PATH - 12;

bool is_drive_absolute(std::wstring_view path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
}
bool is_unc(std::wstring_view path) {
  return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
         path[2] != L'.';
}

std::wstring upper_case(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// "*" and "?" matching of a name against a mask that are both upper-cased.
bool wildcard_match(std::wstring_view mask, std::wstring_view name) {
  std::size_t m = 0, n = 0, star = std::wstring_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == L'?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == L'*') {
      star = m++;
      resume = n;
    } else if (star != std::wstring_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == L'*') ++m;
  return m == mask.size();
}

// FindFirstFileW also matches a file's generated 8.3 name, so "*.lnk" would
// find "Tool.lnk2" through "TOOL~1.LNK". Dir's callers cut a known suffix off
// each name, so the long name itself must match.
class LongNameFilter {
 public:
  explicit LongNameFilter(std::wstring_view pattern) {
    const std::size_t slash = pattern.find_last_of(L"\\/");
    std::wstring mask(slash == std::wstring_view::npos ? pattern : pattern.substr(slash + 1));
    if (mask == L"*.*") mask = L"*";  // the old spelling of "everything"
    mask_ = upper_case(std::move(mask));
  }
  bool matches(const wchar_t* name) const { return wildcard_match(mask_, upper_case(name)); }

 private:
  std::wstring mask_;
};

bool listed(const WIN32_FIND_DATAW& found, std::uint32_t attributes) {
  const std::wstring_view name = found.cFileName;
  if (name == L"." || name == L"..") return false;
  const DWORD own = found.dwFileAttributes;
  if ((own & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & attr::kDirectory)) return false;
  if ((own & FILE_ATTRIBUTE_HIDDEN) && !(attributes & attr::kHidden)) return false;
  if ((own & FILE_ATTRIBUTE_SYSTEM) && !(attributes & attr::kSystem)) return false;
  return true;
}

[[noreturn]] void raise_last_error(const char* operation, std::string_view subject) {
  const auto error = static_cast<Status>(::GetLastError());
  throw PlatformError(operation, std::string(subject), error);
}

DWORD attributes_of(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// Attributes that make CopyFileW refuse to replace a file that FileCopy
// replaces anyway.
constexpr DWORD kProtecting =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

std::wstring api_path(std::string_view path) {
  std::wstring wide = widen(path);
  if (wide.size() < kLongPathFrom) return wide;
  if (is_drive_absolute(wide)) return L"\\\\?\\" + wide;
  if (is_unc(wide)) return L"\\\\?\\UNC\\" + wide.substr(2);
  return wide;
}

std::vector<std::string> Win32Files::dir(std::string_view pattern, std::uint32_t attributes) {
  const std::wstring wide = api_path(pattern);
  const LongNameFilter filter(wide);
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  UniqueFind find(::FindFirstFileW(wide.c_str(), &found));
  if (!find) {
    const DWORD error = ::GetLastError();
    // Nothing there, or no such folder: Dir answers with nothing.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES) {
      return names;
    }
    // A file where the folder would be is no folder either; the status it
    // gives differs (267 on Windows, 123 under Wine), so the file is asked.
    const std::size_t slash = pattern.find_last_of('\\');
    const DWORD above = slash == std::string_view::npos
                            ? INVALID_FILE_ATTRIBUTES
                            : attributes_of(api_path(pattern.substr(0, slash)));
    if (above != INVALID_FILE_ATTRIBUTES && !(above & FILE_ATTRIBUTE_DIRECTORY)) return names;
    throw PlatformError("Dir", std::string(pattern), static_cast<Status>(error));
  }
  do {
    if (listed(found, attributes) && filter.matches(found.cFileName)) {
      names.push_back(narrow(found.cFileName));
    }
  } while (::FindNextFileW(find.get(), &found));
  const DWORD error = ::GetLastError();
  if (error != ERROR_NO_MORE_FILES) {
    throw PlatformError("Dir", std::string(pattern), static_cast<Status>(error));
  }
  return names;
}

bool Win32Files::folder_exists(std::string_view path) {
  const DWORD found = attributes_of(api_path(path));
  return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32Files::make_dir(std::string_view path) {
  if (!::CreateDirectoryW(api_path(path).c_str(), nullptr)) raise_last_error("MkDir", path);
}

void Win32Files::file_copy(std::string_view from, std::string_view to) {
  const std::wstring source = api_path(from);
  const std::wstring target = api_path(to);
  if (::CopyFileW(source.c_str(), target.c_str(), FALSE)) return;
  DWORD error = ::GetLastError();
  const DWORD existing = attributes_of(target);
  if (error == ERROR_ACCESS_DENIED && existing != INVALID_FILE_ATTRIBUTES &&
      !(existing & FILE_ATTRIBUTE_DIRECTORY) && (existing & kProtecting)) {
    // A read-only (or hidden or system) copy is still ours to replace.
    ::SetFileAttributesW(target.c_str(), existing & ~kProtecting);
    if (::CopyFileW(source.c_str(), target.c_str(), FALSE)) return;
    error = ::GetLastError();
    ::SetFileAttributesW(target.c_str(), existing);
  }
  const bool source_missing = attributes_of(source) == INVALID_FILE_ATTRIBUTES;
  throw PlatformError("FileCopy", std::string(source_missing ? from : to),
                      static_cast<Status>(error));
}

void Win32Files::kill(std::string_view path) {
  if (!::DeleteFileW(api_path(path).c_str())) raise_last_error("Kill", path);
}

std::optional<std::string> Win32Files::file_content(std::string_view path) {
  return file_start(path, static_cast<std::size_t>(-1));
}

std::optional<std::string> Win32Files::file_start(std::string_view path, std::size_t max_bytes) {
  // Shared for every access, so that a file another program holds open is still read.
  UniqueFile file(::CreateFileW(api_path(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw PlatformError("ReadFile", std::string(path), static_cast<Status>(error));
  }
  std::string content;
  char chunk[16384];
  while (content.size() < max_bytes) {
    const std::size_t wanted = std::min(sizeof(chunk), max_bytes - content.size());
    DWORD got = 0;
    if (!::ReadFile(file.get(), chunk, static_cast<DWORD>(wanted), &got, nullptr)) {
      raise_last_error("ReadFile", path);
    }
    if (got == 0) break;
    content.append(chunk, got);
  }
  return content;
}

Status Win32Files::removable(std::string_view path) {
  const std::wstring wide = api_path(path);
  const DWORD attributes = attributes_of(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<Status>(::GetLastError());
  // DeleteFileW refuses these whatever the user's rights.
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  // Opening for deletion asks the file's and its folder's permissions, and
  // whether another program holds it open without sharing deletion.
  UniqueFile probe(::CreateFileW(wide.c_str(), DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return probe ? ERROR_SUCCESS : static_cast<Status>(::GetLastError());
}

std::optional<std::uint32_t> Win32Files::file_attributes(std::string_view path) {
  const DWORD found = attributes_of(api_path(path));
  if (found != INVALID_FILE_ATTRIBUTES) return found;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
  throw PlatformError("GetFileAttributes", std::string(path), static_cast<Status>(error));
}

void Win32Files::set_file_attributes(std::string_view path, std::uint32_t attributes) {
  // No attribute at all is spelled FILE_ATTRIBUTE_NORMAL.
  const DWORD wanted = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  if (!::SetFileAttributesW(api_path(path).c_str(), wanted)) {
    raise_last_error("SetFileAttributes", path);
  }
}

}  // namespace rw::win32
