// Remove over the substitute platform.
#include <gmock/gmock.h>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using ::testing::IsEmpty;

class RemoveTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }

  // Stores the entry in its place and in the partner place, and makes the
  // item of its place current.
  void stored_in_both(StartupLocation location, const std::string& name) {
    for (StartupLocation where : {location, place(location).partner.value()}) {
      if (place(where).storage == Storage::Shortcuts) {
        store_shortcut(where, name, "link");
      } else {
        store_run_value(where, name, "c:\\tool.exe");
      }
    }
    scan_again();
    list_.set_current(find_item(name, location));
  }
  void scan_again() {
    while (list_.count() > 0) list_.remove(0);
    scan();
  }
  bool stored(StartupLocation location, const std::string& name) {
    return place(location).storage == Storage::Shortcuts
               ? stored_shortcut(location, name).has_value()
               : stored_run_value(location, name).has_value();
  }
  void select(const std::string& name, StartupLocation location) {
    list_.set_current(list_.add(name, static_cast<std::int32_t>(location), false));
  }
  void remove() { remove_entry(catalogue_); }
};

TEST_F(RemoveTest, EachPlaceLosesOnlyItsOwnEntryAndAllUsersPlacesAskFirst) {
  for (const PlaceInfo& info : kPlaces) {
    if (!info.partner) continue;  // read-only: see below
    SCOPED_TRACE(std::string(info.name));
    const std::string name = "Tool " + std::string(info.name);
    stored_in_both(info.location, name);
    os_.dialogs.messages.clear();
    const int before = list_.count();
    remove();

    EXPECT_FALSE(stored(info.location, name));
    EXPECT_TRUE(stored(info.partner.value(), name));
    EXPECT_EQ(find_item(name, info.location), -1);
    EXPECT_EQ(list_.count(), before - 1);
    EXPECT_EQ(list_.current(), -1);
    if (info.scope == Scope::AllUsers) {
      ASSERT_EQ(os_.dialogs.messages.size(), 1u);
      EXPECT_EQ(os_.dialogs.messages[0].prompt,
                "Removing '" + name + "' will affect all users of this computer! Are you sure?");
      EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: WARNING");
      EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kYesNo);
    } else {
      EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    }
    EXPECT_EQ(os_.registry.open_handles(), 0u);
  }
}

TEST_F(RemoveTest, APlaceSetByAPolicyKeepsItsEntryAndSaysWhy) {
  for (const StartupLocation location :
       {StartupLocation::CurrentUserPolicyRun, StartupLocation::AllUsersPolicyRun}) {
    SCOPED_TRACE(std::string(place(location).name));
    store_run_value(location, "Pushed", "c:\\pushed.exe");
    scan_again();
    list_.set_current(find_item("Pushed", location));
    os_.dialogs.messages.clear();
    remove();
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);  // no question first: nothing will be removed
    EXPECT_EQ(os_.dialogs.messages[0].prompt,
              "Could not remove Pushed ! It is set by a policy; change it in Group Policy.");
    EXPECT_TRUE(stored(location, "Pushed"));
    EXPECT_GE(find_item("Pushed", location), 0);
  }
}

TEST_F(RemoveTest, NoToTheQuestionTouchesNothing) {
  for (const PlaceInfo& info : kPlaces) {
    if (info.scope != Scope::AllUsers || !info.partner) continue;
    SCOPED_TRACE(std::string(info.name));
    const std::string name = "Ours " + std::string(info.name);
    stored_in_both(info.location, name);
    const int before = list_.count();
    os_.dialogs.message_answers.push_back(mb::kResultNo);
    os_.log.clear();
    remove();
    EXPECT_EQ(os_.log.count(), 0u);
    EXPECT_TRUE(stored(info.location, name));
    EXPECT_EQ(list_.count(), before);
    EXPECT_EQ(list_.text(list_.current()), name);
  }
}

TEST_F(RemoveTest, AnEmptyListOrNoCurrentItemIsExplainedAndPressingTwiceFindsNoCurrentItem) {
  remove();
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "c:\\tool.exe");
  store_run_value(StartupLocation::CurrentUserRun, "Other", "c:\\other.exe");
  scan_again();
  list_.set_current(find_item("Tool", StartupLocation::CurrentUserRun));
  remove();
  remove();
  ASSERT_EQ(os_.dialogs.messages.size(), 2u);
  EXPECT_EQ(os_.dialogs.messages[0].prompt, "There's nothing to be removed!");
  EXPECT_EQ(os_.dialogs.messages[1].prompt,
            "Please select (click) a program to be removed from the list, then click 'Remove'!");
  for (const auto& message : os_.dialogs.messages) {
    EXPECT_EQ(message.title, "Runwarden: ERROR");
    EXPECT_EQ(message.flags, mb::kInformation);
  }
  EXPECT_EQ(list_.count(), 1);
  EXPECT_TRUE(stored_run_value(StartupLocation::CurrentUserRun, "Other"));
}

