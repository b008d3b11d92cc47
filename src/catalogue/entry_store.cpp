#include "catalogue/entry_store.h"

#include <algorithm>
#include <chrono>

#include "catalogue/run_value_io.h"
#include "platform/settings_store.h"

namespace rw {

namespace {

std::string folder_of(Catalogue& catalogue, const PlaceInfo& info) {
  return place_folder(info, catalogue.module, catalogue.platform.folders.program_folder());
}

std::string shortcut_of(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  return shortcut_path(folder_of(catalogue, info), name);
}

Listing list_shortcuts(Catalogue& catalogue, const PlaceInfo& info) {
  Listing listing;
  std::vector<std::string> files;
  try {
    files = catalogue.platform.files.dir(
        folder_of(catalogue, info) + "\\*" + std::string(kShortcutSuffix), attr::kNormal);
  } catch (const PlatformError& error) {
    listing.failure = error;
  }
  for (std::string& file : files) {
    if (file.size() < kShortcutSuffix.size()) continue;
    file.resize(file.size() - kShortcutSuffix.size());  // whatever the letter case
    listing.names.push_back(std::move(file));
  }
  return listing;
}

Content content_of(const RegValue& value, std::uint32_t string_type) {
  if (!is_string_type(value.type)) {
    return Content{value.type, std::string(value.data.begin(), value.data.end())};
  }
  return Content{string_type, registry_bytes_to_text(value.data)};
}

// The names of the parked values of the place whose type is recorded as an
// expandable string, read in one pass; none when that cannot be read, as a
// value without a record reads as a plain string.
std::vector<std::string> expandable_parked(Catalogue& catalogue, const PlaceInfo& info) {
  std::vector<std::string> names;
  if (info.active) return names;
  Registry& registry = catalogue.platform.registry;
  RegKey key;
  if (registry.open_key(kHkeyCurrentUser,
                        SettingsStore::section_key_path(kProgramTitle, info.type_section),
                        access::kRead, key) != status::kOk) {
    return names;
  }
  std::vector<std::pair<std::string, RegValue>> records;
  list_values(registry, key, records);
  for (const auto& [name, record] : records) {
    if (registry_bytes_to_text(record.data) == std::to_string(regtype::kExpandSz)) {
      names.push_back(name);
    }
  }
  return names;
}

Listing list_values(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  Listing listing;
  // Where the two views are one key, the 32-bit place would list the
  // machine's entries a second time.
  if (info.view == access::kView32 && !registry.views_are_separate()) return listing;
  KeyScope scope(module);
  module.LastStatus = registry.open_key(info.key_hive, info.scan_key_path,
                                        access::kRead | info.view, module.KeyHandle);
  if (module.LastStatus == status::kFileNotFound) return listing;  // a missing key lists nothing
  const char* call = "RegOpenKeyEx";
  if (module.LastStatus == status::kOk && !with_contents) {
    call = "RegEnumValue";
    module.LastStatus = list_value_names(registry, module.KeyHandle, listing.names);
  } else if (module.LastStatus == status::kOk) {
    call = "RegEnumValue";
    std::vector<std::pair<std::string, RegValue>> values;
    module.LastStatus = list_values(registry, module.KeyHandle, values);
    const std::vector<std::string> expandable = expandable_parked(catalogue, info);
    TextRules& rules = catalogue.platform.text_rules;
    for (auto& [name, value] : values) {
      const bool recorded =
          std::any_of(expandable.begin(), expandable.end(),
                      [&](const std::string& other) { return rules.same_name(other, name); });
      listing.contents.push_back(content_of(value, info.active ? value.type
                                                   : recorded  ? regtype::kExpandSz
                                                               : regtype::kSz));
      listing.names.push_back(std::move(name));
    }
  }
  if (module.LastStatus != status::kOk) {
    listing.failure = EntryFailure(call, key_words(info.key_hive, info.scan_key_path, info.view),
                                   module.LastStatus);
  }
  return listing;
}

}  // namespace

Listing list_entries(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) {
  return info.kind == EntryKind::Shortcut ? list_shortcuts(catalogue, info)
                                          : list_values(catalogue, info, with_contents);
}

std::optional<Content> read_entry(Catalogue& catalogue, const PlaceInfo& info,
                                  std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    auto bytes = catalogue.platform.files.file_content(shortcut_of(catalogue, info, name));
    if (!bytes) return std::nullopt;
    return Content{regtype::kNone, std::move(*bytes)};
  }
  const std::optional<RegValue> value =
      read_value_at(catalogue, info.key_hive, info.key_path, name, info.view);
  if (!value) return std::nullopt;
  if (info.active) return content_of(*value, value->type);
  // The parking section holds plain strings; the type is kept beside it.
  SettingsStore store(catalogue.platform.registry);
  return content_of(*value, parked_type(store, info, name));
}

