// The one way the Wine tests, the benchmarks and the sandbox put entries into
// the real registry and folders: a Run value of any type and bytes (its name
// may hold a NUL, which the plain Win32 calls cannot write), a shortcut file
// of plain bytes or a real one, and Windows' own on/off flag, each where the
// place table says its place keeps it. A Seeder takes back all it put there.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/places.h"

namespace rw::seeding {

// A registry key as the Win32 calls reach it.
struct Key {
  Hive hive = kHkeyCurrentUser;
  std::string path;
  std::uint32_t view = 0;  // access::kView32 or kView64 for HKLM\SOFTWARE, else 0
  auto operator<=>(const Key&) const = default;
};

// Where the shortcut places are: the two Startup folders, and the program's
// folder, which holds the parking folders.
struct ShortcutFolders {
  std::string all_users_startup;
  std::string current_user_startup;
  std::string program;
};
// The Startup folders as Windows names them, with the program in
// `program_folder` (this program's own folder when empty).
ShortcutFolders shortcut_folders(std::string program_folder = {});

// What the seeder reads of a place's row, one fact each. run_key and
// folder_of raise std::invalid_argument for a place of the other kind.
Key run_key(StartupLocation location);
std::string folder_of(StartupLocation location, const ShortcutFolders& folders);
// The key and the value of a place's list of programs, by its index in the
// row; raises std::invalid_argument for one the row does not have.
std::pair<Key, std::string> list_value(StartupLocation location, std::size_t list);
// Windows' flag over the place's entries (a parked place's comes from its
// partner), and the name of an entry's value there.
std::optional<Key> flag_key(StartupLocation location);
std::string flag_value_name(StartupLocation location, std::string_view name);
// Where the type of a value parked at the place is recorded, if anywhere.
std::optional<Key> type_record_key(StartupLocation location);

// An entry's flag as Windows writes it, 12 bytes: `first` (02 on, 03 or 07
// off), three zero bytes, and the time it was switched off (a fixed one), or
// zeros while it is on.
std::vector<std::uint8_t> flag_bytes(std::uint8_t first);

// A package's manifest (AppxManifest.xml) whose one application declares
// one startup task, with its display name and its program below the
// package's folder.
std::string startup_task_manifest(std::string_view task_id, std::string_view display_name,
                                  std::string_view executable);

// Writers that keep no record of what they wrote. Each raises PlatformError
// naming the call, the key or path, and the status.
// Creates the key where it is missing.
void write_value(const Key& key, std::string_view name, std::uint32_t type,
                 const std::vector<std::uint8_t>& data);
// A real shortcut, made through IShellLinkW.
void write_link(const std::string& path, const std::string& target,
                const std::string& arguments = {});

// Seeds for as long as it lives, then takes back, whatever the program under
// test did in between:
// - from every place, each entry whose name begins with the prefix or that
//   it wrote into a place, with its flag and its type record;
// - each value it wrote at a key given by hand, as that value was before;
// - each file and folder it made, and each key and folder of the places that
//   was missing when it started, once they are empty;
// - its task folder, with every task in it.
// It starts by taking away what an earlier seeder of the prefix left behind.
// Writers raise PlatformError like the ones above.
class Seeder {
 public:
  explicit Seeder(std::string prefix, ShortcutFolders folders = shortcut_folders());
  ~Seeder();
  Seeder(const Seeder&) = delete;
  Seeder& operator=(const Seeder&) = delete;

  // Entries of a place.
  void value(StartupLocation location, std::string_view name, std::uint32_t type,
             const std::vector<std::uint8_t>& data);
  void text(StartupLocation location, std::string_view name, std::string_view command);
  void shortcut(StartupLocation location, std::string_view name, std::string_view bytes);
  // A place's list of programs (see list_value), as a string, put back as it
  // was at the end.
  void programs(StartupLocation location, std::size_t list, std::string_view programs);
  void flag(StartupLocation location, std::string_view name, std::uint8_t first);
  // A scheduled task named `name` in a task folder named after the prefix,
  // placed as Task Scheduler keeps it: its XML as a UTF-16 file under
  // %SystemRoot%\System32\Tasks. Returns its path ("\<prefix>\<name>").
  std::string task(std::string_view name, std::string_view xml);
  // The bytes of the task's file now; nothing when it is not there.
  std::optional<std::string> task_file(std::string_view path) const;

  // What no place names: a value at a key given by hand, a file that must
  // not be there yet, and a folder (made unless it is there).
  void value(const Key& key, std::string_view name, std::uint32_t type,
             const std::vector<std::uint8_t>& data);
  void text(const Key& key, std::string_view name, std::string_view command);
  void file(const std::string& path, std::string_view bytes = {}, std::uint32_t attributes = 0);
  void folder(const std::string& path);

  // A packaged app's startup task as Windows keeps it: its State under its
  // package family's key, its package's folder among the installed
  // packages, and the package's manifest in that folder, whose parent must
  // be there.
  struct PackagedTask {
    std::string family;  // "<Name>_<PublisherId>"
    std::string task_id;
    std::uint32_t state = 2;
    std::string full_name;  // "<Name>_<Version>_<Architecture>_<ResourceId>_<PublisherId>"
    std::string folder;
    std::string manifest;  // AppxManifest.xml's text, written unless one is there
  };
  void packaged_task(const PackagedTask& task);
  // A user's hive key under HKEY_USERS, as if the user were logged on; it
  // is deleted at the end with everything in it, the program's writes too.
  void user_hive(const std::string& sid);

  std::string folder_of(StartupLocation location) const;
  // Whether the place holds the entry now.
  bool holds(StartupLocation location, std::string_view name) const;
  // The first byte of the entry's flag now; 0 when it has none.
  std::uint8_t flag_now(StartupLocation location, std::string_view name) const;

  // Takes back every entry, value and file now, as at the end, but leaves
  // the keys and folders for seeding to start again into.
  void take_back();

 private:
  struct Earlier {
    Key key;
    std::string name;
    std::optional<RegValue> value;  // nothing: there was none
  };
  bool owns(std::wstring_view name) const;
  std::wstring task_folder() const;
  std::vector<std::string> place_folders() const;
  void note_name(std::string_view name);
  void note_missing_key(const Key& key);
  void note_missing_folder(const std::string& path);
  void take_back_owned() const;

  std::wstring prefix_;
  ShortcutFolders folders_;
  std::set<std::wstring> names_;  // written into places without the prefix, as values and files
  std::vector<Earlier> earlier_;
  std::vector<std::string> files_;
  std::vector<std::string> folders_made_;  // and missing ones of the places; deepest last
  std::vector<Key> missing_keys_;          // deepest last
  std::vector<std::string> hives_made_;    // by user_hive()
};

}  // namespace rw::seeding
