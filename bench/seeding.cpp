#include "bench/seeding.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <stdexcept>

#include "catalogue/module1.h"
#include "platform/settings_store.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "wine_support.h"

namespace rw::bench {

namespace {

using win32::UniqueFile;
using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

bool key_is_empty(Hive hive, const std::string& path) {
  UniqueHkey key;
  if (::RegOpenKeyExW(root_of(hive), widen(path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
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
  return text_to_registry_bytes("\"C:\\Program Files\\RWBench\\" + name + ".exe\" /background");
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

}  // namespace

Seeder::Seeder(std::string program_folder) : program_folder_(std::move(program_folder)) {
  win32::Win32Folders folders;
  current_user_startup_ = folders.special_folder(kCsidlStartup);
  all_users_startup_ = folders.special_folder(kCsidlCommonStartup);
  if (current_user_startup_.empty() || all_users_startup_.empty())
    throw std::runtime_error("the Startup folders cannot be resolved");

  const std::string settings = std::string(kSettingsRoot);
  const std::string program = settings + std::string(kProgramTitle);
  const PlaceInfo& mine_parked = place(StartupLocation::CurrentUserRunParked);
  const PlaceInfo& machine_parked = place(StartupLocation::AllUsersRunParked);
  const std::string run_key(place(StartupLocation::CurrentUserRun).key_path);
  const std::vector<KeyPath> keys = {
      {kHkeyLocalMachine, run_key},
      {kHkeyCurrentUser, run_key},
      {kHkeyCurrentUser, settings.substr(0, settings.size() - 1)},
      {kHkeyCurrentUser, program},
      {kHkeyCurrentUser, program + "\\Disabled"},
      {kHkeyCurrentUser, std::string(mine_parked.key_path)},
      {kHkeyCurrentUser, std::string(machine_parked.key_path)},
      {kHkeyCurrentUser, program + "\\Types"},
      {kHkeyCurrentUser, SettingsStore::section_key_path(kProgramTitle, mine_parked.type_section)},
      {kHkeyCurrentUser,
       SettingsStore::section_key_path(kProgramTitle, machine_parked.type_section)},
  };
  for (const KeyPath& key : keys) {
    if (!wine_support::key_exists(key.hive, widen(key.path))) created_keys_.push_back(key);
  }
  for (std::string_view tail :
       {kParkingRootTail, place(StartupLocation::AllUsersStartupParked).folder_tail,
        place(StartupLocation::CurrentUserStartupParked).folder_tail}) {
    const std::string folder = program_folder_ + std::string(tail);
    const DWORD found = ::GetFileAttributesW(widen(folder).c_str());
    if (found == INVALID_FILE_ATTRIBUTES) created_folders_.push_back(folder);
  }
}

Seeder::~Seeder() {
  remove_entries();
  remove_created_keys_and_folders();
}

std::string Seeder::folder_of(StartupLocation location) const {
  Module1 module;
  module.CurrentUserStartupPath = current_user_startup_;
  module.AllUsersStartupPath = all_users_startup_;
  return place_folder(place(location), module, program_folder_);
}

void Seeder::seed(std::span<const StartupLocation> places, int count) {
  std::vector<SeededEntry> added;
  added.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    added.push_back(SeededEntry{next_name(), places[static_cast<std::size_t>(i) % places.size()]});
  }
  write_entries(added);
  entries_.insert(entries_.end(), added.begin(), added.end());
}

void Seeder::reset() {
  remove_entries();
  write_entries(entries_);
}

void Seeder::write_entries(std::span<const SeededEntry> entries) const {
  std::map<StartupLocation, std::vector<const SeededEntry*>> by_place;
  for (const SeededEntry& entry : entries) by_place[entry.location].push_back(&entry);
  for (const auto& [location, group] : by_place) {
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
    const LSTATUS opened =
        ::RegCreateKeyExW(root_of(info.key_hive), widen(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, key.put(), nullptr);
    if (opened != ERROR_SUCCESS) throw std::runtime_error("cannot create key " + path);
    for (const SeededEntry* entry : group) {
      const std::vector<std::uint8_t> data = command_bytes(entry->name);
      ::RegSetValueExW(key.get(), widen(entry->name).c_str(), 0, REG_SZ, data.data(),
                       static_cast<DWORD>(data.size()));
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
  if (::RegOpenKeyExW(root_of(info.key_hive), widen(std::string(info.key_path)).c_str(), 0,
                      KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return false;
  return ::RegQueryValueExW(key.get(), widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void Seeder::remove_entries() const {
  // An entry may be at its place or, after Exit, at the partner place.
  std::map<StartupLocation, std::vector<const SeededEntry*>> by_place;
  for (const SeededEntry& entry : entries_) {
    by_place[entry.location].push_back(&entry);
    by_place[place(entry.location).partner].push_back(&entry);
  }
  for (const auto& [location, group] : by_place) {
    const PlaceInfo& info = place(location);
    if (info.kind == EntryKind::Shortcut) {
      const std::string folder = folder_of(location);
      for (const SeededEntry* entry : group)
        ::DeleteFileW(widen(shortcut_path(folder, entry->name)).c_str());
      continue;
    }
    UniqueHkey key;
    if (::RegOpenKeyExW(root_of(info.key_hive), widen(std::string(info.key_path)).c_str(), 0,
                        KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
      continue;
    for (const SeededEntry* entry : group) ::RegDeleteValueW(key.get(), widen(entry->name).c_str());
  }
}

void Seeder::remove_created_keys_and_folders() const {
  // Deepest first; a key or folder someone else put something into stays.
  for (auto key = created_keys_.rbegin(); key != created_keys_.rend(); ++key) {
    if (key_is_empty(key->hive, key->path))
      ::RegDeleteKeyW(root_of(key->hive), widen(key->path).c_str());
  }
  for (auto folder = created_folders_.rbegin(); folder != created_folders_.rend(); ++folder)
    ::RemoveDirectoryW(widen(*folder).c_str());
}

}  // namespace rw::bench