TEST_F(RemoveTest, AnEntryDeletedBySomeoneElseIsReportedAndItsItemGoes) {
  struct Case {
    StartupLocation location;
    std::string prompt_start;
  };
  const Case cases[] = {
      {StartupLocation::CurrentUserRun,
       "Could not remove Gone ! (Error 2)\n\nRegOpenKeyEx failed for \"HKEY_CURRENT_USER\\"
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\": The system cannot find the file "
       "specified.\n\n"},
      {StartupLocation::CurrentUserStartup,
       "Could not remove Gone ! (Error 2)\n\nKill failed for \""},
      {StartupLocation::CurrentUserRunParked,
       "Could not remove Gone ! (Error 2)\n\nDeleteSetting failed for \""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(place(c.location).name));
    os_.dialogs.messages.clear();
    select("Gone", c.location);
    remove();
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_EQ(os_.dialogs.messages[0].prompt.substr(0, c.prompt_start.size()), c.prompt_start);
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kCritical);
    EXPECT_EQ(list_.count(), 0);
  }
}

TEST_F(RemoveTest, ARefusedDeleteOfAValueStillThereKeepsTheItem) {
  store_run_value(StartupLocation::AllUsersRun, "Machine", "c:\\m.exe");
  scan_again();
  list_.set_current(0);
  os_.registry.deny_write(kHkeyLocalMachine, kRunKey);
  remove();
  ASSERT_EQ(os_.dialogs.messages.size(), 2u);  // the question, then the failure
  EXPECT_EQ(os_.dialogs.messages[1].prompt,
            "Could not remove Machine ! (Error 5)\n\nRegOpenKeyEx failed for "
            "\"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\": Access is "
            "denied. Changing an entry for all users needs administrator rights.");
  EXPECT_EQ(os_.dialogs.messages[1].flags, mb::kCritical);
  EXPECT_EQ(list_.count(), 1);
  EXPECT_TRUE(stored_run_value(StartupLocation::AllUsersRun, "Machine"));
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(RemoveTest, AShortcutOrParkedValueThatCannotBeDeletedStaysListedAndTheUserHearsWhy) {
  struct Case {
    StartupLocation location;
    const char* failing_call;
  };
  const Case cases[] = {
      {StartupLocation::CurrentUserStartup, "Kill"},
      {StartupLocation::CurrentUserStartupParked, "Kill"},
      {StartupLocation::CurrentUserRunParked, "RegDeleteValue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(place(c.location).name));
    stored_in_both(c.location, "Busy");
    os_.dialogs.messages.clear();
    os_.log.clear_faults();
    os_.log.add_fault({0, c.failing_call, status::kSharingViolation});
    const int before = list_.count();
    remove();
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_THAT(os_.dialogs.messages[0].prompt,
                ::testing::StartsWith("Could not remove Busy ! (Error 32)\n\n"));
    EXPECT_THAT(os_.dialogs.messages[0].prompt,
                ::testing::EndsWith(": The process cannot access the file because it is being "
                                    "used by another process."));
    EXPECT_TRUE(stored(c.location, "Busy"));
    EXPECT_EQ(list_.count(), before);
  }
}

TEST_F(RemoveTest, RemovingAParkedExpandableValueTakesItsTypeRecordAlong) {
  const std::string types = "Software\\VB and VBA Program Settings\\Runwarden\\Types\\-2147483646";
  store_run_value(StartupLocation::AllUsersRunParked, "Expand", "%windir%\\x.exe");
  os_.registry.put_string(kHkeyCurrentUser, types, "Expand", "2");
  scan_again();
  list_.set_current(0);
  remove();
  EXPECT_EQ(stored_run_value(StartupLocation::AllUsersRunParked, "Expand"), std::nullopt);
  EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, types, "Expand"), std::nullopt);
  EXPECT_EQ(list_.count(), 0);
}

}  // namespace
}  // namespace rw::testing
