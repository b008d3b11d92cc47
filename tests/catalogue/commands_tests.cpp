// The context menu's enabling rules, Details, Open file location and Help,
// over the substitute platform.
#include <gmock/gmock.h>

#include <filesystem>
#include <set>

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
using ::testing::Not;

class CommandsTest : public CatalogueTest {
 protected:
  void make_file(const std::string& path) {
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(path).parent_path());
    os_.files.write_file(path, "MZ");
  }
  // The menu as it opens on the named entry.
  ContextMenuState menu_on(const std::string& name, StartupLocation location) {
    list_.set_current(find_item(name, location));
    return context_menu_state(catalogue_);
  }
};

TEST_F(CommandsTest, EmptyListOrNoCurrentItemEnablesOnlyAdd) {
  auto expect_only_add = [&] {
    const ContextMenuState state = context_menu_state(catalogue_);
    EXPECT_FALSE(state.remove_enabled);
    EXPECT_FALSE(state.modify_enabled);
    EXPECT_FALSE(state.details_enabled);
    EXPECT_FALSE(state.open_location_enabled);
  };
  expect_only_add();

  list_.add("Tool", static_cast<std::int32_t>(StartupLocation::CurrentUserRun), true);
  list_.set_current(-1);
  expect_only_add();

  // And the commands of the menu do nothing.
  show_details(catalogue_);
  open_file_location(catalogue_);
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_THAT(os_.shell.shown, IsEmpty());
}

TEST_F(CommandsTest, ModifyIsEnabledForRunValuesActiveOrParkedAndNothingForReadOnlyPlaces) {
  using L = StartupLocation;
  const std::set<L> shortcuts = {L::AllUsersStartup, L::CurrentUserStartup,
                                 L::AllUsersStartupParked, L::CurrentUserStartupParked};
  for (const PlaceInfo& info : kPlaces) {
    SCOPED_TRACE(std::string(info.name));
    SortedEntryList list(os_.text_rules);
    list.add("Other", 0, false);
    const int index = list.add("Tool", static_cast<std::int32_t>(info.location), false);
    list.set_current(index);

    const ContextMenuState state = context_menu_state(list);
    const bool read_only = info.actions.read_only();
    const bool task = info.location == L::ScheduledTask;  // switched in Task Scheduler only
    EXPECT_EQ(state.remove_enabled, !read_only && !task);
    EXPECT_EQ(state.modify_enabled, !read_only && !task && !shortcuts.contains(info.location));
    EXPECT_TRUE(state.details_enabled);
  }
}

