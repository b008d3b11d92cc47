#include "catalogue/entry_store.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <unordered_set>

#include "catalogue/messages.h"
#include "catalogue/packaged_tasks.h"
#include "catalogue/registry_values.h"
#include "platform/settings_store.h"

namespace rw {

namespace {

Content content_of(const RegValue& value, std::uint32_t string_type) {
  if (!is_string_type(value.type)) {
    return Content{value.type, std::string(value.data.begin(), value.data.end())};
  }
  return Content{string_type, registry_bytes_to_text(value.data)};
}

// What a Run value starts: its command line, an expandable one expanded.
std::optional<Launch> command_launch(Catalogue& catalogue, const PlaceInfo& info,
                                     std::string_view name, const Content* known) {
  std::optional<Content> read;
  if (known == nullptr && !(read = read_entry(catalogue, info, name))) return std::nullopt;
  const Content& stored = known != nullptr ? *known : *read;
  Launch launch;
  if (!is_string_type(stored.type)) {
    launch.problem = "It holds " + type_words(stored.type) + ", not a command line.";
    return launch;
  }
  launch.command = stored.type == regtype::kExpandSz
                       ? catalogue.platform.programs.expand_environment(stored.data)
                       : stored.data;
  if (launch.command != stored.data) launch.stored = stored.data;
  return launch;
}

// The key's values, or their names alone, in one pass: a place may hold tens
// of thousands. A missing key holds none; a listing cut short keeps what it
// found before the failure. Each value's content is made by `content`.
template <typename MakeContent>
Listing list_key(Registry& registry, const RegistryKey& key, bool with_contents,
                 MakeContent&& content) {
  Listing listing;
  RegKey opened;
  Status result = registry.open_key(key.hive, key.path, access::kRead | key.view, opened);
  if (result == status::kFileNotFound) return listing;
  const char* call = "RegOpenKeyEx";
  if (result == status::kOk) {
    call = "RegEnumValue";
    if (with_contents) {
      std::vector<std::pair<std::string, RegValue>> values;
      result = list_values(registry, opened, values);
      listing.entries.reserve(values.size());
      for (auto& [name, value] : values) {
        Content held = content(name, value);
        listing.entries.push_back(Found{std::move(name), {}, OffReason::None, std::move(held)});
      }
    } else {
      std::vector<std::string> names;
      result = list_value_names(registry, opened, names);
      listing.entries.reserve(names.size());
      for (std::string& name : names) listing.entries.push_back(Found{std::move(name)});
    }
  }
  if (result != status::kOk) listing.failure = EntryFailure(call, key_words(key), result);
  return listing;
}

// Values of a registry key, each a command line: what Run values and parked
// values have in common.
class ValueStorage : public PlaceStorage {
 public:
  void check_removable(Catalogue& catalogue, const PlaceInfo& info,
                       std::string_view) const override {
    check_key_writable(catalogue.platform.registry, key_of(info));
  }
  std::string address(Catalogue&, const PlaceInfo& info, std::string_view name) const override {
    return key_words(key_of(info)) + "\\" + std::string(name);
  }
  bool holds_whole(const Content& content) const override { return is_string_type(content.type); }
  std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                               std::string_view, const Content* known) const override {
    return command_launch(catalogue, info, name, known);
  }
};

// Run values in a key of the registry.
class RunValueStorage final : public ValueStorage {
 public:
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) const override {
    Registry& registry = catalogue.platform.registry;
    // Where the two views are one key, the 32-bit place would list the
    // machine's entries a second time.
    if (info.view == access::kView32 && !registry.views_are_separate()) return {};
    return list_key(
        registry, key_of(info), with_contents,
        [](const std::string&, const RegValue& value) { return content_of(value, value.type); });
  }
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const override {
    const auto value = read_value_at(catalogue.platform.registry, key_of(info), name);
    if (!value) return std::nullopt;
    return content_of(*value, value->type);
  }
  void write(Catalogue& catalogue, const PlaceInfo&, const PlaceInfo& to, std::string_view name,
             const Content& content) const override {
    write_value_at(catalogue.platform.registry, key_of(to), name, content.type,
                   text_to_registry_bytes(content.data));
  }
  void remove(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) const override {
    delete_value_at(catalogue.platform.registry, key_of(info), name);
  }
};

