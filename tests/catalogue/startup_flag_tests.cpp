// Windows' own on/off flag of startup entries, and the machine's 32-bit Run
// view, over the substitute platform: what the list shows, what Exit and
// Remove do with each, and that no failure loses an entry.
#include <gmock/gmock.h>

#include <chrono>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using substitute::Fault;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

std::vector<std::uint8_t> flag(std::uint8_t first, std::size_t size = 12) {
  std::vector<std::uint8_t> bytes(size, 0);
  if (size > 0) bytes[0] = first;
  return bytes;
}

class StartupFlagTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }

  // Where Windows keeps the flag of an active place's entries, and the name
  // of an entry's value there.
  struct FlagAt {
    Hive hive;
    std::string key;
    std::string suffix;
  };
  static FlagAt flag_of(L active) {
    switch (active) {
      case L::AllUsersRun:
        return {kHkeyLocalMachine, kApproved + "Run", ""};
      case L::AllUsersRun32:
        return {kHkeyLocalMachine, kApproved + "Run32", ""};
      case L::AllUsersStartup:
        return {kHkeyLocalMachine, kApproved + "StartupFolder", ".lnk"};
      case L::CurrentUserStartup:
        return {kHkeyCurrentUser, kApproved + "StartupFolder", ".lnk"};
      default:
        return {kHkeyCurrentUser, kApproved + "Run", ""};
    }
  }
  void store(L location, const std::string& name) {
    if (place(location).storage == Storage::Shortcuts) {
      store_shortcut(location, name, "link");
    } else {
      store_run_value(location, name, "C:\\" + name + ".exe");
    }
  }
  void set_flag(L active, const std::string& name, std::vector<std::uint8_t> bytes) {
    const FlagAt at = flag_of(active);
    os_.registry.put(at.hive, at.key, name + at.suffix, regtype::kBinary, std::move(bytes));
  }
  std::optional<RegValue> flag_value(L active, const std::string& name) {
    const FlagAt at = flag_of(active);
    return os_.registry.get(at.hive, at.key, name + at.suffix);
  }
  void rescan() {
    while (list_.count() > 0) list_.remove(0);
    scan();
  }
  bool is_stored(L location, const std::string& name) {
    return place(location).storage == Storage::Shortcuts
               ? stored_shortcut(location, name).has_value()
               : stored_run_value(location, name).has_value();
  }
  // As another program would: no flag or side record is touched.
  void remove_from(L location, const std::string& name) {
    if (place(location).storage == Storage::Shortcuts) {
      std::filesystem::remove(
          substitute::SubstituteFiles::host_path(folder_of(location) + "\\" + name + ".lnk"));
      return;
    }
    const auto [hive, key] = key_of(location);
    os_.registry.erase(hive, key, name);
  }
  int item(const std::string& name, L location) {
    const int index = find_item(name, location);
    EXPECT_GE(index, 0) << name << " not listed in " << place(location).name;
    return index;
  }
  void exit() { apply_changes_on_exit(catalogue_); }
};

constexpr L kActivePlaces[] = {L::AllUsersRun, L::CurrentUserRun, L::AllUsersRun32,
                               L::AllUsersStartup, L::CurrentUserStartup};

TEST_F(StartupFlagTest, EachFlagKeySwitchesItsPlacesEntriesOffByTheLowBitOfItsFirstByte) {
  const struct {
    const char* what;
    std::optional<std::vector<std::uint8_t>> value;
    bool off;
  } values[] = {
      {"on", flag(0x02), false},
      {"off", flag(0x03), true},
      {"on, the other way", flag(0x06), false},
      {"off, the other way", flag(0x07), true},
      {"too short to read", flag(0, 0), false},
      {"missing", std::nullopt, false},
  };
  for (const L active : kActivePlaces) {
    for (const auto& value : values) {
      SCOPED_TRACE(std::string(place(active).name) + ", " + value.what);
      os_.registry.remove_key(kHkeyCurrentUser, kApproved.substr(0, kApproved.size() - 1));
      os_.registry.remove_key(kHkeyLocalMachine, kApproved.substr(0, kApproved.size() - 1));
      store(active, "Tool");
      store(active, "Neighbour");
      if (value.value) set_flag(active, "TOOL", *value.value);  // names ignore case
      rescan();
      const int index = item("Tool", active);
      ASSERT_GE(index, 0);
      EXPECT_EQ(list_.checked(index), !value.off);
      EXPECT_EQ((list_.off(index) == OffReason::SwitchedOffInWindows), value.off);
      EXPECT_TRUE(list_.checked(item("Neighbour", active)));
    }
  }
}

