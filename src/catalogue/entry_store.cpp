#include "catalogue/entry_store.h"

#include "catalogue/run_value_io.h"
#include "platform/settings_store.h"

namespace rw {

namespace {

std::string hive_words(Hive hive) {
  return hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
}

std::string shortcut_of(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  return shortcut_path(
      place_folder(info, catalogue.module, catalogue.platform.folders.program_folder()), name);
}

Content content_of(const RegValue& value, std::uint32_t string_type) {
  if (!is_string_type(value.type)) {
    return Content{value.type, std::string(value.data.begin(), value.data.end())};
  }
  return Content{string_type, registry_bytes_to_text(value.data)};
}

}  // namespace

Status read_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                  std::optional<Content>& out) {
  out.reset();
  if (info.kind == EntryKind::Shortcut) {
    if (auto bytes = catalogue.platform.files.file_content(shortcut_of(catalogue, info, name))) {
      out = Content{regtype::kNone, std::move(*bytes)};
    }
    return status::kOk;
  }
  RegValue value;
  const Status result =
      read_value_at(catalogue, run_value_key_hive(info), run_value_key_path(info), name, value);
  if (result == status::kFileNotFound) return status::kOk;
  if (result != status::kOk) return result;
  std::uint32_t string_type = value.type;
  if (!info.active) {  // the parking section holds plain strings; the type is kept beside it
    SettingsStore store(catalogue.platform.registry);
    string_type = parked_type(store, info.hive, name);
  }
  out = content_of(value, string_type);
  return status::kOk;
}

Status check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    return catalogue.platform.files.removable(shortcut_of(catalogue, info, name));
  }
  Module1& module = catalogue.module;
  KeyScope scope(module);
  module.LastStatus = catalogue.platform.registry.open_key(
      run_value_key_hive(info), run_value_key_path(info), access::kWrite, module.KeyHandle);
  return module.LastStatus;
}

Status write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                   std::string_view name, const Content& content) {
  if (to.kind == EntryKind::Shortcut) {
    catalogue.platform.files.file_copy(shortcut_of(catalogue, from, name),
                                       shortcut_of(catalogue, to, name));
    return status::kOk;
  }
  catalogue.module.CurrentHive = to.hive;
  if (to.active) {
    return write_value_at(catalogue, to.hive, kRunKeyPath, name, content.type,
                          text_to_registry_bytes(content.data));
  }
  // The type record goes first: one left without its value is harmless, a
  // parked value without its record would come back as a plain string.
  SettingsStore store(catalogue.platform.registry);
  record_parked_type(store, to.hive, name, content.type);
  store.save_setting(kProgramTitle, parking_section(to.hive), name, content.data);
  return status::kOk;
}

Status delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) {
    catalogue.platform.files.kill(shortcut_of(catalogue, info, name));
    return status::kOk;
  }
  catalogue.module.CurrentHive = info.hive;
  if (info.active) return delete_value_at(catalogue, info.hive, kRunKeyPath, name);
  SettingsStore store(catalogue.platform.registry);
  store.delete_setting(kProgramTitle, parking_section(info.hive), name);
  return status::kOk;
}

void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind != EntryKind::RunValue || info.active) return;
  SettingsStore store(catalogue.platform.registry);
  forget_parked_type(store, info.hive, name);
}

std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) {
  if (info.kind == EntryKind::Shortcut) return shortcut_of(catalogue, info, name);
  return hive_words(run_value_key_hive(info)) + run_value_key_path(info) + "\\" + std::string(name);
}

bool is_movable(const PlaceInfo& info, const Content& content) {
  return info.kind == EntryKind::Shortcut || is_string_type(content.type);
}

}  // namespace rw
