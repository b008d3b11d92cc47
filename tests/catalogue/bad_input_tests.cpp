// Bad input for every operation. Each input of the tables below is laid out in
// a fresh substitute OS, in every place it can be stored in, next to an
// ordinary neighbour; then each operation runs over it and the same checks
// follow every run: a message where one is due and none where none is, nothing
// lost or damaged (every entry still in one of its two places with its command
// and type), the list true to what is stored, and no registry key left open.
#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <utility>

#include "catalogue/details.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using L = StartupLocation;

enum class Operation { Scan, Exit, Remove, Add, Modify };
constexpr Operation kOperations[] = {Operation::Scan, Operation::Exit, Operation::Remove,
                                     Operation::Add, Operation::Modify};

std::string operation_name(Operation operation) {
  switch (operation) {
    case Operation::Scan:
      return "scan";
    case Operation::Exit:
      return "Exit";
    case Operation::Remove:
      return "Remove";
    case Operation::Add:
      return "Add";
    case Operation::Modify:
      return "Modify";
  }
  return {};
}

const std::vector<L> kRunPlaces = {L::AllUsersRun, L::CurrentUserRun, L::AllUsersRunParked,
                                   L::CurrentUserRunParked};
const std::vector<L> kActiveRunPlaces = {L::AllUsersRun, L::CurrentUserRun};
const std::vector<L> kShortcutPlaces = {L::AllUsersStartup, L::CurrentUserStartup,
                                        L::AllUsersStartupParked, L::CurrentUserStartupParked};
const std::vector<L> kActiveShortcutPlaces = {L::AllUsersStartup, L::CurrentUserStartup};
std::vector<L> every_place() {
  std::vector<L> all = kRunPlaces;
  all.insert(all.end(), kShortcutPlaces.begin(), kShortcutPlaces.end());
  return all;
}

std::vector<std::uint8_t> sz(const std::string& text) { return text_to_registry_bytes(text); }

// What an entry holds: the type and bytes of a Run value, or a shortcut's content.
struct Held {
  std::uint32_t type = regtype::kSz;
  std::vector<std::uint8_t> data;
  bool operator==(const Held& other) const {
    if (is_string_type(type) && is_string_type(other.type)) {  // the NUL is not part of it
      return type == other.type &&
             registry_bytes_to_text(data) == registry_bytes_to_text(other.data);
    }
    return type == other.type && data == other.data;
  }
};

// An entry that should exist somewhere at the end of a run.
struct Entry {
  std::string name;
  L location;
  Held held;
  bool gone = false;                // deleted, by the operation or by someone else
  bool partner_is_another = false;  // an entry of the same name was added there
};

// What a run must end in, for one place of one input.
struct Due {
  bool exit_moves = true;  // the entry reaches its partner place and leaves its own
  bool exit_message = false;
  bool remove_removes = true;  // the entry and its item both go
  bool remove_message = false;
  bool modify_message = false;  // Modify declines to show it, and says why
};

class World;

struct Input {
  std::string label;
  std::string name;
  Held held;
  std::vector<L> places;
  std::function<void(World&, L)> before_scan;      // surroundings
  std::function<void(World&, Entry&)> since_scan;  // another program's change
  std::function<Due(L)> due = [](L) { return Due{}; };
  std::vector<Operation> operations = {std::begin(kOperations), std::end(kOperations)};
  // What Add's file dialog returns when Add is asked for an entry of this name.
  std::string add_path = "C:\\Program Files\\Added\\added.exe";
  std::string add_stored = "\"C:\\Program Files\\Added\\added.exe\"";  // quoted for its space
};

// One run: a catalogue over a fresh substitute OS.
class World final : public CatalogueTest {
 public:
  void TestBody() override {}

  using CatalogueTest::os_;

  std::string folder(L location) { return folder_of(location); }
  std::string program() { return program_folder(); }

  void store(const Entry& entry) {
    const PlaceInfo& info = place(entry.location);
    if (info.storage == Storage::Shortcuts) {
      const std::string content(entry.held.data.begin(), entry.held.data.end());
      store_shortcut(entry.location, entry.name, content);
    } else {
      const auto [hive, key] = key_of(entry.location);
      os_.registry.put(hive, key, entry.name, entry.held.type, entry.held.data);
    }
  }

