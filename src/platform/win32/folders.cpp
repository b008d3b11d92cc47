// Where things are: the special folders, the Windows and system folders,
// the program's own folder, and which drives are network shares.
#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

namespace {

std::string text_before_nul(const std::vector<wchar_t>& buffer) {
  std::wstring_view text(buffer.data(), buffer.size());
  return narrow(text.substr(0, text.find(L'\0')));
}

// GetWindowsDirectoryW and GetSystemDirectoryW answer alike: the length
// copied, or the size needed when the buffer is short, or 0 on failure.
std::string system_folder(UINT(WINAPI* ask)(LPWSTR, UINT)) {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  for (;;) {
    const UINT length = ask(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return narrow(std::wstring_view(buffer.data(), length));
    buffer.assign(length + 1, L'\0');
  }
}

}  // namespace

std::string Win32Folders::special_folder(int csidl) {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer.data()))) {
    return {};
  }
  return text_before_nul(buffer);
}

std::string Win32Folders::windows_directory() { return system_folder(::GetWindowsDirectoryW); }

std::string Win32Folders::system_directory() { return system_folder(::GetSystemDirectoryW); }

bool Win32Folders::is_network_drive(char letter) {
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return false;
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

std::string Win32Folders::program_folder() {
  std::vector<wchar_t> buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::wstring_view path(buffer.data(), length);
      const std::size_t slash = path.find_last_of(L'\\');
      return narrow(slash == std::wstring_view::npos ? path : path.substr(0, slash));
    }
    // A cut-off path fills the buffer exactly; try again with more room.
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

}  // namespace rw::win32
