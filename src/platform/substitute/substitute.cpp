#include "platform/substitute/substitute.h"

#include <fnmatch.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace rw::substitute {

namespace fs = std::filesystem;

namespace {

// Windows compares registry names by upper-casing; this covers the scripts
// the tests use (ASCII, Latin-1, Greek, Cyrillic).
char16_t upper(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 32);
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 32);
  if (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) return static_cast<char16_t>(unit - 32);
  if (unit == 0x3AC) return 0x386;  // Greek vowels with tonos
  if (unit >= 0x3AD && unit <= 0x3AF) return static_cast<char16_t>(unit - 37);
  if (unit == 0x3CC) return 0x38C;
  if (unit >= 0x3CD && unit <= 0x3CE) return static_cast<char16_t>(unit - 63);
  if (unit >= 0x430 && unit <= 0x44F) return static_cast<char16_t>(unit - 32);
  if (unit >= 0x450 && unit <= 0x45F) return static_cast<char16_t>(unit - 80);
  return unit;
}

std::u16string fold(std::string_view text) {
  std::u16string units = utf8_to_utf16(text);
  for (char16_t& unit : units) unit = upper(unit);
  return units;
}

// The path's levels as written.
std::vector<std::string> path_names(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::vector<std::u16string> folded(const std::vector<std::string>& names) {
  std::vector<std::u16string> parts;
  for (const std::string& name : names) parts.push_back(fold(name));
  return parts;
}

std::vector<std::u16string> split_path(std::string_view path) { return folded(path_names(path)); }

// The Win32 calls take a name up to its first NUL, so that is the name they reach.
std::string_view name_reached(std::string_view name) { return name.substr(0, name.find('\0')); }

bool is_prefix(const std::vector<std::u16string>& prefix, const std::vector<std::u16string>& path) {
  return prefix.size() <= path.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

constexpr std::uint32_t kQueryValue = 0x1;
constexpr std::uint32_t kSetValue = 0x2;
constexpr std::uint32_t kEnumerateSubKeys = 0x8;
constexpr Status kKeyDeleted = 1018;

}  // namespace

// ---- CallLog ----------------------------------------------------------------

std::optional<Status> CallLog::enter(const std::string& operation, const std::string& subject) {
  calls_.push_back(operation + " " + subject);
  const std::uint64_t number = calls_.size();
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    const bool by_number = it->at_call != 0 && it->at_call == number &&
                           (it->operation.empty() || it->operation == operation);
    const bool by_operation = it->at_call == 0 && it->operation == operation &&
                              subject.find(it->subject_part) != std::string::npos;
    if (by_number || by_operation) {
      Status failure = it->status;
      if (by_number) faults_.erase(it);
      return failure;
    }
  }
  return std::nullopt;
}

// ---- SubstituteRegistry -------------------------------------------------------

SubstituteRegistry::Key& SubstituteRegistry::root(Hive hive) { return hives_[hive]; }

