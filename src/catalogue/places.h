// The places where a startup entry can be stored, each described once, in its
// row of kPlaces: every fact an operation needs about a place is there, and
// the operations read it instead of switching over the places.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw {

// The program's title, which names its settings-store application, its
// window captions and its message-box titles.
inline constexpr std::string_view kProgramTitle = "Runwarden";

// The place an entry is stored in; the numbers are fixed and are kept as list
// item tags.
enum class StartupLocation : std::int32_t {
  AllUsersRun = 1,
  CurrentUserRun = 2,
  AllUsersStartup = 3,
  CurrentUserStartup = 4,
  AllUsersStartupParked = 5,
  CurrentUserStartupParked = 6,
  AllUsersRunParked = 7,
  CurrentUserRunParked = 8,
  // The machine's Run key as 32-bit programs see it, on a 64-bit Windows.
  AllUsersRun32 = 9,
  AllUsersRun32Parked = 10,
};

enum class EntryKind { RunValue, Shortcut };
enum class Scope { AllUsers, CurrentUser };

// What the folder of a shortcut place is built on.
enum class FolderBase { None, AllUsersStartup, CurrentUserStartup, ProgramFolder };

inline constexpr std::string_view kShortcutSuffix = ".lnk";

struct PlaceInfo {
  StartupLocation location;
  std::string_view name;  // "CurrentUserRun"
  bool active;            // Windows starts what is stored here
  StartupLocation partner;
  EntryKind kind;
  Scope scope;
  bool modifiable = false;  // Modify edits the command of its entries
  Hive hive = 0;            // the hive a Run value belongs to
  // Run values: the key that holds them, and the spelling the scan walks it
  // by (key names ignore case). For parked values the key is the
  // settings-store section, with the section where the types of expandable
  // strings are recorded beside it.
  Hive key_hive = 0;
  std::string_view key_path = {};
  std::string_view scan_key_path = {};
  std::uint32_t view = 0;  // added to every access: which view of HKLM\SOFTWARE
  std::string_view section = {};
  std::string_view type_section = {};
  // Active places: Windows' own on/off flag of their entries, one value per
  // entry in this key (always in the 64-bit view), named after the entry
  // and this suffix. Parked entries come under their partner's.
  Hive flag_hive = 0;
  std::string_view flag_key = {};
  std::string_view flag_suffix = {};
  // Shortcuts: the folder that holds them. One under the program's folder
  // is Runwarden's own, made level by level by the first shortcut parked
  // there; the Startup folders are Windows'.
  FolderBase folder = FolderBase::None;
  std::string_view folder_tail = {};
  int scan_order = 0;                 // the scan walks the places in this order
  std::string_view where = {};        // the place in words, after "in": "your Run key"
  std::string_view description = {};  // on its own: "Your Run key (HKEY_CURRENT_USER)"
};