  std::optional<Held> held_at(L location, const std::string& name) {
    const PlaceInfo& info = place(location);
    if (info.storage == Storage::Shortcuts) {
      auto content = stored_shortcut(location, name);
      if (!content) return std::nullopt;
      return Held{regtype::kSz, std::vector<std::uint8_t>(content->begin(), content->end())};
    }
    auto value = stored_run_value(location, name);
    if (!value) return std::nullopt;
    Held held{value->type, value->data};
    if (!info.active && value->type == regtype::kSz &&  // parked: its type is recorded beside it
        os_.registry.get_string(kHkeyCurrentUser, type_record_key(location), name) == "2") {
      held.type = regtype::kExpandSz;
    }
    return held;
  }

  // Every (name, place) stored, as the OS holds it.
  std::vector<std::pair<std::string, std::int32_t>> stored_items() {
    std::vector<std::pair<std::string, std::int32_t>> items;
    for (const PlaceInfo& info : kPlaces) {
      const auto tag = static_cast<std::int32_t>(info.location);
      // see ProgramListsTest; no operation reaches packaged tasks
      if (info.storage == Storage::ProgramLists || info.storage == Storage::PackagedTasks ||
          info.storage == Storage::ScheduledTasks)
        continue;
      // scheduled tasks: see scheduled_task_tests.cpp
      if (info.storage != Storage::Shortcuts) {
        const auto [hive, key] = key_of(info.location);
        for (auto& name : os_.registry.value_names(hive, key)) items.emplace_back(name, tag);
        continue;
      }
      for (auto& file : os_.files.dir(folder_of(info.location) + "\\*.lnk", attr::kNormal))
        items.emplace_back(file.substr(0, file.size() - 4), tag);
    }
    std::sort(items.begin(), items.end());
    return items;
  }
  std::vector<std::pair<std::string, std::int32_t>> listed_items() {
    std::vector<std::pair<std::string, std::int32_t>> items;
    for (int i = 0; i < list_.count(); ++i) items.emplace_back(list_.text(i), list_.tag(i));
    std::sort(items.begin(), items.end());
    return items;
  }

  SortedEntryList& list() { return list_; }
  Catalogue& catalogue() { return catalogue_; }
  void resolve_folders() { prepare_folders(); }
  int item(const Entry& entry) { return find_item(entry.name, entry.location); }
};

std::string trace_of(const Input& input, L location, Operation operation) {
  return input.label + " / " + std::string(place(location).name) + " / " +
         operation_name(operation);
}

// An entry is never lost: it is in its own place or its partner's, whole.
void expect_kept(World& world, const Entry& entry) {
  const auto here = world.held_at(entry.location, entry.name);
  const auto there = world.held_at(place(entry.location).partner.value(), entry.name);
  EXPECT_TRUE(here || there) << "lost: '" << entry.name.substr(0, 60) << "'";
  if (here) {
    EXPECT_TRUE(*here == entry.held) << "damaged in its own place";
  }
  if (there && !entry.partner_is_another) {
    EXPECT_TRUE(*there == entry.held) << "damaged in its partner place";
  }
}

// The reports shown; the all-users question before a removal is not one.
std::vector<std::string> reports(World& world) {
  std::vector<std::string> prompts;
  for (const auto& message : world.os_.dialogs.messages) {
    if (message.title == "Runwarden: WARNING") continue;
    EXPECT_EQ(message.title, "Runwarden: ERROR");
    prompts.push_back(message.prompt.substr(0, 400));
  }
  return prompts;
}

void expect_messages(World& world, bool due, const std::string& name) {
  const std::vector<std::string> prompts = reports(world);
  if (!due) {
    EXPECT_THAT(prompts, ::testing::IsEmpty());
    return;
  }
  ASSERT_EQ(prompts.size(), 1u);
  if (!name.empty()) {
    EXPECT_THAT(world.os_.dialogs.messages.back().prompt, ::testing::HasSubstr(name));
  }
}

int g_runs = 0;

