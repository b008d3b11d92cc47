// The places where a startup entry can be stored, each described once, in its
// row of kPlaces: how and where it keeps its entries, what the user may do
// with them and the words that describe it. Operations read the row instead
// of asking which place it is; a new kind of storage is one reader in
// entry_store.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
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
  // The RunOnce keys beside the Run keys, whose values Windows deletes as it
  // runs them, with parking places of their own.
  CurrentUserRunOnce = 11,
  CurrentUserRunOnceParked = 12,
  AllUsersRunOnce = 13,
  AllUsersRunOnceParked = 14,
  AllUsersRunOnce32 = 15,
  AllUsersRunOnce32Parked = 16,
  // The Run keys that Group Policy writes: read-only.
  CurrentUserPolicyRun = 17,
  AllUsersPolicyRun = 18,
  // Programs named in values that list them: Winlogon's, which it starts
  // before the desktop, and the old load lines of WIN.INI's heirs. Read-only.
  Winlogon = 19,
  CurrentUserLoad = 20,
  // Packaged (Store and MSIX) apps' startup tasks, which Settings switches.
  PackagedStartupTask = 21,
  // Tasks of Task Scheduler that start with Windows or at logon, switched
  // on and off where they are.
  ScheduledTask = 22,
};

// How a place keeps its entries.
enum class Storage {
  RunValues,     // values of a registry key: the entry's name, its command as data
  ParkedValues,  // values of a section of the program's settings store, likewise
  Shortcuts,     // shortcut files in a folder: the entry's name + ".lnk"
  ProgramLists,  // registry values that each list programs: one entry per program
  // packaged apps' startup tasks: a key per package family, a subkey per
  // task with its State; their names and programs in the packages' manifests
  PackagedTasks,
  ScheduledTasks,  // tasks of Task Scheduler: the task's name, its path as the key
};

enum class Scope { AllUsers, CurrentUser };

// What the user may do with the entries of a place. A place that allows
// nothing is read-only, and `refusal` says why, in words that can follow a
// colon: "set by a policy; change it in Group Policy".
struct Actions {
  bool move = false;             // unticked or ticked, it moves to the partner place
  bool switch_in_place = false;  // Windows' own flag switches it on where it is
  bool remove = false;
  bool modify = false;  // its command can be edited
  std::string_view refusal = {};
  bool read_only() const { return !move && !switch_in_place && !remove && !modify; }
};

inline constexpr Actions kParkAndRestore{.move = true, .remove = true};
inline constexpr Actions kRunValueActions{
    .move = true, .switch_in_place = true, .remove = true, .modify = true};
inline constexpr Actions kShortcutActions{.move = true, .switch_in_place = true, .remove = true};
inline constexpr Actions kParkedValueActions{.move = true, .remove = true, .modify = true};
// Windows keeps no flag of its own for RunOnce values.
inline constexpr Actions kRunOnceActions{.move = true, .remove = true, .modify = true};
inline constexpr Actions kSetByPolicy{.refusal = "set by a policy; change it in Group Policy"};
// Switched by Task Scheduler's own Enabled; its definition is never written,
// as registering it again can lose its triggers, actions or principal.
inline constexpr Actions kTaskActions{
    .switch_in_place = true, .refusal = "a scheduled task; remove or change it in Task Scheduler"};
inline constexpr Actions kSwitchedInSettings{
    .refusal = "a packaged app's startup task; switch it in Settings, Apps, Startup"};
inline constexpr std::string_view kRunsOnce = "runs once, at the next logon";

// A registry value that lists programs for Windows to start, as Winlogon's
// values and the old load lines keep them. Each program of the list is an
// entry, named as it is written there, except Windows' own program, which the
// value names as a matter of course.
struct ProgramListValue {
  Hive hive = 0;
  std::string_view key_path = {};
  std::uint32_t view = 0;
  std::string_view value_name = {};
  Scope scope = Scope::AllUsers;  // whom its programs start for
  std::string_view separators = {};
  // Windows' own program, by its file name without ".exe": "userinit".
  std::string_view windows_own = {};
};

// A folder place's folder: a Startup folder, which the scan asks Windows for
// by its CSIDL and otherwise finds under the Windows folder at `tail`; or,
// without a CSIDL, a folder of the program's own at `tail` under its folder.
struct FolderSpec {
  int csidl = 0;
  std::string_view tail = {};
};

// Windows' own on/off flag of an active place's entries (its StartupApproved
// values): one value per entry in this key, always in the 64-bit view, named
// after the entry and the suffix.
struct FlagSpec {
  Hive hive = 0;
  std::string_view key = {};
  std::string_view suffix = {};
};