// Run values parked in a section of the settings store, which holds plain
// strings only: which of them were expandable strings is recorded in a
// section beside it, so that they come back as they were.
class ParkedValueStorage final : public ValueStorage {
 public:
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) const override {
    std::unordered_set<std::string> expandable;
    if (with_contents) expandable = expandable_names(catalogue, info);
    TextRules& rules = catalogue.platform.text_rules;
    return list_key(catalogue.platform.registry, key_of(info), with_contents,
                    [&](const std::string& name, const RegValue& value) {
                      const bool recorded =
                          !expandable.empty() && expandable.contains(rules.name_key(name));
                      return content_of(value, recorded ? regtype::kExpandSz : regtype::kSz);
                    });
  }
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const override {
    const auto value = read_value_at(catalogue.platform.registry, key_of(info), name);
    if (!value) return std::nullopt;
    return content_of(*value, recorded_type(catalogue, info, name));
  }
  void write(Catalogue& catalogue, const PlaceInfo&, const PlaceInfo& to, std::string_view name,
             const Content& content) const override {
    // The type record goes first: one left without its value is harmless, a
    // parked value without its record would come back as a plain string.
    SettingsStore store(catalogue.platform.registry);
    if (content.type == regtype::kExpandSz) {
      store.save_setting(kProgramTitle, to.type_section, name, kExpandRecord);
    } else {
      forget_type(catalogue, to, name);
    }
    store.save_setting(kProgramTitle, to.section, name, content.data);
  }
  void remove(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) const override {
    SettingsStore(catalogue.platform.registry).delete_setting(kProgramTitle, info.section, name);
  }
  void remove_side_record(Catalogue& catalogue, const PlaceInfo& info,
                          std::string_view name) const override {
    forget_type(catalogue, info, name);
  }

 private:
  static inline const std::string kExpandRecord = std::to_string(regtype::kExpandSz);

  // Read in one pass; none when that cannot be read, as a value without a
  // record reads as a plain string.
  static std::unordered_set<std::string> expandable_names(Catalogue& catalogue,
                                                          const PlaceInfo& info) {
    std::unordered_set<std::string> names;
    Registry& registry = catalogue.platform.registry;
    const RegistryKey key = type_record_key_of(info);
    RegKey opened;
    if (registry.open_key(key.hive, key.path, access::kRead, opened) != status::kOk) return names;
    std::vector<std::pair<std::string, RegValue>> records;
    list_values(registry, opened, records);
    for (const auto& [name, record] : records) {
      if (registry_bytes_to_text(record.data) == kExpandRecord) {
        names.insert(catalogue.platform.text_rules.name_key(name));
      }
    }
    return names;
  }
  static std::uint32_t recorded_type(Catalogue& catalogue, const PlaceInfo& info,
                                     std::string_view name) {
    const auto record = SettingsStore(catalogue.platform.registry)
                            .find_setting(kProgramTitle, info.type_section, name);
    return record == kExpandRecord ? regtype::kExpandSz : regtype::kSz;
  }
  static void forget_type(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
    SettingsStore store(catalogue.platform.registry);
    if (!store.find_setting(kProgramTitle, info.type_section, name)) return;
    try {
      store.delete_setting(kProgramTitle, info.type_section, name);
    } catch (const PlatformError& error) {
      if (error.code() != status::kFileNotFound) throw;  // gone meanwhile is what we wanted
    }
  }
};

// What keeps a file out of every listing (see dir()).
constexpr std::uint32_t kUnlisted = attr::kHidden | attr::kSystem;

