// No operation overwrites or misaddresses another entry: a move that would
// meet a different entry of the same name, a machine entry the user may not
// change, and a name the Win32 calls cannot reach exactly all leave every
// entry where it is, and the user hears why.
#include <gmock/gmock.h>

#include <filesystem>
#include <functional>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kMineParked =
    "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";
const std::string kMachineParked =
    "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646";
const std::string kMineTypes =
    "Software\\VB and VBA Program Settings\\Runwarden\\Types\\-2147483647";

class OverwriteTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }

  void list_all() {
    while (list_.count() > 0) list_.remove(0);
    scan();
  }
  void flip(const std::string& name, L location) {
    const int index = find_item(name, location);
    ASSERT_GE(index, 0) << name;
    list_.set_checked(index, !list_.checked(index));
  }
  std::string exit_message() {
    apply_changes_on_exit(catalogue_);
    EXPECT_LE(os_.dialogs.messages.size(), 1u);
    return os_.dialogs.messages.empty() ? std::string() : os_.dialogs.messages.back().prompt;
  }
  std::optional<std::string> file(const std::string& path) { return os_.files.read_file(path); }
};

// Each case lays out the entry to move and what stands where it goes.
TEST_F(OverwriteTest, AMoveMeetingADifferentEntryOfThatNameLeavesBoth) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string moved_name;
    L from;
    bool moves;
    std::function<void()> check;
  };
  const std::string user_startup = os_.folders.special[kCsidlStartup];
  const std::string user_parking = program_folder() + "\\DISABLED\\Default User";
  const Case cases[] = {
      {"parking over a parked value of another command",
       [&] {
         os_.registry.put_string(kHkeyCurrentUser, kMineParked, "Tool", "C:\\old");
         os_.registry.put_string(kHkeyCurrentUser, kRun, "Tool", "C:\\new");
       },
       "Tool", L::CurrentUserRun, false,
       [&] {
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineParked, "Tool"), "C:\\old");
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kRun, "Tool"), "C:\\new");
       }},
      {"parking over a parked value whose name differs in case",
       [&] {
         os_.registry.put_string(kHkeyCurrentUser, kMineParked, "TOOL", "C:\\old");
         os_.registry.put_string(kHkeyCurrentUser, kRun, "tool", "C:\\new");
       },
       "tool", L::CurrentUserRun, false,
       [&] {
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineParked, "TOOL"), "C:\\old");
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kRun, "tool"), "C:\\new");
       }},
      {"parking over an expandable parked value of the same text",
       [&] {
         os_.registry.put_string(kHkeyCurrentUser, kMineParked, "Tool", "%WINDIR%\\t.exe");
         os_.registry.put_string(kHkeyCurrentUser, kMineTypes, "Tool", "2");
         os_.registry.put_string(kHkeyCurrentUser, kRun, "Tool", "%WINDIR%\\t.exe");
       },
       "Tool", L::CurrentUserRun, false,
       [&] {
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineTypes, "Tool"), "2");
         EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kRun, "Tool")->type, regtype::kSz);
       }},
      {"restoring over an active value of another command",
       [&] {
         os_.registry.put_string(kHkeyLocalMachine, kRun, "Tool", "C:\\new");
         os_.registry.put_string(kHkeyCurrentUser, kMachineParked, "Tool", "C:\\old");
       },
       "Tool", L::AllUsersRunParked, false,
       [&] {
         EXPECT_EQ(os_.registry.get_string(kHkeyLocalMachine, kRun, "Tool"), "C:\\new");
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMachineParked, "Tool"), "C:\\old");
       }},
      {"restoring over an active value that is not text",
       [&] {
         os_.registry.put_string(kHkeyCurrentUser, kMineParked, "Tool", "C:\\old");
         os_.registry.put(kHkeyCurrentUser, kRun, "Tool", regtype::kDword, {1, 0, 0, 0});
       },
       "Tool", L::CurrentUserRunParked, false,
       [&] { EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kRun, "Tool")->type, regtype::kDword); }},
      {"parking over the very same parked value, left by an earlier move",
       [&] {
         os_.registry.put_string(kHkeyCurrentUser, kMineParked, "Tool", "C:\\same");
         os_.registry.put_string(kHkeyCurrentUser, kRun, "Tool", "C:\\same");
       },
       "Tool", L::CurrentUserRun, true,
       [&] {
         EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineParked, "Tool"), "C:\\same");
         EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kRun, "Tool"), std::nullopt);
       }},
      {"parking a shortcut over a parked one of other bytes",
       [&] {
         os_.files.write_file(user_parking + "\\Tool.lnk", "old");
         os_.files.write_file(user_startup + "\\Tool.lnk", "new");
       },
       "Tool", L::CurrentUserStartup, false,
       [&] {
         EXPECT_EQ(file(user_parking + "\\Tool.lnk"), "old");
         EXPECT_EQ(file(user_startup + "\\Tool.lnk"), "new");
       }},
      {"restoring a shortcut beside a hidden one the list never showed",
       [&] {
         os_.files.write_file(user_startup + "\\Tool.lnk", "hidden");
         os_.files.set_attributes(user_startup + "\\Tool.lnk", attr::kHidden);
         os_.files.write_file(user_parking + "\\Tool.lnk", "parked");
       },
       "Tool", L::CurrentUserStartupParked, false,
       [&] {
         EXPECT_EQ(file(user_startup + "\\Tool.lnk"), "hidden");
         EXPECT_EQ(file(user_parking + "\\Tool.lnk"), "parked");
       }},
      {"restoring a shortcut over the very same bytes",
       [&] {
         os_.files.write_file(user_startup + "\\Tool.lnk", "same");
         os_.files.set_attributes(user_startup + "\\Tool.lnk", attr::kSystem);
         os_.files.write_file(user_parking + "\\Tool.lnk", "same");
       },
       "Tool", L::CurrentUserStartupParked, true,
       [&] {
         EXPECT_EQ(file(user_startup + "\\Tool.lnk"), "same");
         EXPECT_EQ(file(user_parking + "\\Tool.lnk"), std::nullopt);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os_.registry.remove_key(kHkeyCurrentUser, "Software\\VB and VBA Program Settings");
    os_.registry.remove_key(kHkeyCurrentUser, kRun);
    os_.registry.remove_key(kHkeyLocalMachine, kRun);
    for (const std::string& path : {user_startup + "\\Tool.lnk", user_parking + "\\Tool.lnk"}) {
      std::filesystem::remove(substitute::SubstituteFiles::host_path(path));
      os_.files.set_attributes(path, 0);
    }
    os_.dialogs.messages.clear();
    c.arrange();
    list_all();
    flip(c.moved_name, c.from);
    const std::string message = exit_message();
    if (c.moves) {
      EXPECT_THAT(message, IsEmpty());
    } else {
      EXPECT_THAT(message, HasSubstr("'" + c.moved_name +
                                     "' is not moved: a different entry of that name is already"));
    }
    c.check();
    EXPECT_EQ(os_.registry.open_handles(), 0u);
  }
}