struct PlaceInfo {
  StartupLocation location;
  std::string_view name;                        // "CurrentUserRun"
  bool active;                                  // Windows starts what is stored here
  std::optional<StartupLocation> partner = {};  // none: its entries stay where they are
  Storage storage;
  Scope scope;
  Actions actions;
  // Its entries are kept in the user's own hive, or the user's Startup
  // folder: read for every user whose hive is loaded, through HKEY_USERS.
  bool each_user = false;
  // Run values: their key, and which view of HKLM\SOFTWARE it is in.
  Hive hive = 0;
  // Packaged tasks: the key of their states, one subkey per package family.
  std::string_view key_path = {};
  std::uint32_t view = 0;
  // Parked values: their section of the settings store, and the section that
  // records which of them were expandable strings.
  std::string_view section = {};
  std::string_view type_section = {};
  FlagSpec flag = {};      // active places only; parked entries come under their partner's
  FolderSpec folder = {};  // shortcuts only
  std::span<const ProgramListValue> lists = {};  // program lists only
  bool add_looks_here = false;  // Add asks before writing beside an entry of its title here
  // The policy value that, set to 1, keeps Windows from starting this whole
  // list (a DWORD under Policies\Explorer of the machine or of the user).
  std::string_view list_policy = {};
  // Scheduled tasks: the folder of Windows' own tasks, which are left out.
  std::string_view left_out = {};
  // Reaching it costs a round trip to a service: the window shows without
  // it and lists its entries once they are read.
  bool read_later = false;
  std::string_view note = {};         // a line of the details about every entry here
  std::string_view warning = {};      // a warning of the details about every entry here
  int scan_order = 0;                 // the scan walks the places in this order
  std::string_view where = {};        // the place in words, after "in": "your Run key"
  std::string_view description = {};  // on its own: "Your Run key (HKEY_CURRENT_USER)"
};

// Keys that several rows share.
namespace keys {
inline constexpr std::string_view kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunOnce =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr std::string_view kPolicyRun =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
inline constexpr std::string_view kApprovedRun =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr std::string_view kWinlogon =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr std::string_view kWindows =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline constexpr std::string_view kApprovedFolder =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
}  // namespace keys

// Winlogon starts Userinit's programs, then Shell's as the desktop; a user's
// own Shell takes the machine's place for that user.
inline constexpr ProgramListValue kWinlogonLists[] = {
    {kHkeyLocalMachine, keys::kWinlogon, access::kView64, "Userinit", Scope::AllUsers, ",",
     "userinit"},
    {kHkeyLocalMachine, keys::kWinlogon, access::kView64, "Shell", Scope::AllUsers, ",",
     "explorer"},
    {kHkeyCurrentUser, keys::kWinlogon, 0, "Shell", Scope::CurrentUser, ",", "explorer"},
};
// Windows still starts the programs of the user's Load and Run lines, which
// were WIN.INI's: separated by spaces or commas, so a path cannot hold a space.
inline constexpr ProgramListValue kLoadLists[] = {
    {kHkeyCurrentUser, keys::kWindows, 0, "Load", Scope::CurrentUser, " ,"},
    {kHkeyCurrentUser, keys::kWindows, 0, "Run", Scope::CurrentUser, " ,"},
};
inline constexpr Actions kListedByWindows{
    .refusal =
        "part of a list of programs in a registry value; edit that value with a registry "
        "editor"};