TEST_F(StartupFlagTest, ASwitchedOffEntryStaysUntickedUntouchedOrIsSwitchedOnWhereItIs) {
  for (const L active : kActivePlaces) {
    SCOPED_TRACE(std::string(place(active).name));
    store(active, "Left");
    store(active, "Ticked");
    set_flag(active, "Left", flag(0x03));
    set_flag(active, "Ticked", flag(0x07));
    rescan();
    list_.set_checked(item("Ticked", active), true);
    exit();
    EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    EXPECT_EQ(flag_value(active, "Left")->data, flag(0x03));
    EXPECT_EQ(flag_value(active, "Ticked")->data, flag(0x02));
    rescan();  // nothing moved
    EXPECT_FALSE(list_.checked(item("Left", active)));
    EXPECT_TRUE(list_.checked(item("Ticked", active)));
    EXPECT_EQ(find_item("Left", place(active).partner.value()), -1);
  }
}

// The complaint users of startup managers raise most: the program puts its
// entry back, and it starts again.
TEST_F(StartupFlagTest, AParkedEntryThatItsProgramWritesAgainIsListedSwitchedOff) {
  for (const L active : kActivePlaces) {
    SCOPED_TRACE(std::string(place(active).name));
    store(active, "Tool");
    rescan();
    const auto before = std::chrono::system_clock::now();
    list_.set_checked(item("Tool", active), false);
    exit();
    const auto value = flag_value(active, "Tool");
    ASSERT_TRUE(value);
    ASSERT_EQ(value->data.size(), 12u);
    EXPECT_EQ(std::vector<std::uint8_t>(value->data.begin(), value->data.begin() + 4),
              (std::vector<std::uint8_t>{3, 0, 0, 0}));
    std::uint64_t filetime = 0;
    for (int i = 7; i >= 0; --i) filetime = (filetime << 8) | value->data[4 + i];
    const auto unix_seconds = static_cast<std::int64_t>(filetime / 10'000'000) - 11'644'473'600;
    EXPECT_NEAR(unix_seconds, std::chrono::system_clock::to_time_t(before), 5);

    store(active, "Tool");  // the program writes its entry again
    rescan();
    EXPECT_FALSE(list_.checked(item("Tool", active)));
    EXPECT_EQ(list_.off(item("Tool", active)), OffReason::SwitchedOffInWindows);
    EXPECT_GE(item("Tool", place(active).partner.value()), 0);
  }
}

// Added means it starts: a flag left off by an entry of that name (switched
// off in Windows, or parked) is switched on with the value, and the list says
// what the flag says.
TEST_F(StartupFlagTest, AddSwitchesTheFlagOnOrListsTheEntryAsSwitchedOffWhenItCannot) {
  const struct {
    const char* what;
    std::optional<L> stored;  // an entry of that name already there
    bool flagged_off;
    bool flag_refused = false;
    std::optional<std::uint8_t> flag_after;  // its first byte; nothing: no flag
  } cases[] = {
      {"no flag", std::nullopt, false, false, std::nullopt},
      {"a flag left off", std::nullopt, true, false, 0x02},
      {"switched off in Windows", L::CurrentUserRun, true, false, 0x02},
      {"parked, added again", L::CurrentUserRunParked, true, false, 0x02},
      {"a flag that cannot be written", L::CurrentUserRunParked, true, true, 0x03},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    os_.registry.remove_key(kHkeyCurrentUser, kApproved.substr(0, kApproved.size() - 1));
    os_.registry.remove_key(kHkeyCurrentUser, kRunKey);
    os_.registry.remove_key(kHkeyCurrentUser, kUserParkingKey);
    os_.dialogs.messages.clear();
    if (c.stored) store(*c.stored, "Tool");  // C:\Tool.exe, the very command added below
    if (c.flagged_off) set_flag(L::CurrentUserRun, "Tool", flag(0x03));
    rescan();
    if (c.flag_refused) os_.registry.deny_write(kHkeyCurrentUser, kApproved + "Run");  // last case
    os_.dialogs.file_answers.push_back(OpenFileResult{true, "C:\\Tool.exe", "Tool.exe"});
    add_entry(catalogue_);

    EXPECT_EQ(stored_command(L::CurrentUserRun, "Tool"), "C:\\Tool.exe");
    const auto after = flag_value(L::CurrentUserRun, "Tool");
    EXPECT_EQ(after ? std::optional<std::uint8_t>(after->data[0]) : std::nullopt, c.flag_after);
    int items = 0;
    for (int i = 0; i < list_.count(); ++i) {
      items += list_.tag(i) == static_cast<std::int32_t>(L::CurrentUserRun);
    }
    EXPECT_EQ(items, 1);
    const int index = item("Tool", L::CurrentUserRun);
    EXPECT_EQ(list_.checked(index), !c.flag_refused);
    EXPECT_EQ((list_.off(index) == OffReason::SwitchedOffInWindows), c.flag_refused);
    rescan();  // the next start lists it as the list showed it
    EXPECT_EQ(list_.checked(item("Tool", L::CurrentUserRun)), !c.flag_refused);
    const bool told =
        !os_.dialogs.messages.empty() &&
        os_.dialogs.messages.back().prompt.find(
            "could not be switched on, so it is listed as switched off") != std::string::npos;
    EXPECT_EQ(told, c.flag_refused);
  }
}