TEST_F(OverwriteTest, UntickingOneToolAndTickingTheOtherLosesNeitherInEitherOrder) {
  for (const bool parked_first : {false, true}) {
    SCOPED_TRACE(parked_first ? "parked item first" : "active item first");
    os_.registry.remove_key(kHkeyCurrentUser, "Software\\VB and VBA Program Settings");
    os_.dialogs.messages.clear();
    // The list sorts by text, so the letter case of the name puts one first.
    const std::string active = parked_first ? "tool" : "Tool";
    const std::string parked = parked_first ? "Tool" : "tool";
    os_.registry.put_string(kHkeyCurrentUser, kRun, active, "C:\\new");
    os_.registry.put_string(kHkeyCurrentUser, kMineParked, parked, "C:\\old");
    list_all();
    flip(active, L::CurrentUserRun);
    flip(parked, L::CurrentUserRunParked);
    const std::string message = exit_message();
    EXPECT_THAT(message, HasSubstr("'" + active + "' is not moved"));
    EXPECT_THAT(message, HasSubstr("'" + parked + "' is not moved"));
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kRun, active), "C:\\new");
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineParked, parked), "C:\\old");
    os_.registry.remove_key(kHkeyCurrentUser, kRun);
  }
}

TEST_F(OverwriteTest, AMachineEntryTheUserMayNotChangeIsLeftWithNoCopyMade) {
  const std::string common_startup = os_.folders.special[kCsidlCommonStartup];
  os_.registry.put_string(kHkeyLocalMachine, kRun, "Machine tool", "C:\\m.exe");
  os_.files.write_file(common_startup + "\\Shared.lnk", "shared");
  os_.registry.put_string(kHkeyCurrentUser, kRun, "Mine", "C:\\mine.exe");
  os_.registry.deny_write(kHkeyLocalMachine, kRun);
  os_.files.deny_write(common_startup);
  list_all();
  flip("Machine tool", L::AllUsersRun);
  flip("Shared", L::AllUsersStartup);
  flip("Mine", L::CurrentUserRun);
  for (int attempt = 0; attempt < 2; ++attempt) {  // trying again leaves no more copies
    os_.dialogs.messages.clear();
    const std::string message = exit_message();
    EXPECT_THAT(message, HasSubstr("'Machine tool' cannot be moved, because it could not be "
                                   "removed from HKEY_LOCAL_MACHINE\\"));
    EXPECT_THAT(message, HasSubstr("'Shared' cannot be moved"));
    EXPECT_THAT(message, HasSubstr("needs administrator rights"));
  }
  EXPECT_EQ(os_.registry.get_string(kHkeyLocalMachine, kRun, "Machine tool"), "C:\\m.exe");
  EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kMachineParked, "Machine tool"), std::nullopt);
  EXPECT_EQ(file(common_startup + "\\Shared.lnk"), "shared");
  EXPECT_EQ(file(program_folder() + "\\DISABLED\\All Users\\Shared.lnk"), std::nullopt);
  EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineParked, "Mine"), "C:\\mine.exe");
}

