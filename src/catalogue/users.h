// Other users' entries: a user whose hive is loaded is read through
// HKEY_USERS, every key of the current user's hive mapped to theirs, so that
// the place table's rows serve every user as they are.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace rw {

// A user whose entries are read: their SID, and the name records give them.
struct UserHive {
  std::string sid;
  std::string name;      // "DOMAIN\name" where the SID resolves, else the SID
  bool current = false;  // the user this program runs as, read as HKEY_CURRENT_USER
  // Their Startup folder; nothing when it cannot be told, and `no_folder` says why.
  std::optional<std::string> startup_folder = {};
  std::optional<PlatformError> no_folder = {};
};

// Whether a subkey of HKEY_USERS is a real account's hive: a local or domain
// account (S-1-5-21-...) or a Microsoft Entra one (S-1-12-1-...); not
// .DEFAULT, the service accounts, or a "<SID>_Classes" key.
bool is_account_hive(std::string_view subkey);

// The users whose hives are loaded, the current user first (never a second
// time through HKEY_USERS). What cannot be read goes into `problems`.
std::vector<UserHive> loaded_users(Platform& platform, std::vector<PlatformError>& problems);

// The user that --user names: a SID, "DOMAIN\name" or the name alone, letter
// case aside; nothing when none or several match.
struct UserMatch {
  const UserHive* user = nullptr;
  std::size_t matches = 0;
};
UserMatch find_user(TextRules& rules, const std::vector<UserHive>& users, std::string_view text);

// The current user's hive as another user's: keys of HKEY_CURRENT_USER open
// under HKEY_USERS\<SID>, and its Software\Classes under <SID>_Classes.
class UserHiveRegistry final : public Registry {
 public:
  UserHiveRegistry(Registry& registry, std::string sid)
      : registry_(registry), sid_(std::move(sid)) {}
  Status open_key(Hive hive, std::string_view path, std::uint32_t access, RegKey& out) override;
  Status create_key(Hive hive, std::string_view path, std::uint32_t access, RegKey& out) override;
  Status enum_value_name(const RegKey& key, std::uint32_t index, std::uint32_t name_capacity,
                         std::string& name) override;
  Status enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                    RegValue& value) override;
  Status query_value(const RegKey& key, std::string_view name, std::uint32_t& type,
                     std::uint8_t* data, std::uint32_t& size) override;
  Status set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) override;
  Status delete_value(const RegKey& key, std::string_view name) override;
  Status enum_key_name(const RegKey& key, std::uint32_t index, std::string& name) override;
  bool views_are_separate() override { return registry_.views_are_separate(); }

  // The path under HKEY_USERS of a path under HKEY_CURRENT_USER.
  std::string mapped(std::string_view path) const;

 protected:
  Status close_handle(std::uintptr_t handle) override;

 private:
  // The key of the wrapped registry that a key of this one stands for; an
  // empty one, on which every call fails, for a key it did not open.
  const RegKey& inner(const RegKey& key) const;
  Status opened(Status result, RegKey& inner, RegKey& out);

  Registry& registry_;
  std::string sid_;
  std::map<std::uintptr_t, RegKey> open_;
};

// The user's Startup folder beside the other folders of the computer.
class UserFolders final : public Folders {
 public:
  UserFolders(Folders& folders, std::string startup)
      : folders_(folders), startup_(std::move(startup)) {}
  std::string special_folder(int csidl) override {
    return csidl == kCsidlStartup ? startup_ : folders_.special_folder(csidl);
  }
  std::string windows_directory() override { return folders_.windows_directory(); }
  std::string system_directory() override { return folders_.system_directory(); }
  bool is_network_drive(char letter) override { return folders_.is_network_drive(letter); }
  std::string program_folder() override { return folders_.program_folder(); }

 private:
  Folders& folders_;
  std::string startup_;
};

// Another user's view of the platform: their hive and their Startup folder.
class UserPlatform {
 public:
  UserPlatform(Platform& platform, const UserHive& user);
  // Its platform refers to its own members.
  UserPlatform(const UserPlatform&) = delete;
  UserPlatform& operator=(const UserPlatform&) = delete;
  Platform& platform() { return platform_; }

 private:
  UserHiveRegistry registry_;
  UserFolders folders_;
  Platform platform_;
};

}  // namespace rw
