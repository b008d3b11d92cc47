// A catalogue over the substitute platform, with helpers to lay out entries
// in their places and to read back what is stored.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "platform/settings_store.h"
#include "platform/substitute/substitute.h"

namespace rw::testing {

// Where each place keeps its entries, spelled out here rather than asked of
// the code under test, so that a wrong address there fails a test.
inline const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::string kRunKey32 =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::string kMachineParkingKey =
    "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646";
inline const std::string kUserParkingKey =
    "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";

inline const std::string kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline const std::string kRunOnceKey32 =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline const std::string kPolicyRunKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
inline const std::string kTypesKey = "Software\\VB and VBA Program Settings\\Runwarden\\Types\\";

// The hive and key of a Run-value place, and for a parking place the key
// where the types of its expandable strings are recorded.
struct ValueKeys {
  StartupLocation location;
  Hive hive;
  std::string key;
  std::string types = {};
};
inline const ValueKeys kValueKeys[] = {
    {StartupLocation::AllUsersRun, kHkeyLocalMachine, kRunKey},
    {StartupLocation::CurrentUserRun, kHkeyCurrentUser, kRunKey},
    // Where a 64-bit Windows keeps the 32-bit view.
    {StartupLocation::AllUsersRun32, kHkeyLocalMachine, kRunKey32},
    {StartupLocation::AllUsersRunParked, kHkeyCurrentUser, kMachineParkingKey,
     kTypesKey + "-2147483646"},
    {StartupLocation::CurrentUserRunParked, kHkeyCurrentUser, kUserParkingKey,
     kTypesKey + "-2147483647"},
    {StartupLocation::AllUsersRun32Parked, kHkeyCurrentUser, kMachineParkingKey + " 32-bit",
     kTypesKey + "-2147483646 32-bit"},
    {StartupLocation::CurrentUserRunOnce, kHkeyCurrentUser, kRunOnceKey},
    {StartupLocation::AllUsersRunOnce, kHkeyLocalMachine, kRunOnceKey},
    {StartupLocation::AllUsersRunOnce32, kHkeyLocalMachine, kRunOnceKey32},
    {StartupLocation::CurrentUserRunOnceParked, kHkeyCurrentUser, kUserParkingKey + " RunOnce",
     kTypesKey + "-2147483647 RunOnce"},
    {StartupLocation::AllUsersRunOnceParked, kHkeyCurrentUser, kMachineParkingKey + " RunOnce",
     kTypesKey + "-2147483646 RunOnce"},
    {StartupLocation::AllUsersRunOnce32Parked, kHkeyCurrentUser,
     kMachineParkingKey + " RunOnce 32-bit", kTypesKey + "-2147483646 RunOnce 32-bit"},
    {StartupLocation::CurrentUserPolicyRun, kHkeyCurrentUser, kPolicyRunKey},
    {StartupLocation::AllUsersPolicyRun, kHkeyLocalMachine, kPolicyRunKey},
};

inline const ValueKeys& value_keys(StartupLocation location) {
  for (const ValueKeys& keys : kValueKeys) {
    if (keys.location == location) return keys;
  }
  throw std::invalid_argument("no Run-value place: " + std::string(place(location).name));
}

inline std::pair<Hive, std::string> key_of(StartupLocation location) {
  const ValueKeys& keys = value_keys(location);
  return {keys.hive, keys.key};
}

// Where the type of an expandable string parked in the place is recorded.
inline std::string type_record_key(StartupLocation parked) { return value_keys(parked).types; }

// The folder of a shortcut place, once the scan has resolved the folders.
inline std::string folder_of(substitute::SubstitutePlatform& os, StartupLocation location) {
  switch (location) {
    case StartupLocation::AllUsersStartup:
      return os.folders.special[kCsidlCommonStartup];
    case StartupLocation::CurrentUserStartup:
      return os.folders.special[kCsidlStartup];
    case StartupLocation::AllUsersStartupParked:
      return os.folders.program_folder() + "\\DISABLED\\All Users";
    default:
      return os.folders.program_folder() + "\\DISABLED\\Default User";
  }
}

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest()
      : platform_(os_.platform()), list_(os_.text_rules), catalogue_{platform_, list_} {}

  std::string program_folder() { return os_.folders.program_folder(); }
  std::string folder_of(StartupLocation location) { return testing::folder_of(os_, location); }
  // Stores an entry in a place, as another program (or an earlier run) would.
  void store_run_value(StartupLocation location, const std::string& name,
                       const std::string& command, std::uint32_t type = regtype::kSz) {
    const auto [hive, key] = key_of(location);
    os_.registry.put_string(hive, key, name, command, type);
  }
  void store_shortcut(StartupLocation location, const std::string& name,
                      const std::string& content = "shortcut") {
    os_.files.write_file(folder_of(location) + "\\" + name + ".lnk", content);
  }
  std::optional<RegValue> stored_run_value(StartupLocation location, const std::string& name) {
    const auto [hive, key] = key_of(location);
    return os_.registry.get(hive, key, name);
  }
  std::optional<std::string> stored_command(StartupLocation location, const std::string& name) {
    const auto [hive, key] = key_of(location);
    return os_.registry.get_string(hive, key, name);
  }
  std::optional<std::string> stored_shortcut(StartupLocation location, const std::string& name) {
    return os_.files.read_file(folder_of(location) + "\\" + name + ".lnk");
  }
  // Runs the scan (which also resolves the folders the helpers above use).
  std::string scan() { return run_scan(catalogue_).caption; }
  // Resolves folders without listing anything, and makes the parking
  // folders as an earlier run that parked a shortcut would have.
  void prepare_folders() {
    scan();
    while (list_.count() > 0) list_.remove(0);
    for (StartupLocation parked :
         {StartupLocation::AllUsersStartupParked, StartupLocation::CurrentUserStartupParked}) {
      std::filesystem::create_directories(
          substitute::SubstituteFiles::host_path(folder_of(parked)));
    }
  }
  int find_item(const std::string& text, StartupLocation location) {
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.text(i) == text && list_.tag(i) == static_cast<std::int32_t>(location)) return i;
    }
    return -1;
  }

  substitute::SubstitutePlatform os_;
  Platform platform_;
  SortedEntryList list_;
  Catalogue catalogue_;
};

}  // namespace rw::testing
