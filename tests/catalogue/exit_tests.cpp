// Exit over the substitute platform: the moves, what stays untouched, and
// that no failure loses or damages an entry.
#include <gmock/gmock.h>

#include <filesystem>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using substitute::Fault;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr StartupLocation kAllLocations[] = {
    StartupLocation::AllUsersRun,           StartupLocation::CurrentUserRun,
    StartupLocation::AllUsersStartup,       StartupLocation::CurrentUserStartup,
    StartupLocation::AllUsersStartupParked, StartupLocation::CurrentUserStartupParked,
    StartupLocation::AllUsersRunParked,     StartupLocation::CurrentUserRunParked,
    StartupLocation::AllUsersRun32,         StartupLocation::AllUsersRun32Parked,
};

const std::string kStartupApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
const std::string kTypesRoot = "Software\\VB and VBA Program Settings\\Runwarden\\Types\\";

class ExitTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }

  void listed(const std::string& name, StartupLocation location, bool checked) {
    list_.add(name, static_cast<std::int32_t>(location), checked);
  }
  // Stores an entry and lists it with its box turned the other way.
  void stored_and_flipped(StartupLocation location, const std::string& name,
                          const std::string& content, std::uint32_t type = regtype::kSz) {
    if (place(location).storage == Storage::Shortcuts) {
      store_shortcut(location, name, content);
    } else {
      store_run_value(location, name, content, type);
    }
    listed(name, location, !place(location).active);
  }
  void exit() { apply_changes_on_exit(catalogue_); }

  std::string only_message() {
    EXPECT_EQ(os_.dialogs.messages.size(), 1u);
    if (os_.dialogs.messages.empty()) return {};
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kCritical);
    return os_.dialogs.messages[0].prompt;
  }
  std::optional<std::string> type_record(Hive hive, const std::string& name) {
    return os_.registry.get_string(
        kHkeyCurrentUser, kTypesRoot + std::to_string(static_cast<std::int32_t>(hive)), name);
  }
};

TEST_F(ExitTest, EachFlippedPlaceMovesItsEntryWholeToThePartnerAndRemovesTheSource) {
  for (StartupLocation from : kAllLocations) {
    const PlaceInfo& info = place(from);
    SCOPED_TRACE(std::string(info.name));
    const std::string name = "Tool " + std::string(info.name);
    const std::string content = "\"C:\\Program Files\\" + name + "\\tool.exe\" /min";
    stored_and_flipped(from, name, content);
  }
  exit();
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(os_.registry.open_handles(), 0u);
  for (StartupLocation from : kAllLocations) {
    const PlaceInfo& info = place(from);
    SCOPED_TRACE(std::string(info.name));
    const std::string name = "Tool " + std::string(info.name);
    const std::string content = "\"C:\\Program Files\\" + name + "\\tool.exe\" /min";
    if (info.storage == Storage::Shortcuts) {
      EXPECT_EQ(stored_shortcut(from, name), std::nullopt);
      EXPECT_EQ(stored_shortcut(info.partner.value(), name), content);
    } else {
      EXPECT_EQ(stored_run_value(from, name), std::nullopt);
      auto moved = stored_run_value(info.partner.value(), name);
      ASSERT_TRUE(moved);
      EXPECT_EQ(moved->type, regtype::kSz);
      EXPECT_EQ(registry_bytes_to_text(moved->data), content);
    }
  }
}

TEST_F(ExitTest, ParkedValuesLieInTheCurrentUsersStoreInTheSectionOfTheirOwnHive) {
  stored_and_flipped(StartupLocation::AllUsersRun, "Tool", "c:\\machine.exe");
  stored_and_flipped(StartupLocation::CurrentUserRun, "Tool", "c:\\user.exe");
  exit();
  const std::string sections = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\";
  EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, sections + "-2147483646", "Tool"),
            "c:\\machine.exe");
  EXPECT_EQ(os_.registry.get_string(kHkeyCurrentUser, sections + "-2147483647", "Tool"),
            "c:\\user.exe");
  EXPECT_THAT(os_.registry.value_names(kHkeyLocalMachine, kRunKey), IsEmpty());
  EXPECT_THAT(os_.registry.value_names(kHkeyCurrentUser, kRunKey), IsEmpty());
  EXPECT_THAT(os_.registry.value_names(kHkeyLocalMachine, sections + "-2147483646"), IsEmpty());
}

