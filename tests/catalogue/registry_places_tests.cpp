// The registry places beyond the Run keys: the RunOnce keys and their
// parking, the Run keys set by policies, the policies that switch whole lists
// off, and the programs listed in Winlogon's values and the old load lines.
#include <gmock/gmock.h>

#include "catalogue/details.h"
#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
const std::string kPolicies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::string kWinlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::string kLoadLines = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr L kRunOncePlaces[] = {L::CurrentUserRunOnce, L::AllUsersRunOnce, L::AllUsersRunOnce32};

class RegistryPlacesTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }
  void rescan() {
    while (list_.count() > 0) list_.remove(0);
    scan();
  }
  void flip(const std::string& name, L location) {
    const int index = find_item(name, location);
    ASSERT_GE(index, 0) << name;
    list_.set_checked(index, !list_.checked(index));
  }
  void select(const std::string& name, L location) { list_.set_current(find_item(name, location)); }
  // Every StartupApproved value of both hives, whatever its key.
  std::vector<std::string> flags() const {
    std::vector<std::string> all;
    for (const Hive hive : {kHkeyCurrentUser, kHkeyLocalMachine}) {
      for (const char* leaf : {"\\Run", "\\Run32", "\\StartupFolder"}) {
        for (auto& name : os_.registry.value_names(hive, kApproved + leaf)) all.push_back(name);
      }
    }
    return all;
  }
  std::string details_of(const std::string& name, L location) {
    return details_text(describe_item(catalogue_, find_item(name, location)));
  }
};

// A leading "!" (delete only once it ran) or "*" (run in safe mode too) is
// Windows' reading of the name, which a move keeps as it is.
TEST_F(RegistryPlacesTest, RunOnceValuesParkIntoTheirOwnSectionsAndComeBackWithoutAFlag) {
  for (const L location : kRunOncePlaces) {
    SCOPED_TRACE(std::string(place(location).name));
    const L parked = *place(location).partner;
    for (const std::string name : {"!Setup", "*Safe"}) {
      store_run_value(location, name, "C:\\setup.exe /finish", regtype::kExpandSz);
    }
    rescan();
    flip("!Setup", location);
    flip("*Safe", location);
    apply_changes_on_exit(catalogue_);
    EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    EXPECT_FALSE(stored_run_value(location, "!Setup"));
    EXPECT_EQ(stored_command(parked, "!Setup"), "C:\\setup.exe /finish");
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, type_record_key(parked), "*Safe"), "2");

    rescan();
    EXPECT_FALSE(list_.checked(find_item("*Safe", parked)));
    flip("!Setup", parked);
    flip("*Safe", parked);
    apply_changes_on_exit(catalogue_);
    EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    for (const std::string name : {"!Setup", "*Safe"}) {
      const auto back = stored_run_value(location, name);
      ASSERT_TRUE(back);
      EXPECT_EQ(back->type, regtype::kExpandSz);
      EXPECT_FALSE(stored_run_value(parked, name));
    }
    EXPECT_THAT(flags(), IsEmpty());
    os_.registry.remove_key(value_keys(location).hive, value_keys(location).key);
  }
}

TEST_F(RegistryPlacesTest, RemovingARunOnceValueLeavesTheFlagOfARunValueOfItsName) {
  store_run_value(L::CurrentUserRun, "Tool", "C:\\tool.exe");
  os_.registry.put(kHkeyCurrentUser, kApproved + "\\Run", "Tool", regtype::kBinary,
                   {3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
  store_run_value(L::CurrentUserRunOnce, "Tool", "C:\\tool.exe /once");
  rescan();
  select("Tool", L::CurrentUserRunOnce);
  remove_entry(catalogue_);
  EXPECT_FALSE(stored_run_value(L::CurrentUserRunOnce, "Tool"));
  EXPECT_THAT(flags(), ElementsAre("Tool"));
  EXPECT_FALSE(list_.checked(find_item("Tool", L::CurrentUserRun)));
}

TEST_F(RegistryPlacesTest, AddAsksNothingAboutARunOnceValueOfItsTitle) {
  store_run_value(L::CurrentUserRunOnce, "Tool", "C:\\other.exe");
  store_run_value(L::CurrentUserRunOnceParked, "Tool", "C:\\parked.exe");
  rescan();
  os_.dialogs.file_answers.push_back(OpenFileResult{true, "C:\\Tools\\Tool.exe", "Tool.exe"});
  os_.dialogs.input_answers.push_back("Tool");
  add_entry(catalogue_);
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Tool"), "C:\\Tools\\Tool.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRunOnce, "Tool"), "C:\\other.exe");
}