// In the order of their numbers, which need not follow each other.
inline constexpr std::array<PlaceInfo, 22> kPlaces = {{
    {.location = StartupLocation::AllUsersRun,
     .name = "AllUsersRun",
     .active = true,
     .partner = StartupLocation::AllUsersRunParked,
     .storage = Storage::RunValues,
     .scope = Scope::AllUsers,
     .actions = kRunValueActions,
     .hive = kHkeyLocalMachine,
     .key_path = keys::kRun,
     .view = access::kView64,
     .flag = {kHkeyLocalMachine, keys::kApprovedRun},
     .list_policy = "DisableLocalMachineRun",
     .scan_order = 1,
     .where = "the machine's Run key",
     .description = "The machine's Run key (HKEY_LOCAL_MACHINE)"},
    {.location = StartupLocation::CurrentUserRun,
     .name = "CurrentUserRun",
     .active = true,
     .partner = StartupLocation::CurrentUserRunParked,
     .storage = Storage::RunValues,
     .scope = Scope::CurrentUser,
     .actions = kRunValueActions,
     .each_user = true,
     .hive = kHkeyCurrentUser,
     .key_path = keys::kRun,
     .flag = {kHkeyCurrentUser, keys::kApprovedRun},
     .add_looks_here = true,
     .list_policy = "DisableCurrentUserRun",
     .scan_order = 2,
     .where = "your Run key",
     .description = "Your Run key (HKEY_CURRENT_USER)"},
    {.location = StartupLocation::AllUsersStartup,
     .name = "AllUsersStartup",
     .active = true,
     .partner = StartupLocation::AllUsersStartupParked,
     .storage = Storage::Shortcuts,
     .scope = Scope::AllUsers,
     .actions = kShortcutActions,
     .flag = {kHkeyLocalMachine, keys::kApprovedFolder, ".lnk"},
     .folder = {kCsidlCommonStartup, "\\All Users\\Start Menu\\Programs\\StartUp"},
     .scan_order = 6,
     .where = "the All Users Startup folder",
     .description = "The All Users Startup folder"},
    {.location = StartupLocation::CurrentUserStartup,
     .name = "CurrentUserStartup",
     .active = true,
     .partner = StartupLocation::CurrentUserStartupParked,
     .storage = Storage::Shortcuts,
     .scope = Scope::CurrentUser,
     .actions = kShortcutActions,
     .each_user = true,
     .flag = {kHkeyCurrentUser, keys::kApprovedFolder, ".lnk"},
     .folder = {kCsidlStartup, "\\Start Menu\\Programs\\StartUp"},
     .scan_order = 5,
     .where = "your Startup folder",
     .description = "Your Startup folder"},
    {.location = StartupLocation::AllUsersStartupParked,
     .name = "AllUsersStartupParked",
     .active = false,
     .partner = StartupLocation::AllUsersStartup,
     .storage = Storage::Shortcuts,
     .scope = Scope::AllUsers,
     .actions = kParkAndRestore,
     .folder = {.tail = "\\DISABLED\\All Users"},
     .scan_order = 8,
     .where = "Runwarden's parking folder for all users' shortcuts",
     .description = "Parked by Runwarden, from the All Users Startup folder"},
    {.location = StartupLocation::CurrentUserStartupParked,
     .name = "CurrentUserStartupParked",
     .active = false,
     .partner = StartupLocation::CurrentUserStartup,
     .storage = Storage::Shortcuts,
     .scope = Scope::CurrentUser,
     .actions = kParkAndRestore,
     .folder = {.tail = "\\DISABLED\\Default User"},  // the current user's, despite the name
     .scan_order = 7,
     .where = "Runwarden's parking folder for your shortcuts",
     .description = "Parked by Runwarden, from your Startup folder"},
    // Parked machine entries are kept in the store of the user who parked them.
    {.location = StartupLocation::AllUsersRunParked,
     .name = "AllUsersRunParked",
     .active = false,
     .partner = StartupLocation::AllUsersRun,
     .storage = Storage::ParkedValues,
     .scope = Scope::AllUsers,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483646",
     .type_section = "Types\\-2147483646",
     .add_looks_here = true,
     .scan_order = 4,
     .where = "Runwarden's parked entries of the machine's Run key",
     .description = "Parked by Runwarden, from the machine's Run key"},
    {.location = StartupLocation::CurrentUserRunParked,
     .name = "CurrentUserRunParked",
     .active = false,
     .partner = StartupLocation::CurrentUserRun,
     .storage = Storage::ParkedValues,
     .scope = Scope::CurrentUser,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483647",
     .type_section = "Types\\-2147483647",
     .add_looks_here = true,
     .scan_order = 3,
     .where = "Runwarden's parked entries of your Run key",
     .description = "Parked by Runwarden, from your Run key"},
    {.location = StartupLocation::AllUsersRun32,
     .name = "AllUsersRun32",
     .active = true,
     .partner = StartupLocation::AllUsersRun32Parked,
     .storage = Storage::RunValues,
     .scope = Scope::AllUsers,
     .actions = kRunValueActions,
     .hive = kHkeyLocalMachine,
     .key_path = keys::kRun,
     .view = access::kView32,
     .flag = {kHkeyLocalMachine,
              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32"},
     .list_policy = "DisableLocalMachineRun",
     .scan_order = 9,
     .where = "the machine's Run key, 32-bit view",
     .description = "The machine's Run key, 32-bit view"},
    {.location = StartupLocation::AllUsersRun32Parked,
     .name = "AllUsersRun32Parked",
     .active = false,
     .partner = StartupLocation::AllUsersRun32,
     .storage = Storage::ParkedValues,
     .scope = Scope::AllUsers,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483646 32-bit",
     .type_section = "Types\\-2147483646 32-bit",
     .scan_order = 10,
     .where = "Runwarden's parked entries of the machine's Run key, 32-bit view",
     .description = "Parked by Runwarden, from the machine's Run key, 32-bit view"},
    {.location = StartupLocation::CurrentUserRunOnce,
     .name = "CurrentUserRunOnce",
     .active = true,
     .partner = StartupLocation::CurrentUserRunOnceParked,
     .storage = Storage::RunValues,
     .scope = Scope::CurrentUser,
     .actions = kRunOnceActions,
     .each_user = true,
     .hive = kHkeyCurrentUser,
     .key_path = keys::kRunOnce,
     .list_policy = "DisableCurrentUserRunOnce",
     .note = kRunsOnce,
     .scan_order = 11,
     .where = "your RunOnce key",
     .description = "Your RunOnce key (HKEY_CURRENT_USER)"},
    {.location = StartupLocation::CurrentUserRunOnceParked,
     .name = "CurrentUserRunOnceParked",
     .active = false,
     .partner = StartupLocation::CurrentUserRunOnce,
     .storage = Storage::ParkedValues,
     .scope = Scope::CurrentUser,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483647 RunOnce",
     .type_section = "Types\\-2147483647 RunOnce",
     .note = kRunsOnce,
     .scan_order = 12,
     .where = "Runwarden's parked entries of your RunOnce key",
     .description = "Parked by Runwarden, from your RunOnce key"},
    {.location = StartupLocation::AllUsersRunOnce,
     .name = "AllUsersRunOnce",
     .active = true,
     .partner = StartupLocation::AllUsersRunOnceParked,
     .storage = Storage::RunValues,
     .scope = Scope::AllUsers,
     .actions = kRunOnceActions,
     .hive = kHkeyLocalMachine,
     .key_path = keys::kRunOnce,
     .view = access::kView64,
     .list_policy = "DisableLocalMachineRunOnce",
     .note = kRunsOnce,
     .scan_order = 13,
     .where = "the machine's RunOnce key",
     .description = "The machine's RunOnce key (HKEY_LOCAL_MACHINE)"},
    {.location = StartupLocation::AllUsersRunOnceParked,
     .name = "AllUsersRunOnceParked",
     .active = false,
     .partner = StartupLocation::AllUsersRunOnce,
     .storage = Storage::ParkedValues,
     .scope = Scope::AllUsers,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483646 RunOnce",
     .type_section = "Types\\-2147483646 RunOnce",
     .note = kRunsOnce,
     .scan_order = 14,
     .where = "Runwarden's parked entries of the machine's RunOnce key",
     .description = "Parked by Runwarden, from the machine's RunOnce key"},
    {.location = StartupLocation::AllUsersRunOnce32,
     .name = "AllUsersRunOnce32",
     .active = true,
     .partner = StartupLocation::AllUsersRunOnce32Parked,
     .storage = Storage::RunValues,
     .scope = Scope::AllUsers,
     .actions = kRunOnceActions,
     .hive = kHkeyLocalMachine,
     .key_path = keys::kRunOnce,
     .view = access::kView32,
     .list_policy = "DisableLocalMachineRunOnce",
     .note = kRunsOnce,
     .scan_order = 15,
     .where = "the machine's RunOnce key, 32-bit view",
     .description = "The machine's RunOnce key, 32-bit view"},
    {.location = StartupLocation::AllUsersRunOnce32Parked,
     .name = "AllUsersRunOnce32Parked",
     .active = false,
     .partner = StartupLocation::AllUsersRunOnce32,
     .storage = Storage::ParkedValues,
     .scope = Scope::AllUsers,
     .actions = kParkedValueActions,
     .each_user = true,
     .section = "Disabled\\-2147483646 RunOnce 32-bit",
     .type_section = "Types\\-2147483646 RunOnce 32-bit",
     .note = kRunsOnce,
     .scan_order = 16,
     .where = "Runwarden's parked entries of the machine's RunOnce key, 32-bit view",
     .description = "Parked by Runwarden, from the machine's RunOnce key, 32-bit view"},
    {.location = StartupLocation::CurrentUserPolicyRun,
     .name = "CurrentUserPolicyRun",
     .active = true,
     .storage = Storage::RunValues,
     .scope = Scope::CurrentUser,
     .actions = kSetByPolicy,
     .each_user = true,
     .hive = kHkeyCurrentUser,
     .key_path = keys::kPolicyRun,
     .scan_order = 17,
     .where = "your Run key set by a policy",
     .description = "Your Run key set by a policy (HKEY_CURRENT_USER)"},
    {.location = StartupLocation::AllUsersPolicyRun,
     .name = "AllUsersPolicyRun",
     .active = true,
     .storage = Storage::RunValues,
     .scope = Scope::AllUsers,
     .actions = kSetByPolicy,
     .hive = kHkeyLocalMachine,
     .key_path = keys::kPolicyRun,
     .view = access::kView64,
     .scan_order = 18,
     .where = "the machine's Run key set by a policy",
     .description = "The machine's Run key set by a policy (HKEY_LOCAL_MACHINE)"},
    {.location = StartupLocation::Winlogon,
     .name = "Winlogon",
     .active = true,
     .storage = Storage::ProgramLists,
     .scope = Scope::AllUsers,
     .actions = kListedByWindows,
     .lists = kWinlogonLists,
     .warning = "Winlogon starts it at every logon, before the desktop.",
     .scan_order = 19,
     .where = "Winlogon's Userinit and Shell values",
     .description = "Winlogon's Userinit and Shell values"},
    {.location = StartupLocation::CurrentUserLoad,
     .name = "CurrentUserLoad",
     .active = true,
     .storage = Storage::ProgramLists,
     .scope = Scope::CurrentUser,
     .actions = kListedByWindows,
     .each_user = true,
     .lists = kLoadLists,
     .scan_order = 20,
     .where = "your Load and Run lines",
     .description = "Your Load and Run lines (HKEY_CURRENT_USER)"},
    {.location = StartupLocation::PackagedStartupTask,
     .name = "PackagedStartupTask",
     .active = true,
     .storage = Storage::PackagedTasks,
     .scope = Scope::CurrentUser,
     .actions = kSwitchedInSettings,
     .each_user = true,
     .hive = kHkeyCurrentUser,
     .key_path = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                 "AppModel\\SystemAppData",
     .scan_order = 21,
     .where = "your packaged apps' startup tasks",
     .description = "A packaged app's startup task (Settings, Apps, Startup)"},
    // Task Scheduler is the machine's: switching a task another account
    // registered needs administrator rights, whoever's logon starts it.
    // Each task's own scope comes from its triggers.
    {.location = StartupLocation::ScheduledTask,
     .name = "ScheduledTask",
     .active = true,
     .storage = Storage::ScheduledTasks,
     .scope = Scope::AllUsers,
     .actions = kTaskActions,
     .left_out = "\\Microsoft\\",
     .read_later = true,
     .scan_order = 22,
     .where = "Task Scheduler",
     .description = "A scheduled task (Task Scheduler)"},
}};

// The row's index in kPlaces.
std::size_t row_index(const PlaceInfo& info);
// The row of a tag, or nullptr for a tag that names no place.
const PlaceInfo* find_place(std::int32_t tag);
const PlaceInfo& place(StartupLocation location);
// The partner's row, or nullptr for a place without one.
const PlaceInfo* partner_of(const PlaceInfo& info);

// A registry key as the catalogue addresses it.
struct RegistryKey {
  Hive hive = 0;
  std::string path;
  std::uint32_t view = 0;  // added to every access
};
// The key that holds the entries of a place of values: the Run key, or for
// parked values their section's key in the settings store.
RegistryKey key_of(const PlaceInfo& info);
// The key recording which parked values were expandable strings.
RegistryKey type_record_key_of(const PlaceInfo& info);

// The words for a scope: "ALL USERS" in captions, "all users" in text.
std::string_view scope_caption(Scope scope);
std::string_view scope_words(Scope scope);

// Why an entry does not start at logon.
enum class OffReason {
  None,
  Parked,                      // in a place of Runwarden's own
  SwitchedOffInWindows,        // by Windows' own flag, where it is stored
  SwitchedOffByPolicy,         // a policy keeps Windows from starting its whole list
  SwitchedOffInSettings,       // a packaged app's startup task, switched off in Settings
  SwitchedOffInTaskScheduler,  // a scheduled task that is not enabled
};
// "parked", as runwarden-cli's off_reason gives it.
std::string_view off_reason_field(OffReason reason);
// "parked by Runwarden", as the details give it.
std::string_view off_reason_words(OffReason reason);

// Whether an entry starts at logon: in an active place, and not kept off.
inline bool starts(const PlaceInfo& info, OffReason off) {
  return info.active && off == OffReason::None;
}

// Why the user cannot switch an entry from here, in words that can follow a
// colon; empty when the user can. A read-only place says why; so does a
// policy that switches a whole list off.
std::string_view lock_reason(const PlaceInfo& info, OffReason off);

}  // namespace rw
