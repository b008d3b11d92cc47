#include "wine_support.h"

#include "platform/win32/handles.h"

namespace rw::wine_support {

HKEY root_of(Hive hive) {
  return hive == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool key_exists(Hive hive, const std::wstring& path) {
  win32::UniqueHkey key;
  return ::RegOpenKeyExW(root_of(hive), path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  {
    win32::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(path);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(find.get(), &found));
    }
  }
  ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace rw::wine_support