TEST_F(ExitTest, ListsWhoseBoxesAgreeWithTheirPlacesCauseNoAccessAtAll) {
  exit();  // empty
  for (StartupLocation location : kAllLocations) {
    listed("Same", location, place(location).active);
  }
  listed("No place", static_cast<StartupLocation>(0), false);
  listed("No place either", static_cast<StartupLocation>(1000), true);
  os_.log.clear();
  exit();
  EXPECT_EQ(os_.log.count(), 0u);
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(list_.count(), 12);
}

TEST_F(ExitTest, CommandsOfAnyLengthAndWithoutTheirNulSurviveARoundTrip) {
  const std::string long_1999(1999, 'a');
  const std::string long_5000 = "c:\\" + std::string(4997, 'b');
  stored_and_flipped(StartupLocation::CurrentUserRun, "Fills the buffer", long_1999);
  stored_and_flipped(StartupLocation::AllUsersRun, "Longer", long_5000);
  const std::vector<std::uint8_t> bare = {'c', 0, ':', 0, '\\', 0, 'x', 0};  // no NUL at the end
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Bare", regtype::kSz, bare);
  listed("Bare", StartupLocation::CurrentUserRun, false);
  exit();
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRunParked, "Fills the buffer"), long_1999);
  EXPECT_EQ(stored_command(StartupLocation::AllUsersRunParked, "Longer"), long_5000);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRunParked, "Bare"), "c:\\x");

  // The next start lists them parked; ticking them brings them back.
  SortedEntryList next(os_.text_rules);
  Catalogue again{platform_, next};
  run_scan(again);
  for (int i = 0; i < next.count(); ++i) next.set_checked(i, true);
  apply_changes_on_exit(again);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Fills the buffer"), long_1999);
  EXPECT_EQ(stored_command(StartupLocation::AllUsersRun, "Longer"), long_5000);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Bare"), "c:\\x");
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
}

TEST_F(ExitTest, AnExpandableStringIsParkedAsPlainTextAndComesBackExpandable) {
  stored_and_flipped(StartupLocation::AllUsersRun, "Expand", "%ProgramFiles%\\x.exe",
                     regtype::kExpandSz);
  exit();
  auto parked = stored_run_value(StartupLocation::AllUsersRunParked, "Expand");
  ASSERT_TRUE(parked);
  EXPECT_EQ(parked->type, regtype::kSz);
  EXPECT_TRUE(type_record(kHkeyLocalMachine, "Expand"));

  SortedEntryList next(os_.text_rules);
  Catalogue again{platform_, next};
  run_scan(again);
  ASSERT_EQ(next.count(), 1);  // the record is not listed as an entry
  next.set_checked(0, true);
  apply_changes_on_exit(again);
  auto restored = stored_run_value(StartupLocation::AllUsersRun, "Expand");
  ASSERT_TRUE(restored);
  EXPECT_EQ(restored->type, regtype::kExpandSz);
  EXPECT_EQ(registry_bytes_to_text(restored->data), "%ProgramFiles%\\x.exe");
  EXPECT_EQ(type_record(kHkeyLocalMachine, "Expand"), std::nullopt);
  EXPECT_EQ(stored_run_value(StartupLocation::AllUsersRunParked, "Expand"), std::nullopt);
}

TEST_F(ExitTest, APlainStringParkedUnderTheNameOfAnOldRecordComesBackPlain) {
  os_.registry.put_string(kHkeyCurrentUser, kTypesRoot + "-2147483647", "Tool", "2");
  stored_and_flipped(StartupLocation::CurrentUserRun, "Tool", "c:\\tool.exe");
  exit();
  EXPECT_EQ(type_record(kHkeyCurrentUser, "Tool"), std::nullopt);
}

