// Fails every platform call of each operation in turn and checks what must
// hold whatever fails: every entry still stored in one of its two places with
// its command and type unchanged (or changed exactly as the fault-free run
// changes it), the list true to what is stored, the user told which entry
// and why, and no registry key left open.
#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>

#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "fixture.h"
#include "platform/settings_store.h"
#include "platform/substitute/substitute.h"

namespace rw::testing {
namespace {

namespace fs = std::filesystem;
using substitute::Fault;

constexpr std::string_view kCause = "Access is denied.";

struct World {
  World() : platform(os.platform()), list(os.text_rules), catalogue{platform, list} {}
  substitute::SubstitutePlatform os;
  Platform platform;
  SortedEntryList list;
  Catalogue catalogue;

  std::string folder_of(const PlaceInfo& info) { return testing::folder_of(os, info.location); }
  void store(StartupLocation location, const std::string& name, const std::string& command,
             std::uint32_t type = regtype::kSz) {
    const PlaceInfo& info = place(location);
    if (info.storage ==
        Storage::Shortcuts) {  // a parking folder, as the park that put it there made
      fs::create_directories(substitute::SubstituteFiles::host_path(folder_of(info)));
      os.files.write_file(shortcut_path(folder_of(info), name), command);
      return;
    }
    if (!info.active && type == regtype::kExpandSz) {  // parked: text plus its type record
      os.registry.put_string(kHkeyCurrentUser, type_record_key(location), name, "2");
      type = regtype::kSz;
    }
    const auto [hive, key] = key_of(location);
    os.registry.put_string(hive, key, name, command, type);
  }
  void rescan() {
    while (list.count() > 0) list.remove(0);
    run_scan(catalogue);
  }
  void select(const std::string& name, StartupLocation location) {
    for (int i = 0; i < list.count(); ++i) {
      if (list.text(i) == name && list.tag(i) == static_cast<std::int32_t>(location))
        list.set_current(i);
    }
  }
  void toggle(const std::string& name, StartupLocation location) {
    select(name, location);
    list.set_checked(list.current(), !list.checked(list.current()));
  }
};

// What is stored, read past the call log: for each entry (its name and the
// pair of places it belongs to), the places holding it and what they hold.
using Holding = std::set<std::pair<int, std::string>>;
using Stored = std::map<std::pair<int, std::string>, Holding>;

int pair_of(const PlaceInfo& info) {
  const int location = static_cast<int>(info.location);
  return info.partner ? std::min(location, static_cast<int>(*info.partner)) : location;
}

std::string run_value_content(World& world, const PlaceInfo& info, const std::string& name) {
  const auto [hive, key] = key_of(info.location);
  const auto value = world.os.registry.get(hive, key, name);
  std::uint32_t type = value->type;
  if (!info.active) {
    const auto record =
        world.os.registry.get_string(kHkeyCurrentUser, type_record_key(info.location), name);
    if (record == "2") type = regtype::kExpandSz;
  }
  std::string text = is_string_type(value->type)
                         ? registry_bytes_to_text(value->data)
                         : std::string(value->data.begin(), value->data.end());
  return std::to_string(type) + ":" + text;
}

Stored stored_entries(World& world) {
  Stored stored;
  for (const PlaceInfo& info : kPlaces) {
    const int location = static_cast<int>(info.location);
    // read-only: nothing to keep, and no operation reaches them
    if (info.storage == Storage::ProgramLists || info.storage == Storage::PackagedTasks ||
        info.storage == Storage::ScheduledTasks)
      continue;
    // scheduled tasks: see scheduled_task_tests.cpp
    if (info.storage != Storage::Shortcuts) {
      const auto [hive, key] = key_of(info.location);
      for (const std::string& name : world.os.registry.value_names(hive, key)) {
        stored[{pair_of(info), name}].insert({location, run_value_content(world, info, name)});
      }
      continue;
    }
    std::error_code error;
    const fs::path folder = substitute::SubstituteFiles::host_path(world.folder_of(info));
    for (const auto& file : fs::directory_iterator(folder, error)) {
      const std::string file_name = file.path().filename().string();
      if (!file.is_regular_file() || !file_name.ends_with(kShortcutSuffix)) continue;
      const std::string name = file_name.substr(0, file_name.size() - kShortcutSuffix.size());
      stored[{pair_of(info), name}].insert(
          {location, *world.os.files.read_file(shortcut_path(world.folder_of(info), name))});
    }
  }
  return stored;
}

std::set<std::pair<int, std::string>> listed_entries(const EntryList& list) {
  std::set<std::pair<int, std::string>> listed;
  for (int i = 0; i < list.count(); ++i) listed.insert({list.tag(i), list.text(i)});
  return listed;
}

std::set<std::pair<int, std::string>> stored_places(const Stored& stored) {
  std::set<std::pair<int, std::string>> places;
  for (const auto& [entry, holding] : stored) {
    for (const auto& [location, content] : holding) places.insert({location, entry.second});
  }
  return places;
}

struct Scenario {
  std::string name;
  std::function<void(World&)> arrange;  // runs without faults
  std::function<void(World&)> act;
  bool list_follows_store = true;  // false for Exit: the window unloads after it
  bool scan = false;               // the scan reports through its caller
};

// Entries in every place that no operation below aims at; they must come
// through every fault untouched.
void store_bystanders(World& world) {
  for (const PlaceInfo& info : kPlaces) {
    // read-only: nothing to keep, and no operation reaches them
    if (info.storage == Storage::ProgramLists || info.storage == Storage::PackagedTasks ||
        info.storage == Storage::ScheduledTasks)
      continue;
    // scheduled tasks: see scheduled_task_tests.cpp
    world.store(info.location, "Bystander " + std::string(info.name), "C:\\b.exe");
  }
}

std::uint32_t type_for(const PlaceInfo& info) {
  return info.storage != Storage::Shortcuts && info.scope == Scope::AllUsers ? regtype::kExpandSz
                                                                             : regtype::kSz;
}

std::vector<Scenario> scenarios() {
  std::vector<Scenario> all;
  all.push_back(Scenario{"scan",
                         [](World& w) {
                           store_bystanders(w);
                           w.rescan();
                         },
                         [](World& w) {
                           while (w.list.count() > 0) w.list.remove(0);
                           const ScanResult result = run_scan(w.catalogue);
                           const std::string message =
                               scan_problems_message(w.os.status_text, result);
                           if (!message.empty())
                             w.os.dialogs.message_box(message, mb::kCritical, "scan");
                         },
                         true, true});
  for (const PlaceInfo& info : kPlaces) {
    // A read-only place refuses every operation before any call: nothing to fail.
    if (info.actions.read_only() || info.storage == Storage::ScheduledTasks) continue;
    const StartupLocation location = info.location;
    const std::string target = "Target " + std::string(info.name);
    all.push_back(Scenario{"Exit moving " + std::string(info.name),
                           [=](World& w) {
                             w.rescan();  // resolves the folders
                             store_bystanders(w);
                             w.store(location, target, "%SystemRoot%\\t.exe /x", type_for(info));
                             w.rescan();
                             w.toggle(target, location);
                           },
                           [](World& w) { apply_changes_on_exit(w.catalogue); }, false});
    all.push_back(Scenario{"Remove from " + std::string(info.name),
                           [=](World& w) {
                             w.rescan();
                             store_bystanders(w);
                             w.store(location, target, "%SystemRoot%\\t.exe /x", type_for(info));
                             w.rescan();
                             w.select(target, location);
                           },
                           [](World& w) { remove_entry(w.catalogue); }});
    if (info.storage == Storage::Shortcuts) continue;
    all.push_back(Scenario{"Modify's OK in " + std::string(info.name),
                           [=](World& w) {
                             w.rescan();
                             store_bystanders(w);
                             w.store(location, target, "%SystemRoot%\\t.exe /x", type_for(info));
                             w.rescan();
                             w.select(target, location);
                             ASSERT_TRUE(begin_modify(w.catalogue).has_value());
                           },
                           [=](World& w) {
                             commit_modify(w.catalogue, ModifyRequest{{}, target, {}, location},
                                           "C:\\New Tool\\t.exe /y");
                           }});
  }
  for (const StartupLocation location :
       {StartupLocation::AllUsersStartup, StartupLocation::CurrentUserStartup}) {
    // The first shortcut parked makes the parking folders.
    all.push_back(Scenario{"Exit parking into no folder from " + std::string(place(location).name),
                           [=](World& w) {
                             w.rescan();
                             w.store(location, "Target", "link");
                             fs::remove_all(substitute::SubstituteFiles::host_path(
                                 w.os.folders.program_folder() + "\\DISABLED"));
                             w.rescan();
                             w.toggle("Target", location);
                           },
                           [](World& w) { apply_changes_on_exit(w.catalogue); }, false});
  }
  for (const bool replacing : {false, true}) {
    all.push_back(Scenario{replacing ? "Add replacing an entry" : "Add",
                           [=](World& w) {
                             w.rescan();
                             store_bystanders(w);
                             if (replacing)
                               w.store(StartupLocation::CurrentUserRun, "Target", "C:\\old.exe");
                             w.rescan();
                             w.os.dialogs.file_answers.push_back(
                                 OpenFileResult{true, "C:\\Tools\\Target.exe", "Target.exe"});
                           },
                           [](World& w) { add_entry(w.catalogue); }});
  }
  return all;
}

struct Outcome {
  Stored before;
  Stored after;
  std::set<std::pair<int, std::string>> listed;
  std::vector<substitute::ShownMessage> messages;
  std::optional<PlatformError> escaped;
  std::size_t open_handles = 0;
  std::uint64_t calls = 0;
};

Outcome run(const Scenario& scenario, std::optional<std::uint64_t> failing_call) {
  World world;
  scenario.arrange(world);
  Outcome outcome;
  outcome.before = stored_entries(world);
  world.os.dialogs.messages.clear();
  world.os.log.clear();
  if (failing_call) world.os.log.add_fault(Fault{*failing_call, "", status::kAccessDenied});
  try {
    scenario.act(world);
  } catch (const PlatformError& error) {
    outcome.escaped = error;
  }
  outcome.calls = world.os.log.count();
  world.os.log.clear_faults();
  outcome.after = stored_entries(world);
  outcome.listed = listed_entries(world.list);
  outcome.messages = world.os.dialogs.messages;
  outcome.open_handles = world.os.registry.open_handles();
  return outcome;
}

bool told(const Outcome& outcome, const std::string& name) {
  for (const auto& message : outcome.messages) {
    if (message.prompt.find(name) != std::string::npos &&
        message.prompt.find(kCause) != std::string::npos)
      return true;
  }
  return false;
}

// Everything a faulted run broke, in words; empty when it held.
std::vector<std::string> broken(const Scenario& scenario, const Outcome& clean,
                                const Outcome& faulted) {
  std::vector<std::string> faults;
  // The scan's own failures end the start; its caller tells them, path and all.
  if (faulted.escaped && !(scenario.scan && !faulted.escaped->subject().empty())) {
    faults.push_back("error escaped: " + faulted.escaped->operation() + " " +
                     faulted.escaped->subject());
  }
  if (faulted.open_handles != 0) faults.push_back("registry key left open");

  std::set<std::pair<int, std::string>> entries;
  for (const auto* stored : {&faulted.before, &clean.after, &faulted.after}) {
    for (const auto& [entry, holding] : *stored) entries.insert(entry);
  }
  for (const auto& entry : entries) {
    const auto find = [&](const Stored& stored) {
      const auto it = stored.find(entry);
      return it == stored.end() ? Holding{} : it->second;
    };
    const Holding before = find(faulted.before);
    const Holding wanted = find(clean.after);
    const Holding got = find(faulted.after);
    if (got == wanted) continue;
    // Short of what was wanted, the entry must still be whole somewhere.
    bool kept = before.empty() ? got.empty() : false;
    for (const auto& [location, content] : before) {
      for (const auto& held : got) kept = kept || held.second == content;
    }
    if (!kept) faults.push_back("'" + entry.second + "' lost or damaged");
    if (!told(faulted, entry.second) && !(scenario.scan && faulted.escaped))
      faults.push_back("'" + entry.second + "' not as wanted and the user not told");
  }

  if (scenario.list_follows_store && faulted.listed != stored_places(faulted.after)) {
    const bool explained = scenario.scan && (faulted.escaped || !faulted.messages.empty());
    if (!explained) faults.push_back("the list does not show what is stored");
  }
  return faults;
}

TEST(FaultMatrix, NoSingleFailingCallLosesAnEntryOrGoesUntold) {
  std::uint64_t injected = 0;
  std::uint64_t broken_count = 0;
  for (const Scenario& scenario : scenarios()) {
    const Outcome clean = run(scenario, std::nullopt);
    ASSERT_FALSE(clean.escaped.has_value()) << scenario.name;
    for (const auto& message : clean.messages) {  // questions only, answered Yes
      ASSERT_EQ(message.flags, mb::kYesNo) << scenario.name << ": " << message.prompt;
    }
    for (std::uint64_t call = 1; call <= clean.calls; ++call) {
      ++injected;
      const Outcome faulted = run(scenario, call);
      for (const std::string& fault : broken(scenario, clean, faulted)) {
        ++broken_count;
        ADD_FAILURE() << scenario.name << ", call " << call << " failing: " << fault;
      }
    }
  }
  std::cout << "fault matrix: " << injected << " faults injected, " << broken_count
            << " invariants broken\n";
}

}  // namespace
}  // namespace rw::testing
