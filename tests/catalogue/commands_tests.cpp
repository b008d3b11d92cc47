// The context menu's enabling rules and Help, over the substitute platform.
#include <gmock/gmock.h>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CommandsTest : public CatalogueTest {};

TEST_F(CommandsTest, EmptyListOrNoCurrentItemEnablesOnlyAdd) {
  EXPECT_FALSE(context_menu_state(list_).remove_enabled);
  EXPECT_FALSE(context_menu_state(list_).modify_enabled);

  list_.add("Tool", static_cast<std::int32_t>(StartupLocation::CurrentUserRun), true);
  list_.set_current(-1);
  EXPECT_FALSE(context_menu_state(list_).remove_enabled);
  EXPECT_FALSE(context_menu_state(list_).modify_enabled);
}

TEST_F(CommandsTest, ModifyIsEnabledForRunValuesActiveOrParkedOnly) {
  for (const PlaceInfo& info : kPlaces) {
    SCOPED_TRACE(std::string(info.name));
    SortedEntryList list(os_.text_rules);
    list.add("Other", 0, false);
    const int index = list.add("Tool", static_cast<std::int32_t>(info.location), false);
    list.set_current(index);

    const ContextMenuState state = context_menu_state(list);
    EXPECT_TRUE(state.remove_enabled);
    const bool run_value = info.location == StartupLocation::AllUsersRun ||
                           info.location == StartupLocation::CurrentUserRun ||
                           info.location == StartupLocation::AllUsersRunParked ||
                           info.location == StartupLocation::CurrentUserRunParked ||
                           info.location == StartupLocation::AllUsersRun32 ||
                           info.location == StartupLocation::AllUsersRun32Parked;
    EXPECT_EQ(state.modify_enabled, run_value);
  }
}

TEST_F(CommandsTest, AnItemWithATagOutsideThePlacesCannotBeModified) {
  list_.set_current(list_.add("Stray", 11, false));
  EXPECT_TRUE(context_menu_state(list_).remove_enabled);
  EXPECT_FALSE(context_menu_state(list_).modify_enabled);
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
