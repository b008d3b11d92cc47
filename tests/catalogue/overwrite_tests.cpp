// No operation overwrites or misaddresses another entry: a move that would
// meet a different entry of the same name, a machine entry the user may not
// change, and a name the Win32 calls cannot reach exactly all leave every
// entry where it is, and the user hears why.
#include <gmock/gmock.h>

#include <filesystem>

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

// One end of a move: a place, the name there and what it holds. A Run value
// holds its text (its type given apart), a shortcut its bytes.
struct End {
  L location;
  std::string name;
  std::string content;
  std::uint32_t type_or_attributes = 0;  // a value's type; a file's attributes
};

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

  // Where each place keeps its entries, written out rather than asked of the
  // code under test.
  std::pair<Hive, std::string> key_of(L location) {
    switch (location) {
      case L::AllUsersRun:
        return {kHkeyLocalMachine, kRun};
      case L::CurrentUserRun:
        return {kHkeyCurrentUser, kRun};
      case L::AllUsersRunParked:
        return {kHkeyCurrentUser, kMachineParked};
      default:
        return {kHkeyCurrentUser, kMineParked};
    }
  }
  std::string file_of(const End& end) {
    const std::string folder =
        end.location == L::CurrentUserStartup
            ? os_.folders.special[kCsidlStartup]
            : program_folder() + "\\DISABLED\\Default User";  // the only shortcut places used
    return folder + "\\" + end.name + ".lnk";
  }
  bool is_file(const End& end) { return place(end.location).storage == Storage::Shortcuts; }
  void put(const End& end) {
    if (is_file(end)) {
      os_.files.write_file(file_of(end), end.content);
      os_.files.set_attributes(file_of(end), end.type_or_attributes);
      return;
    }
    const auto [hive, key] = key_of(end.location);
    std::uint32_t type = end.type_or_attributes == 0 ? regtype::kSz : end.type_or_attributes;
    if (!place(end.location).active && type == regtype::kExpandSz) {  // recorded beside it
      os_.registry.put_string(kHkeyCurrentUser, kMineTypes, end.name, "2");
      type = regtype::kSz;
    }
    if (is_string_type(type)) {
      os_.registry.put_string(hive, key, end.name, end.content, type);
    } else {
      os_.registry.put(hive, key, end.name, type, {end.content.begin(), end.content.end()});
    }
  }
  std::optional<std::string> held(const End& end) {
    if (is_file(end)) return file(file_of(end));
    const auto [hive, key] = key_of(end.location);
    const auto value = os_.registry.get(hive, key, end.name);
    if (!value) return std::nullopt;
    if (is_string_type(value->type)) return registry_bytes_to_text(value->data);
    return std::string(value->data.begin(), value->data.end());
  }
  void clear() {
    os_.registry.remove_key(kHkeyCurrentUser, "Software\\VB and VBA Program Settings");
    os_.registry.remove_key(kHkeyCurrentUser, kRun);
    os_.registry.remove_key(kHkeyLocalMachine, kRun);
    for (const L location : {L::CurrentUserStartup, L::CurrentUserStartupParked}) {
      const std::string path = file_of(End{location, "Tool", ""});
      std::filesystem::remove(substitute::SubstituteFiles::host_path(path));
      os_.files.set_attributes(path, 0);
    }
    os_.dialogs.messages.clear();
  }
};

TEST_F(OverwriteTest, AMoveMeetingADifferentEntryOfThatNameLeavesBoth) {
  const struct {
    const char* what;
    End source, destination;
    bool moves;
  } cases[] = {
      {"parking over a parked value of another command",
       {L::CurrentUserRun, "Tool", "C:\\new"},
       {L::CurrentUserRunParked, "Tool", "C:\\old"},
       false},
      {"parking over a parked value whose name differs in case",
       {L::CurrentUserRun, "tool", "C:\\new"},
       {L::CurrentUserRunParked, "TOOL", "C:\\old"},
       false},
      {"parking over an expandable parked value of the same text",
       {L::CurrentUserRun, "Tool", "%WINDIR%\\t.exe"},
       {L::CurrentUserRunParked, "Tool", "%WINDIR%\\t.exe", regtype::kExpandSz},
       false},
      {"restoring over an active value of another command",
       {L::AllUsersRunParked, "Tool", "C:\\old"},
       {L::AllUsersRun, "Tool", "C:\\new"},
       false},
      {"restoring over an active value that is not text",
       {L::CurrentUserRunParked, "Tool", "C:\\old"},
       {L::CurrentUserRun, "Tool", "\x01\x02", regtype::kBinary},
       false},
      {"parking a shortcut over a parked one of other bytes",
       {L::CurrentUserStartup, "Tool", "new"},
       {L::CurrentUserStartupParked, "Tool", "old"},
       false},
      {"restoring a shortcut beside a hidden one the list never showed",
       {L::CurrentUserStartupParked, "Tool", "parked"},
       {L::CurrentUserStartup, "Tool", "hidden", attr::kHidden},
       false},
      {"parking over the very same value, left by a move that could not finish",
       {L::CurrentUserRun, "Tool", "C:\\same"},
       {L::CurrentUserRunParked, "Tool", "C:\\same"},
       true},
      {"restoring over a system shortcut of the very same bytes",
       {L::CurrentUserStartupParked, "Tool", "same"},
       {L::CurrentUserStartup, "Tool", "same", attr::kSystem},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    clear();
    put(c.source);
    put(c.destination);
    list_all();
    flip(c.source.name, c.source.location);
    const std::string message = exit_message();
    if (c.moves) {
      EXPECT_THAT(message, IsEmpty());
      EXPECT_EQ(held(c.source), std::nullopt);
    } else {
      EXPECT_THAT(message, HasSubstr("'" + c.source.name +
                                     "' is not moved: a different entry of that name is already"));
      EXPECT_EQ(held(c.source), c.source.content);
    }
    EXPECT_EQ(held(c.destination), c.destination.content);
    if (!is_file(c.destination) && c.destination.type_or_attributes == regtype::kExpandSz) {
      EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, kMineTypes, "Tool"), "2");
    }
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
                                   "removed from the machine's Run key: RegOpenKeyEx failed for "
                                   "\"HKEY_LOCAL_MACHINE\\"));
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