// Shortcut files in a folder: a Startup folder, or a parking folder of the
// program's own.
class ShortcutStorage final : public PlaceStorage {
 public:
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool) const override {
    Listing listing;
    std::vector<std::string> files;
    try {
      files = catalogue.platform.files.dir(
          catalogue.folders.of(info) + "\\*" + std::string(kShortcutSuffix), attr::kNormal);
    } catch (const PlatformError& error) {
      listing.failure = error;
    }
    for (std::string& file : files) {
      if (file.size() < kShortcutSuffix.size()) continue;
      file.resize(file.size() - kShortcutSuffix.size());  // whatever the letter case
      listing.entries.push_back(Found{std::move(file)});
    }
    return listing;
  }
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const override {
    auto bytes = catalogue.platform.files.file_content(address(catalogue, info, name));
    if (!bytes) return std::nullopt;
    return Content{regtype::kNone, std::move(*bytes)};
  }
  void check_removable(Catalogue& catalogue, const PlaceInfo& info,
                       std::string_view name) const override {
    const std::string path = address(catalogue, info, name);
    const Status result = catalogue.platform.files.removable(path);
    if (result != status::kOk) throw EntryFailure("CreateFile for deletion", path, result);
  }
  // A parking folder is made by the first shortcut parked there, when the
  // copy finds it missing, and never by a listing, so that listing needs no
  // right to write to the program's folder.
  void write(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
             std::string_view name, const Content&) const override {
    FileSystem& files = catalogue.platform.files;
    const std::string source = address(catalogue, from, name);
    const std::string target = address(catalogue, to, name);
    try {
      files.file_copy(source, target);
    } catch (const PlatformError&) {
      if (to.folder.csidl != 0 || files.folder_exists(catalogue.folders.of(to))) throw;
      make_own_folder(catalogue, to);
      files.file_copy(source, target);
    }
    make_listed(files, target);
  }
  void remove(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) const override {
    catalogue.platform.files.kill(address(catalogue, info, name));
  }
  std::string address(Catalogue& catalogue, const PlaceInfo& info,
                      std::string_view name) const override {
    return shortcut_path(catalogue.folders.of(info), name);
  }
  bool is_unlisted(Catalogue& catalogue, const PlaceInfo& info,
                   std::string_view name) const override {
    try {
      const auto attributes =
          catalogue.platform.files.file_attributes(address(catalogue, info, name));
      return attributes && (*attributes & kUnlisted);
    } catch (const PlatformError&) {
      return false;  // only words depend on it
    }
  }
  bool holds_whole(const Content&) const override { return true; }
  std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                               std::string_view, const Content*) const override {
    const std::optional<ShortcutLink> link =
        catalogue.platform.programs.read_shortcut(address(catalogue, info, name));
    Launch launch;
    if (!link) {
      launch.problem = "The file " + std::string(name) + ".lnk is not a valid shortcut.";
      return launch;
    }
    launch.command = link->arguments.empty() ? link->target : link->target + " " + link->arguments;
    launch.target = link->target;
    return launch;
  }

 private:
  // Makes each missing level of the folder of a place of the program's own.
  static void make_own_folder(Catalogue& catalogue, const PlaceInfo& info) {
    FileSystem& files = catalogue.platform.files;
    std::string folder = catalogue.platform.folders.program_folder();
    for (std::string_view rest = info.folder.tail; !rest.empty();) {
      const std::size_t next = rest.find('\\', 1);
      folder += rest.substr(0, next);
      rest = next == std::string_view::npos ? std::string_view() : rest.substr(next);
      if (!files.folder_exists(folder)) files.make_dir(folder);
    }
  }
  // A hidden or system file of that name may have been there before the copy
  // (the same bytes, or the move would have stopped at it), and a copy over
  // it may keep its attributes: then no list would show the entry.
  static void make_listed(FileSystem& files, const std::string& path) {
    const std::optional<std::uint32_t> attributes = files.file_attributes(path);
    if (attributes && (*attributes & kUnlisted)) {
      files.set_file_attributes(path, *attributes & ~kUnlisted);
    }
  }
};

}  // namespace

const PlaceStorage& storage_of(const PlaceInfo& info) {
  static const RunValueStorage run_values;
  static const ParkedValueStorage parked_values;
  static const ShortcutStorage shortcuts;
  // In the order of Storage's kinds.
  static const PlaceStorage* const kStorages[] = {&run_values,          &parked_values,
                                                  &shortcuts,           &program_list_storage(),
                                                  &packaged::storage(), &scheduled_task_storage()};
  return *kStorages[static_cast<std::size_t>(info.storage)];
}

std::string shortcut_path(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name) + std::string(kShortcutSuffix);
}

Listing list_entries(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) {
  return storage_of(info).list(catalogue, info, with_contents);
}

