#include "support/seeder.h"

#include <shlobj.h>
#include <windows.h>

#include <stdexcept>

#include "catalogue/entry_store.h"
#include "catalogue/packaged_tasks.h"
#include "platform/settings_store.h"
#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/wine_support.h"

namespace rw::seeding {

namespace {

using win32::api_path;
using win32::UniqueHkey;
using win32::widen;
using wine_support::root_of;

std::string root_words(Hive hive) {
  if (hive == kHkeyUsers) return "HKEY_USERS\\";
  return hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
}

std::string where(const Key& key, std::string_view name = {}) {
  return root_words(key.hive) + key.path + (key.view == access::kView32 ? " (32-bit view)" : "") +
         (name.empty() ? "" : "\\" + std::string(name));
}

LSTATUS open(const Key& key, REGSAM access, UniqueHkey& opened) {
  return ::RegOpenKeyExW(root_of(key.hive), widen(key.path).c_str(), 0, access | key.view,
                         opened.put());
}

// A name with a NUL inside reaches the registry whole only through the
// native calls, which take a name with its length.
struct CountedName {  // UNICODE_STRING
  USHORT length;
  USHORT maximum_length;
  const wchar_t* buffer;
};

template <typename Call>
Call native(const char* name) {
  return reinterpret_cast<Call>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

LSTATUS win32_status(LONG native_status) {
  using ToWin32 = ULONG(NTAPI*)(LONG);
  return static_cast<LSTATUS>(native<ToWin32>("RtlNtStatusToDosError")(native_status));
}

bool has_nul(const std::wstring& name) { return name.find(L'\0') != std::wstring::npos; }

CountedName counted(const std::wstring& name) {
  const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  return {bytes, bytes, name.c_str()};
}

LSTATUS set_value(HKEY key, const std::wstring& name, DWORD type,
                  const std::vector<std::uint8_t>& data) {
  const auto size = static_cast<DWORD>(data.size());
  if (!has_nul(name)) return ::RegSetValueExW(key, name.c_str(), 0, type, data.data(), size);
  using Set = LONG(NTAPI*)(HANDLE, const CountedName*, ULONG, ULONG, const void*, ULONG);
  const CountedName native_name = counted(name);
  return win32_status(native<Set>("NtSetValueKey")(key, &native_name, 0, type, data.data(), size));
}

void delete_value(HKEY key, const std::wstring& name) {
  if (!has_nul(name)) {
    ::RegDeleteValueW(key, name.c_str());
    return;
  }
  using Delete = LONG(NTAPI*)(HANDLE, const CountedName*);
  const CountedName native_name = counted(name);
  native<Delete>("NtDeleteValueKey")(key, &native_name);
}

// The value as it is; nothing when it is not there, and for a name with a
// NUL inside, which the plain call would read short.
std::optional<RegValue> read(const Key& key, std::string_view name) {
  const std::wstring wide = widen(name);
  UniqueHkey opened;
  if (has_nul(wide) || open(key, KEY_QUERY_VALUE, opened) != ERROR_SUCCESS) return std::nullopt;
  // Asked without a buffer, the call gives the size.
  DWORD size = 0;
  if (::RegQueryValueExW(opened.get(), wide.c_str(), nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  RegValue value{REG_NONE, std::vector<std::uint8_t>(size)};
  DWORD type = REG_NONE;
  if (::RegQueryValueExW(opened.get(), wide.c_str(), nullptr, &type, value.data.data(), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  value.type = type;
  return value;
}

void write_file(const std::string& path, std::string_view bytes, DWORD attributes,
                DWORD disposition) {
  win32::UniqueFile file(
      ::CreateFileW(api_path(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                    attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr));
  if (!file) throw PlatformError("CreateFileW", path, ::GetLastError());
  DWORD written = 0;
  if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    throw PlatformError("WriteFile", path, ::GetLastError());
}

void delete_file(const std::string& path) {
  const std::wstring wide = api_path(path);
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(wide.c_str());
}

bool exists(const std::string& path) {
  return ::GetFileAttributesW(api_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every level of the path, highest first: "C:", "C:\a", "C:\a\b".
std::vector<std::string> levels(const std::string& path) {
  std::vector<std::string> found;
  for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    found.push_back(path.substr(0, end));
    if (end == std::string::npos) return found;
  }
}

void make_folders(const std::string& folder) {
  for (const std::string& level : levels(folder))
    ::CreateDirectoryW(api_path(level).c_str(), nullptr);
}

bool is_empty(const Key& key) {
  UniqueHkey opened;
  DWORD subkeys = 0;
  DWORD values = 0;
  return open(key, KEY_READ, opened) == ERROR_SUCCESS &&
         ::RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

bool holds_values(const PlaceInfo& info) {
  return info.storage == Storage::RunValues || info.storage == Storage::ParkedValues;
}

// Every key where a place keeps its entries, their flags or the types of
// parked values.
std::set<Key> place_keys() {
  std::set<Key> keys;
  for (const PlaceInfo& info : kPlaces) {
    if (holds_values(info)) keys.insert(run_key(info.location));
    if (const auto key = flag_key(info.location)) keys.insert(*key);
    if (const auto key = type_record_key(info.location)) keys.insert(*key);
  }
  return keys;
}

}  // namespace

ShortcutFolders shortcut_folders(std::string program_folder) {
  win32::Win32Folders folders;
  return {folders.special_folder(kCsidlCommonStartup), folders.special_folder(kCsidlStartup),
          program_folder.empty() ? folders.program_folder() : std::move(program_folder)};
}

Key run_key(StartupLocation location) {
  const PlaceInfo& info = place(location);
  if (!holds_values(info)) throw std::invalid_argument(std::string(info.name) + " has no key");
  RegistryKey key = key_of(info);
  return {key.hive, std::move(key.path), key.view};
}

std::pair<Key, std::string> list_value(StartupLocation location, std::size_t list) {
  const PlaceInfo& info = place(location);
  if (list >= info.lists.size()) {
    throw std::invalid_argument(std::string(info.name) + " has no list " + std::to_string(list));
  }
  const ProgramListValue& value = info.lists[list];
  return {Key{value.hive, std::string(value.key_path), value.view}, std::string(value.value_name)};
}

std::string folder_of(StartupLocation location, const ShortcutFolders& folders) {
  const PlaceInfo& info = place(location);
  if (info.storage != Storage::Shortcuts) {
    throw std::invalid_argument(std::string(info.name) + " has no folder");
  }
  if (info.folder.csidl == kCsidlCommonStartup) return folders.all_users_startup;
  if (info.folder.csidl == kCsidlStartup) return folders.current_user_startup;
  return folders.program + std::string(info.folder.tail);
}

std::optional<Key> flag_key(StartupLocation location) {
  const PlaceInfo* governing = flag_place(place(location));
  if (governing == nullptr) return std::nullopt;
  return Key{governing->flag.hive, std::string(governing->flag.key), access::kView64};
}

std::string flag_value_name(StartupLocation location, std::string_view name) {
  const PlaceInfo* governing = flag_place(place(location));
  return std::string(name) + std::string(governing == nullptr ? "" : governing->flag.suffix);
}

std::optional<Key> type_record_key(StartupLocation location) {
  const PlaceInfo& info = place(location);
  if (info.type_section.empty()) return std::nullopt;
  return Key{kHkeyCurrentUser, SettingsStore::section_key_path(kProgramTitle, info.type_section)};
}

std::vector<std::uint8_t> flag_bytes(std::uint8_t first) {
  std::vector<std::uint8_t> bytes(12, 0);
  bytes[0] = first;
  if ((first & 1) == 0) return bytes;
  // 1 January 2026 as a FILETIME: 100-nanosecond ticks since 1601.
  constexpr std::uint64_t kSwitchedOffAt = 134'116'992'000'000'000;
  for (int i = 0; i < 8; ++i) bytes[4 + i] = static_cast<std::uint8_t>(kSwitchedOffAt >> (8 * i));
  return bytes;
}

std::string startup_task_manifest(std::string_view task_id, std::string_view display_name,
                                  std::string_view executable) {
  return std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
         xmlns:uap5="http://schemas.microsoft.com/appx/manifest/uap/windows10/5">
  <Applications>
    <Application Id="App" Executable=")") +
         std::string(executable) + R"(" EntryPoint="Windows.FullTrustApplication">
      <Extensions>
        <uap5:Extension Category="windows.startupTask">
          <uap5:StartupTask TaskId=")" +
         std::string(task_id) + R"(" Enabled="true" DisplayName=")" + std::string(display_name) +
         R"("/>
        </uap5:Extension>
      </Extensions>
    </Application>
  </Applications>
</Package>
)";
}

void write_value(const Key& key, std::string_view name, std::uint32_t type,
                 const std::vector<std::uint8_t>& data) {
  UniqueHkey created;
  LSTATUS status = ::RegCreateKeyExW(root_of(key.hive), widen(key.path).c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | key.view, nullptr, created.put(), nullptr);
  if (status != ERROR_SUCCESS) throw PlatformError("RegCreateKeyExW", where(key), status);
  status = set_value(created.get(), widen(name), type, data);
  if (status != ERROR_SUCCESS) throw PlatformError("RegSetValueExW", where(key, name), status);
}

void write_link(const std::string& path, const std::string& target, const std::string& arguments) {
  win32::ComScope com;
  win32::ComPtr<IShellLinkW> link;
  win32::ComPtr<IPersistFile> file;
  HRESULT result = win32::create_instance(CLSID_ShellLink, IID_IShellLinkW, link.put());
  if (SUCCEEDED(result)) result = link->SetPath(widen(target).c_str());
  if (SUCCEEDED(result)) result = link->SetArguments(widen(arguments).c_str());
  if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, file.put());
  if (SUCCEEDED(result)) result = file->Save(api_path(path).c_str(), TRUE);
  if (FAILED(result)) throw PlatformError("IShellLinkW", path, win32::status_of(result));
}

Seeder::Seeder(std::string prefix, ShortcutFolders folders)
    : prefix_(widen(prefix)), folders_(std::move(folders)) {
  // An empty prefix would own every entry there is.
  if (prefix_.empty()) throw std::invalid_argument("a seeder needs a prefix");
  take_back_owned();
  for (const Key& key : place_keys()) note_missing_key(key);
  for (const std::string& folder : place_folders()) note_missing_folder(folder);
}

std::vector<std::string> Seeder::place_folders() const {
  std::vector<std::string> folders;
  for (const PlaceInfo& info : kPlaces) {
    if (info.storage == Storage::Shortcuts) folders.push_back(folder_of(info.location));
  }
  return folders;
}

bool Seeder::owns(std::wstring_view name) const {
  return name.starts_with(prefix_) || names_.count(std::wstring(name)) != 0;
}

void Seeder::note_name(std::string_view name) {
  const std::wstring wide = widen(name);
  if (owns(wide)) return;
  names_.insert(wide);
  names_.insert(wide + widen(kShortcutSuffix));
}

void Seeder::note_missing_key(const Key& key) {
  for (const std::string& level : levels(key.path)) {
    UniqueHkey opened;
    const Key at{key.hive, level, key.view};
    if (open(at, KEY_READ, opened) != ERROR_SUCCESS) missing_keys_.push_back(at);
  }
}

void Seeder::note_missing_folder(const std::string& path) {
  for (const std::string& level : levels(path)) {
    if (!exists(level)) folders_made_.push_back(level);
  }
}

void Seeder::value(StartupLocation location, std::string_view name, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) {
  note_name(name);
  write_value(run_key(location), name, type, data);
}

void Seeder::text(StartupLocation location, std::string_view name, std::string_view command) {
  value(location, name, REG_SZ, text_to_registry_bytes(command));
}

void Seeder::programs(StartupLocation location, std::size_t list, std::string_view programs) {
  const auto [key, name] = list_value(location, list);
  text(key, name, programs);
}

void Seeder::shortcut(StartupLocation location, std::string_view name, std::string_view bytes) {
  note_name(name);
  const std::string folder = folder_of(location);
  make_folders(folder);
  write_file(shortcut_path(folder, name), bytes, FILE_ATTRIBUTE_NORMAL, CREATE_ALWAYS);
}

void Seeder::flag(StartupLocation location, std::string_view name, std::uint8_t first) {
  const std::optional<Key> key = flag_key(location);
  if (!key) throw std::invalid_argument(std::string(place(location).name) + " has no flag");
  note_name(name);
  write_value(*key, flag_value_name(location, name), REG_BINARY, flag_bytes(first));
}

void Seeder::value(const Key& key, std::string_view name, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) {
  note_missing_key(key);
  earlier_.push_back({key, std::string(name), read(key, name)});
  write_value(key, name, type, data);
}

void Seeder::text(const Key& key, std::string_view name, std::string_view command) {
  value(key, name, REG_SZ, text_to_registry_bytes(command));
}

void Seeder::file(const std::string& path, std::string_view bytes, std::uint32_t attributes) {
  write_file(path, bytes, attributes, CREATE_NEW);
  files_.push_back(path);
}

void Seeder::folder(const std::string& path) {
  if (exists(path)) return;
  if (!::CreateDirectoryW(api_path(path).c_str(), nullptr))
    throw PlatformError("CreateDirectoryW", path, ::GetLastError());
  folders_made_.push_back(path);
}

void Seeder::packaged_task(const PackagedTask& task) {
  const std::string states = key_of(place(StartupLocation::PackagedStartupTask)).path;
  const std::uint32_t state = task.state;
  value(Key{kHkeyCurrentUser, states + "\\" + task.family + "\\" + task.task_id},
        packaged::kStateValue, REG_DWORD,
        {static_cast<std::uint8_t>(state), static_cast<std::uint8_t>(state >> 8),
         static_cast<std::uint8_t>(state >> 16), static_cast<std::uint8_t>(state >> 24)});
  text(Key{kHkeyCurrentUser, std::string(packaged::kPackagesKey) + "\\" + task.full_name},
       packaged::kRootFolderValue, task.folder);
  folder(task.folder);
  const std::string manifest = task.folder + "\\" + std::string(packaged::kManifestFile);
  if (!exists(manifest)) file(manifest, task.manifest);
}

std::string Seeder::folder_of(StartupLocation location) const {
  return seeding::folder_of(location, folders_);
}

bool Seeder::holds(StartupLocation location, std::string_view name) const {
  if (place(location).storage == Storage::Shortcuts)
    return exists(shortcut_path(folder_of(location), name));
  return read(run_key(location), name).has_value();
}

std::uint8_t Seeder::flag_now(StartupLocation location, std::string_view name) const {
  const std::optional<Key> key = flag_key(location);
  const std::optional<RegValue> flag =
      key ? read(*key, flag_value_name(location, name)) : std::nullopt;
  return flag && !flag->data.empty() ? flag->data[0] : 0;
}

void Seeder::take_back() {
  take_back_owned();
  for (auto it = earlier_.rbegin(); it != earlier_.rend(); ++it) {
    if (it->value) {
      try {
        write_value(it->key, it->name, it->value->type, it->value->data);
      } catch (const PlatformError&) {
        // Whatever cannot be put back stays as it is.
      }
      continue;
    }
    UniqueHkey key;
    if (open(it->key, KEY_SET_VALUE, key) == ERROR_SUCCESS)
      delete_value(key.get(), widen(it->name));
  }
  earlier_.clear();
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) delete_file(*it);
  files_.clear();
}

Seeder::~Seeder() {
  take_back();
  // A key or folder that someone else put something into stays.
  for (auto it = folders_made_.rbegin(); it != folders_made_.rend(); ++it)
    ::RemoveDirectoryW(api_path(*it).c_str());
  for (auto it = missing_keys_.rbegin(); it != missing_keys_.rend(); ++it) {
    if (is_empty(*it)) ::RegDeleteKeyExW(root_of(it->hive), widen(it->path).c_str(), it->view, 0);
  }
  // A made-up user's hive goes whole, with what the program wrote into it.
  for (const std::string& sid : hives_made_) ::RegDeleteTreeW(HKEY_USERS, widen(sid).c_str());
}

void Seeder::user_hive(const std::string& sid) {
  UniqueHkey opened;
  if (open(Key{kHkeyUsers, sid}, KEY_READ, opened) == ERROR_SUCCESS) return;
  const LSTATUS result = ::RegCreateKeyExW(HKEY_USERS, widen(sid).c_str(), 0, nullptr, 0, KEY_WRITE,
                                           nullptr, opened.put(), nullptr);
  if (result != ERROR_SUCCESS) throw PlatformError("RegCreateKeyExW", "HKEY_USERS\\" + sid, result);
  hives_made_.push_back(sid);
}

// A folder's name cannot end in a space or a dot where paths are parsed.
std::wstring Seeder::task_folder() const {
  return prefix_.substr(0, prefix_.find_last_not_of(L" .") + 1);
}

std::string Seeder::task(std::string_view name, std::string_view xml) {
  const std::string path = "\\" + win32::narrow(task_folder()) + "\\" + std::string(name);
  wine_support::place_task_file(path, wine_support::task_file_bytes(std::string(xml)));
  return path;
}

std::optional<std::string> Seeder::task_file(std::string_view path) const {
  win32::Win32Files files;
  return files.file_content(win32::narrow(wine_support::task_files_folder()) + std::string(path));
}

void Seeder::take_back_owned() const {
  wine_support::remove_tree(wine_support::task_files_folder() + L"\\" + task_folder());
  for (const std::string& folder : place_folders()) {
    std::vector<std::string> owned;
    WIN32_FIND_DATAW found{};
    win32::UniqueFind find(::FindFirstFileW(api_path(folder + "\\*").c_str(), &found));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &found)) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && owns(found.cFileName))
        owned.push_back(folder + "\\" + win32::narrow(found.cFileName));
    }
    find.reset();
    for (const std::string& path : owned) delete_file(path);
  }
  std::vector<wchar_t> name(kMaxValueNameChars + 1);
  for (const Key& key : place_keys()) {
    UniqueHkey opened;
    if (open(key, KEY_READ | KEY_SET_VALUE, opened) != ERROR_SUCCESS) continue;
    std::vector<std::wstring> owned;
    for (DWORD index = 0, length = kMaxValueNameChars + 1;
         ::RegEnumValueW(opened.get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                         nullptr) == ERROR_SUCCESS;
         ++index, length = kMaxValueNameChars + 1) {
      if (owns(std::wstring_view(name.data(), length))) owned.emplace_back(name.data(), length);
    }
    for (const std::wstring& value : owned) delete_value(opened.get(), value);
  }
}

}  // namespace rw::seeding
