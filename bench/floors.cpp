#include "bench/floors.h"

#include <shlobj.h>
#include <windows.h>

#include "catalogue/entry_store.h"
#include "catalogue/packaged_tasks.h"
#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "support/wine_support.h"

namespace rw::bench {

namespace {

using win32::UniqueFind;
using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

// Room for the longest value name the registry allows.
constexpr DWORD kNameRoom = 16384;

LSTATUS open_key(Hive hive, std::string_view path, REGSAM access, UniqueHkey& key) {
  return ::RegOpenKeyExW(root_of(hive), widen(std::string(path)).c_str(), 0, access, key.put());
}

std::size_t enumerate_values(const PlaceInfo& info) {
  UniqueHkey key;
  const RegistryKey at = key_of(info);
  if (open_key(at.hive, at.path, KEY_READ | at.view, key) != ERROR_SUCCESS) return 0;
  static wchar_t name[kNameRoom];
  std::size_t seen = 0;
  for (DWORD index = 0;; ++index) {
    DWORD length = kNameRoom;
    if (::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return seen;
    ++seen;
  }
}

std::size_t enumerate_shortcuts(const std::string& folder) {
  WIN32_FIND_DATAW found;
  UniqueFind find(::FindFirstFileW(widen(folder + "\\*.lnk").c_str(), &found));
  if (!find) return 0;
  std::size_t seen = 0;
  do {
    ++seen;
  } while (::FindNextFileW(find.get(), &found));
  return seen;
}

// Each list value read whole, and its programs counted at their separators.
std::size_t read_program_lists(const PlaceInfo& info) {
  std::size_t seen = 0;
  for (const ProgramListValue& list : info.lists) {
    UniqueHkey key;
    if (open_key(list.hive, list.key_path, KEY_READ | list.view, key) != ERROR_SUCCESS) continue;
    const std::wstring name = widen(std::string(list.value_name));
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
      continue;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
      continue;
    const std::wstring separators = widen(std::string(list.separators));
    for (std::size_t at = 0; at < text.size() && text[at] != L'\0';) {
      const std::size_t end = text.find_first_of(separators + L'\0', at);
      if (end != at) ++seen;
      if (end == std::wstring::npos) break;
      at = end + 1;
    }
  }
  return seen;
}

std::vector<std::wstring> subkey_names(HKEY parent) {
  std::vector<std::wstring> names;
  static wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (::RegEnumKeyExW(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return names;
    names.emplace_back(name, length);
  }
}

// Each family's tasks and their State, then each installed package's folder
// and its manifest's bytes, read once.
std::size_t read_packaged_tasks(const PlaceInfo& info) {
  std::size_t seen = 0;
  UniqueHkey families;
  const RegistryKey at = key_of(info);
  if (open_key(at.hive, at.path, KEY_READ, families) != ERROR_SUCCESS) return 0;
  for (const std::wstring& family : subkey_names(families.get())) {
    UniqueHkey tasks;
    if (::RegOpenKeyExW(families.get(), family.c_str(), 0, KEY_READ, tasks.put()) != ERROR_SUCCESS)
      continue;
    for (const std::wstring& task : subkey_names(tasks.get())) {
      DWORD state = 0;
      DWORD size = sizeof state;
      if (::RegGetValueW(tasks.get(), task.c_str(), L"State", RRF_RT_REG_DWORD, nullptr, &state,
                         &size) == ERROR_SUCCESS)
        ++seen;
    }
  }
  UniqueHkey packages;
  if (open_key(kHkeyCurrentUser, packaged::kPackagesKey, KEY_READ, packages) != ERROR_SUCCESS)
    return seen;
  for (const std::wstring& package : subkey_names(packages.get())) {
    wchar_t folder[MAX_PATH];
    DWORD size = sizeof folder;
    if (::RegGetValueW(packages.get(), package.c_str(), L"PackageRootFolder", RRF_RT_REG_SZ,
                       nullptr, folder, &size) != ERROR_SUCCESS)
      continue;
    win32::UniqueFile file(::CreateFileW(
        (std::wstring(folder) + L"\\" + widen(std::string(packaged::kManifestFile))).c_str(),
        GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) continue;
    static char bytes[1 << 16];
    DWORD read = 0;
    while (::ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr) && read > 0) {
    }
  }
  return seen;
}

// The values that switch whole lists off, of the machine and of the user.
void read_list_policies() {
  for (const Hive hive : {kHkeyLocalMachine, kHkeyCurrentUser}) {
    UniqueHkey key;
    if (open_key(hive, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                 KEY_READ | KEY_WOW64_64KEY, key) != ERROR_SUCCESS)
      continue;
    static wchar_t name[kNameRoom];
    for (DWORD index = 0;; ++index) {
      DWORD length = kNameRoom;
      BYTE data[64];
      DWORD size = sizeof data;
      const LSTATUS read =
          ::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, data, &size);
      if (read != ERROR_SUCCESS && read != ERROR_MORE_DATA) break;
    }
  }
}

// Every value of the place's StartupApproved key, named and then read.
void read_flags(const PlaceInfo& info, Enumerated& counts) {
  UniqueHkey key;
  if (open_key(info.flag.hive, info.flag.key, KEY_READ | KEY_WOW64_64KEY, key) != ERROR_SUCCESS)
    return;
  static wchar_t name[kNameRoom];
  for (DWORD index = 0;; ++index) {
    DWORD length = kNameRoom;
    if (::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return;
    BYTE data[512];
    DWORD size = sizeof data;
    if (::RegQueryValueExW(key.get(), name, nullptr, nullptr, data, &size) != ERROR_SUCCESS)
      continue;
    ++counts.flags;
    if (size > 0 && (data[0] & 1) != 0) ++counts.switched_off;
  }
}

bool copy_shortcut(const seeding::Seeder& places, const SeededEntry& entry) {
  const std::wstring source = widen(shortcut_path(places.folder_of(entry.location), entry.name));
  const std::wstring target =
      widen(shortcut_path(places.folder_of(*place(entry.location).partner), entry.name));
  return ::CopyFileW(source.c_str(), target.c_str(), FALSE);
}

bool copy_run_value(const SeededEntry& entry) {
  const PlaceInfo& from = place(entry.location);
  const PlaceInfo& to = *partner_of(from);
  const std::wstring name = widen(entry.name);

  BYTE data[512];
  DWORD size = sizeof data;
  DWORD type = REG_SZ;
  {
    UniqueHkey key;
    const RegistryKey at = key_of(from);
    if (open_key(at.hive, at.path, KEY_READ | at.view, key) != ERROR_SUCCESS) return false;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS)
      return false;
  }
  UniqueHkey key;
  const RegistryKey at = key_of(to);
  if (::RegCreateKeyExW(root_of(at.hive), widen(at.path).c_str(), 0, nullptr, 0,
                        KEY_WRITE | at.view, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, data, size) == ERROR_SUCCESS;
}

// Parking sets the entry's StartupApproved value off; restoring reads it.
bool write_or_read_flag(const SeededEntry& entry) {
  const PlaceInfo& from = place(entry.location);
  const PlaceInfo& owner = *flag_place(from);
  const std::wstring name = widen(seeding::flag_value_name(entry.location, entry.name));
  UniqueHkey key;
  if (from.active) {
    if (::RegCreateKeyExW(root_of(owner.flag.hive), widen(std::string(owner.flag.key)).c_str(), 0,
                          nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
      return false;
    const std::vector<std::uint8_t> off = seeding::flag_bytes(flag::kOffByTaskManager);
    return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_BINARY, off.data(),
                            static_cast<DWORD>(off.size())) == ERROR_SUCCESS;
  }
  const LSTATUS opened = open_key(owner.flag.hive, owner.flag.key, KEY_READ | KEY_WOW64_64KEY, key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;  // no key, so no flag to read
  if (opened != ERROR_SUCCESS) return false;
  BYTE data[512];
  DWORD size = sizeof data;
  const LSTATUS read = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, data, &size);
  return read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND;
}

bool remove_source(const seeding::Seeder& places, const SeededEntry& entry) {
  const PlaceInfo& from = place(entry.location);
  if (from.storage == Storage::Shortcuts) {
    return ::DeleteFileW(
        widen(shortcut_path(places.folder_of(entry.location), entry.name)).c_str());
  }
  UniqueHkey key;
  const RegistryKey at = key_of(from);
  if (open_key(at.hive, at.path, KEY_WRITE | at.view, key) != ERROR_SUCCESS) return false;
  return ::RegDeleteValueW(key.get(), widen(entry.name).c_str()) == ERROR_SUCCESS;
}

}  // namespace

Enumerated enumerate_places(const seeding::Seeder& places) {
  Enumerated counts;
  const auto walk = [&](StartupLocation location, std::size_t seen) {
    counts.entries += seen;
    const PlaceInfo& info = place(location);
    if (info.active && seen > 0 && !info.flag.key.empty()) read_flags(info, counts);
  };
  read_list_policies();
  // Every place, as the scan walks them.
  for (const PlaceInfo& info : kPlaces) {
    switch (info.storage) {
      case Storage::RunValues:
      case Storage::ParkedValues:
        walk(info.location, enumerate_values(info));
        break;
      case Storage::Shortcuts:
        walk(info.location, enumerate_shortcuts(places.folder_of(info.location)));
        break;
      case Storage::ProgramLists:
        walk(info.location, read_program_lists(info));
        break;
      case Storage::PackagedTasks:
        walk(info.location, read_packaged_tasks(info));
        break;
      case Storage::ScheduledTasks:
        break;  // read after the window shows, on a thread of their own, as the scan leaves them
    }
  }
  return counts;
}

Enumerated read_flag_keys() {
  Enumerated counts;
  for (const PlaceInfo& info : kPlaces) {
    if (info.active && !info.flag.key.empty()) read_flags(info, counts);
  }
  return counts;
}

std::size_t check_programs(const seeding::Seeder& places, const std::vector<SeededEntry>& entries) {
  win32::ComScope com;
  win32::ComPtr<IShellLinkW> link;
  win32::ComPtr<IPersistFile> file;
  if (FAILED(win32::create_instance(CLSID_ShellLink, IID_IShellLinkW, link.put())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put())))
    return 0;
  std::size_t asked = 0;
  for (const SeededEntry& entry : entries) {
    if (place(entry.location).storage == Storage::Shortcuts) {
      file->Load(widen(shortcut_path(places.folder_of(entry.location), entry.name)).c_str(),
                 STGM_READ);
    } else {
      ::GetFileAttributesW(widen(seeded_program(entry.name)).c_str());
    }
    ++asked;
  }
  return asked;
}

std::size_t move_to_partners(const seeding::Seeder& places,
                             const std::vector<SeededEntry>& entries) {
  std::size_t moved = 0;
  for (const SeededEntry& entry : entries) {
    const bool copied = place(entry.location).storage == Storage::Shortcuts
                            ? copy_shortcut(places, entry)
                            : copy_run_value(entry);
    if (copied && write_or_read_flag(entry) && remove_source(places, entry)) ++moved;
  }
  return moved;
}

}  // namespace rw::bench
