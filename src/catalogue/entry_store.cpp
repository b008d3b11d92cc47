#include "catalogue/entry_store.h"

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

Listing list_values(Catalogue& catalogue, const PlaceInfo& info) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  Listing listing;
  module.LastStatus =
      registry.open_key(info.key_hive, info.scan_key_path, access::kRead, module.KeyHandle);
  if (module.LastStatus == status::kFileNotFound) return listing;  // a missing key lists nothing
  const char* call = "RegOpenKeyEx";
  if (module.LastStatus == status::kOk) {
    call = "RegEnumValue";
    module.LastStatus = list_value_names(registry, module.KeyHandle, listing.names);
  }
  if (module.LastStatus != status::kOk) {
    listing.failure =
        EntryFailure(call, key_words(info.key_hive, info.scan_key_path), module.LastStatus);
  }
  return listing;
}

Content content_of(const RegValue& value, std::uint32_t string_type) {
  if (!is_string_type(value.type)) {
    return Content{value.type, std::string(value.data.begin(), value.data.end())};
  }
  return Content{string_type, registry_bytes_to_text(value.data)};
}

}  // namespace

Listing list_entries(Catalogue& catalogue, const PlaceInfo& info) {
  return info.kind == EntryKind::Shortcut ? list_shortcuts(catalogue, info)
                                          : list_values(catalogue, info);
}

std::optional<Content> read_entry(Catalogue& catalogue, const PlaceInfo& info,
                                  std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    auto bytes = catalogue.platform.files.file_content(shortcut_of(catalogue, info, name));
    if (!bytes) return std::nullopt;
    return Content{regtype::kNone, std::move(*bytes)};
  }
  const std::optional<RegValue> value =
      read_value_at(catalogue, info.key_hive, info.key_path, name);
  if (!value) return std::nullopt;
  if (info.active) return content_of(*value, value->type);
  // The parking section holds plain strings; the type is kept beside it.
  SettingsStore store(catalogue.platform.registry);
  return content_of(*value, parked_type(store, info, name));
}

void check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::RunValue) {
    check_key_writable(catalogue, info.key_hive, info.key_path);
    return;
  }
  const std::string path = shortcut_of(catalogue, info, name);
  const Status result = catalogue.platform.files.removable(path);
  if (result != status::kOk) throw EntryFailure("CreateFile for deletion", path, result);
}

void write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                 std::string_view name, const Content& content) {
  if (to.kind == EntryKind::Shortcut) {
    catalogue.platform.files.file_copy(shortcut_of(catalogue, from, name),
                                       shortcut_of(catalogue, to, name));
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
                 text_to_registry_bytes(content.data));
}

void delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    catalogue.platform.files.kill(shortcut_of(catalogue, info, name));
    return;
  }
  catalogue.module.CurrentHive = info.hive;
  if (info.active) {
    delete_value_at(catalogue, info.key_hive, info.key_path, name);
    return;
  }
  SettingsStore(catalogue.platform.registry).delete_setting(kProgramTitle, info.section, name);
}

void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind != EntryKind::RunValue || info.active) return;
  SettingsStore store(catalogue.platform.registry);
  forget_parked_type(store, info, name);
}

std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) return shortcut_of(catalogue, info, name);
  return key_words(info.key_hive, info.key_path) + "\\" + std::string(name);
}

bool is_movable(const PlaceInfo& info, const Content& content) {
  return info.kind == EntryKind::Shortcut || is_string_type(content.type);
}

}  // namespace rw