// Add with the input's name as the title; an entry of that name already in
// the current user's Run key is replaced, since the user says Yes.
void add_over(World& world, const Input& input, Entry& subject) {
  world.os_.dialogs.file_answers.push_back(OpenFileResult{true, input.add_path, "added.exe"});
  world.os_.dialogs.input_answers.push_back(subject.name);
  EXPECT_NO_THROW(add_entry(world.catalogue()));
  expect_messages(world, false, subject.name);
  if (subject.name.empty()) {  // no title, no entry
    EXPECT_EQ(world.held_at(L::CurrentUserRun, ""), subject.location == L::CurrentUserRun
                                                        ? std::optional<Held>(subject.held)
                                                        : std::nullopt);
    return;
  }
  const Held added{regtype::kSz, sz(input.add_stored)};
  EXPECT_EQ(world.held_at(L::CurrentUserRun, subject.name), added);
  const int index = world.item(Entry{subject.name, L::CurrentUserRun, added});
  ASSERT_GE(index, 0) << "the added entry is not listed";
  EXPECT_TRUE(world.list().checked(index));
  if (subject.location == L::CurrentUserRun) subject.held = added;
  if (subject.location == L::CurrentUserRunParked) subject.partner_is_another = true;
}

// Modify, then OK with the command exactly as shown: nothing may change.
void modify_over(World& world, const Due& due, Entry& subject) {
  std::optional<ModifyRequest> request;
  EXPECT_NO_THROW(request = begin_modify(world.catalogue()));
  EXPECT_EQ(world.os_.registry.open_handles(), 0u);
  if (due.modify_message) {
    EXPECT_EQ(request, std::nullopt);
    expect_messages(world, true, subject.name);
    return;
  }
  ASSERT_TRUE(request);
  EXPECT_EQ(request->title, subject.name);
  if (!subject.gone) {
    EXPECT_EQ(request->source, registry_bytes_to_text(subject.held.data));
  }
  EXPECT_TRUE(commit_modify(world.catalogue(), *request, request->source));
  expect_messages(world, false, subject.name);
  if (subject.gone) {  // OK stores what the user confirmed, anew
    subject.gone = false;
    subject.held = Held{regtype::kSz, sz(request->source)};
  }
}

// Lays out one input in one place, scans, runs the operation and checks.
void run_one(const Input& input, L location, Operation operation) {
  SCOPED_TRACE(trace_of(input, location, operation));
  ++g_runs;
  World world;
  world.resolve_folders();
  Entry subject{input.name, location, input.held};
  Entry neighbour{"Neighbour", location,
                  place(location).storage == Storage::Shortcuts
                      ? Held{regtype::kSz, {'l', 'n', 'k'}}
                      : Held{regtype::kSz, sz("c:\\neighbour.exe")}};
  world.store(subject);
  world.store(neighbour);
  if (input.before_scan) input.before_scan(world, location);
  const Due due = input.due(location);

  ScanResult scanned;
  ASSERT_NO_THROW(scanned = run_scan(world.catalogue()));
  EXPECT_THAT(scanned.problems, ::testing::IsEmpty());
  EXPECT_EQ(world.os_.registry.open_handles(), 0u);
  const int index = world.item(subject);
  ASSERT_GE(index, 0) << "not listed";
  EXPECT_EQ(world.list().checked(index), place(location).active);
  if (input.since_scan) input.since_scan(world, subject);

  switch (operation) {
    case Operation::Scan:
      expect_messages(world, false, subject.name);
      break;
    case Operation::Exit:
      world.list().set_checked(index, !place(location).active);
      EXPECT_NO_THROW(apply_changes_on_exit(world.catalogue()));
      expect_messages(world, due.exit_message, subject.name);
      break;
    case Operation::Remove:
      world.list().set_current(index);
      EXPECT_NO_THROW(remove_entry(world.catalogue()));
      expect_messages(world, due.remove_message, subject.name);
      if (due.remove_removes) {
        EXPECT_EQ(world.item(subject), -1) << "still listed";
        EXPECT_EQ(world.held_at(location, subject.name), std::nullopt) << "still stored";
        subject.gone = true;
      } else {
        EXPECT_GE(world.item(subject), 0) << "no longer listed although still stored";
      }
      break;
    case Operation::Add:
      add_over(world, input, subject);
      break;
    case Operation::Modify:
      world.list().set_current(index);
      modify_over(world, due, subject);
      break;
  }
  EXPECT_EQ(world.os_.registry.open_handles(), 0u);
  world.os_.log.clear_faults();

  if (!subject.gone) expect_kept(world, subject);
  expect_kept(world, neighbour);
  EXPECT_EQ(world.held_at(location, neighbour.name), neighbour.held) << "the neighbour moved";
  if (operation == Operation::Exit && !subject.gone) {
    const bool at_source = world.held_at(location, subject.name).has_value();
    const bool at_partner =
        world.held_at(place(location).partner.value(), subject.name).has_value();
    if (due.exit_moves) {
      EXPECT_FALSE(at_source) << "not moved";
      EXPECT_TRUE(at_partner) << "not moved";
    } else {
      EXPECT_TRUE(at_source) << "moved although it could not be";
    }
  } else if (operation != Operation::Exit) {
    // The window goes on with this list, so it must show what is stored. Adding
    // a title that is already listed lists it once more, for the one value.
    auto listed = world.listed_items();
    listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
    EXPECT_EQ(listed, world.stored_items());
  }
}