TEST_F(RegistryPlacesTest, RunOnceEntriesSayTheyRunOnceActiveOrParked) {
  store_run_value(L::AllUsersRunOnce, "Once", "C:\\once.exe");
  store_run_value(L::AllUsersRunOnce32Parked, "Parked once", "C:\\once.exe");
  rescan();
  EXPECT_THAT(details_of("Once", L::AllUsersRunOnce),
              HasSubstr("Starts at logon: yes\nNote: runs once, at the next logon\n"));
  EXPECT_THAT(details_of("Parked once", L::AllUsersRunOnce32Parked),
              HasSubstr("\nNote: runs once, at the next logon\n"));
}

TEST_F(RegistryPlacesTest, WhereBothViewsAreOneKeyTheMachinesRunOnceIsListedOnce) {
  os_.registry.separate_views = false;
  os_.registry.put_string(kHkeyLocalMachine, kRunOnceKey, "Once", "C:\\once.exe");
  rescan();
  ASSERT_EQ(list_.count(), 1);
  EXPECT_EQ(list_.tag(0), static_cast<std::int32_t>(L::AllUsersRunOnce));
}

TEST_F(RegistryPlacesTest, APolicysRunKeyIsListedStartingAndNothingChangesIt) {
  for (const L location : {L::CurrentUserPolicyRun, L::AllUsersPolicyRun}) {
    SCOPED_TRACE(std::string(place(location).name));
    store_run_value(location, "Pushed", "C:\\pushed.exe");
    rescan();
    const int index = find_item("Pushed", location);
    ASSERT_GE(index, 0);
    EXPECT_TRUE(list_.checked(index));
    EXPECT_TRUE(list_.locked(index));
    EXPECT_THAT(details_of("Pushed", location),
                HasSubstr("\nCannot be switched here: set by a policy; change it in Group Policy"));
    flip("Pushed", location);
    os_.log.clear();
    apply_changes_on_exit(catalogue_);
    EXPECT_EQ(os_.log.count(), 0u);
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_THAT(
        os_.dialogs.messages[0].prompt,
        HasSubstr("'Pushed' is left as it is: set by a policy; change it in Group Policy."));
    EXPECT_EQ(stored_command(location, "Pushed"), "C:\\pushed.exe");
    os_.dialogs.messages.clear();
  }
}

