#include "catalogue/run_value_io.h"

namespace rw {

std::string type_words(std::uint32_t type) {
  switch (type) {
    case regtype::kBinary:
      return "binary data";
    case regtype::kDword:
      return "a number";
    case regtype::kMultiSz:
      return "a list of strings";
    default:
      return "data of type " + std::to_string(type);
  }
}

void show_error(Platform& platform, std::string_view prompt) {
  platform.dialogs.message_box(prompt, mb::kCritical, titled(": ERROR"));
}

OpenFileRequest program_file_request(std::uint32_t flags) {
  OpenFileRequest request;
  request.flags = flags;
  request.filter = "Programs|*.exe;*.com;*.bat|All files|*.*|";
  request.filter_index = 0;
  request.title = titled(": Select application");
  return request;
}

std::string quoted_when_spaced(std::string_view path) {
  if (path.find(' ') == std::string_view::npos) return std::string(path);
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted.push_back('"');
  quoted.append(path);
  quoted.push_back('"');
  return quoted;
}

std::string key_words(Hive hive, std::string_view path, std::uint32_t view) {
  return (hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") +
         std::string(path) + (view == access::kView32 ? " (32-bit view)" : "");
}

namespace {

// Where a call went, for its failure: the key, and the value when there is one.
struct Address {
  Hive hive;
  std::string_view path;
  std::uint32_t view;
  std::string subject(std::string_view name = {}) const {
    std::string words = key_words(hive, path, view);
    if (!name.empty()) words += "\\" + std::string(name);
    return words;
  }
};

// Records the status, and raises it when the call failed.
void check(Module1& module, Status result, const char* call, const Address& at,
           std::string_view name = {}) {
  module.LastStatus = result;
  if (result != status::kOk) throw EntryFailure(call, at.subject(name), result);
}

}  // namespace

std::optional<RegValue> read_value_at(Catalogue& catalogue, Hive hive, std::string_view path,
                                      std::string_view name, std::uint32_t view) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  const Address at{hive, path, view};
  KeyScope scope(module);
  Status result = registry.open_key(hive, path, access::kRead | view, module.KeyHandle);
  if (result == status::kFileNotFound) return std::nullopt;  // no key, so no such value
  check(module, result, "RegOpenKeyEx", at);
  RegValue value;
  result = read_value(registry, module.KeyHandle, name, value);
  if (result == status::kFileNotFound) return std::nullopt;
  check(module, result, "RegQueryValueEx", at, name);
  return value;
}

void write_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                    std::uint32_t type, const std::vector<std::uint8_t>& data, std::uint32_t view) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  const Address at{hive, path, view};
  KeyScope scope(module);
  check(module, registry.create_key(hive, path, access::kWrite | view, module.KeyHandle),
        "RegCreateKeyEx", at);
  check(module, registry.set_value(module.KeyHandle, name, type, data), "RegSetValueEx", at, name);
}

void delete_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                     std::uint32_t view) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  const Address at{hive, path, view};
  KeyScope scope(module);
  check(module, registry.open_key(hive, path, access::kWrite | view, module.KeyHandle),
        "RegOpenKeyEx", at);
  check(module, registry.delete_value(module.KeyHandle, name), "RegDeleteValue", at, name);
}

void check_key_writable(Catalogue& catalogue, Hive hive, std::string_view path,
                        std::uint32_t view) {
  Module1& module = catalogue.module;
  KeyScope scope(module);
  check(module,
        catalogue.platform.registry.open_key(hive, path, access::kWrite | view, module.KeyHandle),
        "RegOpenKeyEx", Address{hive, path, view});
}

std::vector<std::pair<std::string, RegValue>> values_at(Catalogue& catalogue, Hive hive,
                                                        std::string_view path, std::uint32_t view) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  const Address at{hive, path, view};
  KeyScope scope(module);
  std::vector<std::pair<std::string, RegValue>> values;
  const Status result = registry.open_key(hive, path, access::kRead | view, module.KeyHandle);
  if (result == status::kFileNotFound) return values;  // a missing key holds nothing
  check(module, result, "RegOpenKeyEx", at);
  check(module, list_values(registry, module.KeyHandle, values), "RegEnumValue", at);
  return values;
}

std::vector<std::string> value_names_at(Catalogue& catalogue, Hive hive, std::string_view path,
                                        std::uint32_t view) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  const Address at{hive, path, view};
  KeyScope scope(module);
  std::vector<std::string> names;
  const Status result = registry.open_key(hive, path, access::kRead | view, module.KeyHandle);
  if (result == status::kFileNotFound) return names;  // a missing key holds nothing
  check(module, result, "RegOpenKeyEx", at);
  check(module, list_value_names(registry, module.KeyHandle, names), "RegEnumValue", at);
  return names;
}

namespace {
const std::string kExpandRecord = std::to_string(regtype::kExpandSz);
}  // namespace

std::uint32_t parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name) {
  const auto record = store.find_setting(kProgramTitle, parking.type_section, name);
  return record == kExpandRecord ? regtype::kExpandSz : regtype::kSz;
}

void record_parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name,
                        std::uint32_t type) {
  if (type == regtype::kExpandSz) {
    store.save_setting(kProgramTitle, parking.type_section, name, kExpandRecord);
  } else {
    forget_parked_type(store, parking, name);
  }
}

void forget_parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name) {
  if (!store.find_setting(kProgramTitle, parking.type_section, name)) return;
  try {
    store.delete_setting(kProgramTitle, parking.type_section, name);
  } catch (const PlatformError& error) {
    if (error.code() != status::kFileNotFound) throw;  // gone meanwhile is what we wanted
  }
}

}  // namespace rw