void run_table(const std::string& what, const std::vector<Input>& inputs) {
  const int runs_before = g_runs;
  for (const Input& input : inputs) {
    for (L location : input.places) {
      for (Operation operation : input.operations) {
        if (operation == Operation::Modify && place(location).storage == Storage::Shortcuts)
          continue;
        run_one(input, location, operation);
      }
    }
  }
  std::cout << "[ corpus   ] " << what << ": " << inputs.size() << " inputs tried, "
            << (g_runs - runs_before) << " runs\n";
}

// ---- the inputs ---------------------------------------------------------------------

const Held kCommand{regtype::kSz, sz("\"C:\\Program Files\\Tool\\tool.exe\" /min")};
const Held kShortcut{regtype::kSz, {'L', 0, 0, 0, 1, 0x14, 2, 0}};

Input name_input(std::string label, std::string name, bool legal_file_name = true) {
  Input input;
  input.label = std::move(label);
  input.name = std::move(name);
  input.held = kCommand;
  input.places = legal_file_name ? every_place() : kRunPlaces;
  return input;
}

// A name input runs twice: over Run values with a command, over shortcuts with content.
std::vector<Input> split_by_kind(std::vector<Input> inputs) {
  std::vector<Input> split;
  for (Input& input : inputs) {
    Input shortcuts = input;
    shortcuts.held = kShortcut;
    shortcuts.places.clear();
    for (L location : input.places) {
      if (place(location).storage == Storage::Shortcuts) shortcuts.places.push_back(location);
    }
    std::erase_if(input.places, [](L l) { return place(l).storage == Storage::Shortcuts; });
    split.push_back(std::move(input));
    if (!shortcuts.places.empty()) split.push_back(std::move(shortcuts));
  }
  return split;
}

TEST(BadInput, NamesOfEveryKindSurviveEveryOperationInEveryPlace) {
  std::vector<Input> inputs = {
      name_input("Cyrillic", "Диспетчер задач"),
      name_input("CJK", "任务管理器 タスク"),
      name_input("emoji beyond the BMP", "Launch \xF0\x9F\x9A\x80 \xF0\x9F\x98\x80"),
      name_input("combining marks", "Cafe\xCC\x81 nai\xCC\x88ve"),
      name_input("right-to-left",
                 "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"),
      name_input("characters no file name may hold", "a\\b/c:d*e?f\"g<h>i|j", false),
      name_input("leading and trailing blanks", "  padded  "),
      name_input("the empty default name", "", false),
      name_input("2,000 characters", std::string(2000, 'n'), false),
      name_input("2,100 characters", std::string(2100, 'm'), false),
      name_input("16,383 characters", std::string(kMaxValueNameChars, 'x'), false),
  };
  run_table("names", split_by_kind(std::move(inputs)));
}

Input command_input(std::string label, std::vector<std::uint8_t> data) {
  Input input;
  input.label = std::move(label);
  input.name = "Tool";
  input.held = Held{regtype::kSz, std::move(data)};
  input.places = kRunPlaces;
  input.add_path = registry_bytes_to_text(input.held.data);
  input.add_stored = input.add_path;  // none of these commands has a space
  return input;
}