inline constexpr std::array<PlaceInfo, 10> kPlaces = {{
    {.location = StartupLocation::AllUsersRun,
     .name = "AllUsersRun",
     .active = true,
     .partner = StartupLocation::AllUsersRunParked,
     .kind = EntryKind::RunValue,
     .scope = Scope::AllUsers,
     .modifiable = true,
     .hive = kHkeyLocalMachine,
     .key_hive = kHkeyLocalMachine,
     .key_path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     .scan_key_path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     .view = access::kView64,
     .flag_hive = kHkeyLocalMachine,
     .flag_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run",
     .scan_order = 1,
     .where = "the machine's Run key",
     .description = "The machine's Run key (HKEY_LOCAL_MACHINE)"},
    {.location = StartupLocation::CurrentUserRun,
     .name = "CurrentUserRun",
     .active = true,
     .partner = StartupLocation::CurrentUserRunParked,
     .kind = EntryKind::RunValue,
     .scope = Scope::CurrentUser,
     .modifiable = true,
     .hive = kHkeyCurrentUser,
     .key_hive = kHkeyCurrentUser,
     .key_path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     .scan_key_path = "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     .flag_hive = kHkeyCurrentUser,
     .flag_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run",
     .scan_order = 2,
     .where = "your Run key",
     .description = "Your Run key (HKEY_CURRENT_USER)"},
    {.location = StartupLocation::AllUsersStartup,
     .name = "AllUsersStartup",
     .active = true,
     .partner = StartupLocation::AllUsersStartupParked,
     .kind = EntryKind::Shortcut,
     .scope = Scope::AllUsers,
     .flag_hive = kHkeyLocalMachine,
     .flag_key =
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder",
     .flag_suffix = ".lnk",
     .folder = FolderBase::AllUsersStartup,
     .scan_order = 6,
     .where = "the All Users Startup folder",
     .description = "The All Users Startup folder"},
    {.location = StartupLocation::CurrentUserStartup,
     .name = "CurrentUserStartup",
     .active = true,
     .partner = StartupLocation::CurrentUserStartupParked,
     .kind = EntryKind::Shortcut,
     .scope = Scope::CurrentUser,
     .flag_hive = kHkeyCurrentUser,
     .flag_key =
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder",
     .flag_suffix = ".lnk",
     .folder = FolderBase::CurrentUserStartup,
     .scan_order = 5,
     .where = "your Startup folder",
     .description = "Your Startup folder"},
    {.location = StartupLocation::AllUsersStartupParked,
     .name = "AllUsersStartupParked",
     .active = false,
     .partner = StartupLocation::AllUsersStartup,
     .kind = EntryKind::Shortcut,
     .scope = Scope::AllUsers,
     .folder = FolderBase::ProgramFolder,
     .folder_tail = "\\DISABLED\\All Users",
     .scan_order = 8,
     .where = "Runwarden's parking folder for all users' shortcuts",
     .description = "Parked by Runwarden, from the All Users Startup folder"},
    {.location = StartupLocation::CurrentUserStartupParked,
     .name = "CurrentUserStartupParked",
     .active = false,
     .partner = StartupLocation::CurrentUserStartup,
     .kind = EntryKind::Shortcut,
     .scope = Scope::CurrentUser,
     .folder = FolderBase::ProgramFolder,
     .folder_tail = "\\DISABLED\\Default User",  // the current user's, despite the name
     .scan_order = 7,
     .where = "Runwarden's parking folder for your shortcuts",
     .description = "Parked by Runwarden, from your Startup folder"},
    {.location = StartupLocation::AllUsersRunParked,
     .name = "AllUsersRunParked",
     .active = false,
     .partner = StartupLocation::AllUsersRun,
     .kind = EntryKind::RunValue,
     .scope = Scope::AllUsers,
     .modifiable = true,
     .hive = kHkeyLocalMachine,
     .key_hive = kHkeyCurrentUser,  // kept in the store of the user who parked it
     .key_path = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646",
     .scan_key_path = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646",
     .section = "Disabled\\-2147483646",
     .type_section = "Types\\-2147483646",
     .scan_order = 4,
     .where = "Runwarden's parked entries of the machine's Run key",
     .description = "Parked by Runwarden, from the machine's Run key"},
    {.location = StartupLocation::CurrentUserRunParked,
     .name = "CurrentUserRunParked",
     .active = false,
     .partner = StartupLocation::CurrentUserRun,
     .kind = EntryKind::RunValue,
     .scope = Scope::CurrentUser,
     .modifiable = true,
     .hive = kHkeyCurrentUser,
     .key_hive = kHkeyCurrentUser,
     .key_path = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647",
     .scan_key_path = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647",
     .section = "Disabled\\-2147483647",
     .type_section = "Types\\-2147483647",
     .scan_order = 3,
     .where = "Runwarden's parked entries of your Run key",
     .description = "Parked by Runwarden, from your Run key"},
    {.location = StartupLocation::AllUsersRun32,
     .name = "AllUsersRun32",
     .active = true,
     .partner = StartupLocation::AllUsersRun32Parked,
     .kind = EntryKind::RunValue,
     .scope = Scope::AllUsers,
     .modifiable = true,
     .hive = kHkeyLocalMachine,
     .key_hive = kHkeyLocalMachine,
     .key_path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     .scan_key_path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     .view = access::kView32,
     .flag_hive = kHkeyLocalMachine,
     .flag_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32",
     .scan_order = 9,
     .where = "the machine's Run key, 32-bit view",
     .description = "The machine's Run key, 32-bit view"},
    {.location = StartupLocation::AllUsersRun32Parked,
     .name = "AllUsersRun32Parked",
     .active = false,
     .partner = StartupLocation::AllUsersRun32,
     .kind = EntryKind::RunValue,
     .scope = Scope::AllUsers,
     .modifiable = true,
     .hive = kHkeyLocalMachine,
     .key_hive = kHkeyCurrentUser,
     .key_path = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646 32-bit",
     .scan_key_path =
         "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646 32-bit",
     .section = "Disabled\\-2147483646 32-bit",
     .type_section = "Types\\-2147483646 32-bit",
     .scan_order = 10,
     .where = "Runwarden's parked entries of the machine's Run key, 32-bit view",
     .description = "Parked by Runwarden, from the machine's Run key, 32-bit view"},
}};

// The row of a tag, or nullptr for a tag that names no place.
const PlaceInfo* find_place(std::int32_t tag);
const PlaceInfo& place(StartupLocation location);

// The folder every parking folder lies in, under the program's folder.
inline constexpr std::string_view kParkingRootTail = "\\DISABLED";

std::string scope_caption(Scope scope);  // "ALL USERS" or "CURRENT USER"

}  // namespace rw