// Each policy keeps Windows from starting its own lists, in both views, and
// no other; set in either hive.
TEST_F(RegistryPlacesTest, EachListPolicyKeepsItsListsOffAndLeavesRemoveAndModify) {
  const L active[] = {L::AllUsersRun,     L::CurrentUserRun,    L::AllUsersRun32,
                      L::AllUsersRunOnce, L::AllUsersRunOnce32, L::CurrentUserRunOnce};
  const struct {
    std::string policy;
    Hive hive;
    std::vector<std::uint8_t> data;
    std::vector<L> kept_off;
  } cases[] = {
      {"DisableLocalMachineRun",
       kHkeyLocalMachine,
       {1, 0, 0, 0},
       {L::AllUsersRun, L::AllUsersRun32}},
      {"DisableLocalMachineRunOnce",
       kHkeyCurrentUser,
       {1, 0, 0, 0},
       {L::AllUsersRunOnce, L::AllUsersRunOnce32}},
      {"disablecurrentuserrun", kHkeyLocalMachine, {1, 0, 0, 0}, {L::CurrentUserRun}},
      {"DisableCurrentUserRunOnce", kHkeyCurrentUser, {1, 0, 0, 0}, {L::CurrentUserRunOnce}},
      {"DisableCurrentUserRun", kHkeyCurrentUser, {0, 0, 0, 0}, {}},
      {"DisableCurrentUserRun", kHkeyCurrentUser, {1, 0, 0, 0, 0}, {}},  // not a DWORD
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.policy + " in " + std::to_string(test.hive));
    for (const L location : active) store_run_value(location, "Kept", "C:\\kept.exe");
    const std::uint32_t type = test.data.size() == 4 ? regtype::kDword : regtype::kBinary;
    os_.registry.put(test.hive, kPolicies, test.policy, type, test.data);
    rescan();
    for (const L location : active) {
      SCOPED_TRACE(std::string(place(location).name));
      const bool off =
          std::find(test.kept_off.begin(), test.kept_off.end(), location) != test.kept_off.end();
      const int index = find_item("Kept", location);
      ASSERT_GE(index, 0);
      EXPECT_EQ(list_.checked(index), !off);
      EXPECT_EQ(list_.locked(index), off);
      EXPECT_EQ(list_.off(index), off ? OffReason::SwitchedOffByPolicy : OffReason::None);
      if (off) {
        EXPECT_THAT(details_of("Kept", location),
                    HasSubstr("Starts at logon: no, switched off by a policy\n"));
        list_.set_checked(index, true);
      }
    }
    apply_changes_on_exit(catalogue_);
    EXPECT_EQ(os_.dialogs.messages.size(), test.kept_off.empty() ? 0u : 1u);
    for (const L location : test.kept_off) {
      EXPECT_EQ(stored_command(location, "Kept"), "C:\\kept.exe");
      EXPECT_THAT(os_.dialogs.messages.at(0).prompt,
                  HasSubstr("'Kept' is left as it is: a policy keeps Windows from starting this "
                            "whole list; change it in Group Policy."));
    }
    if (!test.kept_off.empty()) {
      const L first = test.kept_off.front();
      rescan();
      select("Kept", first);
      const std::optional<ModifyRequest> request = begin_modify(catalogue_);
      ASSERT_TRUE(request);
      EXPECT_TRUE(commit_modify(catalogue_, *request, "C:\\changed.exe"));
      EXPECT_EQ(stored_command(first, "Kept"), "C:\\changed.exe");
      select("Kept", first);
      remove_entry(catalogue_);  // and Yes to the question for all users
      EXPECT_FALSE(stored_run_value(first, "Kept"));
    }
    os_.registry.remove_key(test.hive, kPolicies);
    os_.dialogs.messages.clear();
  }
}

// What each list value gives: the programs beyond Windows' own, each named
// as written, for whom they start.
TEST_F(RegistryPlacesTest, ProgramListsGiveEachProgramBeyondWindowsOwnAsAnEntry) {
  struct Listed {
    std::string name;
    L place;
    Scope scope;
    bool operator==(const Listed&) const = default;
  };
  const struct {
    std::string label;
    Hive hive;
    std::string key;
    std::string value;
    std::string text;
    std::vector<Listed> listed;
  } cases[] = {
      {"Windows' Userinit",
       kHkeyLocalMachine,
       kWinlogon,
       "Userinit",
       "C:\\Windows\\system32\\userinit.exe,",
       {}},
      {"Userinit and more",
       kHkeyLocalMachine,
       kWinlogon,
       "Userinit",
       "C:\\Windows\\system32\\userinit.exe, C:\\Tools\\agent.exe /q ,,",
       {{"C:\\Tools\\agent.exe /q", L::Winlogon, Scope::AllUsers}}},
      {"Userinit by other spellings",
       kHkeyLocalMachine,
       kWinlogon,
       "Userinit",
       "USERINIT,\"D:\\Elsewhere\\UserInit.EXE\",userinit.exe.bak",
       {{"userinit.exe.bak", L::Winlogon, Scope::AllUsers}}},
      {"Windows' Shell", kHkeyLocalMachine, kWinlogon, "Shell", "Explorer.exe", {}},
      {"another shell",
       kHkeyLocalMachine,
       kWinlogon,
       "Shell",
       "C:\\Kiosk\\kiosk.exe",
       {{"C:\\Kiosk\\kiosk.exe", L::Winlogon, Scope::AllUsers}}},
      {"the user's own shell",
       kHkeyCurrentUser,
       kWinlogon,
       "Shell",
       "explorer.exe,cmd.exe",
       {{"cmd.exe", L::Winlogon, Scope::CurrentUser}}},
      {"a Userinit of the user, which Windows does not read",
       kHkeyCurrentUser,
       kWinlogon,
       "Userinit",
       "C:\\ignored.exe",
       {}},
      {"Load",
       kHkeyCurrentUser,
       kLoadLines,
       "Load",
       " a.exe  b.exe,c.exe ",
       {{"a.exe", L::CurrentUserLoad, Scope::CurrentUser},
        {"b.exe", L::CurrentUserLoad, Scope::CurrentUser},
        {"c.exe", L::CurrentUserLoad, Scope::CurrentUser}}},
      {"Run of blanks", kHkeyCurrentUser, kLoadLines, "Run", " ,  ", {}},
      {"Run",
       kHkeyCurrentUser,
       kLoadLines,
       "Run",
       "C:\\Progra~1\\x.exe",
       {{"C:\\Progra~1\\x.exe", L::CurrentUserLoad, Scope::CurrentUser}}},
      {"Load of the machine, which Windows does not read",
       kHkeyLocalMachine,
       kLoadLines,
       "Load",
       "C:\\ignored.exe",
       {}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.label);
    os_.registry.put_string(test.hive, test.key, test.value, test.text);
    rescan();
    std::vector<Listed> listed;
    for (const EntryDetails& entry : describe_all(catalogue_).entries) {
      listed.push_back(Listed{entry.name, entry.place->location, entry.scope});
    }
    EXPECT_THAT(listed, UnorderedElementsAreArray(test.listed));
    for (const Listed& entry : test.listed) {
      const int index = find_item(entry.name, entry.place);
      ASSERT_GE(index, 0);
      EXPECT_TRUE(list_.checked(index));
      EXPECT_TRUE(list_.locked(index));
    }
    os_.registry.remove_key(test.hive, test.key);
  }
}

