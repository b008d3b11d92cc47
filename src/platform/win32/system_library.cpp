// Loading a system DLL by its full path on first use.
#include "platform/win32/system_library.h"

#include <string>

namespace rw::win32 {

namespace {

std::wstring system_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.assign(length, L'\0');  // the answer is the size it needs
  }
}

}  // namespace

FARPROC SystemLibrary::address_of(const char* name) {
  if (!module_) {
    const std::wstring folder = system_folder();
    if (folder.empty()) return nullptr;
    module_.reset(::LoadLibraryW((folder + L"\\" + file_name_).c_str()));
    if (!module_) return nullptr;
  }
  return ::GetProcAddress(module_.get(), name);
}

}  // namespace rw::win32
