// Modify and the entry dialog's OK and Browse, over the substitute platform.
#include <gmock/gmock.h>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using substitute::Fault;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ModifyTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }

  // Stores the entry, lists everything as the scan does, and makes it current.
  void listed(StartupLocation location, const std::string& name, const std::string& command,
              std::uint32_t type = regtype::kSz) {
    store_run_value(location, name, command, type);
    rescan();
    list_.set_current(find_item(name, location));
  }
  void rescan() {
    while (list_.count() > 0) list_.remove(0);
    scan();
  }
  struct Item {
    std::string text;
    std::int32_t tag;
    bool checked;
    bool operator==(const Item&) const = default;
  };
  std::vector<Item> items() const {
    std::vector<Item> all;
    for (int i = 0; i < list_.count(); ++i)
      all.push_back(Item{list_.text(i), list_.tag(i), list_.checked(i)});
    return all;
  }
};

TEST_F(ModifyTest, EachRunPlaceIsReadAndWrittenAtItsOwnAddress) {
  const struct {
    StartupLocation location;
    Hive hive;
    std::string key_path;
    std::string caption;
  } rows[] = {
      {StartupLocation::AllUsersRun, kHkeyLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Runwarden: MODIFY [ALL USERS]"},
      {StartupLocation::CurrentUserRun, kHkeyCurrentUser,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Runwarden: MODIFY [CURRENT USER]"},
      {StartupLocation::AllUsersRunParked, kHkeyCurrentUser,
       "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646",
       "Runwarden: MODIFY [ALL USERS]"},
      {StartupLocation::CurrentUserRunParked, kHkeyCurrentUser,
       "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647",
       "Runwarden: MODIFY [CURRENT USER]"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.caption + " " + row.key_path);
    store_run_value(row.location, "Neighbour", "C:\\n.exe");
    listed(row.location, "Tool", "C:\\Old\\Tool.exe /quiet");
    const auto before = items();

    const auto request = begin_modify(catalogue_);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->caption, row.caption);
    EXPECT_EQ(request->title, "Tool");
    EXPECT_EQ(request->source, "C:\\Old\\Tool.exe /quiet");
    EXPECT_EQ(os_.registry.open_handles(), 0u);

    EXPECT_TRUE(commit_modify(catalogue_, *request, "C:\\New\\Tool.exe"));
    EXPECT_EQ(os_.registry.get_string(row.hive, row.key_path, "Tool"), "C:\\New\\Tool.exe");
    EXPECT_EQ(os_.registry.get_string(row.hive, row.key_path, "Neighbour"), "C:\\n.exe");
    EXPECT_EQ(items(), before);
    EXPECT_EQ(os_.registry.open_handles(), 0u);
    EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    os_.registry.remove_key(row.hive, row.key_path);
  }
}

TEST_F(ModifyTest, AValueGoneSinceTheScanOrWhileTheDialogWasOpenIsToldAndNotMadeAnew) {
  listed(StartupLocation::CurrentUserRunParked, "Tool", "C:\\Tool.exe");
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "C:\\Active.exe");
  os_.registry.remove_key(kHkeyCurrentUser,
                          "Software\\VB and VBA Program Settings\\Runwarden\\Disabled");
  EXPECT_EQ(begin_modify(catalogue_), std::nullopt);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt,
              HasSubstr("no longer in Runwarden's parked entries of your Run key"));

  EXPECT_EQ(find_item("Tool", StartupLocation::CurrentUserRunParked), -1);  // taken off the list

  listed(StartupLocation::CurrentUserRunParked, "Tool", "C:\\Tool.exe");
  const auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  os_.registry.remove_key(kHkeyCurrentUser,
                          "Software\\VB and VBA Program Settings\\Runwarden\\Disabled");
  EXPECT_FALSE(commit_modify(catalogue_, *request, "C:\\Edited.exe"));
  EXPECT_THAT(os_.dialogs.messages.back().prompt, HasSubstr("no longer in"));
  EXPECT_EQ(stored_run_value(StartupLocation::CurrentUserRunParked, "Tool"), std::nullopt);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\Active.exe");
}

TEST_F(ModifyTest, AnUnreadableOrNonTextValueIsReportedAndNotOffered) {
  const struct {
    std::string what;
    std::function<void()> arrange;
    std::string cause;
  } cases[] = {
      {"refused read",
       [&] {
         os_.log.add_fault(Fault{0, "RegQueryValueEx", status::kAccessDenied});
       },
       "Access is denied. (error 5)"},
      {"binary data",
       [&] {
         os_.registry.put(kHkeyCurrentUser, kRunKey, "Tool", regtype::kBinary, {1, 2, 3});
       },
       "binary data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    listed(StartupLocation::CurrentUserRun, "Tool", "C:\\Tool.exe");
    os_.dialogs.messages.clear();
    c.arrange();

    EXPECT_FALSE(begin_modify(catalogue_).has_value());
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Tool"));
    EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr(c.cause));
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    EXPECT_EQ(os_.registry.open_handles(), 0u);
    os_.log.clear_faults();
  }
}