TEST_F(RegistryPlacesTest, AProgramListedTwiceIsTwoEntriesEachToldWhereItIsListed) {
  os_.programs.environment["TOOLS"] = os_.root() + "\\Tools";
  os_.registry.put_string(kHkeyLocalMachine, kWinlogon, "Shell", "explorer.exe,C:\\shell.exe");
  os_.registry.put_string(kHkeyCurrentUser, kWinlogon, "Shell", "%TOOLS%\\x.exe,C:\\shell.exe",
                          regtype::kExpandSz);
  rescan();
  ASSERT_EQ(list_.count(), 3);
  std::vector<std::string> origins;
  for (int index = 0; index < list_.count(); ++index) {
    const EntryDetails details = describe_item(catalogue_, index);
    EXPECT_THAT(details.warnings,
                Contains("Winlogon starts it at every logon, before the desktop."));
    origins.push_back(details.name + " in " + details.origin);
    if (details.name == "%TOOLS%\\x.exe") {
      EXPECT_EQ(details.command, os_.root() + "\\Tools\\x.exe");
      EXPECT_EQ(details.scope, Scope::CurrentUser);
    }
  }
  EXPECT_THAT(origins, UnorderedElementsAreArray({
                           "C:\\shell.exe in HKEY_LOCAL_MACHINE\\" + kWinlogon + "\\Shell",
                           "C:\\shell.exe in HKEY_CURRENT_USER\\" + kWinlogon + "\\Shell",
                           "%TOOLS%\\x.exe in HKEY_CURRENT_USER\\" + kWinlogon + "\\Shell",
                       }));
}

TEST_F(RegistryPlacesTest, NothingChangesAListedProgramAndEachRefusalSaysWhy) {
  const std::string userinit = "userinit.exe,C:\\agent.exe";
  os_.registry.put_string(kHkeyLocalMachine, kWinlogon, "Userinit", userinit);
  os_.registry.put_string(kHkeyCurrentUser, kLoadLines, "Load", "C:\\load.exe");
  rescan();
  const std::string why =
      "part of a list of programs in a registry value; edit that value with a registry editor";
  EXPECT_THAT(details_of("C:\\agent.exe", L::Winlogon),
              HasSubstr("\nCannot be switched here: " + why));
  flip("C:\\agent.exe", L::Winlogon);
  flip("C:\\load.exe", L::CurrentUserLoad);
  apply_changes_on_exit(catalogue_);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt,
              HasSubstr("'C:\\agent.exe' is left as it is: " + why + "."));
  EXPECT_THAT(os_.dialogs.messages[0].prompt,
              HasSubstr("'C:\\load.exe' is left as it is: " + why + "."));

  os_.dialogs.messages.clear();
  rescan();
  select("C:\\load.exe", L::CurrentUserLoad);
  EXPECT_FALSE(begin_modify(catalogue_));
  remove_entry(catalogue_);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("It is " + why + "."));
  EXPECT_EQ(os_.registry.get_string(kHkeyLocalMachine, kWinlogon, "Userinit"), userinit);
  EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kLoadLines, "Load"), "C:\\load.exe");
}

}  // namespace
}  // namespace rw::testing