// Remove and Modify follow the place, whatever locks the checkbox: an entry
// whose whole list a policy keeps from starting can still be removed and
// modified. What the lock says is what the window's tip shows.
TEST_F(CommandsTest, ALockedItemsMenuFollowsItsPlaceAndItsLockSaysWhy) {
  const struct {
    const char* name;
    std::int32_t tag;
    OffReason off;
    bool locked;
    bool remove, modify;
    std::string_view lock;
  } cases[] = {
      {"Pushed", static_cast<std::int32_t>(L::CurrentUserPolicyRun), OffReason::None, true, false,
       false, "set by a policy; change it in Group Policy"},
      {"Held", static_cast<std::int32_t>(L::AllUsersRun), OffReason::SwitchedOffByPolicy, true,
       true, true,
       "a policy keeps Windows from starting this whole list; change it in Group Policy"},
      {"Free", static_cast<std::int32_t>(L::CurrentUserRun), OffReason::None, false, true, true,
       ""},
      // Locked by a place it does not know, it still says that it is.
      {"Stray", 1000, OffReason::None, true, true, false, "Runwarden cannot switch it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SortedEntryList list(os_.text_rules);
    list.set_current(list.add(NewItem{c.name, c.tag, false, c.off, c.locked}));
    const ContextMenuState state = context_menu_state(list);
    EXPECT_EQ(state.remove_enabled, c.remove);
    EXPECT_EQ(state.modify_enabled, c.modify);
    EXPECT_TRUE(state.details_enabled);
    EXPECT_EQ(item_lock_reason(list, 0), c.lock);
  }
}

TEST_F(CommandsTest, AnItemWithATagOutsideThePlacesCannotBeModified) {
  list_.set_current(list_.add("Stray", 1000, false));
  EXPECT_TRUE(context_menu_state(list_).remove_enabled);
  EXPECT_FALSE(context_menu_state(list_).modify_enabled);
}

TEST_F(CommandsTest, OpenFileLocationIsOfferedAndDoneOnlyForAProgramFileThatExists) {
  prepare_folders();
  const std::string tool = os_.root() + "\\Program Files\\Tool\\tool.exe";
  const std::string gone = os_.root() + "\\Gone\\gone.exe";
  make_file(tool);
  store_run_value(L::CurrentUserRun, "Present", "\"" + tool + "\" /tray");
  store_run_value(L::CurrentUserRunParked, "Missing", gone + " -x");
  store_run_value(L::AllUsersRun, "Empty", "");
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Number", regtype::kDword, {1, 0, 0, 0});
  store_shortcut(L::CurrentUserStartup, "Linked",
                 substitute::SubstitutePrograms::shortcut_content(tool, "/min"));
  store_shortcut(L::AllUsersStartupParked, "Broken", "garbage");
  store_run_value(L::AllUsersRunParked, "Shared", "\\\\server\\share\\x.exe");
  scan();

  const std::string cannot = " in its folder ! ";
  const struct {
    std::string name;
    StartupLocation location;
    bool enabled;
    std::string told;  // the error shown instead, when not enabled
  } cases[] = {
      {"Present", L::CurrentUserRun, true, ""},
      {"Linked", L::CurrentUserStartup, true, ""},
      {"Missing", L::CurrentUserRunParked, false,
       "Can't show the program file of Missing" + cannot + "The file " + gone + " does not exist."},
      {"Empty", L::AllUsersRun, false,
       "Can't show the program file of Empty" + cannot + "It names no program file."},
      {"Number", L::CurrentUserRun, false,
       "Can't show the program file of Number" + cannot + "It holds a number, not a command line."},
      {"Broken", L::AllUsersStartupParked, false,
       "Can't show the program file of Broken" + cannot +
           "The file Broken.lnk is not a valid shortcut."},
      {"Shared", L::AllUsersRunParked, false,
       "Can't show the program file of Shared" + cannot +
           "The program file \\\\server\\share\\x.exe is on a network share, not checked."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ContextMenuState state = menu_on(c.name, c.location);
    EXPECT_TRUE(state.details_enabled);
    EXPECT_EQ(state.open_location_enabled, c.enabled);

    os_.shell.shown.clear();
    os_.dialogs.messages.clear();
    open_file_location(catalogue_);
    if (c.enabled) {
      EXPECT_THAT(os_.shell.shown, ElementsAre(tool));
      EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    } else {
      EXPECT_THAT(os_.shell.shown, IsEmpty());
      ASSERT_EQ(os_.dialogs.messages.size(), 1u);
      EXPECT_EQ(os_.dialogs.messages[0].prompt, c.told);
      EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    }
  }
}

TEST_F(CommandsTest, OpenFileLocationTellsWhyExplorerCouldNotShowTheFile) {
  prepare_folders();
  const std::string tool = os_.root() + "\\Tools\\tool.exe";
  make_file(tool);
  store_run_value(L::CurrentUserRun, "Tool", tool);
  scan();
  list_.set_current(find_item("Tool", L::CurrentUserRun));
  os_.log.add_fault(substitute::Fault{0, "SHOpenFolderAndSelectItems", status::kAccessDenied});

  open_file_location(catalogue_);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_EQ(os_.dialogs.messages[0].prompt,
            "Can't show the program file of Tool in its folder ! SHOpenFolderAndSelectItems "
            "failed for \"" +
                tool + "\": Access is denied. (error 5).");
}

TEST_F(CommandsTest, DetailsShowTheCurrentEntrysCommandAndWhatIsWrongInAnInformationBox) {
  prepare_folders();
  const std::string gone = os_.root() + "\\Gone\\gone.exe";
  store_run_value(L::CurrentUserRun, "Gone", "\"" + gone + "\" /tray");
  scan();
  list_.set_current(find_item("Gone", L::CurrentUserRun));

  show_details(catalogue_);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  const substitute::ShownMessage& shown = os_.dialogs.messages[0];
  EXPECT_EQ(shown.title, "Runwarden: DETAILS");
  EXPECT_EQ(shown.flags, mb::kInformation);
  EXPECT_THAT(shown.prompt, HasSubstr("\nCommand: \"" + gone + "\" /tray\n"));
  EXPECT_THAT(shown.prompt, HasSubstr("\nWarning: Program file missing: " + gone));
}

// Asked for by opening Details, never by the infotip that hovering shows.
TEST_F(CommandsTest, DetailsSayWhoSignedTheProgramCheckedOnlyWhenOpened) {
  prepare_folders();
  const std::string tool = os_.root() + "\\Tools\\tool.exe";
  make_file(tool);
  os_.programs.sha256_of_content["MZ"] = "00";
  store_run_value(L::CurrentUserRun, "Tool", "\"" + tool + "\" /tray");
  store_run_value(L::CurrentUserRun, "Gone", os_.root() + "\\Gone\\gone.exe");
  scan();
  for (const auto& [signature, line] :
       {std::pair{Signature{SignatureState::kNotSigned, {}}, "\nNot signed"},
        std::pair{Signature{SignatureState::kNotValid, "Contoso Ltd"},
                  "\nSignature not valid (the file was changed after it was signed)"}}) {
    os_.programs.signatures[tool] = signature;
    const int index = find_item("Tool", L::CurrentUserRun);
    EXPECT_THAT(details_text(describe_item(catalogue_, index)), Not(HasSubstr(line)));
    EXPECT_THAT(os_.log.calls(), Not(Contains(HasSubstr("WinVerifyTrust"))));
    list_.set_current(index);
    show_details(catalogue_);
    EXPECT_THAT(os_.dialogs.messages.back().prompt, HasSubstr(line));
    os_.log.clear();
  }
  // Without a program file, nothing is checked and nothing said of it.
  list_.set_current(find_item("Gone", L::CurrentUserRun));
  show_details(catalogue_);
  EXPECT_THAT(os_.dialogs.messages.back().prompt, Not(HasSubstr("igned")));
  EXPECT_THAT(os_.log.calls(), Not(Contains(HasSubstr("WinVerifyTrust"))));
}

TEST_F(CommandsTest, HelpOpensTheDocumentNextToTheProgramAndSaysNothing) {
  EXPECT_EQ(help_document_path("C:\\Tools"), "C:\\Tools\\help.html");

  open_help(platform_);  // no help document exists in the program folder
  EXPECT_THAT(os_.shell.opened, ElementsAre(program_folder() + "\\help.html"));
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_THAT(os_.log.calls(),
              ElementsAre("ShellExecute Open " + program_folder() + "\\help.html"));
}

}  // namespace
}  // namespace rw::testing
