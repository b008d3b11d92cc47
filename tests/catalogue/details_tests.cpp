// The details of an entry over the substitute platform: the program file a
// command starts, found as Windows finds it, and what the details say.
#include <gmock/gmock.h>

#include <algorithm>

#include "catalogue/details.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class DetailsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    prepare_folders();
    root_ = os_.root();
    for (const char* file : {"\\Program Files\\App\\app.exe", "\\Tools\\tool.exe",
                             "\\Windows\\System32\\rundll32.exe", "\\Trap\\Program.exe"}) {
      make_file(root_ + file);
    }
    os_.programs.environment["APPS"] = root_ + "\\Program Files";
  }
  void make_file(const std::string& path) {
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(path).parent_path());
    os_.files.write_file(path, "MZ");
  }
  ProgramFile find(const std::string& command) {
    return ProgramFinder(os_.folders, os_.programs).find(command);
  }
  // The calls that asked whether a file is there.
  std::vector<std::string> file_queries() {
    std::vector<std::string> queries;
    for (const std::string& call : os_.log.calls()) {
      if (call.rfind("GetFileAttributes ", 0) == 0) queries.push_back(call.substr(18));
    }
    return queries;
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
    const ProgramFile program = find(c.command);
    EXPECT_EQ(program.path, c.path);
    EXPECT_EQ(program.found, c.found);
    EXPECT_EQ(program.unquoted_with_space, c.unquoted_with_space);
  }
}

TEST_F(DetailsTest, ANameWithoutAFolderIsSearchedForAsAtLogonAndNeverHere) {
  const std::string windows = os_.folders.windows;
  const std::string system = os_.folders.system;
  for (const std::string& file :
       {windows + "\\first.exe", system + "\\first.exe", system + "\\both.exe",
        program_folder() + "\\both.exe", program_folder() + "\\mine.exe",
        windows + "\\System\\old.exe", windows + "\\bin\\helper.exe",
        root_ + "\\Spaced Tools\\spaced.exe", root_ + "\\Late\\spaced.exe",
        root_ + "\\Late\\late.exe"}) {
    make_file(file);
  }
  os_.programs.environment["PATH"] =
      system + ";Relative;" + root_ + "\\Spaced Tools\\;;" + "%APPS%\\App;" + root_ + "\\Late";
  const std::string no_check = "relative to the folder it is started in, not checked";
  const struct {
    const char* what;
    std::string command;
    std::string path;
    bool found;
    std::string not_checked;
  } cases[] = {
      {"the Windows folder first", "first.exe", windows + "\\first.exe", true, ""},
      {"then System32", "rundll32 x", system + "\\rundll32.exe", true, ""},
      {"then the 16-bit System folder", "old.exe", windows + "\\System\\old.exe", true, ""},
      {"then PATH, in its order", "spaced.exe -x", root_ + "\\Spaced Tools\\spaced.exe", true, ""},
      {"a PATH folder named by a variable", "app.exe", root_ + "\\Program Files\\App\\app.exe",
       true, ""},
      {"the last PATH folder", "late", root_ + "\\Late\\late.exe", true, ""},
      {"a folder below a searched one", "bin\\helper.exe", windows + "\\bin\\helper.exe", true, ""},
      {"System32 before this program's folder", "both.exe", system + "\\both.exe", true, ""},
      {"never this program's folder", "mine.exe", "mine.exe", false, ""},
      {"never the current folder", ".\\tool.exe /x", ".\\tool.exe", false, no_check},
      {"nor a folder above it", "..\\Tools\\tool.exe", "..\\Tools\\tool.exe", false, no_check},
      {"nor the current folder of a drive", "C:tool.exe", "C:tool.exe", false, no_check},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    os_.log.clear();
    const ProgramFile program = find(c.command);
    EXPECT_EQ(program.path, c.path);
    EXPECT_EQ(program.found, c.found);
    EXPECT_EQ(program.not_checked, c.not_checked);
    // A name with a space nowhere in the command is no unquoted path with a space.
    EXPECT_FALSE(program.unquoted_with_space);
    for (const std::string& query : file_queries()) {
      EXPECT_NE(query.rfind(program_folder() + "\\", 0), 0u) << query;
      EXPECT_NE(query.rfind("Relative", 0), 0u) << query;
      EXPECT_NE(query.rfind(".", 0), 0u) << query;
      EXPECT_NE(query.rfind("C:", 0), 0u) << query;
    }
  }
}