TEST_F(ModifyTest, ARefusedWriteIsReportedAndKeepsTheOldCommand) {
  listed(StartupLocation::AllUsersRun, "Tool", "C:\\Old.exe");
  const auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  os_.registry.deny_write(kHkeyLocalMachine, kRunKey);

  EXPECT_FALSE(commit_modify(catalogue_, *request, "C:\\New.exe"));
  EXPECT_EQ(stored_command(StartupLocation::AllUsersRun, "Tool"), "C:\\Old.exe");
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  const substitute::ShownMessage& shown = os_.dialogs.messages[0];
  EXPECT_THAT(shown.prompt, HasSubstr("Tool"));
  EXPECT_THAT(shown.prompt, HasSubstr("Access is denied. (error 5)"));
  EXPECT_EQ(shown.title, "Runwarden: ERROR");
  EXPECT_EQ(shown.flags, mb::kCritical);
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(ModifyTest, OkWritesNothingWhenTheStoredTypeCannotBeRead) {
  listed(StartupLocation::AllUsersRun, "Tool", "%SystemRoot%\\old.exe", regtype::kExpandSz);
  const auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  os_.log.add_fault(Fault{0, "RegQueryValueEx", status::kAccessDenied});

  EXPECT_FALSE(commit_modify(catalogue_, *request, "%SystemRoot%\\new.exe"));
  const auto stored = stored_run_value(StartupLocation::AllUsersRun, "Tool");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, regtype::kExpandSz);
  EXPECT_EQ(registry_bytes_to_text(stored->data), "%SystemRoot%\\old.exe");
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Tool"));
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Access is denied. (error 5)"));
}

TEST_F(ModifyTest, LongAndUnterminatedCommandsAreReadWhole) {
  const std::string long_command = "C:\\Tool.exe " + std::string(5000, 'x');
  listed(StartupLocation::CurrentUserRun, "Long", long_command);
  auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->source, long_command);

  std::vector<std::uint8_t> bytes = text_to_registry_bytes("C:\\Tool.exe");
  bytes.resize(bytes.size() - 2);  // no terminating NUL
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Bare", regtype::kSz, bytes);
  rescan();
  list_.set_current(find_item("Bare", StartupLocation::CurrentUserRun));
  request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->source, "C:\\Tool.exe");
}

TEST_F(ModifyTest, AnExpandableCommandStaysExpandable) {
  listed(StartupLocation::CurrentUserRun, "Tool", "%ProgramFiles%\\Tool.exe", regtype::kExpandSz);
  const auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->source, "%ProgramFiles%\\Tool.exe");
  ASSERT_TRUE(commit_modify(catalogue_, *request, "%ProgramFiles%\\Tool.exe /min"));

  const auto stored = stored_run_value(StartupLocation::CurrentUserRun, "Tool");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, regtype::kExpandSz);
  EXPECT_EQ(registry_bytes_to_text(stored->data), "%ProgramFiles%\\Tool.exe /min");
}

TEST_F(ModifyTest, AParkedExpandableCommandComesBackChangedAndExpandableAtExit) {
  listed(StartupLocation::AllUsersRun, "Tool", "%SystemRoot%\\old.exe", regtype::kExpandSz);
  list_.set_checked(find_item("Tool", StartupLocation::AllUsersRun), false);
  apply_changes_on_exit(catalogue_);
  rescan();
  list_.set_current(find_item("Tool", StartupLocation::AllUsersRunParked));

  const auto request = begin_modify(catalogue_);
  ASSERT_TRUE(request.has_value());
  ASSERT_TRUE(commit_modify(catalogue_, *request, "%SystemRoot%\\new.exe"));
  list_.set_checked(find_item("Tool", StartupLocation::AllUsersRunParked), true);
  apply_changes_on_exit(catalogue_);

  const auto stored = stored_run_value(StartupLocation::AllUsersRun, "Tool");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, regtype::kExpandSz);
  EXPECT_EQ(registry_bytes_to_text(stored->data), "%SystemRoot%\\new.exe");
  EXPECT_FALSE(stored_run_value(StartupLocation::AllUsersRunParked, "Tool").has_value());
}

TEST_F(ModifyTest, BrowseQuotesASpacedPathAndIsSilentOnCancel) {
  EXPECT_FALSE(browse_for_source(platform_).has_value());
  ASSERT_EQ(os_.dialogs.file_requests.size(), 1u);
  EXPECT_EQ(os_.dialogs.file_requests[0].flags, 0x180Cu);
  EXPECT_EQ(os_.dialogs.file_requests[0].filter, "Programs|*.exe;*.com;*.bat|All files|*.*|");
  EXPECT_EQ(os_.dialogs.file_requests[0].title, "Runwarden: Select application");
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());

  os_.dialogs.file_answers.push_back(OpenFileResult{true, "C:\\Tools\\Tool.exe", "Tool.exe"});
  os_.dialogs.file_answers.push_back(
      OpenFileResult{true, "C:\\Program Files\\Tool.exe", "Tool.exe"});
  EXPECT_EQ(browse_for_source(platform_), "C:\\Tools\\Tool.exe");
  EXPECT_EQ(browse_for_source(platform_), "\"C:\\Program Files\\Tool.exe\"");
}

TEST_F(ModifyTest, AFailingBrowseDialogIsReported) {
  os_.dialogs.file_dialog_failure = status::kInvalidParameter;
  EXPECT_FALSE(browse_for_source(platform_).has_value());
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("GetOpenFileName"));
  EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
  EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kCritical);
}

}  // namespace
}  // namespace rw::testing
