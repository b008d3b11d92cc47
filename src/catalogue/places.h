// The eight places where a startup entry can be stored, described once.
// Every operation reads this table; none repeats a switch over the places.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw {

// The program's title and version, which name its settings-store application,
// its window captions and its message-box titles.
inline constexpr std::string_view kProgramTitle = "Runwarden";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionRevision = 0;

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
};

enum class EntryKind { RunValue, Shortcut };
enum class Scope { AllUsers, CurrentUser };

// Which folder holds a shortcut place.
enum class FolderRole {
  None,
  AllUsersStartup,
  CurrentUserStartup,
  AllUsersParking,
  CurrentUserParking
};

inline constexpr std::string_view kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// The scan walks the current user's key with this spelling; key names ignore case.
inline constexpr std::string_view kRunKeyPathForScan =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kParkingRootTail = "\\DISABLED";
inline constexpr std::string_view kAllUsersParkingTail = "\\DISABLED\\All Users";
inline constexpr std::string_view kCurrentUserParkingTail = "\\DISABLED\\Default User";
inline constexpr std::string_view kShortcutSuffix = ".lnk";

struct PlaceInfo {
  StartupLocation location;
  std::string_view name;
  bool active;
  StartupLocation partner;
  EntryKind kind;
  Scope scope;
  Hive hive;               // the hive the entry belongs to (Run values only; 0 otherwise)
  FolderRole folder;       // shortcut places only
  std::string_view where;  // the place in words, after "in": "your Run key"
};

inline constexpr std::array<PlaceInfo, 8> kPlaces = {{
    {StartupLocation::AllUsersRun, "AllUsersRun", true, StartupLocation::AllUsersRunParked,
     EntryKind::RunValue, Scope::AllUsers, kHkeyLocalMachine, FolderRole::None,
     "the machine's Run key"},
    {StartupLocation::CurrentUserRun, "CurrentUserRun", true, StartupLocation::CurrentUserRunParked,
     EntryKind::RunValue, Scope::CurrentUser, kHkeyCurrentUser, FolderRole::None, "your Run key"},
    {StartupLocation::AllUsersStartup, "AllUsersStartup", true,
     StartupLocation::AllUsersStartupParked, EntryKind::Shortcut, Scope::AllUsers, 0,
     FolderRole::AllUsersStartup, "the All Users Startup folder"},
    {StartupLocation::CurrentUserStartup, "CurrentUserStartup", true,
     StartupLocation::CurrentUserStartupParked, EntryKind::Shortcut, Scope::CurrentUser, 0,
     FolderRole::CurrentUserStartup, "your Startup folder"},
    {StartupLocation::AllUsersStartupParked, "AllUsersStartupParked", false,
     StartupLocation::AllUsersStartup, EntryKind::Shortcut, Scope::AllUsers, 0,
     FolderRole::AllUsersParking, "Runwarden's parking folder for all users' shortcuts"},
    {StartupLocation::CurrentUserStartupParked, "CurrentUserStartupParked", false,
     StartupLocation::CurrentUserStartup, EntryKind::Shortcut, Scope::CurrentUser, 0,
     FolderRole::CurrentUserParking, "Runwarden's parking folder for your shortcuts"},
    {StartupLocation::AllUsersRunParked, "AllUsersRunParked", false, StartupLocation::AllUsersRun,
     EntryKind::RunValue, Scope::AllUsers, kHkeyLocalMachine, FolderRole::None,
     "Runwarden's parked entries of the machine's Run key"},
    {StartupLocation::CurrentUserRunParked, "CurrentUserRunParked", false,
     StartupLocation::CurrentUserRun, EntryKind::RunValue, Scope::CurrentUser, kHkeyCurrentUser,
     FolderRole::None, "Runwarden's parked entries of your Run key"},
}};

// The row of a tag, or nullptr for a tag outside 1 to 8.
const PlaceInfo* find_place(std::int32_t tag);
const PlaceInfo& place(StartupLocation location);

// "Disabled\" + the hive as signed 32-bit decimal: "Disabled\-2147483647".
std::string parking_section(Hive hive);
// Where the types of parked expandable strings are recorded. The scan does not
// walk it, so the parking section itself keeps the plain layout.
std::string parked_type_section(Hive hive);
// The registry key path of a parking section, under HKEY_CURRENT_USER.
std::string parking_section_key_path(Hive hive);

std::string scope_caption(Scope scope);  // "ALL USERS" or "CURRENT USER"

}  // namespace rw