TEST_F(DetailsTest, ALongCommandCostsNoMoreFileQueriesThanWindowsWouldMake) {
  std::string words;
  while (words.size() < 200'000) words += " /x";
  const std::string long_name(200'000, 'x');
  const struct {
    const char* what;
    std::string command;
    std::string path;
    bool found;
  } cases[] = {
      {"a missing program's path, then words", root_ + "\\Gone\\gone" + words,
       root_ + "\\Gone\\gone.exe", false},
      {"a missing program's name, then words", "gone" + words, "gone.exe", false},
      {"a program found, then words", root_ + "\\Tools\\tool.exe" + words,
       root_ + "\\Tools\\tool.exe", true},
      {"a path with a space after every letter", root_ + "\\T o o l s" + words, root_ + "\\T.exe",
       false},
      {"a quoted program, then words", "\"" + root_ + "\\Tools\\tool.exe\"" + words,
       root_ + "\\Tools\\tool.exe", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    os_.log.clear();
    const ProgramFile program = find(c.command);
    EXPECT_EQ(program.path, c.path);
    EXPECT_EQ(program.found, c.found);
    // A path of MAX_PATH characters or more is not started, so at most one
    // query for each blank in the first 260 characters, in each search folder.
    EXPECT_LE(file_queries().size(), 130u * 3u);
  }
  // Nothing past the longest command line Windows takes is read.
  for (const std::string& command : {root_ + "\\" + long_name, "\"" + root_ + "\\" + long_name}) {
    os_.log.clear();
    const ProgramFile program = find(command);
    EXPECT_FALSE(program.found);
    EXPECT_LE(program.path.size(), 32'767u + 4u);
    EXPECT_THAT(file_queries(), IsEmpty());
  }
}

TEST_F(DetailsTest, AProgramOnANetworkShareIsNeverLookedAt) {
  os_.folders.network_drives.insert('N');
  const std::string on_network = "on a network share, not checked";
  const struct {
    std::string command;
    std::string path;
    std::string not_checked;
    bool unquoted_with_space;
  } cases[] = {
      {"\\\\server\\share\\x.exe /q", "\\\\server\\share\\x.exe", on_network, false},
      {"\"\\\\server\\share\\my tools\\x\" /q", "\\\\server\\share\\my tools\\x.exe", on_network,
       false},
      {"\\\\server\\share\\my tool.exe -x", "\\\\server\\share\\my tool.exe", on_network, true},
      {"//server/share/x.exe", "//server/share/x.exe", on_network, false},
      {"\\/server\\share\\x.exe", "\\/server\\share\\x.exe", on_network, false},
      {"\\\\?\\UNC\\server\\share\\x.exe", "\\\\?\\UNC\\server\\share\\x.exe", on_network, false},
      {"\\\\.\\unc\\server\\share\\x", "\\\\.\\unc\\server\\share\\x.exe", on_network, false},
      {"\\??\\UNC\\server\\share\\x.exe", "\\??\\UNC\\server\\share\\x.exe", on_network, false},
      {"n:\\from-server\\x.exe", "n:\\from-server\\x.exe", on_network, false},
      {"N:x.exe", "N:x.exe", on_network, false},
      {"\\\\?\\N:\\from-server\\x.exe", "\\\\?\\N:\\from-server\\x.exe", on_network, false},
      // Looked at: a local drive, and devices that are no share.
      {"\\\\?\\C:\\local\\x.exe", "\\\\?\\C:\\local\\x.exe", "", false},
      {"\\\\.\\pipe\\local", "\\\\.\\pipe\\local.exe", "", false},
      {"\\\\?\\Volume{0}\\local.exe", "\\\\?\\Volume{0}\\local.exe", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    os_.log.clear();
    const ProgramFile program = find(c.command);
    EXPECT_EQ(program.path, c.path);
    EXPECT_FALSE(program.found);
    EXPECT_EQ(program.not_checked, c.not_checked);
    EXPECT_EQ(program.unquoted_with_space, c.unquoted_with_space);
    if (c.not_checked.empty()) {
      EXPECT_THAT(file_queries(), Contains(c.path));
    } else {
      EXPECT_THAT(file_queries(), IsEmpty());
    }
  }
}

TEST_F(DetailsTest, AnEntryWhoseProgramIsOnANetworkShareSaysItWasNotChecked) {
  os_.folders.network_drives.insert('N');
  os_.programs.environment["SHARE"] = "\\\\server\\share";
  os_.programs.environment["PATH"] += ";\\\\server\\tools;N:\\tools";
  os_.programs.descriptions["\\\\server\\share\\tool.exe"] = {"Contoso", "Shared tool"};
  store_run_value(L::CurrentUserRun, "Expanded", "%SHARE%\\tool.exe /x", regtype::kExpandSz);
  store_shortcut(L::CurrentUserStartup, "Linked",
                 substitute::SubstitutePrograms::shortcut_content("N:\\from-server\\x.exe", ""));
  store_run_value(L::AllUsersRun, "Bare", "gone.exe");
  scan();

  const EntryDetails expanded = describe_item(catalogue_, find_item("Expanded", L::CurrentUserRun));
  EXPECT_THAT(expanded.warnings, ElementsAre("Program file on a network share, not checked: "
                                             "\\\\server\\share\\tool.exe"));
  EXPECT_EQ(expanded.made_by.company, "");  // its version resource is not read either
  EXPECT_THAT(details_text(expanded),
              HasSubstr("\nWarning: Program file on a network share, not checked: "));
  const EntryDetails linked = describe_item(catalogue_, find_item("Linked", L::CurrentUserStartup));
  EXPECT_THAT(linked.warnings, ElementsAre("Program file on a network share, not checked: "
                                           "N:\\from-server\\x.exe"));
  const EntryDetails bare = describe_item(catalogue_, find_item("Bare", L::AllUsersRun));
  EXPECT_THAT(bare.warnings,
              ElementsAre("Program file not found outside the network folders on PATH, which "
                          "were not checked: gone.exe"));
  for (const std::string& query : file_queries()) {
    EXPECT_THAT(query, Not(AnyOf(HasSubstr("server"), HasSubstr("N:")))) << query;
  }
}

TEST_F(DetailsTest, TheSearchFoldersAreReadOnceForAWholeList) {
  for (const char* name : {"One", "Two", "Three"}) {
    store_run_value(L::CurrentUserRun, name, std::string(name) + ".exe");
  }
  os_.log.clear();
  const AllDetails all = describe_all(catalogue_);
  EXPECT_EQ(all.entries.size(), 3u);
  EXPECT_EQ(std::count_if(os_.log.calls().begin(), os_.log.calls().end(),
                          [](const std::string& call) {
                            return call.rfind("GetEnvironmentVariable PATH", 0) == 0;
                          }),
            1);
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
  EXPECT_THAT(details_text(gone), HasSubstr("Starts at logon: no, parked by Runwarden\n"));
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