void check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::RunValue) {
    check_key_writable(catalogue, info.key_hive, info.key_path, info.view);
    return;
  }
  const std::string path = shortcut_of(catalogue, info, name);
  const Status result = catalogue.platform.files.removable(path);
  if (result != status::kOk) throw EntryFailure("CreateFile for deletion", path, result);
}

namespace {

// Makes each missing level of the folder of a place of Runwarden's own.
void make_own_folder(Catalogue& catalogue, const PlaceInfo& info) {
  FileSystem& files = catalogue.platform.files;
  std::string folder = catalogue.platform.folders.program_folder();
  for (std::string_view rest = info.folder_tail; !rest.empty();) {
    const std::size_t next = rest.find('\\', 1);
    folder += rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next);
    if (!files.folder_exists(folder)) files.make_dir(folder);
  }
}

// What keeps a file out of every listing (see dir()).
constexpr std::uint32_t kUnlisted = attr::kHidden | attr::kSystem;

// A hidden or system file of that name may have been there before the copy
// (the same bytes, or the move would have stopped at it), and a copy over it
// may keep its attributes: then no list would show the entry.
void make_listed(FileSystem& files, const std::string& path) {
  const std::optional<std::uint32_t> attributes = files.file_attributes(path);
  if (attributes && (*attributes & kUnlisted)) {
    files.set_file_attributes(path, *attributes & ~kUnlisted);
  }
}

// Copies the shortcut. A parking folder is made by the first shortcut parked
// there, when the copy finds it missing, and never by a listing, so that
// listing needs no right to write to the program's folder.
void copy_shortcut(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                   std::string_view name) {
  FileSystem& files = catalogue.platform.files;
  const std::string source = shortcut_of(catalogue, from, name);
  const std::string target = shortcut_of(catalogue, to, name);
  try {
    files.file_copy(source, target);
  } catch (const PlatformError&) {
    if (to.folder != FolderBase::ProgramFolder || files.folder_exists(folder_of(catalogue, to))) {
      throw;
    }
    make_own_folder(catalogue, to);
    files.file_copy(source, target);
  }
  make_listed(files, target);
}

}  // namespace

void write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                 std::string_view name, const Content& content) {
  if (to.kind == EntryKind::Shortcut) {
    copy_shortcut(catalogue, from, to, name);
    return;
  }
  catalogue.module.CurrentHive = to.hive;
  if (!to.active) {
    // The type record goes first: one left without its value is harmless, a
    // parked value without its record would come back as a plain string.
    SettingsStore store(catalogue.platform.registry);
    record_parked_type(store, to, name, content.type);
    store.save_setting(kProgramTitle, to.section, name, content.data);
    return;
  }
  write_value_at(catalogue, to.key_hive, to.key_path, name, content.type,
                 text_to_registry_bytes(content.data), to.view);
}

void delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    catalogue.platform.files.kill(shortcut_of(catalogue, info, name));
    return;
  }
  catalogue.module.CurrentHive = info.hive;
  if (info.active) {
    delete_value_at(catalogue, info.key_hive, info.key_path, name, info.view);
    return;
  }
  SettingsStore(catalogue.platform.registry).delete_setting(kProgramTitle, info.section, name);
}

void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind != EntryKind::RunValue || info.active) return;
  SettingsStore store(catalogue.platform.registry);
  forget_parked_type(store, info, name);
}

namespace {

// Windows' values: byte 0 a flag whose lowest bit means off, then three zero
// bytes, then when it was switched off (a FILETIME; zero while on).
constexpr std::uint8_t kFlagOn = 0x02;
constexpr std::uint8_t kFlagOff = 0x03;

bool says_off(const RegValue& value) { return !value.data.empty() && (value.data[0] & 1) != 0; }

std::vector<std::uint8_t> flag_bytes(bool on) {
  std::vector<std::uint8_t> bytes(12, 0);
  bytes[0] = on ? kFlagOn : kFlagOff;
  if (!on) {
    // 100-nanosecond ticks since 1601, the FILETIME epoch.
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    const std::int64_t unix_ticks =
        std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const auto filetime = static_cast<std::uint64_t>(unix_ticks + 116'444'736'000'000'000);
    for (int i = 0; i < 8; ++i) bytes[4 + i] = static_cast<std::uint8_t>(filetime >> (8 * i));
  }
  return bytes;
}

std::string flag_value_name(const PlaceInfo& governing, std::string_view name) {
  return std::string(name) + std::string(governing.flag_suffix);
}

}  // namespace

const PlaceInfo* flag_place(const PlaceInfo& info) {
  const PlaceInfo& active = info.active ? info : place(info.partner);
  return active.flag_key.empty() ? nullptr : &active;
}

SwitchedOff switched_off_entries(Catalogue& catalogue, const PlaceInfo& info) {
  SwitchedOff found;
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return found;
  try {
    TextRules& rules = catalogue.platform.text_rules;
    const std::string_view suffix = governing->flag_suffix;
    for (const auto& [value_name, value] :
         values_at(catalogue, governing->flag_hive, governing->flag_key, access::kView64)) {
      if (!says_off(value) || value_name.size() < suffix.size() ||
          !rules.same_name(std::string_view(value_name).substr(value_name.size() - suffix.size()),
                           suffix)) {
        continue;
      }
      found.names.push_back(value_name.substr(0, value_name.size() - suffix.size()));
    }
  } catch (const PlatformError& error) {
    found.failure = error;
  }
  return found;
}

bool is_switched_off(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return false;
  const std::optional<RegValue> value =
      read_value_at(catalogue, governing->flag_hive, governing->flag_key,
                    flag_value_name(*governing, name), access::kView64);
  return value && says_off(*value);
}

void write_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name, bool on) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  write_value_at(catalogue, governing->flag_hive, governing->flag_key,
                 flag_value_name(*governing, name), regtype::kBinary, flag_bytes(on),
                 access::kView64);
}

void delete_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  try {
    delete_value_at(catalogue, governing->flag_hive, governing->flag_key,
                    flag_value_name(*governing, name), access::kView64);
  } catch (const PlatformError& error) {
    if (error.code() != status::kFileNotFound) throw;  // none is what was wanted
  }
}

std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) return shortcut_of(catalogue, info, name);
  return key_words(info.key_hive, info.key_path, info.view) + "\\" + std::string(name);
}

bool is_unlisted(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind != EntryKind::Shortcut) return false;
  try {
    const auto attributes =
        catalogue.platform.files.file_attributes(shortcut_of(catalogue, info, name));
    return attributes && (*attributes & kUnlisted);
  } catch (const PlatformError&) {
    return false;  // only words depend on it
  }
}

bool is_movable(const PlaceInfo& info, const Content& content) {
  return info.kind == EntryKind::Shortcut || is_string_type(content.type);
}

}  // namespace rw
