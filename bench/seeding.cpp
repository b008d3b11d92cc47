#include "bench/seeding.h"

#include <cstdio>

namespace rw::bench {

namespace {

// Distinct names in an order unlike the order of seeding, so that the list's
// sorted insert lands all over the list rather than always at its end.
std::string next_name() {
  static unsigned counter = 0;
  ++counter;
  char text[48];
  std::snprintf(text, sizeof text, "%s%08x %06u", kSeedPrefix.data(), counter * 2654435761u,
                counter);
  return text;
}

// The flag a seeded entry gets: of every hundred entries of active places,
// the first switched off and the fifty-first switched on.
std::uint8_t flag_for(Flags flags, int candidate) {
  if (flags == Flags::None) return flag::kNone;
  if (candidate % 100 == 0)
    return (candidate / 100) % 2 == 0 ? flag::kOffByTaskManager : flag::kOffBySettings;
  return candidate % 100 == 50 ? flag::kOn : flag::kNone;
}

}  // namespace

std::string seeded_program(const std::string& name) {
  return "C:\\Program Files\\RWBench\\" + name + ".exe";
}

Seeder::Seeder(std::string program_folder)
    : places_(std::string(kSeedPrefix), seeding::shortcut_folders(program_folder)),
      packages_folder_(program_folder + "\\RWBench packages") {}

// Named without the seed prefix: the checks of seeded entries count those of
// the Run keys and folders only.
void Seeder::seed_packaged_tasks(int count) {
  for (int i = 0; i < count; ++i) {
    const std::string app = "RWBench.App" + std::to_string(packaged_tasks_.size());
    const std::string full_name = app + "_1.0.0.0_x64__8wekyb3d8bbwe";
    packaged_tasks_.push_back(
        {app + "_8wekyb3d8bbwe", "Startup", 2, full_name, packages_folder_ + "\\" + full_name,
         seeding::startup_task_manifest("Startup", app + " at logon", "App.exe")});
  }
  write_packaged_tasks();
}

void Seeder::write_packaged_tasks() {
  if (packaged_tasks_.empty()) return;
  places_.folder(packages_folder_);
  for (const seeding::Seeder::PackagedTask& task : packaged_tasks_) places_.packaged_task(task);
}

void Seeder::seed_tasks(int count) {
  for (int i = 0; i < count; ++i) {
    places_.task("Task " + std::to_string(i), R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger/></Triggers>
  <Settings><Enabled>true</Enabled></Settings>
  <Actions Context="Author"><Exec><Command>C:\RWBench\task.exe</Command></Exec></Actions>
</Task>
)");
  }
}

void Seeder::seed(std::span<const StartupLocation> places, int count, Flags flags) {
  std::vector<SeededEntry> added;
  added.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const StartupLocation location = places[static_cast<std::size_t>(i) % places.size()];
    SeededEntry entry{next_name(), location};
    if (place(location).active) entry.flag = flag_for(flags, flag_candidates_++);
    added.push_back(std::move(entry));
  }
  write(added);
  entries_.insert(entries_.end(), added.begin(), added.end());
}

void Seeder::seed_program_lists(int count) {
  static unsigned counter = 0;
  for (const PlaceInfo& info : kPlaces) {
    for (std::size_t list = 0; list < info.lists.size(); ++list) {
      // Each program a name without blanks, which the load lines split at.
      const std::string_view own = info.lists[list].windows_own;
      std::string text = own.empty() ? std::string() : std::string(own) + ".exe";
      for (int i = 0; i < count; ++i) {
        const std::string program =
            std::string(kSeedListFolder) + "p" + std::to_string(++counter) + ".exe";
        text += (text.empty() ? "" : ",") + program;
        entries_.push_back(SeededEntry{program, info.location});
      }
      lists_.push_back(ListText{info.location, list, std::move(text)});
    }
  }
  write_lists();
}

void Seeder::reset() {
  places_.take_back();
  write(entries_);
  write_lists();
  write_packaged_tasks();
}

void Seeder::write_lists() {
  for (const ListText& list : lists_) places_.programs(list.location, list.list, list.text);
}

void Seeder::write(std::span<const SeededEntry> entries) {
  // Not a working shortcut: the program copies the file whole and never
  // opens it, so only its size matters.
  std::string shortcut(512, '\0');
  shortcut[0] = 'L';
  for (const SeededEntry& entry : entries) {
    if (place(entry.location).storage == Storage::ProgramLists) continue;  // see write_lists
    if (place(entry.location).storage == Storage::Shortcuts) {
      places_.shortcut(entry.location, entry.name, shortcut);
    } else {
      places_.text(entry.location, entry.name,
                   "\"" + seeded_program(entry.name) + "\" /background");
    }
    if (entry.flag != flag::kNone) places_.flag(entry.location, entry.name, entry.flag);
  }
}

}  // namespace rw::bench