TEST(BadInput, CommandsOfAnyLengthOrWithoutTheirNulSurviveEveryOperation) {
  std::vector<std::uint8_t> bare = sz("C:\\Tools\\bare.exe");
  bare.resize(bare.size() - 2);  // stored without its terminating NUL
  run_table("commands", {
                            command_input("empty", sz("")),
                            command_input("260 bytes", sz("C:\\" + std::string(257, 'p'))),
                            command_input("5,000 bytes", sz("C:\\" + std::string(4997, 'q'))),
                            command_input("1 MB", sz(std::string(1 << 20, 'r'))),
                            command_input("no terminating NUL", bare),
                        });
}

Input type_input(std::string label, std::uint32_t type, std::vector<std::uint8_t> data,
                 bool parkable) {
  Input input;
  input.label = std::move(label);
  input.name = "Typed";
  input.held = Held{type, std::move(data)};
  input.places = kActiveRunPlaces;
  input.due = [parkable](L) {
    Due due;
    due.exit_moves = parkable;
    due.exit_message = !parkable;  // it stays, and the user hears why
    due.modify_message = !parkable;
    return due;
  };
  return input;
}

// Another program (or a hand in regedit) put a value of another type where
// parked commands are kept; restoring it as text would damage it.
Input parked_type_input(const std::string& type, std::uint32_t code,
                        std::vector<std::uint8_t> data) {
  Input input = type_input(type + " in a parking section", code, std::move(data), false);
  input.places = {L::AllUsersRunParked, L::CurrentUserRunParked};
  return input;
}

TEST(BadInput, ValuesOfOtherTypesInARunKeyAreListedRemovedAndNeverDamaged) {
  run_table(
      "types",
      {
          type_input("REG_EXPAND_SZ", regtype::kExpandSz, sz("%ProgramFiles%\\t.exe"), true),
          type_input("REG_MULTI_SZ", regtype::kMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, false),
          type_input("REG_DWORD", regtype::kDword, {1, 0, 0, 0}, false),
          type_input("REG_BINARY", regtype::kBinary, {0, 0xFF, 0x10, 0x80, 0x7F}, false),
          parked_type_input("REG_DWORD", regtype::kDword, {1, 0, 0, 0}),
          parked_type_input("REG_BINARY", regtype::kBinary, {0, 0xFF, 0x10}),
          parked_type_input("REG_MULTI_SZ", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0}),
      });
}

Input shortcut_input(std::string label, std::string name) {
  Input input;
  input.label = std::move(label);
  input.name = std::move(name);
  input.held = kShortcut;
  input.places = kShortcutPlaces;
  return input;
}

TEST(BadInput, AwkwardShortcutFilesSurviveEveryOperation) {
  Input upper_case = shortcut_input("X.LNK", "X");
  upper_case.before_scan = [](World& world, L location) {
    const std::string folder = world.folder(location);
    std::filesystem::rename(substitute::SubstituteFiles::host_path(folder + "\\X.lnk"),
                            substitute::SubstituteFiles::host_path(folder + "\\X.LNK"));
  };
  // Hidden and system files are not listed; they must stay untouched beside
  // a listed entry of the same folder.
  Input hidden = shortcut_input("beside hidden and system files", "Visible");
  hidden.before_scan = [](World& world, L location) {
    const std::string folder = world.folder(location);
    world.os_.files.write_file(folder + "\\Hidden.lnk", "hidden");
    world.os_.files.set_attributes(folder + "\\Hidden.lnk", attr::kHidden);
    world.os_.files.write_file(folder + "\\System.lnk", "system");
    world.os_.files.set_attributes(folder + "\\System.lnk", attr::kSystem);
  };
  run_table("shortcut files",
            {
                shortcut_input("folder and name past 260 characters", std::string(240, 'w')),
                upper_case,
                shortcut_input("a bare .lnk", ""),
                hidden,
            });
}

