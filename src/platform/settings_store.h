// The program's per-user settings store: string values addressed by
// application, section and key, kept in the registry under HKEY_CURRENT_USER
// at "Software\VB and VBA Program Settings\<application>\<section>". The scan
// walks those keys directly, and other copies of the program read them, so the
// layout must not change.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace rw {

inline constexpr std::string_view kSettingsRoot = "Software\\VB and VBA Program Settings\\";

class SettingsStore {
 public:
  explicit SettingsStore(Registry& registry) : registry_(registry) {}

  // The registry key path (under HKEY_CURRENT_USER) of a section.
  static std::string section_key_path(std::string_view application, std::string_view section);

  // GetSetting: the stored text, or nothing when the key (or its section) is
  // absent. Raises PlatformError when the value exists but cannot be read.
  std::optional<std::string> find_setting(std::string_view application, std::string_view section,
                                          std::string_view key);
  // SaveSetting: creates the section when needed; stores REG_SZ.
  void save_setting(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view value);
  // DeleteSetting: raises PlatformError (status 2) when the key is absent.
  void delete_setting(std::string_view application, std::string_view section, std::string_view key);

 private:
  Registry& registry_;
};

}  // namespace rw
