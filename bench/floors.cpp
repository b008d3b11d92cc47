#include "bench/floors.h"

#include <windows.h>

#include "catalogue/module1.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "wine_support.h"

namespace rw::bench {

namespace {

using win32::UniqueFind;
using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

std::size_t enumerate_values(const PlaceInfo& info) {
  UniqueHkey key;
  if (::RegOpenKeyExW(root_of(info.key_hive), widen(std::string(info.key_path)).c_str(), 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
    return 0;
  static wchar_t name[16384];
  std::size_t seen = 0;
  for (DWORD index = 0;; ++index) {
    DWORD length = 16384;
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

bool move_shortcut(const Seeder& places, const SeededEntry& entry) {
  const std::wstring source = widen(shortcut_path(places.folder_of(entry.location), entry.name));
  const std::wstring target =
      widen(shortcut_path(places.folder_of(place(entry.location).partner), entry.name));
  return ::CopyFileW(source.c_str(), target.c_str(), FALSE) && ::DeleteFileW(source.c_str());
}

bool move_run_value(const SeededEntry& entry) {
  const PlaceInfo& from = place(entry.location);
  const PlaceInfo& to = place(from.partner);
  const HKEY source_root = root_of(from.key_hive);
  const std::wstring source_path = widen(std::string(from.key_path));
  const std::wstring name = widen(entry.name);

  BYTE data[512];
  DWORD size = sizeof data;
  DWORD type = REG_SZ;
  {
    UniqueHkey key;
    if (::RegOpenKeyExW(source_root, source_path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
      return false;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS)
      return false;
  }
  {
    UniqueHkey key;
    if (::RegCreateKeyExW(root_of(to.key_hive), widen(std::string(to.key_path)).c_str(), 0, nullptr,
                          0, KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
      return false;
    if (::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, data, size) != ERROR_SUCCESS)
      return false;
  }
  UniqueHkey key;
  if (::RegOpenKeyExW(source_root, source_path.c_str(), 0, KEY_WRITE, key.put()) != ERROR_SUCCESS)
    return false;
  return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

}  // namespace

std::size_t enumerate_places(const Seeder& places) {
  std::size_t seen = 0;
  for (StartupLocation location : kRunValuePlaces) seen += enumerate_values(place(location));
  for (StartupLocation location : kShortcutPlaces)
    seen += enumerate_shortcuts(places.folder_of(location));
  return seen;
}

std::size_t move_to_partners(const Seeder& places, const std::vector<SeededEntry>& entries) {
  std::size_t moved = 0;
  for (const SeededEntry& entry : entries) {
    const bool done = place(entry.location).kind == EntryKind::Shortcut
                          ? move_shortcut(places, entry)
                          : move_run_value(entry);
    if (done) ++moved;
  }
  return moved;
}

}  // namespace rw::bench