TEST(BadInput, HiddenAndSystemShortcutsAreNeitherListedNorTouched) {
  World world;
  world.resolve_folders();
  const std::string folder = world.folder(L::CurrentUserStartup);
  world.os_.files.write_file(folder + "\\Hidden.lnk", "hidden");
  world.os_.files.set_attributes(folder + "\\Hidden.lnk", attr::kHidden);
  world.os_.files.write_file(folder + "\\System.lnk", "system");
  world.os_.files.set_attributes(folder + "\\System.lnk", attr::kSystem);
  run_scan(world.catalogue());
  EXPECT_EQ(world.list().count(), 0);
  apply_changes_on_exit(world.catalogue());
  EXPECT_EQ(world.os_.files.read_file(folder + "\\Hidden.lnk"), "hidden");
  EXPECT_EQ(world.os_.files.read_file(folder + "\\System.lnk"), "system");
}

TEST(BadInput, HostileSurroundingsAreReportedAndLoseNothing) {
  // Another program left a file where a parking folder belongs: listing
  // needs no parking folder, and parking says why it cannot make it.
  Input file_at_start = shortcut_input("a parking folder that is a file, at start", "Tool");
  file_at_start.places = kActiveShortcutPlaces;
  file_at_start.operations = {Operation::Scan, Operation::Exit};
  file_at_start.before_scan = [](World& world, L location) {
    const std::string folder = world.folder(place(location).partner.value());
    std::filesystem::remove_all(substitute::SubstituteFiles::host_path(folder));
    world.os_.files.write_file(folder, "not a folder");
  };
  file_at_start.due = [](L) { return Due{.exit_moves = false, .exit_message = true}; };

  Input file_later = file_at_start;
  file_later.label = "a parking folder that is a file";
  file_later.operations = {Operation::Exit, Operation::Remove};
  file_later.before_scan = nullptr;
  file_later.since_scan = [](World& world, Entry& entry) {
    const std::string folder = world.folder(place(entry.location).partner.value());
    std::filesystem::remove_all(substitute::SubstituteFiles::host_path(folder));
    world.os_.files.write_file(folder, "not a folder");
  };
  file_later.due = [](L) { return Due{.exit_moves = false, .exit_message = true}; };

  // A read-only program folder: nothing in it can be made, written or deleted.
  Input read_only_first = shortcut_input("a read-only program folder, first start", "Tool");
  read_only_first.places = kActiveShortcutPlaces;
  read_only_first.operations = {Operation::Scan, Operation::Exit, Operation::Remove};
  read_only_first.before_scan = [](World& world, L) {
    std::filesystem::remove_all(
        substitute::SubstituteFiles::host_path(world.program() + "\\DISABLED"));
    world.os_.files.deny_write(world.program());
  };
  read_only_first.due = [](L) { return Due{.exit_moves = false, .exit_message = true}; };

  Input read_only = shortcut_input("a read-only program folder", "Tool");
  read_only.before_scan = [](World& world, L) { world.os_.files.deny_write(world.program()); };
  read_only.due = [](L location) {
    if (place(location).active) return Due{.exit_moves = false, .exit_message = true};
    // Back in the Startup folder, but the parked copy cannot go: in both places.
    return Due{
        .exit_moves = false, .exit_message = true, .remove_removes = false, .remove_message = true};
  };
  Input read_only_values = read_only;  // Run values do not live in the program folder
  read_only_values.label = "a read-only program folder, Run values";
  read_only_values.held = kCommand;
  read_only_values.places = kRunPlaces;
  read_only_values.due = [](L) { return Due{}; };

  run_table("surroundings",
            {file_at_start, file_later, read_only_first, read_only, read_only_values});
}

