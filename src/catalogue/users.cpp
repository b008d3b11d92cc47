#include "catalogue/users.h"

#include <algorithm>

#include "catalogue/registry_values.h"

namespace rw {

namespace {

constexpr std::string_view kClasses = "Software\\Classes";
constexpr std::string_view kClassesSuffix = "_Classes";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr std::string_view kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kProfileVariable = "%USERPROFILE%";

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool starts_with_ignoring_case(std::string_view text, std::string_view start) {
  return text.size() >= start.size() &&
         std::equal(start.begin(), start.end(), text.begin(),
                    [](char a, char b) { return ascii_upper(a) == ascii_upper(b); });
}

std::optional<std::string> string_value(Registry& registry, const RegistryKey& key,
                                        std::string_view name) {
  const std::optional<RegValue> value = read_value_at(registry, key, name);
  if (!value || !is_string_type(value->type)) return std::nullopt;
  return registry_bytes_to_text(value->data);
}

// The profile folder, as ProfileList keeps it: its variables are the
// machine's (%SystemDrive%), never the user's.
std::optional<std::string> profile_folder(Platform& platform, std::string_view sid) {
  const RegistryKey key{kHkeyLocalMachine, std::string(kProfileList) + std::string(sid),
                        access::kView64};
  const std::optional<std::string> path = string_value(platform.registry, key, "ProfileImagePath");
  if (!path || path->empty()) return std::nullopt;
  return platform.programs.expand_environment(*path);
}

// %USERPROFILE% stands for the user's own profile; any other variable would
// be expanded with this process's environment, which is not theirs.
std::optional<std::string> expanded_for(std::string_view stored, std::string_view profile) {
  std::string path(stored);
  if (starts_with_ignoring_case(path, kProfileVariable)) {
    path = std::string(profile) + path.substr(kProfileVariable.size());
  }
  if (path.find('%') != std::string::npos) return std::nullopt;
  return path;
}

// Where Windows keeps a Startup folder that no shell-folder value moves.
constexpr std::string_view kDefaultStartup =
    "%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";

// The user's Startup folder from their own shell folders: User Shell
// Folders as stored, expanded against their profile, or else Shell Folders
// as Windows expanded it for them; where neither names it, Windows' default
// in their profile. Or why it cannot be told.
void find_startup_folder(Platform& platform, UserHive& user) {
  UserHiveRegistry hive(platform.registry, user.sid);
  const std::optional<std::string> stored =
      string_value(hive, RegistryKey{kHkeyCurrentUser, std::string(kUserShellFolders)}, "Startup");
  const bool moved = stored && !stored->empty();
  if (moved && stored->find('%') == std::string::npos) {
    user.startup_folder = *stored;
    return;
  }
  const std::optional<std::string> profile = profile_folder(platform, user.sid);
  if (moved && profile && (user.startup_folder = expanded_for(*stored, *profile))) return;
  const std::optional<std::string> expanded_by_windows =
      string_value(hive, RegistryKey{kHkeyCurrentUser, std::string(kShellFolders)}, "Startup");
  if (expanded_by_windows && !expanded_by_windows->empty()) {
    user.startup_folder = *expanded_by_windows;
    return;
  }
  if (!moved && profile && (user.startup_folder = expanded_for(kDefaultStartup, *profile))) return;
  const RegistryKey profile_key{kHkeyLocalMachine, std::string(kProfileList) + user.sid};
  user.no_folder.emplace(
      "RegQueryValueEx",
      profile ? "HKEY_USERS\\" + hive.mapped(kShellFolders) + " Startup (" + user.name +
                    "'s Startup folder)"
              : key_words(profile_key) + " ProfileImagePath (" + user.name + "'s Startup folder)",
      status::kFileNotFound);
}

bool is_sid_under(std::string_view subkey, std::string_view authority) {
  if (!subkey.starts_with(authority) || subkey.size() == authority.size()) return false;
  return std::all_of(subkey.begin() + static_cast<std::ptrdiff_t>(authority.size()), subkey.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

bool is_account_hive(std::string_view subkey) {
  // Only digits and dashes may follow, which leaves "<SID>_Classes" out.
  return is_sid_under(subkey, "S-1-5-21-") || is_sid_under(subkey, "S-1-12-1-");
}

std::vector<UserHive> loaded_users(Platform& platform, std::vector<PlatformError>& problems) {
  const TaskUser me = platform.tasks.current_user();
  std::vector<UserHive> users;
  users.push_back(UserHive{me.sid, me.domain.empty() ? me.name : me.domain + "\\" + me.name, true});
  if (users.front().name.empty()) users.front().name = me.sid;
  RegKey root;
  Status result = platform.registry.open_key(kHkeyUsers, "", access::kRead, root);
  std::vector<std::string> subkeys;
  if (result == status::kOk) result = list_subkey_names(platform.registry, root, subkeys);
  if (result != status::kOk) problems.emplace_back("RegEnumKeyEx", "HKEY_USERS", result);
  for (const std::string& sid : subkeys) {
    if (!is_account_hive(sid) || platform.text_rules.same_name(sid, me.sid)) continue;
    UserHive& user =
        users.emplace_back(UserHive{sid, platform.tasks.account_name(sid).value_or(sid)});
    try {
      find_startup_folder(platform, user);
    } catch (const PlatformError& error) {
      user.no_folder = error;
    }
  }
  return users;
}

UserMatch find_user(TextRules& rules, const std::vector<UserHive>& users, std::string_view text) {
  UserMatch match;
  for (const UserHive& user : users) {
    const std::size_t slash = user.name.rfind('\\');
    const std::string_view alone = slash == std::string::npos
                                       ? std::string_view(user.name)
                                       : std::string_view(user.name).substr(slash + 1);
    if (rules.same_name(user.sid, text) || rules.same_name(user.name, text) ||
        rules.same_name(alone, text)) {
      match.user = &user;
      ++match.matches;
    }
  }
  if (match.matches != 1) match.user = nullptr;
  return match;
}

std::string UserHiveRegistry::mapped(std::string_view path) const {
  if (starts_with_ignoring_case(path, kClasses) &&
      (path.size() == kClasses.size() || path[kClasses.size()] == '\\')) {
    return sid_ + std::string(kClassesSuffix) + std::string(path.substr(kClasses.size()));
  }
  return path.empty() ? sid_ : sid_ + "\\" + std::string(path);
}

Status UserHiveRegistry::opened(Status result, RegKey& inner, RegKey& out) {
  out = RegKey();
  if (result != status::kOk) return result;
  const std::uintptr_t handle = inner.handle();
  open_.emplace(handle, std::move(inner));
  out = RegKey(this, handle);
  return result;
}

Status UserHiveRegistry::open_key(Hive hive, std::string_view path, std::uint32_t access,
                                  RegKey& out) {
  RegKey inner;
  const Status result = hive == kHkeyCurrentUser
                            ? registry_.open_key(kHkeyUsers, mapped(path), access, inner)
                            : registry_.open_key(hive, path, access, inner);
  return opened(result, inner, out);
}

Status UserHiveRegistry::create_key(Hive hive, std::string_view path, std::uint32_t access,
                                    RegKey& out) {
  RegKey inner;
  const Status result = hive == kHkeyCurrentUser
                            ? registry_.create_key(kHkeyUsers, mapped(path), access, inner)
                            : registry_.create_key(hive, path, access, inner);
  return opened(result, inner, out);
}

const RegKey& UserHiveRegistry::inner(const RegKey& key) const {
  static const RegKey kNone;
  const auto found = key.is_open() ? open_.find(key.handle()) : open_.end();
  return found == open_.end() ? kNone : found->second;
}

Status UserHiveRegistry::enum_value_name(const RegKey& key, std::uint32_t index,
                                         std::uint32_t name_capacity, std::string& name) {
  return registry_.enum_value_name(inner(key), index, name_capacity, name);
}

Status UserHiveRegistry::enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                                    RegValue& value) {
  return registry_.enum_value(inner(key), index, name, value);
}

Status UserHiveRegistry::query_value(const RegKey& key, std::string_view name, std::uint32_t& type,
                                     std::uint8_t* data, std::uint32_t& size) {
  return registry_.query_value(inner(key), name, type, data, size);
}

Status UserHiveRegistry::set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                                   const std::vector<std::uint8_t>& data) {
  return registry_.set_value(inner(key), name, type, data);
}

Status UserHiveRegistry::delete_value(const RegKey& key, std::string_view name) {
  return registry_.delete_value(inner(key), name);
}

Status UserHiveRegistry::enum_key_name(const RegKey& key, std::uint32_t index, std::string& name) {
  return registry_.enum_key_name(inner(key), index, name);
}

Status UserHiveRegistry::close_handle(std::uintptr_t handle) {
  const auto found = open_.find(handle);
  if (found == open_.end()) return status::kInvalidHandle;
  const Status result = found->second.close();
  open_.erase(found);
  return result;
}

UserPlatform::UserPlatform(Platform& platform, const UserHive& user)
    : registry_(platform.registry, user.sid),
      folders_(platform.folders, user.startup_folder.value_or("")),
      platform_{registry_,
                platform.files,
                folders_,
                platform.status_text,
                platform.shell,
                platform.dialogs,
                platform.text_rules,
                platform.programs,
                platform.tasks} {}

}  // namespace rw