std::optional<Content> read_entry(Catalogue& catalogue, const PlaceInfo& info,
                                  std::string_view name) {
  return storage_of(info).read(catalogue, info, name);
}

void check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  storage_of(info).check_removable(catalogue, info, name);
}

void write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                 std::string_view name, const Content& content) {
  storage_of(to).write(catalogue, from, to, name, content);
}

void delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  storage_of(info).remove(catalogue, info, name);
}

void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  storage_of(info).remove_side_record(catalogue, info, name);
}

std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  return storage_of(info).address(catalogue, info, name);
}

bool is_unlisted(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  return storage_of(info).is_unlisted(catalogue, info, name);
}

bool is_movable(const PlaceInfo& info, const Content& content) {
  return storage_of(info).holds_whole(content);
}

std::optional<Launch> launch_of(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                                std::string_view key, const Content* known) {
  return storage_of(info).launch(catalogue, info, name, key, known);
}

Scope entry_scope(const PlaceInfo& info, std::string_view key) {
  return storage_of(info).scope_of(info, key);
}

void switch_in_place(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                     std::string_view key, bool on) {
  storage_of(info).switch_in_place(catalogue, info, name, key, on);
}

void PlaceStorage::switch_in_place(Catalogue& catalogue, const PlaceInfo& info,
                                   std::string_view name, std::string_view, bool on) const {
  write_flag(catalogue, info, name, on);
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

// Always in the 64-bit view, whichever view the entries are in.
RegistryKey flag_key(const PlaceInfo& governing) {
  return RegistryKey{governing.flag.hive, std::string(governing.flag.key), access::kView64};
}

std::string flag_value_name(const PlaceInfo& governing, std::string_view name) {
  return std::string(name) + std::string(governing.flag.suffix);
}

}  // namespace

namespace {

constexpr std::string_view kPoliciesKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

bool same_ascii_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool is_dword_one(const RegValue& value) {
  return value.type == regtype::kDword && value.data.size() == 4 && value.data[0] == 1 &&
         value.data[1] == 0 && value.data[2] == 0 && value.data[3] == 0;
}

}  // namespace

bool ListPolicies::keep_off(const PlaceInfo& info) const {
  if (info.list_policy.empty()) return false;
  return std::any_of(in_force.begin(), in_force.end(), [&](const std::string& name) {
    return same_ascii_name(name, info.list_policy);
  });
}

ListPolicies list_policies_in_force(Catalogue& catalogue) {
  ListPolicies policies;
  try {
    for (const Hive hive : {kHkeyLocalMachine, kHkeyCurrentUser}) {
      const RegistryKey key{hive, std::string(kPoliciesKey), access::kView64};
      for (const auto& [name, value] : values_at(catalogue.platform.registry, key)) {
        if (is_dword_one(value)) policies.in_force.push_back(name);
      }
    }
  } catch (const PlatformError& error) {
    policies.failure = error;
  }
  return policies;
}

const PlaceInfo* flag_place(const PlaceInfo& info) {
  const PlaceInfo* active = info.active ? &info : partner_of(info);
  return active == nullptr || active->flag.key.empty() ? nullptr : active;
}

SwitchedOff switched_off_entries(Catalogue& catalogue, const PlaceInfo& info) {
  SwitchedOff found;
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return found;
  try {
    TextRules& rules = catalogue.platform.text_rules;
    const std::string_view suffix = governing->flag.suffix;
    for (const auto& [value_name, value] :
         values_at(catalogue.platform.registry, flag_key(*governing))) {
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
  const std::optional<RegValue> value = read_value_at(
      catalogue.platform.registry, flag_key(*governing), flag_value_name(*governing, name));
  return value && says_off(*value);
}

void write_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name, bool on) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  write_value_at(catalogue.platform.registry, flag_key(*governing),
                 flag_value_name(*governing, name), regtype::kBinary, flag_bytes(on));
}

void delete_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  try {
    delete_value_at(catalogue.platform.registry, flag_key(*governing),
                    flag_value_name(*governing, name));
  } catch (const PlatformError& error) {
    if (error.code() != status::kFileNotFound) throw;  // none is what was wanted
  }
}

}  // namespace rw