TEST_F(StartupFlagTest, RestoringSwitchesTheFlagOnOnlyWhereItWasOff) {
  store(L::CurrentUserRunParked, "Off");
  store(L::CurrentUserRunParked, "Unflagged");
  set_flag(L::CurrentUserRun, "Off", flag(0x03));
  rescan();
  list_.set_checked(item("Off", L::CurrentUserRunParked), true);
  list_.set_checked(item("Unflagged", L::CurrentUserRunParked), true);
  exit();
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(flag_value(L::CurrentUserRun, "Off")->data, flag(0x02));
  EXPECT_EQ(flag_value(L::CurrentUserRun, "Unflagged"), std::nullopt);
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Off"), "C:\\Off.exe");
}

TEST_F(StartupFlagTest, RemoveTakesTheFlagAlongWithTheLastStoredEntryItGoverns) {
  store(L::CurrentUserRun, "Alone");
  store(L::CurrentUserRun, "Twice");
  store(L::CurrentUserRunParked, "Twice");
  set_flag(L::CurrentUserRun, "Alone", flag(0x03));
  set_flag(L::CurrentUserRun, "Twice", flag(0x03));
  rescan();
  for (const char* name : {"Alone", "Twice"}) {
    list_.set_current(item(name, L::CurrentUserRun));
    remove_entry(catalogue_);
  }
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(flag_value(L::CurrentUserRun, "Alone"), std::nullopt);
  EXPECT_TRUE(flag_value(L::CurrentUserRun, "Twice"));  // the parked one would come under it
  list_.set_current(item("Twice", L::CurrentUserRunParked));
  remove_entry(catalogue_);
  EXPECT_EQ(flag_value(L::CurrentUserRun, "Twice"), std::nullopt);
}

