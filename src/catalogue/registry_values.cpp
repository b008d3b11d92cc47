#include "catalogue/registry_values.h"

namespace rw {

namespace {

std::string subject(const RegistryKey& key, std::string_view name = {}) {
  std::string words = key_words(key);
  if (!name.empty()) words += "\\" + std::string(name);
  return words;
}

void check(Status result, const char* call, const RegistryKey& key, std::string_view name = {}) {
  if (result != status::kOk) throw EntryFailure(call, subject(key, name), result);
}

// The key opened for reading; false when it is not there.
bool open_to_read(Registry& registry, const RegistryKey& key, RegKey& opened) {
  const Status result = registry.open_key(key.hive, key.path, access::kRead | key.view, opened);
  if (result == status::kFileNotFound) return false;
  check(result, "RegOpenKeyEx", key);
  return true;
}

}  // namespace

std::string key_words(const RegistryKey& key) {
  const std::string_view root = key.hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\"
                                : key.hive == kHkeyUsers      ? "HKEY_USERS\\"
                                                              : "HKEY_CURRENT_USER\\";
  return std::string(root) + key.path + (key.view == access::kView32 ? " (32-bit view)" : "");
}

std::optional<RegValue> read_value_at(Registry& registry, const RegistryKey& key,
                                      std::string_view name) {
  RegKey opened;
  if (!open_to_read(registry, key, opened)) return std::nullopt;
  RegValue value;
  const Status result = read_value(registry, opened, name, value);
  if (result == status::kFileNotFound) return std::nullopt;
  check(result, "RegQueryValueEx", key, name);
  return value;
}

void write_value_at(Registry& registry, const RegistryKey& key, std::string_view name,
                    std::uint32_t type, const std::vector<std::uint8_t>& data) {
  RegKey opened;
  check(registry.create_key(key.hive, key.path, access::kWrite | key.view, opened),
        "RegCreateKeyEx", key);
  check(registry.set_value(opened, name, type, data), "RegSetValueEx", key, name);
}

void delete_value_at(Registry& registry, const RegistryKey& key, std::string_view name) {
  RegKey opened;
  check(registry.open_key(key.hive, key.path, access::kWrite | key.view, opened), "RegOpenKeyEx",
        key);
  check(registry.delete_value(opened, name), "RegDeleteValue", key, name);
}

void check_key_writable(Registry& registry, const RegistryKey& key) {
  RegKey opened;
  check(registry.open_key(key.hive, key.path, access::kWrite | key.view, opened), "RegOpenKeyEx",
        key);
}

std::vector<std::pair<std::string, RegValue>> values_at(Registry& registry,
                                                        const RegistryKey& key) {
  std::vector<std::pair<std::string, RegValue>> values;
  RegKey opened;
  if (!open_to_read(registry, key, opened)) return values;
  check(list_values(registry, opened, values), "RegEnumValue", key);
  return values;
}

}  // namespace rw