const SubstituteRegistry::Key* SubstituteRegistry::find(
    Hive hive, const std::vector<std::u16string>& path) const {
  auto hive_it = hives_.find(hive);
  if (hive_it == hives_.end()) return nullptr;
  const Key* key = &hive_it->second;
  for (const auto& part : path) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

SubstituteRegistry::Key* SubstituteRegistry::find(Hive hive,
                                                  const std::vector<std::u16string>& path) {
  return const_cast<Key*>(static_cast<const SubstituteRegistry*>(this)->find(hive, path));
}

SubstituteRegistry::Key& SubstituteRegistry::make(Hive hive,
                                                  const std::vector<std::string>& names) {
  Key* key = &root(hive);
  for (const std::string& name : names) {
    auto& slot = key->subkeys[fold(name)];
    if (!slot) slot = std::make_unique<Key>(Key{name, {}, {}});
    key = slot.get();
  }
  return *key;
}

bool SubstituteRegistry::write_denied(Hive hive, const std::vector<std::u16string>& path) const {
  return std::any_of(denied_.begin(), denied_.end(), [&](const auto& entry) {
    return entry.first == hive && is_prefix(entry.second, path);
  });
}

Status SubstituteRegistry::open_or_create(const char* operation, Hive hive, std::string_view path,
                                          std::uint32_t access, bool create, RegKey& out) {
  out.close();
  if (auto failure = log_.enter(operation, std::string(path))) return *failure;
  if (hive != kHkeyCurrentUser && hive != kHkeyLocalMachine && hive != kHkeyUsers) {
    return status::kInvalidHandle;
  }
  root(hive);  // a hive is there, even with nothing in it
  auto names = path_names(path);
  if (separate_views && (access & access::kView32) && hive == kHkeyLocalMachine && !names.empty() &&
      fold(names[0]) == fold("SOFTWARE")) {
    names.insert(names.begin() + 1, "WOW6432Node");
  }
  auto parts = folded(names);
  if ((access & kSetValue) && write_denied(hive, parts)) return status::kAccessDenied;
  if (find(hive, parts) == nullptr) {
    if (!create) return status::kFileNotFound;
    make(hive, names);
  }
  const std::uintptr_t handle = next_handle_++;
  handles_[handle] = Handle{hive, std::move(parts), access};
  out = RegKey(this, handle);
  return status::kOk;
}

Status SubstituteRegistry::open_key(Hive hive, std::string_view path, std::uint32_t access,
                                    RegKey& out) {
  return open_or_create("RegOpenKeyEx", hive, path, access, false, out);
}

Status SubstituteRegistry::create_key(Hive hive, std::string_view path, std::uint32_t access,
                                      RegKey& out) {
  return open_or_create("RegCreateKeyEx", hive, path, access, true, out);
}

const SubstituteRegistry::Handle* SubstituteRegistry::handle_of(const RegKey& key) const {
  if (!key.is_open()) return nullptr;
  auto it = handles_.find(key.handle());
  return it == handles_.end() ? nullptr : &it->second;
}

Status SubstituteRegistry::enum_value_name(const RegKey& key, std::uint32_t index,
                                           std::uint32_t name_capacity, std::string& name) {
  if (auto failure = log_.enter("RegEnumValue", std::to_string(index))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kQueryValue)) return status::kAccessDenied;
  const Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  if (index >= node->values.size()) return status::kNoMoreItems;
  const std::string& found = node->values[index].name;
  if (utf8_to_utf16(found).size() + 1 > name_capacity) return status::kMoreData;
  name = found;
  return status::kOk;
}

Status SubstituteRegistry::enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                                      RegValue& value) {
  if (auto failure = log_.enter("RegEnumValue", std::to_string(index))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kQueryValue)) return status::kAccessDenied;
  const Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  if (index >= node->values.size()) return status::kNoMoreItems;
  name = node->values[index].name;
  value = RegValue{node->values[index].type, node->values[index].data};
  return status::kOk;
}

Status SubstituteRegistry::query_value(const RegKey& key, std::string_view name,
                                       std::uint32_t& type, std::uint8_t* data,
                                       std::uint32_t& size) {
  name = name_reached(name);
  if (auto failure = log_.enter("RegQueryValueEx", std::string(name))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kQueryValue)) return status::kAccessDenied;
  const Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  const std::u16string wanted = fold(name);
  for (const Value& value : node->values) {
    if (fold(value.name) != wanted) continue;
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data == nullptr) {
      size = needed;
      return status::kOk;
    }
    if (size < needed) {
      size = needed;
      return status::kMoreData;
    }
    std::copy(value.data.begin(), value.data.end(), data);
    size = needed;
    return status::kOk;
  }
  return status::kFileNotFound;
}

Status SubstituteRegistry::set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                                     const std::vector<std::uint8_t>& data) {
  name = name_reached(name);
  if (auto failure = log_.enter("RegSetValueEx", std::string(name))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kSetValue)) return status::kAccessDenied;
  Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  const std::u16string wanted = fold(name);
  for (Value& value : node->values) {
    if (fold(value.name) == wanted) {
      value.type = type;
      value.data = data;
      return status::kOk;
    }
  }
  node->values.push_back(Value{std::string(name), type, data});
  return status::kOk;
}

