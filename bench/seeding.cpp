#include "bench/seeding.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "catalogue/module1.h"
#include "platform/settings_store.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/wine_support.h"

namespace rw::bench {

namespace {

using win32::UniqueFile;
using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

LSTATUS open_key(Hive hive, const std::string& path, std::uint32_t view, REGSAM access,
                 UniqueHkey& key) {
  return ::RegOpenKeyExW(root_of(hive), widen(path).c_str(), 0, access | view, key.put());
}

LSTATUS create_key(Hive hive, const std::string& path, std::uint32_t view, UniqueHkey& key) {
  return ::RegCreateKeyExW(root_of(hive), widen(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view,
                           nullptr, key.put(), nullptr);
}

bool key_is_empty(Hive hive, const std::string& path, std::uint32_t view) {
  UniqueHkey key;
  if (open_key(hive, path, view, KEY_READ, key) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

// Distinct names in an order unlike the order of seeding, so that the list's
// sorted insert lands all over the list rather than always at its end.
std::string next_name() {
  static unsigned counter = 0;
  ++counter;
  char text[48];
  std::snprintf(text, sizeof text, "%s%08x %06u", kSeedPrefix.data(), counter * 2654435761u,
                counter);
  return text;
}

std::vector<std::uint8_t> command_bytes(const std::string& name) {
  return text_to_registry_bytes("\"" + seeded_program(name) + "\" /background");
}

void write_file(const std::string& path) {
  UniqueFile file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw std::runtime_error("cannot create " + path);
  // Not a working shortcut: the program copies the file whole and never
  // opens it, so only its size matters.
  char content[512] = {'L', 0, 0, 0};
  DWORD written = 0;
  ::WriteFile(file.get(), content, sizeof content, &written, nullptr);
}

// The flag a seeded entry gets: of every hundred entries of active places,
// the first switched off and the fifty-first switched on.
std::uint8_t flag_for(Flags flags, int candidate) {
  if (flags == Flags::None) return flag::kNone;
  if (candidate % 100 == 0)
    return (candidate / 100) % 2 == 0 ? flag::kOffByTaskManager : flag::kOffBySettings;
  return candidate % 100 == 50 ? flag::kOn : flag::kNone;
}

// Groups entries by a place worked on, so that each key is opened once.
template <typename PlaceOf>
std::map<StartupLocation, std::vector<const SeededEntry*>> by_place(
    std::span<const SeededEntry> entries, PlaceOf place_of) {
  std::map<StartupLocation, std::vector<const SeededEntry*>> groups;
  for (const SeededEntry& entry : entries) groups[place_of(entry)].push_back(&entry);
  return groups;
}

StartupLocation flag_owner_of(const SeededEntry& entry) {
  return flag_owner(place(entry.location)).location;
}

}  // namespace

std::string seeded_program(const std::string& name) {
  return "C:\\Program Files\\RWBench\\" + name + ".exe";
}

const PlaceInfo& flag_owner(const PlaceInfo& info) {
  return info.active ? info : place(info.partner);
}

std::string flag_value_name(const SeededEntry& entry) {
  return entry.name + std::string(flag_owner(place(entry.location)).flag_suffix);
}

std::vector<std::uint8_t> flag_value_bytes(std::uint8_t flag) {
  std::vector<std::uint8_t> bytes(12, 0);
  bytes[0] = flag;
  if ((flag & 1) == 0) return bytes;
  // 1 January 2026 as a FILETIME: 100-nanosecond ticks since 1601.
  constexpr std::uint64_t kSwitchedOffAt = 134'116'992'000'000'000;
  for (int i = 0; i < 8; ++i) bytes[4 + i] = static_cast<std::uint8_t>(kSwitchedOffAt >> (8 * i));
  return bytes;
}

Seeder::Seeder(std::string program_folder) : program_folder_(std::move(program_folder)) {
  win32::Win32Folders folders;
  current_user_startup_ = folders.special_folder(kCsidlStartup);
  all_users_startup_ = folders.special_folder(kCsidlCommonStartup);
  if (current_user_startup_.empty() || all_users_startup_.empty())
    throw std::runtime_error("the Startup folders cannot be resolved");

  for (const PlaceInfo& info : kPlaces) {
    if (info.kind == EntryKind::RunValue)
      note_missing_levels({info.key_hive, std::string(info.key_path), info.view});
    if (!info.type_section.empty()) {
      note_missing_levels(
          {kHkeyCurrentUser, SettingsStore::section_key_path(kProgramTitle, info.type_section), 0});
    }
    if (!info.flag_key.empty())
      note_missing_levels({info.flag_hive, std::string(info.flag_key), KEY_WOW64_64KEY});
  }
  for (std::string_view tail :
       {kParkingRootTail, place(StartupLocation::AllUsersStartupParked).folder_tail,
        place(StartupLocation::CurrentUserStartupParked).folder_tail}) {
    const std::string folder = program_folder_ + std::string(tail);
    const DWORD found = ::GetFileAttributesW(widen(folder).c_str());
    if (found == INVALID_FILE_ATTRIBUTES) created_folders_.push_back(folder);
  }
}

void Seeder::note_missing_levels(const KeyPath& key) {
  for (std::size_t end = key.path.find('\\');; end = key.path.find('\\', end + 1)) {
    const KeyPath level{key.hive, key.path.substr(0, end), key.view};
    const bool noted =
        std::any_of(created_keys_.begin(), created_keys_.end(), [&](const KeyPath& k) {
          return k.hive == level.hive && k.view == level.view &&
                 ::CompareStringOrdinal(widen(k.path).c_str(), -1, widen(level.path).c_str(), -1,
                                        TRUE) == CSTR_EQUAL;
        });
    UniqueHkey opened;
    if (!noted && open_key(level.hive, level.path, level.view, KEY_READ, opened) != ERROR_SUCCESS)
      created_keys_.push_back(level);
    if (end == std::string::npos) return;
  }
}

Seeder::~Seeder() {
  remove_entries();
  remove_flags();
  remove_created_keys_and_folders();
}

std::string Seeder::folder_of(StartupLocation location) const {
  Module1 module;
  module.CurrentUserStartupPath = current_user_startup_;
  module.AllUsersStartupPath = all_users_startup_;
  return place_folder(place(location), module, program_folder_);
}

void Seeder::seed(std::span<const StartupLocation> places, int count, Flags flags) {
  std::vector<SeededEntry> added;
  added.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const StartupLocation location = places[static_cast<std::size_t>(i) % places.size()];
    SeededEntry entry{next_name(), location};
    if (place(location).active) entry.flag = flag_for(flags, flag_candidates_++);
    added.push_back(std::move(entry));
  }
  write_entries(added);
  write_flags(added);
  entries_.insert(entries_.end(), added.begin(), added.end());
}

void Seeder::reset() {
  remove_entries();
  remove_flags();
  write_entries(entries_);
  write_flags(entries_);
}

void Seeder::write_entries(std::span<const SeededEntry> entries) const {
  const auto groups = by_place(entries, [](const SeededEntry& entry) { return entry.location; });
  for (const auto& [location, group] : groups) {
    const PlaceInfo& info = place(location);
    if (info.kind == EntryKind::Shortcut) {
      const std::string folder = folder_of(location);
      ::CreateDirectoryW(widen(program_folder_ + std::string(kParkingRootTail)).c_str(), nullptr);
      ::CreateDirectoryW(widen(folder).c_str(), nullptr);
      for (const SeededEntry* entry : group) write_file(shortcut_path(folder, entry->name));
      continue;
    }
    const std::string path = std::string(info.key_path);
    UniqueHkey key;
    if (create_key(info.key_hive, path, info.view, key) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create key " + path);
    for (const SeededEntry* entry : group) {
      const std::vector<std::uint8_t> data = command_bytes(entry->name);
      ::RegSetValueExW(key.get(), widen(entry->name).c_str(), 0, REG_SZ, data.data(),
                       static_cast<DWORD>(data.size()));
    }
  }
}

void Seeder::write_flags(std::span<const SeededEntry> entries) const {
  for (const auto& [location, group] : by_place(entries, flag_owner_of)) {
    const PlaceInfo& owner = place(location);
    const std::string path(owner.flag_key);
    UniqueHkey key;  // created with the first flag to write there
    for (const SeededEntry* entry : group) {
      if (entry->flag == flag::kNone) continue;
      if (!key && create_key(owner.flag_hive, path, KEY_WOW64_64KEY, key) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
      const std::vector<std::uint8_t> data = flag_value_bytes(entry->flag);
      ::RegSetValueExW(key.get(), widen(flag_value_name(*entry)).c_str(), 0, REG_BINARY,
                       data.data(), static_cast<DWORD>(data.size()));
    }
  }
}

bool Seeder::stored_at(const std::string& name, StartupLocation location) const {
  const PlaceInfo& info = place(location);
  if (info.kind == EntryKind::Shortcut) {
    return ::GetFileAttributesW(widen(shortcut_path(folder_of(location), name)).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
  }
  UniqueHkey key;
  if (open_key(info.key_hive, std::string(info.key_path), info.view, KEY_QUERY_VALUE, key) !=
      ERROR_SUCCESS)
    return false;
  return ::RegQueryValueExW(key.get(), widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::uint8_t Seeder::flag_now(const SeededEntry& entry) const {
  const PlaceInfo& owner = flag_owner(place(entry.location));
  UniqueHkey key;
  if (open_key(owner.flag_hive, std::string(owner.flag_key), KEY_WOW64_64KEY, KEY_QUERY_VALUE,
               key) != ERROR_SUCCESS)
    return flag::kNone;
  BYTE data[64];
  DWORD size = sizeof data;
  if (::RegQueryValueExW(key.get(), widen(flag_value_name(entry)).c_str(), nullptr, nullptr, data,
                         &size) != ERROR_SUCCESS ||
      size == 0)
    return flag::kNone;
  return data[0];
}

void Seeder::remove_entries() const {
  // An entry may be at its place or, after Exit, at the partner place.
  std::map<StartupLocation, std::vector<const SeededEntry*>> groups;
  for (const SeededEntry& entry : entries_) {
    groups[entry.location].push_back(&entry);
    groups[place(entry.location).partner].push_back(&entry);
  }
  for (const auto& [location, group] : groups) {
    const PlaceInfo& info = place(location);
    if (info.kind == EntryKind::Shortcut) {
      const std::string folder = folder_of(location);
      for (const SeededEntry* entry : group)
        ::DeleteFileW(widen(shortcut_path(folder, entry->name)).c_str());
      continue;
    }
    UniqueHkey key;
    if (open_key(info.key_hive, std::string(info.key_path), info.view, KEY_SET_VALUE, key) !=
        ERROR_SUCCESS)
      continue;
    for (const SeededEntry* entry : group) ::RegDeleteValueW(key.get(), widen(entry->name).c_str());
  }
}

void Seeder::remove_flags() const {
  // Whether seeded or written by a run (Exit sets the flag off when it
  // parks an entry), every seeded entry's flag goes.
  for (const auto& [location, group] : by_place(entries_, flag_owner_of)) {
    const PlaceInfo& owner = place(location);
    UniqueHkey key;
    if (open_key(owner.flag_hive, std::string(owner.flag_key), KEY_WOW64_64KEY, KEY_SET_VALUE,
                 key) != ERROR_SUCCESS)
      continue;
    for (const SeededEntry* entry : group)
      ::RegDeleteValueW(key.get(), widen(flag_value_name(*entry)).c_str());
  }
}

void Seeder::remove_created_keys_and_folders() const {
  // Deepest first; a key or folder someone else put something into stays.
  for (auto key = created_keys_.rbegin(); key != created_keys_.rend(); ++key) {
    if (key_is_empty(key->hive, key->path, key->view))
      ::RegDeleteKeyExW(root_of(key->hive), widen(key->path).c_str(), key->view, 0);
  }
  for (auto folder = created_folders_.rbegin(); folder != created_folders_.rend(); ++folder)
    ::RemoveDirectoryW(widen(*folder).c_str());
}

}  // namespace rw::bench
