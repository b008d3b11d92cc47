// The files a command names: shortcuts read through IShellLinkW, environment
// variables, whether a file is there, version resources, signatures and
// hashes.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/file_version_info.h"
#include "platform/win32/paths.h"
#include "platform/win32/signatures.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

namespace {

constexpr DWORD kLongPath = 32768;

std::string text_of(const std::vector<wchar_t>& buffer) { return narrow(buffer.data()); }

}  // namespace

struct Win32Programs::ShortcutReader {
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
};

struct Win32Programs::FileChecks {
  FileHasher hasher;
  RemoteDrives drives;
};

Win32Programs::Win32Programs() = default;
Win32Programs::~Win32Programs() = default;

std::optional<ShortcutLink> Win32Programs::read_shortcut(std::string_view path) {
  if (!shortcuts_) {
    auto reader = std::make_unique<ShortcutReader>();
    HRESULT result = create_instance(CLSID_ShellLink, IID_IShellLinkW, reader->link.put());
    if (SUCCEEDED(result))
      result = reader->link->QueryInterface(IID_IPersistFile, reader->file.put());
    if (FAILED(result)) {
      throw PlatformError("CoCreateInstance(ShellLink)", std::string(path),
                          static_cast<Status>(status_of(result)));
    }
    shortcuts_ = std::move(reader);
  }
  IShellLinkW& link = *shortcuts_->link.get();
  const HRESULT result = shortcuts_->file->Load(api_path(path).c_str(), STGM_READ);
  if (FAILED(result)) {
    // A file that is there but cannot be loaded is not a shortcut; one that
    // cannot be opened at all is a failure to report.
    if (HRESULT_FACILITY(result) == FACILITY_WIN32 && HRESULT_CODE(result) != ERROR_BAD_FORMAT) {
      throw PlatformError("IPersistFile::Load", std::string(path),
                          static_cast<Status>(status_of(result)));
    }
    return std::nullopt;
  }
  std::vector<wchar_t> target(kLongPath, L'\0');
  std::vector<wchar_t> arguments(kLongPath, L'\0');
  if (FAILED(link.GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0))) {
    target[0] = L'\0';
  }
  if (FAILED(link.GetArguments(arguments.data(), static_cast<int>(arguments.size())))) {
    arguments[0] = L'\0';
  }
  return ShortcutLink{text_of(target), text_of(arguments)};
}

std::string Win32Programs::expand_environment(std::string_view text) {
  const std::wstring wide = widen(text);
  std::vector<wchar_t> buffer(wide.size() + 256, L'\0');
  for (;;) {
    const DWORD needed =
        ::ExpandEnvironmentStringsW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) return std::string(text);
    if (needed <= buffer.size()) return text_of(buffer);
    buffer.assign(needed, L'\0');
  }
}

bool Win32Programs::is_file(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesW(api_path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32Programs::environment_variable(std::string_view name) {
  const std::wstring wide = widen(name);
  std::vector<wchar_t> buffer(MAX_PATH, L'\0');
  for (;;) {
    // An empty value also gives 0; only the status tells it from a missing one.
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length =
        ::GetEnvironmentVariableW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (::GetLastError() != ERROR_SUCCESS) return std::nullopt;
      return std::string();
    }
    if (length < buffer.size()) return narrow(std::wstring_view(buffer.data(), length));
    buffer.assign(length, L'\0');  // the answer is the size it needs, with the NUL
  }
}

FileDescription Win32Programs::describe_file(std::string_view path) {
  const FileVersionInfo info = FileVersionInfo::of_file(api_path(path));
  return FileDescription{info.string(L"CompanyName"), info.string(L"FileDescription")};
}

Win32Programs::FileChecks& Win32Programs::checks() {
  if (!checks_) checks_ = std::make_unique<FileChecks>();
  return *checks_;
}

Signature Win32Programs::signature(std::string_view path) {
  const std::optional<std::wstring> file = local_file(path, checks().drives);
  if (!file) return Signature{};
  return check_signature(*file, path);
}

std::optional<std::string> Win32Programs::sha256(std::string_view path) {
  const std::optional<std::wstring> file = local_file(path, checks().drives);
  if (!file) return std::nullopt;
  return checks().hasher.sha256(*file, path);
}

}  // namespace rw::win32
