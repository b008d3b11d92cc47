// Writing the sample entries into the registry and the Startup folders, each
// where the place table says its place is.
#include "tools/sample_entries.h"

#include <shlobj.h>
#include <windows.h>

#include "catalogue/module1.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/wine_support.h"

namespace rw::tools {

namespace {

using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

std::string hive_name(Hive hive) {
  return hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// A system error wrapped in an HRESULT is told as the system error.
Status status_of(HRESULT result) {
  return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                    : static_cast<Status>(result);
}

std::string failure(const SampleEntry& sample, const std::string& where, Status code) {
  win32::Win32StatusText words;
  return "The sample \"" + std::string(sample.name) + "\" could not be written to " + where + ": " +
         words.describe(code) + " (error " + std::to_string(code) + ")";
}

Status write_value(const SampleEntry& sample, Hive hive, const std::string& key_path) {
  UniqueHkey key;
  const LSTATUS opened = ::RegCreateKeyExW(root_of(hive), widen(key_path).c_str(), 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (opened != ERROR_SUCCESS) return opened;
  const std::wstring command = widen(sample.program);
  return ::RegSetValueExW(key.get(), widen(sample.name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

HRESULT write_shortcut(const SampleEntry& sample, const std::string& path) {
  ComOwner<IShellLinkW> link;
  HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(link.put()));
  if (SUCCEEDED(result)) result = link.get()->SetPath(widen(sample.program).c_str());
  if (SUCCEEDED(result)) result = link.get()->SetDescription(L"A sample entry of Runwarden");
  ComOwner<IPersistFile> file;
  if (SUCCEEDED(result)) {
    result = link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()));
  }
  if (SUCCEEDED(result)) result = file.get()->Save(widen(path).c_str(), TRUE);
  return result;
}

}  // namespace

bool running_under_wine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<std::string> write_sample_entries() {
  win32::Win32Folders folders;
  Module1 module;
  module.CurrentUserStartupPath = folders.special_folder(kCsidlStartup);
  module.AllUsersStartupPath = folders.special_folder(kCsidlCommonStartup);
  std::vector<std::string> failures;
  for (const SampleEntry& sample : kSampleEntries) {
    const PlaceInfo& info = place(sample.location);
    if (info.kind == EntryKind::Shortcut) {
      const std::string path = shortcut_path(place_folder(info, module, {}), sample.name);
      const HRESULT result = write_shortcut(sample, path);
      if (FAILED(result)) failures.push_back(failure(sample, path, status_of(result)));
      continue;
    }
    const Hive hive = info.key_hive;
    const std::string key_path(info.key_path);
    const Status status = write_value(sample, hive, key_path);
    if (status != ERROR_SUCCESS) {
      failures.push_back(failure(sample, hive_name(hive) + "\\" + key_path, status));
    }
  }
  return failures;
}

}  // namespace rw::tools
