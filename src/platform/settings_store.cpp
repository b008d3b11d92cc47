#include "settings_store.h"

namespace rw {

namespace {
std::string setting_subject(std::string_view path, std::string_view key) {
  return "HKEY_CURRENT_USER\\" + std::string(path) + "\\" + std::string(key);
}
}  // namespace

std::string SettingsStore::section_key_path(std::string_view application,
                                            std::string_view section) {
  return std::string(kSettingsRoot) + std::string(application) + "\\" + std::string(section);
}

std::optional<std::string> SettingsStore::find_setting(std::string_view application,
                                                       std::string_view section,
                                                       std::string_view key) {
  const std::string path = section_key_path(application, section);
  RegKey handle;
  Status result = registry_.open_key(kHkeyCurrentUser, path, access::kRead, handle);
  if (result == status::kFileNotFound) return std::nullopt;
  if (result != status::kOk) throw PlatformError("GetSetting", setting_subject(path, key), result);
  RegValue value;
  result = read_value(registry_, handle, key, value);
  if (result == status::kFileNotFound) return std::nullopt;
  if (result != status::kOk) throw PlatformError("GetSetting", setting_subject(path, key), result);
  return registry_bytes_to_text(value.data);
}

void SettingsStore::save_setting(std::string_view application, std::string_view section,
                                 std::string_view key, std::string_view value) {
  const std::string path = section_key_path(application, section);
  RegKey handle;
  Status result = registry_.create_key(kHkeyCurrentUser, path, access::kWrite, handle);
  if (result == status::kOk) {
    result = registry_.set_value(handle, key, regtype::kSz, text_to_registry_bytes(value));
  }
  if (result != status::kOk) throw PlatformError("SaveSetting", setting_subject(path, key), result);
}

void SettingsStore::delete_setting(std::string_view application, std::string_view section,
                                   std::string_view key) {
  const std::string path = section_key_path(application, section);
  RegKey handle;
  Status result = registry_.open_key(kHkeyCurrentUser, path, access::kWrite, handle);
  if (result == status::kOk) result = registry_.delete_value(handle, key);
  if (result != status::kOk) {
    throw PlatformError("DeleteSetting", setting_subject(path, key), result);
  }
}

}  // namespace rw
