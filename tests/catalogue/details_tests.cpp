// The details of an entry over the substitute platform: the program file a
// command starts, found as Windows finds it, and what the details say.
#include <gmock/gmock.h>

#include "catalogue/details.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class DetailsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    prepare_folders();
    root_ = os_.root();
    for (const char* file : {"\\Program Files\\App\\app.exe", "\\Tools\\tool.exe",
                             "\\Windows\\System32\\rundll32.exe", "\\Trap\\Program.exe"}) {
      make_file(root_ + file);
    }
    os_.programs.search_folders = {root_ + "\\Windows\\System32"};
    os_.programs.environment["APPS"] = root_ + "\\Program Files";
  }
  void make_file(const std::string& path) {
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(path).parent_path());
    os_.files.write_file(path, "MZ");
  }
  std::string root_;
};

TEST_F(DetailsTest, TheProgramFileIsFoundAsWindowsFindsIt) {
  const struct {
    const char* what;
    std::string command;
    std::string path;
    bool found;
    bool unquoted_with_space;
  } cases[] = {
      {"quoted", "\"" + root_ + "\\Program Files\\App\\app.exe\" /tray",
       root_ + "\\Program Files\\App\\app.exe", true, false},
      {"quoted, without its .exe", "\"" + root_ + "\\Tools\\tool\"", root_ + "\\Tools\\tool.exe",
       true, false},
      {"unquoted with a space, nothing shorter to start",
       root_ + "\\Program Files\\App\\app.exe /tray", root_ + "\\Program Files\\App\\app.exe", true,
       true},
      {"unquoted with a space, an earlier program starts instead",
       root_ + "\\Trap\\Program Files\\App\\app.exe", root_ + "\\Trap\\Program.exe", true, false},
      {"unquoted without a space", root_ + "\\Tools\\tool.exe -x", root_ + "\\Tools\\tool.exe",
       true, false},
      {"a bare name", "rundll32.exe shell32.dll,Control_RunDLL",
       root_ + "\\Windows\\System32\\rundll32.exe", true, false},
      {"a bare name without its .exe", "rundll32 x", root_ + "\\Windows\\System32\\rundll32.exe",
       true, false},
      {"missing, unquoted with a space", root_ + "\\Program Files\\Gone\\gone.exe /x",
       root_ + "\\Program Files\\Gone\\gone.exe", false, true},
      {"missing, quoted", "\"" + root_ + "\\Gone\\gone.exe\"", root_ + "\\Gone\\gone.exe", false,
       false},
      {"leading blanks", "  " + root_ + "\\Tools\\tool.exe", root_ + "\\Tools\\tool.exe", true,
       false},
      {"empty", "", "", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramFile program = find_program(os_.programs, c.command);
    EXPECT_EQ(program.path, c.path);
    EXPECT_EQ(program.found, c.found);
    EXPECT_EQ(program.unquoted_with_space, c.unquoted_with_space);
  }
}

TEST_F(DetailsTest, ARunValueSaysWhereItIsWhatItRunsWhoMadeItAndWhatIsWrong) {
  os_.programs.descriptions[root_ + "\\Program Files\\App\\app.exe"] = {"Contoso", "The App"};
  store_run_value(L::CurrentUserRun, "Expanded", "%APPS%\\App\\app.exe", regtype::kExpandSz);
  store_run_value(L::CurrentUserRunParked, "Gone", root_ + "\\Program Files\\Gone\\gone.exe");
  scan();

  const EntryDetails expanded = describe_item(catalogue_, find_item("Expanded", L::CurrentUserRun));
  EXPECT_TRUE(expanded.starts);
  EXPECT_EQ(expanded.command, root_ + "\\Program Files\\App\\app.exe");
  EXPECT_EQ(expanded.stored_command, "%APPS%\\App\\app.exe");
  EXPECT_EQ(expanded.made_by.company, "Contoso");
  EXPECT_THAT(expanded.warnings, ElementsAre(HasSubstr("quotation marks")));
  EXPECT_THAT(details_text(expanded),
              HasSubstr("Where: Your Run key (HKEY_CURRENT_USER)\nStarts at logon: yes\n"));

  const EntryDetails gone = describe_item(catalogue_, find_item("Gone", L::CurrentUserRunParked));
  EXPECT_FALSE(gone.starts);
  EXPECT_EQ(gone.off_reason, "parked by Runwarden");
  EXPECT_THAT(gone.warnings,
              ElementsAre("Program file missing: " + root_ + "\\Program Files\\Gone\\gone.exe",
                          HasSubstr("quotation marks")));
}

TEST_F(DetailsTest, AShortcutGivesItsTargetAndAFileThatIsNotOneSaysSo) {
  store_shortcut(
      L::CurrentUserStartup, "Linked",
      substitute::SubstitutePrograms::shortcut_content(root_ + "\\Tools\\tool.exe", "/min"));
  store_shortcut(L::AllUsersStartup, "Broken", "garbage");
  scan();
  EXPECT_EQ(os_.programs.shortcuts_read, 0);  // the scan opens no shortcut

  const EntryDetails linked = describe_item(catalogue_, find_item("Linked", L::CurrentUserStartup));
  EXPECT_EQ(linked.command, root_ + "\\Tools\\tool.exe /min");
  ASSERT_TRUE(linked.program);
  EXPECT_TRUE(linked.program->found);
  EXPECT_THAT(linked.warnings, IsEmpty());

  const EntryDetails broken = describe_item(catalogue_, find_item("Broken", L::AllUsersStartup));
  EXPECT_THAT(broken.warnings, ElementsAre("The file Broken.lnk is not a valid shortcut."));
  EXPECT_EQ(broken.command, "");
}

TEST_F(DetailsTest, AnEntryWindowsSwitchedOffSaysWhy) {
  store_run_value(L::CurrentUserRun, "Off", root_ + "\\Tools\\tool.exe");
  os_.registry.put(kHkeyCurrentUser,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run",
                   "Off", regtype::kBinary, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  scan();
  const EntryDetails off = describe_item(catalogue_, find_item("Off", L::CurrentUserRun));
  EXPECT_FALSE(off.starts);
  EXPECT_THAT(details_text(off),
              HasSubstr("Starts at logon: no, switched off in Windows' startup settings"));
}

}  // namespace
}  // namespace rw::testing