TEST(BadInput, ChangesByOtherProgramsSinceTheScanAreReportedAndLoseNothing) {
  Input value_deleted = command_input("a value deleted since the scan", sz("c:\\tool.exe"));
  value_deleted.operations = {Operation::Exit, Operation::Remove, Operation::Modify};
  value_deleted.since_scan = [](World& world, Entry& entry) {
    const auto [hive, key] = key_of(entry.location);
    ASSERT_EQ(world.os_.registry.erase(hive, key, entry.name), true);
    entry.gone = true;
  };
  // Gone is what Remove wanted: the item goes, and the user hears it was not there.
  // Modify says so too, and opens nothing that OK could store anew.
  value_deleted.due = [](L) {
    return Due{
        .exit_moves = false, .exit_message = true, .remove_message = true, .modify_message = true};
  };

  Input value_changed = command_input("a value changed since the scan", sz("c:\\old.exe"));
  value_changed.operations = {Operation::Exit, Operation::Remove, Operation::Modify};
  value_changed.since_scan = [](World& world, Entry& entry) {
    entry.held = Held{regtype::kSz, sz("c:\\new.exe /changed")};
    world.store(entry);
  };

  Input shortcut_deleted = shortcut_input("a shortcut deleted since the scan", "Tool");
  shortcut_deleted.operations = {Operation::Exit, Operation::Remove};
  shortcut_deleted.since_scan = [](World& world, Entry& entry) {
    std::filesystem::remove(substitute::SubstituteFiles::host_path(
        shortcut_path(world.folder(entry.location), entry.name)));
    entry.gone = true;
  };
  shortcut_deleted.due = [](L) {
    return Due{.exit_moves = false, .exit_message = true, .remove_message = true};
  };

  run_table("changes since the scan", {value_deleted, value_changed, shortcut_deleted});
}

// Values that list programs: whatever they hold, each program Windows would
// read from them is listed, or nothing is; the work grows with the value.
class ProgramListsTest : public CatalogueTest {};

TEST_F(ProgramListsTest, ValuesOfEveryShapeListTheirProgramsTruthfullyOrNothing) {
  const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const std::string load = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  std::vector<std::uint8_t> unterminated = sz("userinit.exe,C:\\bare.exe");
  unterminated.resize(unterminated.size() - 2);
  std::string many;
  for (int i = 0; i < 100'000; ++i) many += "p" + std::to_string(i) + ".exe ";
  const struct {
    std::string label;
    Hive hive;
    std::string key;
    std::string value;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::size_t listed;
    std::string last = {};
  } cases[] = {
      {"Userinit stored as a number",
       kHkeyLocalMachine,
       winlogon,
       "Userinit",
       regtype::kDword,
       {1, 0, 0, 0},
       0},
      {"Shell as a list of strings", kHkeyLocalMachine, winlogon, "Shell", regtype::kMultiSz,
       sz(std::string("a.exe\0b.exe\0", 12)), 0},
      {"Shell of no bytes", kHkeyLocalMachine, winlogon, "Shell", regtype::kSz, {}, 0},
      {"Load of an odd byte", kHkeyCurrentUser, load, "Load", regtype::kSz, {'a'}, 0},
      {"empty Load", kHkeyCurrentUser, load, "Load", regtype::kSz, sz(""), 0},
      {"Userinit without its NUL", kHkeyLocalMachine, winlogon, "Userinit", regtype::kSz,
       unterminated, 1, "C:\\bare.exe"},
      {"Userinit read up to a NUL", kHkeyLocalMachine, winlogon, "Userinit", regtype::kSz,
       sz(std::string("userinit.exe,a.exe\0b.exe", 25)), 1, "a.exe"},
      {"a value named Userinit and more after a NUL", kHkeyLocalMachine, winlogon,
       std::string("Userinit\0x", 10), regtype::kSz, sz("C:\\hidden.exe"), 0},
      {"100,000 programs in Load", kHkeyCurrentUser, load, "Load", regtype::kSz, sz(many), 100'000,
       "p99999.exe"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.label);
    os_.registry.put(test.hive, test.key, test.value, test.type, test.data);
    while (list_.count() > 0) list_.remove(0);
    const ScanResult result = run_scan(catalogue_);
    EXPECT_THAT(result.problems, ::testing::IsEmpty());
    ASSERT_EQ(static_cast<std::size_t>(list_.count()), test.listed);
    if (!test.last.empty()) {
      const L where = test.key == winlogon ? L::Winlogon : L::CurrentUserLoad;
      const int index = find_item(test.last, where);
      ASSERT_GE(index, 0);
      EXPECT_EQ(describe_item(catalogue_, index).command, test.last);
    }
    EXPECT_EQ(os_.registry.open_handles(), 0u);
    os_.registry.remove_key(test.hive, test.key);
  }
}

}  // namespace
}  // namespace rw::testing