// Another copy (or runwarden-cli) parked the entry after this list was made:
// its flag keeps the program from starting it again, so Remove leaves it,
// and whatever else of that name, alone.
TEST_F(StartupFlagTest, RemoveOfAnEntryParkedOrDeletedSinceTheListKeepsEveryFlag) {
  const struct {
    const char* what;
    L listed;
    bool parked_since;   // moved to its partner, flag set off, since the list was made
    bool written_again;  // and its program wrote it back, so the delete finds it
  } cases[] = {
      {"a value parked since", L::CurrentUserRun, true, false},
      {"a shortcut parked since", L::CurrentUserStartup, true, false},
      {"a machine value parked since", L::AllUsersRun, true, false},
      {"deleted since", L::CurrentUserRun, false, false},
      {"parked since, and written again", L::CurrentUserRun, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const L active = c.listed;
    const L partner = place(active).partner.value();
    os_.dialogs.messages.clear();
    store(active, "Tool");
    set_flag(active, "Tool", flag(0x03));  // left by the copy that parks, or by Windows
    rescan();
    list_.set_current(item("Tool", active));
    remove_from(active, "Tool");  // by the other copy
    if (c.parked_since) store(partner, "Tool");
    if (c.written_again) store(active, "Tool");

    remove_entry(catalogue_);
    EXPECT_EQ(find_item("Tool", active), -1);
    const auto kept = flag_value(active, "Tool");
    ASSERT_TRUE(kept) << "the flag was deleted";
    EXPECT_EQ(kept->data, flag(0x03));
    EXPECT_EQ(is_stored(partner, "Tool"), c.parked_since);
    if (c.written_again) {  // removed as asked, and nothing to tell
      EXPECT_FALSE(is_stored(active, "Tool"));
      EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    } else {
      ASSERT_FALSE(os_.dialogs.messages.empty());
      const std::string& told = os_.dialogs.messages.back().prompt;
      EXPECT_THAT(told, ::testing::StartsWith("Could not remove Tool ! (Error 2)\n\n"));
      EXPECT_THAT(told, HasSubstr("It was no longer in " + std::string(place(active).where)));
    }
    remove_from(active, "Tool");
    remove_from(partner, "Tool");
  }
}

TEST_F(StartupFlagTest, FlagsThatCannotBeReadOrWrittenAreToldAndLoseNothing) {
  store(L::CurrentUserRun, "Tool");
  set_flag(L::CurrentUserRun, "Tool", flag(0x03));
  os_.log.add_fault(Fault{0, "RegOpenKeyEx", status::kAccessDenied, "StartupApproved"});
  while (list_.count() > 0) list_.remove(0);
  const ScanResult unreadable = run_scan(catalogue_);
  os_.log.clear_faults();
  ASSERT_EQ(unreadable.problems.size(), 1u);
  EXPECT_THAT(unreadable.problems[0].subject(), HasSubstr("StartupApproved\\Run"));
  EXPECT_TRUE(list_.checked(item("Tool", L::CurrentUserRun)));  // listed as starting

  os_.registry.remove_key(kHkeyCurrentUser, kApproved + "Run");
  list_.set_checked(item("Tool", L::CurrentUserRun), false);
  os_.registry.deny_write(kHkeyCurrentUser, kApproved + "Run");
  exit();
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt,
              HasSubstr("'Tool' is moved to Runwarden's parked entries of your Run key, but "
                        "Windows' own startup setting for it could not be set off"));
  EXPECT_EQ(stored_command(L::CurrentUserRunParked, "Tool"), "C:\\Tool.exe");
  EXPECT_EQ(stored_run_value(L::CurrentUserRun, "Tool"), std::nullopt);
}

TEST_F(StartupFlagTest, The32BitViewIsAPlaceOfItsOwnParkedApartAndRestoredIntoItself) {
  store(L::AllUsersRun32, "Tool");
  store(L::AllUsersRun, "Tool");
  store(L::AllUsersRunParked, "Older");  // parked by an older copy, from the 64-bit view
  rescan();
  list_.set_checked(item("Tool", L::AllUsersRun32), false);
  list_.set_checked(item("Older", L::AllUsersRunParked), true);
  exit();
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(stored_command(L::AllUsersRun32Parked, "Tool"), "C:\\Tool.exe");
  EXPECT_EQ(stored_run_value(L::AllUsersRun32, "Tool"), std::nullopt);
  EXPECT_EQ(stored_command(L::AllUsersRun, "Tool"), "C:\\Tool.exe");
  EXPECT_EQ(stored_command(L::AllUsersRun, "Older"), "C:\\Older.exe");
  EXPECT_EQ(flag_value(L::AllUsersRun32, "Tool")->data[0], 0x03);
  EXPECT_EQ(flag_value(L::AllUsersRun, "Tool"), std::nullopt);

  rescan();
  list_.set_checked(item("Tool", L::AllUsersRun32Parked), true);
  exit();
  EXPECT_EQ(stored_command(L::AllUsersRun32, "Tool"), "C:\\Tool.exe");
  EXPECT_EQ(stored_run_value(L::AllUsersRun32Parked, "Tool"), std::nullopt);
  EXPECT_EQ(flag_value(L::AllUsersRun32, "Tool")->data, flag(0x02));
}

TEST_F(StartupFlagTest, WhereBothViewsAreOneKeyTheMachinesEntriesAreListedOnce) {
  os_.registry.separate_views = false;
  store(L::AllUsersRun, "Tool");
  rescan();
  EXPECT_EQ(list_.count(), 1);
  EXPECT_GE(find_item("Tool", L::AllUsersRun), 0);
}

}  // namespace
}  // namespace rw::testing