// "Tool\0x" reaches "Tool" through the Win32 calls; a lone surrogate cannot
// be handed over as text at all. Such entries are listed, and left alone.
TEST_F(OverwriteTest, ANameTheCallsCannotReachExactlyIsListedAndLeftAlone) {
  const std::string names[] = {std::string("Tool\0x", 6), "Tool\xED\xA0\x80"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    os_.registry.remove_key(kHkeyCurrentUser, kRun);
    os_.registry.remove_key(kHkeyCurrentUser, "Software\\VB and VBA Program Settings");
    os_.registry.put_string(kHkeyCurrentUser, kRun, name, "C:\\odd.exe");
    os_.registry.put_string(kHkeyCurrentUser, kRun, "Tool", "C:\\tool.exe");
    list_all();
    ASSERT_EQ(list_.count(), 2);
    const int index = find_item(name, L::CurrentUserRun);
    ASSERT_GE(index, 0);

    os_.dialogs.messages.clear();
    list_.set_current(index);
    remove_entry(catalogue_);
    EXPECT_EQ(begin_modify(catalogue_), std::nullopt);
    flip(name, L::CurrentUserRun);
    apply_changes_on_exit(catalogue_);
    ASSERT_EQ(os_.dialogs.messages.size(), 3u);
    for (const auto& message : os_.dialogs.messages) {
      EXPECT_THAT(message.prompt, HasSubstr("cannot be asked for exactly"));
      EXPECT_EQ(message.prompt.find('\0'), std::string::npos);
    }
    EXPECT_EQ(list_.count(), 2);
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kRun, "Tool"), "C:\\tool.exe");
    EXPECT_EQ(os_.registry.value_names(kHkeyCurrentUser, kRun).size(), 2u);
    EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kMineParked, "Tool"), std::nullopt);
  }
}

TEST_F(OverwriteTest, AddAsksBeforeWritingBesideAParkedEntryOfThatName) {
  struct Case {
    const char* what;
    std::string section;
    std::string parked_command;
    int answer;
    bool asked;
    bool written;
  };
  const Case cases[] = {
      {"mine, another command, No", kMineParked, "C:\\old.exe", mb::kResultNo, true, false},
      {"the machine's, another command, Yes", kMachineParked, "C:\\old.exe", mb::kResultYes, true,
       true},
      {"mine, the same command", kMineParked, "C:\\Tools\\Tool.exe", mb::kResultNo, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os_.registry.remove_key(kHkeyCurrentUser, "Software\\VB and VBA Program Settings");
    os_.registry.remove_key(kHkeyCurrentUser, kRun);
    os_.dialogs.messages.clear();
    os_.registry.put_string(kHkeyCurrentUser, c.section, "Tool", c.parked_command);
    list_all();
    os_.dialogs.file_answers.push_back(OpenFileResult{true, "C:\\Tools\\Tool.exe", "Tool.exe"});
    os_.dialogs.message_answers.push_back(c.answer);
    add_entry(catalogue_);
    EXPECT_EQ(os_.dialogs.messages.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("is switched off"));
      EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr(c.parked_command));
    }
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kRun, "Tool").has_value(), c.written);
    EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, c.section, "Tool"), c.parked_command);
    EXPECT_EQ(find_item("Tool", L::CurrentUserRun) >= 0, c.written);
  }
}

}  // namespace
}  // namespace rw::testing