TEST_F(ExitTest, ValuesThatAreNotStringsStayAndAreNamed) {
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Bytes", regtype::kBinary, {1, 2, 3});
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Number", regtype::kDword, {1, 0, 0, 0});
  os_.registry.put(kHkeyLocalMachine, kRunKey, "Multi", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0});
  listed("Bytes", StartupLocation::CurrentUserRun, false);
  listed("Number", StartupLocation::CurrentUserRun, false);
  listed("Multi", StartupLocation::AllUsersRun, false);
  stored_and_flipped(StartupLocation::CurrentUserRun, "Text", "c:\\text.exe");
  exit();
  const std::string message = only_message();
  EXPECT_THAT(message, HasSubstr("'Bytes' holds binary data"));
  EXPECT_THAT(message, HasSubstr("'Number' holds a number"));
  EXPECT_THAT(message, HasSubstr("'Multi' holds a list of strings"));
  EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kRunKey, "Bytes")->data,
            (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(stored_run_value(StartupLocation::CurrentUserRun, "Number"));
  EXPECT_TRUE(stored_run_value(StartupLocation::AllUsersRun, "Multi"));
  EXPECT_EQ(stored_run_value(StartupLocation::CurrentUserRunParked, "Bytes"), std::nullopt);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRunParked, "Text"), "c:\\text.exe");
}

TEST_F(ExitTest, AParkedValueGoneSinceTheScanIsNotRestoredEmpty) {
  listed("Gone", StartupLocation::CurrentUserRunParked, true);
  stored_and_flipped(StartupLocation::CurrentUserRunParked, "Here", "c:\\here.exe");
  exit();
  EXPECT_EQ(stored_run_value(StartupLocation::CurrentUserRun, "Gone"), std::nullopt);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Here"), "c:\\here.exe");
  EXPECT_THAT(only_message(),
              HasSubstr("'Gone' is no longer in Runwarden's parked entries of your Run key"));
}

TEST_F(ExitTest, ARefusedWriteToTheMachinesRunKeyKeepsTheParkedCopyAndSaysWhy) {
  stored_and_flipped(StartupLocation::AllUsersRunParked, "Tool", "c:\\tool.exe");
  stored_and_flipped(StartupLocation::CurrentUserRunParked, "Mine", "c:\\mine.exe");
  os_.registry.deny_write(kHkeyLocalMachine, kRunKey);
  exit();
  EXPECT_EQ(stored_command(StartupLocation::AllUsersRunParked, "Tool"), "c:\\tool.exe");
  EXPECT_EQ(stored_run_value(StartupLocation::AllUsersRun, "Tool"), std::nullopt);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Mine"), "c:\\mine.exe");
  EXPECT_THAT(only_message(),
              HasSubstr("'Tool' cannot be moved: RegCreateKeyEx failed for \"HKEY_LOCAL_MACHINE\\"
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\": Access is denied. "
                        "(error 5). Changing an entry for all users needs administrator rights."));
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(ExitTest, AFileFailureStopsTheWalkAfterTheItemsBeforeItWereApplied) {
  stored_and_flipped(StartupLocation::CurrentUserRun, "A first", "c:\\a.exe");
  stored_and_flipped(StartupLocation::CurrentUserStartup, "B refused", "b");
  stored_and_flipped(StartupLocation::CurrentUserRun, "C later", "c:\\c.exe");
  os_.log.add_fault(Fault{0, "FileCopy", status::kSharingViolation});
  exit();
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRunParked, "A first"), "c:\\a.exe");
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "C later"), "c:\\c.exe");
  EXPECT_EQ(stored_run_value(StartupLocation::CurrentUserRunParked, "C later"), std::nullopt);
  const std::string message = only_message();
  EXPECT_THAT(message, HasSubstr("'B refused' cannot be moved: FileCopy failed"));
  EXPECT_THAT(message, HasSubstr("(error 32)"));
  EXPECT_THAT(message, HasSubstr("stopped there"));
  EXPECT_EQ(list_.count(), 3);
}

