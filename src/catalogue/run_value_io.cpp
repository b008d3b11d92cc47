#include "catalogue/run_value_io.h"

namespace rw {

std::string status_words(StatusText& text, Status code) {
  return text.describe(code) + " (error " + std::to_string(code) + ")";
}

std::string failure_words(StatusText& text, const PlatformError& error) {
  return error.operation() + " failed for \"" + error.subject() +
         "\": " + status_words(text, error.code());
}

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

std::string shown_name(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte == 0) {
      shown += "\xE2\x90\x80";  // U+2400, the symbol for NUL
    } else if (byte == 0xED && i + 2 < name.size() &&
               (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0xA0) {
      shown += "\xEF\xBF\xBD";  // U+FFFD for the surrogate's three bytes
      i += 2;
    } else {
      shown.push_back(name[i]);
    }
  }
  return shown;
}

std::string inexact_name_words() {
  return "has a name with a character that Windows cannot be asked for exactly (a NUL "
         "character or a lone surrogate); acting on it would reach another entry, so it is left "
         "as it is.";
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

Status read_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                     RegValue& out) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  module.LastStatus = registry.open_key(hive, path, access::kRead, module.KeyHandle);
  if (module.LastStatus != status::kOk) return module.LastStatus;
  module.LastStatus = read_value(registry, module.KeyHandle, name, out);
  return module.LastStatus;
}

Status write_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                      std::uint32_t type, const std::vector<std::uint8_t>& data) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  module.LastStatus = registry.create_key(hive, path, access::kWrite, module.KeyHandle);
  if (module.LastStatus != status::kOk) return module.LastStatus;
  module.LastStatus = registry.set_value(module.KeyHandle, name, type, data);
  return module.LastStatus;
}

Status delete_value_at(Catalogue& catalogue, Hive hive, std::string_view path,
                       std::string_view name) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  module.LastStatus = registry.open_key(hive, path, access::kWrite, module.KeyHandle);
  if (module.LastStatus != status::kOk) return module.LastStatus;
  module.LastStatus = registry.delete_value(module.KeyHandle, name);
  return module.LastStatus;
}

namespace {
const std::string kExpandRecord = std::to_string(regtype::kExpandSz);
}  // namespace

std::uint32_t parked_type(SettingsStore& store, Hive hive, std::string_view name) {
  const auto record = store.find_setting(kProgramTitle, parked_type_section(hive), name);
  return record == kExpandRecord ? regtype::kExpandSz : regtype::kSz;
}

void record_parked_type(SettingsStore& store, Hive hive, std::string_view name,
                        std::uint32_t type) {
  if (type == regtype::kExpandSz) {
    store.save_setting(kProgramTitle, parked_type_section(hive), name, kExpandRecord);
  } else {
    forget_parked_type(store, hive, name);
  }
}

void forget_parked_type(SettingsStore& store, Hive hive, std::string_view name) {
  if (!store.find_setting(kProgramTitle, parked_type_section(hive), name)) return;
  try {
    store.delete_setting(kProgramTitle, parked_type_section(hive), name);
  } catch (const PlatformError& error) {
    if (error.code() != status::kFileNotFound) throw;  // gone meanwhile is what we wanted
  }
}

}  // namespace rw