Status SubstituteRegistry::delete_value(const RegKey& key, std::string_view name) {
  name = name_reached(name);
  if (auto failure = log_.enter("RegDeleteValue", std::string(name))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kSetValue)) return status::kAccessDenied;
  Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  const std::u16string wanted = fold(name);
  auto it = std::find_if(node->values.begin(), node->values.end(),
                         [&](const Value& value) { return fold(value.name) == wanted; });
  if (it == node->values.end()) return status::kFileNotFound;
  node->values.erase(it);
  return status::kOk;
}

Status SubstituteRegistry::enum_key_name(const RegKey& key, std::uint32_t index,
                                         std::string& name) {
  if (auto failure = log_.enter("RegEnumKeyEx", std::to_string(index))) return *failure;
  const Handle* handle = handle_of(key);
  if (handle == nullptr) return status::kInvalidHandle;
  if (!(handle->access & kEnumerateSubKeys)) return status::kAccessDenied;
  const Key* node = find(handle->hive, handle->path);
  if (node == nullptr) return kKeyDeleted;
  // In the order of their folded names, as the registry keeps them sorted.
  if (index >= node->subkeys.size()) return status::kNoMoreItems;
  name = std::next(node->subkeys.begin(), index)->second->name;
  return status::kOk;
}

Status SubstituteRegistry::close_handle(std::uintptr_t handle) {
  return handles_.erase(handle) == 1 ? status::kOk : status::kInvalidHandle;
}