TEST_F(ExitTest, TheFirstShortcutParkedMakesItsParkingFolderAndOnlyThat) {
  std::filesystem::remove_all(
      substitute::SubstituteFiles::host_path(program_folder() + "\\DISABLED"));
  const struct {
    StartupLocation from;
    std::vector<std::string> made;  // under the program's folder, in order
  } cases[] = {
      {StartupLocation::CurrentUserStartup, {"\\DISABLED", "\\DISABLED\\Default User"}},
      {StartupLocation::AllUsersStartup, {"\\DISABLED\\All Users"}},
      {StartupLocation::CurrentUserStartup, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(place(c.from).name));
    while (list_.count() > 0) list_.remove(0);
    stored_and_flipped(c.from, "Link", "bytes");
    os_.log.clear();
    exit();
    EXPECT_THAT(os_.dialogs.messages, IsEmpty());
    std::vector<std::string> made;
    for (const std::string& call : os_.log.calls()) {
      if (call.rfind("MkDir ", 0) == 0) made.push_back(call.substr(6 + program_folder().size()));
    }
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(stored_shortcut(place(c.from).partner.value(), "Link"), "bytes");
    EXPECT_EQ(stored_shortcut(c.from, "Link"), std::nullopt);
  }
}

// A file of that name that no list shows, where the move goes: the entry
// must end where a list shows it, or stay where it is and be told.
TEST_F(ExitTest, AHiddenFileWhereAShortcutGoesNeverHidesTheEntry) {
  using L = StartupLocation;
  const struct {
    const char* what;
    L from;
    std::uint32_t attributes;  // of the file already where it goes
    std::string there;         // its bytes
    bool moves;
  } cases[] = {
      {"hidden, the same bytes, parking", L::CurrentUserStartup, attr::kHidden, "bytes", true},
      {"system, the same bytes, restoring", L::AllUsersStartupParked, attr::kSystem, "bytes", true},
      {"hidden, other bytes, parking", L::AllUsersStartup, attr::kHidden, "other", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const L to = place(c.from).partner.value();
    const std::string name = std::string("Link ") + place(c.from).name.data();
    while (list_.count() > 0) list_.remove(0);
    os_.dialogs.messages.clear();
    stored_and_flipped(c.from, name, "bytes");
    store_shortcut(to, name, c.there);
    os_.files.set_attributes(folder_of(to) + "\\" + name + ".lnk", c.attributes);
    exit();

    const L listed_in = c.moves ? to : c.from;
    EXPECT_EQ(stored_shortcut(listed_in, name), "bytes");
    EXPECT_EQ(stored_shortcut(to, name), c.there);
    while (list_.count() > 0) list_.remove(0);
    scan();
    EXPECT_GE(find_item(name, listed_in), 0) << "in no list";
    if (c.moves) {
      EXPECT_THAT(os_.dialogs.messages, IsEmpty());
      EXPECT_EQ(stored_shortcut(c.from, name), std::nullopt);
    } else {
      EXPECT_THAT(only_message(), HasSubstr("'" + name +
                                            "' is not moved: a different entry of that name is "
                                            "already in " +
                                            std::string(place(to).where) +
                                            " (a hidden or system file, which no list shows)."));
    }
  }
}

// Every platform call of every move is made to fail in turn. Whatever
// fails, the entry is somewhere unchanged, no copy is damaged, the user is
// told which entry it was, and no key is left open.
class ExitFaultTest : public ExitTest {
 protected:
  struct Move {
    StartupLocation from;
    std::uint32_t type;
  };

  void wipe() {
    os_.registry.remove_key(kHkeyLocalMachine, kRunKey);
    os_.registry.remove_key(kHkeyCurrentUser, kRunKey);
    os_.registry.remove_key(kHkeyLocalMachine, kRunKey32);
    os_.registry.remove_key(kHkeyCurrentUser, std::string(kSettingsRoot) + "Runwarden");
    for (const Hive hive : {kHkeyCurrentUser, kHkeyLocalMachine}) {  // the flags of earlier runs
      os_.registry.remove_key(hive, kStartupApproved);
    }
    for (StartupLocation location : kAllLocations) {
      if (place(location).storage != Storage::Shortcuts) continue;
      std::filesystem::remove(
          substitute::SubstituteFiles::host_path(shortcut_path(folder_of(location), kName)));
    }
    while (list_.count() > 0) list_.remove(0);
    os_.log.clear_faults();
    os_.dialogs.messages.clear();
  }

  // Absent, intact, or damaged.
  enum class Copy { Absent, Intact, Damaged };
  Copy copy_in(StartupLocation location, const Move& move) {
    const PlaceInfo& info = place(location);
    if (info.storage == Storage::Shortcuts) {
      auto content = stored_shortcut(location, kName);
      if (!content) return Copy::Absent;
      return *content == kContent ? Copy::Intact : Copy::Damaged;
    }
    auto value = stored_run_value(location, kName);
    if (!value) return Copy::Absent;
    const std::uint32_t expected_type = info.active ? move.type : regtype::kSz;
    const bool intact =
        value->type == expected_type && registry_bytes_to_text(value->data) == kContent;
    return intact ? Copy::Intact : Copy::Damaged;
  }

  void lay_out(const Move& move) {
    wipe();
    const bool parked = !place(move.from).active;
    stored_and_flipped(move.from, kName, kContent, parked ? regtype::kSz : move.type);
    if (parked && move.type == regtype::kExpandSz) {
      os_.registry.put_string(kHkeyCurrentUser, type_record_key(move.from), kName, "2");
    }
  }

  static constexpr const char* kName = "Tool";
  static constexpr const char* kContent = "%SystemRoot%\\tool.exe /quiet";
};

TEST_F(ExitFaultTest, AFailureAtAnyCallOfAnyMoveLosesNothing) {
  const Move moves[] = {
      {StartupLocation::AllUsersRun, regtype::kSz},
      {StartupLocation::CurrentUserRun, regtype::kSz},
      {StartupLocation::AllUsersRun, regtype::kExpandSz},
      {StartupLocation::CurrentUserRun, regtype::kExpandSz},
      {StartupLocation::AllUsersStartup, regtype::kSz},
      {StartupLocation::CurrentUserStartup, regtype::kSz},
      {StartupLocation::AllUsersStartupParked, regtype::kSz},
      {StartupLocation::CurrentUserStartupParked, regtype::kSz},
      {StartupLocation::AllUsersRunParked, regtype::kSz},
      {StartupLocation::CurrentUserRunParked, regtype::kSz},
      {StartupLocation::AllUsersRunParked, regtype::kExpandSz},
      {StartupLocation::CurrentUserRunParked, regtype::kExpandSz},
      {StartupLocation::AllUsersRun32, regtype::kExpandSz},
      {StartupLocation::AllUsersRun32Parked, regtype::kSz},
  };
  for (const Move& move : moves) {
    lay_out(move);
    os_.log.clear();
    exit();
    const std::uint64_t calls = os_.log.count();
    ASSERT_THAT(os_.dialogs.messages, IsEmpty());
    ASSERT_EQ(copy_in(place(move.from).partner.value(), move), Copy::Intact);
    ASSERT_GE(calls, 2u);

    for (std::uint64_t failing = 1; failing <= calls; ++failing) {
      lay_out(move);
      os_.log.clear();
      os_.log.add_fault({failing, "", status::kAccessDenied});
      exit();
      const std::string failed_call = os_.log.calls().at(failing - 1);
      SCOPED_TRACE(std::string(place(move.from).name) + " type " + std::to_string(move.type) +
                   ", failing call " + std::to_string(failing) + ": " + failed_call);
      const Copy source = copy_in(move.from, move);
      const Copy destination = copy_in(place(move.from).partner.value(), move);
      EXPECT_NE(source, Copy::Damaged);
      EXPECT_NE(destination, Copy::Damaged);
      EXPECT_TRUE(source == Copy::Intact || destination == Copy::Intact);
      ASSERT_EQ(os_.dialogs.messages.size(), 1u);
      EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("'Tool'"));
      EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Access is denied. (error 5)"));
      EXPECT_EQ(os_.registry.open_handles(), 0u);
    }
  }
}

}  // namespace
}  // namespace rw::testing