void SubstituteRegistry::put(Hive hive, std::string_view path, std::string_view name,
                             std::uint32_t type, std::vector<std::uint8_t> data) {
  Key& node = make(hive, path_names(path));
  const std::u16string wanted = fold(name);
  for (Value& value : node.values) {
    if (fold(value.name) == wanted) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  node.values.push_back(Value{std::string(name), type, std::move(data)});
}

void SubstituteRegistry::put_string(Hive hive, std::string_view path, std::string_view name,
                                    std::string_view text, std::uint32_t type) {
  put(hive, path, name, type, text_to_registry_bytes(text));
}

std::optional<RegValue> SubstituteRegistry::get(Hive hive, std::string_view path,
                                                std::string_view name) const {
  const Key* node = find(hive, split_path(path));
  if (node == nullptr) return std::nullopt;
  const std::u16string wanted = fold(name);
  for (const Value& value : node->values) {
    if (fold(value.name) == wanted) return RegValue{value.type, value.data};
  }
  return std::nullopt;
}

std::optional<std::string> SubstituteRegistry::get_string(Hive hive, std::string_view path,
                                                          std::string_view name) const {
  auto value = get(hive, path, name);
  if (!value) return std::nullopt;
  return registry_bytes_to_text(value->data);
}

std::vector<std::string> SubstituteRegistry::value_names(Hive hive, std::string_view path) const {
  std::vector<std::string> names;
  if (const Key* node = find(hive, split_path(path))) {
    for (const Value& value : node->values) names.push_back(value.name);
  }
  return names;
}

void SubstituteRegistry::remove_key(Hive hive, std::string_view path) {
  auto parts = split_path(path);
  if (parts.empty()) return;
  auto leaf = parts.back();
  parts.pop_back();
  if (Key* parent = find(hive, parts)) parent->subkeys.erase(leaf);
}

bool SubstituteRegistry::erase(Hive hive, std::string_view path, std::string_view name) {
  Key* node = find(hive, split_path(path));
  if (node == nullptr) return false;
  const std::u16string wanted = fold(name);
  auto it = std::find_if(node->values.begin(), node->values.end(),
                         [&](const Value& value) { return fold(value.name) == wanted; });
  if (it == node->values.end()) return false;
  node->values.erase(it);
  return true;
}

void SubstituteRegistry::deny_write(Hive hive, std::string_view path) {
  denied_.emplace_back(hive, split_path(path));
}

// ---- SubstituteFiles ------------------------------------------------------------

fs::path SubstituteFiles::host_path(std::string_view path) {
  std::string host(path);
  std::replace(host.begin(), host.end(), '\\', '/');
  // Windows finds X.LNK under the name X.lnk; so must the host's folders.
  fs::path resolved;
  for (const fs::path& part : fs::path(host)) {
    fs::path exact = resolved / part;
    std::error_code error;
    if (resolved.empty() || fs::exists(exact, error) || !fs::is_directory(resolved, error)) {
      resolved = std::move(exact);
      continue;
    }
    const std::u16string wanted = fold(part.string());
    for (const auto& entry : fs::directory_iterator(resolved, error)) {
      if (fold(entry.path().filename().string()) == wanted) {
        exact = entry.path();
        break;
      }
    }
    resolved = std::move(exact);
  }
  return resolved;
}

void SubstituteFiles::deny_write(std::string_view folder) {
  denied_.push_back(host_path(folder).lexically_normal());
}

void SubstituteFiles::refuse_if_denied(const char* operation, std::string_view path) const {
  const fs::path host = host_path(path).lexically_normal();
  for (const fs::path& folder : denied_) {
    auto [end, rest] = std::mismatch(folder.begin(), folder.end(), host.begin(), host.end());
    if (end == folder.end())
      throw PlatformError(operation, std::string(path), status::kAccessDenied);
  }
}

std::uint32_t SubstituteFiles::attributes_of(const fs::path& path) const {
  auto it = attributes_.find(path.lexically_normal().string());
  return it == attributes_.end() ? 0 : it->second;
}

std::vector<std::string> SubstituteFiles::dir(std::string_view pattern, std::uint32_t attributes) {
  if (auto failure = log_.enter("Dir", std::string(pattern))) {
    throw PlatformError("Dir", std::string(pattern), *failure);
  }
  const fs::path full = host_path(pattern);
  const fs::path folder = full.parent_path();
  std::string mask = full.filename().string();
  if (mask == "*.*") mask = "*";  // Windows' old spelling of "everything"
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return names;  // a missing folder matches nothing
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    // No FNM_PERIOD: on Windows "*" matches a leading dot too, so "*.lnk" finds ".lnk".
    if (fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    const bool is_folder = entry.is_directory(error);
    if (is_folder && !(attributes & attr::kDirectory)) continue;
    const std::uint32_t own = attributes_of(entry.path());
    if ((own & attr::kHidden) && !(attributes & attr::kHidden)) continue;
    if ((own & attr::kSystem) && !(attributes & attr::kSystem)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool SubstituteFiles::folder_exists(std::string_view path) {
  // As GetFileAttributesW, which cannot raise: a failing call finds no folder.
  if (log_.enter("FolderExists", std::string(path))) return false;
  std::error_code error;
  return fs::is_directory(host_path(path), error);
}

void SubstituteFiles::make_dir(std::string_view path) {
  if (auto failure = log_.enter("MkDir", std::string(path))) {
    throw PlatformError("MkDir", std::string(path), *failure);
  }
  refuse_if_denied("MkDir", path);
  std::error_code error;
  if (fs::exists(host_path(path), error)) {  // a folder or a file: CreateDirectory says 183
    throw PlatformError("MkDir", std::string(path), status::kAlreadyExists);
  }
  if (!fs::create_directory(host_path(path), error)) {
    throw PlatformError("MkDir", std::string(path), status::kPathNotFound);
  }
}

void SubstituteFiles::file_copy(std::string_view from, std::string_view to) {
  if (auto failure = log_.enter("FileCopy", std::string(from) + " -> " + std::string(to))) {
    throw PlatformError("FileCopy", std::string(from), *failure);
  }
  std::error_code error;
  if (!fs::is_regular_file(host_path(from), error)) {
    throw PlatformError("FileCopy", std::string(from), status::kFileNotFound);
  }
  if (!fs::is_directory(host_path(to).parent_path(), error)) {
    throw PlatformError("FileCopy", std::string(to), status::kPathNotFound);
  }
  refuse_if_denied("FileCopy", to);
  fs::copy_file(host_path(from), host_path(to), fs::copy_options::overwrite_existing, error);
  if (error) throw PlatformError("FileCopy", std::string(to), status::kAccessDenied);
}

void SubstituteFiles::kill(std::string_view path) {
  if (auto failure = log_.enter("Kill", std::string(path))) {
    throw PlatformError("Kill", std::string(path), *failure);
  }
  std::error_code error;
  const fs::path host = host_path(path);
  if (fs::is_directory(host, error)) {
    throw PlatformError("Kill", std::string(path), status::kAccessDenied);  // as DeleteFileW
  }
  if (!fs::is_regular_file(host, error)) {
    const bool folder_there = fs::is_directory(host.parent_path(), error);
    throw PlatformError("Kill", std::string(path),
                        folder_there ? status::kFileNotFound : status::kPathNotFound);
  }
  refuse_if_denied("Kill", path);
  if (!fs::remove(host_path(path), error) || error) {
    throw PlatformError("Kill", std::string(path), status::kAccessDenied);
  }
  attributes_.erase(host.lexically_normal().string());  // a file made there later has none
}

std::optional<std::string> SubstituteFiles::file_content(std::string_view path) {
  if (auto failure = log_.enter("ReadFile", std::string(path))) {
    throw PlatformError("ReadFile", std::string(path), *failure);
  }
  std::error_code error;
  const fs::path host = host_path(path);
  if (fs::is_directory(host, error)) {
    throw PlatformError("ReadFile", std::string(path), status::kAccessDenied);  // as CreateFileW
  }
  if (!fs::exists(host, error)) return std::nullopt;
  auto content = read_file(path);
  if (!content) throw PlatformError("ReadFile", std::string(path), status::kAccessDenied);
  return content;
}

std::optional<std::string> SubstituteFiles::file_start(std::string_view path,
                                                       std::size_t max_bytes) {
  std::optional<std::string> content = file_content(path);
  if (content && content->size() > max_bytes) content->resize(max_bytes);
  return content;
}

Status SubstituteFiles::removable(std::string_view path) {
  if (auto failure = log_.enter("CanDelete", std::string(path))) return *failure;
  std::error_code error;
  const fs::path host = host_path(path);
  if (fs::is_directory(host, error)) return status::kAccessDenied;
  if (!fs::is_regular_file(host, error)) {
    return fs::is_directory(host.parent_path(), error) ? status::kFileNotFound
                                                       : status::kPathNotFound;
  }
  if (attributes_of(host) & attr::kReadOnly) return status::kAccessDenied;
  try {
    refuse_if_denied("CanDelete", path);
  } catch (const PlatformError& refused) {
    return refused.code();
  }
  return status::kOk;
}

std::optional<std::uint32_t> SubstituteFiles::file_attributes(std::string_view path) {
  if (auto failure = log_.enter("GetFileAttributes", std::string(path))) {
    throw PlatformError("GetFileAttributes", std::string(path), *failure);
  }
  std::error_code error;
  const fs::path host = host_path(path);
  if (!fs::exists(host, error)) return std::nullopt;
  return attributes_of(host) | (fs::is_directory(host, error) ? attr::kDirectory : 0);
}

void SubstituteFiles::set_file_attributes(std::string_view path, std::uint32_t attributes) {
  if (auto failure = log_.enter("SetFileAttributes", std::string(path))) {
    throw PlatformError("SetFileAttributes", std::string(path), *failure);
  }
  std::error_code error;
  const fs::path host = host_path(path);
  if (!fs::exists(host, error)) {
    throw PlatformError("SetFileAttributes", std::string(path),
                        fs::is_directory(host.parent_path(), error) ? status::kFileNotFound
                                                                    : status::kPathNotFound);
  }
  refuse_if_denied("SetFileAttributes", path);
  attributes_[host.lexically_normal().string()] = attributes & ~attr::kDirectory;
}

void SubstituteFiles::write_file(std::string_view path, std::string_view content) {
  std::ofstream out(host_path(path), std::ios::binary);
  out << content;
}

std::optional<std::string> SubstituteFiles::read_file(std::string_view path) const {
  std::ifstream in(host_path(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void SubstituteFiles::set_attributes(std::string_view path, std::uint32_t attributes) {
  attributes_[host_path(path).lexically_normal().string()] = attributes;
}

// ---- the rest -------------------------------------------------------------------------

std::string SubstituteFolders::special_folder(int csidl) {
  log_.enter("SHGetFolderPath", std::to_string(csidl));
  auto it = special.find(csidl);
  return it == special.end() ? std::string() : it->second;
}

std::string SubstituteFolders::windows_directory() {
  if (log_.enter("GetWindowsDirectory", "")) return {};
  return windows;
}

std::string SubstituteFolders::system_directory() {
  if (log_.enter("GetSystemDirectory", "")) return {};
  return system;
}

bool SubstituteFolders::is_network_drive(char letter) {
  if (log_.enter("GetDriveType", std::string(1, letter) + ":\\")) return false;
  return network_drives.count(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
}

std::string SubstituteStatusText::describe(Status code) {
  switch (code) {
    case status::kOk:
      return "The operation completed successfully.";
    case status::kFileNotFound:
      return "The system cannot find the file specified.";
    case status::kPathNotFound:
      return "The system cannot find the path specified.";
    case status::kAccessDenied:
      return "Access is denied.";
    case status::kInvalidHandle:
      return "The handle is invalid.";
    case status::kSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case status::kMoreData:
      return "More data is available.";
    case status::kNoMoreItems:
      return "No more data is available.";
    default:
      return "Error " + std::to_string(code) + ".";
  }
}

bool SubstituteTextRules::same_name(std::string_view a, std::string_view b) {
  return fold(a) == fold(b);
}

std::string SubstituteTextRules::name_key(std::string_view name) {
  return utf16_to_utf8(fold(name));
}

namespace {

// An upper-case Latin-1 letter without its accent: À to A, Ç to C, and so on.
char16_t unaccented(char16_t unit) {
  static constexpr char16_t kBases[] = u"AAAAAAACEEEEIIII\u00D0NOOOOO\u00D7OUUUUY";
  if (unit >= 0xC0 && unit <= 0xDD) return kBases[unit - 0xC0];
  return unit;
}

}  // namespace

std::string SubstituteTextRules::sort_key(std::string_view text) {
  std::string letters;
  std::string accents;
  for (char16_t unit : fold(text)) {
    const char16_t base = unaccented(unit);
    letters.push_back(static_cast<char>(base >> 8));
    letters.push_back(static_cast<char>(base & 0xFF));
    accents.push_back(static_cast<char>(base == unit ? 0 : unit & 0xFF));
  }
  if (letters.empty()) return {};
  return letters + std::string(2, '\0') + accents;
}

void RecordingShell::shell_open(std::string_view verb, std::string_view file, int) {
  log_.enter("ShellExecute", std::string(verb) + " " + std::string(file));
  opened.emplace_back(file);
}

void RecordingShell::start_program(std::string_view path, int) {
  if (auto failure = log_.enter("CreateProcess", std::string(path))) {
    throw PlatformError("CreateProcess", std::string(path), *failure);
  }
  std::error_code error;
  if (refuse_start || path.empty() ||
      !fs::is_regular_file(SubstituteFiles::host_path(path), error)) {
    throw PlatformError("CreateProcess", std::string(path), status::kFileNotFound);
  }
  started.emplace_back(path);
}

void RecordingShell::show_in_folder(std::string_view path) {
  if (auto failure = log_.enter("SHOpenFolderAndSelectItems", std::string(path))) {
    throw PlatformError("SHOpenFolderAndSelectItems", std::string(path), *failure);
  }
  shown.emplace_back(path);
}

std::string SubstitutePrograms::shortcut_content(std::string_view target,
                                                 std::string_view arguments) {
  return "LNK\n" + std::string(target) + "\n" + std::string(arguments);
}

std::optional<ShortcutLink> SubstitutePrograms::read_shortcut(std::string_view path) {
  if (auto failure = log_.enter("IShellLink", std::string(path))) {
    throw PlatformError("IPersistFile::Load", std::string(path), *failure);
  }
  ++shortcuts_read;
  std::ifstream in(SubstituteFiles::host_path(path), std::ios::binary);
  if (!in) throw PlatformError("IPersistFile::Load", std::string(path), status::kFileNotFound);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string text = content.str();
  if (text.rfind("LNK\n", 0) != 0) return std::nullopt;
  const std::size_t line = text.find('\n', 4);
  if (line == std::string::npos) return ShortcutLink{text.substr(4), {}};
  return ShortcutLink{text.substr(4, line - 4), text.substr(line + 1)};
}

std::string SubstitutePrograms::expand_environment(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string_view::npos;
    if (close == std::string_view::npos) {
      out.push_back(text[i++]);
      continue;
    }
    std::string name(text.substr(i + 1, close - i - 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const auto found = environment.find(name);
    // As Windows does, an unknown variable stays as written, and its closing
    // sign may open the next one.
    if (found == environment.end()) {
      out += text.substr(i, close - i);
      i = close;
      continue;
    }
    out += found->second;
    i = close + 1;
  }
  return out;
}

bool SubstitutePrograms::is_file(std::string_view path) {
  if (log_.enter("GetFileAttributes", std::string(path))) return false;
  std::error_code error;
  return fs::is_regular_file(SubstituteFiles::host_path(path), error);
}

std::optional<std::string> SubstitutePrograms::environment_variable(std::string_view name) {
  if (log_.enter("GetEnvironmentVariable", std::string(name))) return std::nullopt;
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const auto found = environment.find(upper);
  if (found == environment.end()) return std::nullopt;
  return found->second;
}

FileDescription SubstitutePrograms::describe_file(std::string_view path) {
  const auto found = descriptions.find(std::string(path));
  return found == descriptions.end() ? FileDescription{} : found->second;
}

namespace {

std::string folder_of_task(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  return slash == 0 || slash == std::string_view::npos ? "\\" : std::string(path.substr(0, slash));
}

}  // namespace

TaskList SubstituteTaskScheduler::read_tasks() {
  if (auto failure = log_.enter("ITaskService::Connect", "\\")) {
    throw PlatformError("ITaskService::Connect", "\\", *failure);
  }
  TaskList list;
  std::map<std::u16string, std::optional<Status>> folders;  // by folded path: a fault met there
  for (const ScheduledTask& task : tasks_) {
    const std::string folder = folder_of_task(task.path);
    auto [found, added] = folders.try_emplace(fold(folder));
    if (added) {
      found->second = log_.enter("ITaskFolder::GetTasks", folder);
      if (found->second)
        list.problems.emplace_back("ITaskFolder::GetTasks", folder, *found->second);
    }
    if (!found->second) list.tasks.push_back(task);
  }
  return list;
}

ScheduledTask* SubstituteTaskScheduler::find(std::string_view path) {
  const std::u16string wanted = fold(path);
  const auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const ScheduledTask& task) {
    return fold(task.path) == wanted;
  });
  return found == tasks_.end() ? nullptr : &*found;
}

bool SubstituteTaskScheduler::set_enabled(std::string_view path, bool enabled) {
  const std::string subject(path);
  std::optional<Status> failure = log_.enter("ITaskFolder::GetTask", subject);
  ScheduledTask* task = find(path);
  if (!failure && task == nullptr) failure = status::kFileNotFound;
  if (failure) throw PlatformError("ITaskFolder::GetTask", subject, *failure);
  if (auto refused = log_.enter("IRegisteredTask::put_Enabled", subject)) {
    throw PlatformError("IRegisteredTask::put_Enabled", subject, *refused);
  }
  if (!switching_changes_nothing) task->enabled = enabled;
  return task->enabled;
}

TaskUser SubstituteTaskScheduler::current_user() {
  if (auto failure = log_.enter("GetTokenInformation", "")) {
    throw PlatformError("GetTokenInformation", "", *failure);
  }
  return user;
}

std::optional<std::string> SubstituteTaskScheduler::account_name(std::string_view sid) {
  if (sid == user.sid) return user.domain + "\\" + user.name;
  const auto found = accounts.find(std::string(sid));
  if (found == accounts.end()) return std::nullopt;
  return found->second;
}

void SubstituteTaskScheduler::put(std::string_view path, bool enabled,
                                  std::string_view definition) {
  const std::size_t slash = path.rfind('\\');
  ScheduledTask task{std::string(path), std::string(path.substr(slash + 1)), enabled,
                     std::string(definition)};
  if (ScheduledTask* existing = find(path)) {
    *existing = std::move(task);
  } else {
    tasks_.push_back(std::move(task));
  }
}

std::optional<ScheduledTask> SubstituteTaskScheduler::get(std::string_view path) const {
  const std::u16string wanted = fold(path);
  for (const ScheduledTask& task : tasks_) {
    if (fold(task.path) == wanted) return task;
  }
  return std::nullopt;
}

namespace {
bool is_on_network(std::string_view path) { return path.substr(0, 2) == "\\\\"; }
}  // namespace

Signature SubstitutePrograms::signature(std::string_view path) {
  if (is_on_network(path) || !is_file(path)) return Signature{};
  if (auto failure = log_.enter("WinVerifyTrust", std::string(path))) {
    throw PlatformError("WinVerifyTrust", std::string(path), *failure);
  }
  const auto found = signatures.find(std::string(path));
  return found == signatures.end() ? Signature{SignatureState::kNotSigned, std::nullopt}
                                   : found->second;
}

std::optional<std::string> SubstitutePrograms::sha256(std::string_view path) {
  if (is_on_network(path) || !is_file(path)) return std::nullopt;
  if (auto failure = log_.enter("SHA256", std::string(path))) {
    throw PlatformError("ReadFile", std::string(path), *failure);
  }
  std::ifstream in(SubstituteFiles::host_path(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  const auto found = sha256_of_content.find(content.str());
  if (found == sha256_of_content.end()) {
    throw std::logic_error("the test gave no SHA-256 for the content of " + std::string(path));
  }
  return found->second;
}

int ScriptedDialogs::message_box(std::string_view prompt, int flags, std::string_view title) {
  messages.push_back(ShownMessage{std::string(prompt), flags, std::string(title)});
  if (message_answers.empty()) return (flags & 0xF) == mb::kYesNo ? mb::kResultYes : mb::kResultOk;
  int answer = message_answers.front();
  message_answers.pop_front();
  return answer;
}

std::string ScriptedDialogs::input_box(std::string_view, std::string_view,
                                       std::string_view default_text) {
  prompts_defaults.emplace_back(default_text);
  if (input_answers.empty()) return std::string(default_text);
  auto answer = input_answers.front();
  input_answers.pop_front();
  return answer ? *answer : std::string(default_text);
}

OpenFileResult ScriptedDialogs::open_file(const OpenFileRequest& request) {
  file_requests.push_back(request);
  if (file_dialog_failure)
    throw PlatformError("GetOpenFileName", request.title, *file_dialog_failure);
  if (file_answers.empty()) return OpenFileResult{};
  OpenFileResult answer = file_answers.front();
  file_answers.pop_front();
  return answer;
}

SubstitutePlatform::SubstitutePlatform() {
  std::string templ = (fs::temp_directory_path() / "runwarden-XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  root_ = templ;
  folders.program_folder_ = root_ + "\\Program";
  fs::create_directories(SubstituteFiles::host_path(folders.program_folder_));
  const std::string user_startup = root_ + "\\UserStartup";
  const std::string common_startup = root_ + "\\CommonStartup";
  fs::create_directories(SubstituteFiles::host_path(user_startup));
  fs::create_directories(SubstituteFiles::host_path(common_startup));
  folders.windows = root_ + "\\Windows";
  folders.system = folders.windows + "\\System32";
  fs::create_directories(SubstituteFiles::host_path(folders.system));
  programs.environment["PATH"] = folders.system + ";" + folders.windows;
  folders.special[kCsidlStartup] = user_startup;
  folders.special[kCsidlCommonStartup] = common_startup;
}

SubstitutePlatform::~SubstitutePlatform() {
  std::error_code error;
  fs::remove_all(root_, error);
}

Platform SubstitutePlatform::platform(Dialogs& with_dialogs) {
  return Platform{registry,     files,      folders,  status_text, shell,
                  with_dialogs, text_rules, programs, tasks};
}

}  // namespace rw::substitute
