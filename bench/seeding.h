// Lays startup entries out in the places for a benchmark, through the
// seeder, with Windows' own on/off flag for some of them; the seeder takes
// every one of them away again afterwards, wherever a run has moved it to.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "catalogue/places.h"
#include "support/seeder.h"

namespace rw::bench {

// Every seeded name starts with this, so a check can tell them from entries
// that were there before.
inline constexpr std::string_view kSeedPrefix = "RWBench ";
// And every seeded program of a list, whose name is its path: a list of the
// load lines splits a name at its blanks.
inline constexpr std::string_view kSeedListFolder = "C:\\RWBench\\";

// The first byte of a StartupApproved value as Windows writes it: its lowest
// bit says the entry is switched off (Task Manager writes 03, Settings 07).
namespace flag {
inline constexpr std::uint8_t kNone = 0;  // no value at all
inline constexpr std::uint8_t kOn = 0x02;
inline constexpr std::uint8_t kOffByTaskManager = 0x03;
inline constexpr std::uint8_t kOffBySettings = 0x07;
}  // namespace flag

struct SeededEntry {
  std::string name;
  StartupLocation location;
  std::uint8_t flag = flag::kNone;
  bool switched_off() const { return (flag & 1) != 0; }
};

inline constexpr StartupLocation kRunValuePlaces[] = {
    StartupLocation::AllUsersRun,          StartupLocation::CurrentUserRun,
    StartupLocation::CurrentUserRunParked, StartupLocation::AllUsersRunParked,
    StartupLocation::AllUsersRun32,        StartupLocation::AllUsersRun32Parked};
// The other places of Run values: RunOnce with its parking, and the Run keys
// set by policies.
inline constexpr StartupLocation kMoreValuePlaces[] = {
    StartupLocation::CurrentUserRunOnce,    StartupLocation::AllUsersRunOnce,
    StartupLocation::AllUsersRunOnce32,     StartupLocation::CurrentUserRunOnceParked,
    StartupLocation::AllUsersRunOnceParked, StartupLocation::AllUsersRunOnce32Parked,
    StartupLocation::CurrentUserPolicyRun,  StartupLocation::AllUsersPolicyRun};
inline constexpr StartupLocation kShortcutPlaces[] = {
    StartupLocation::CurrentUserStartup, StartupLocation::AllUsersStartup,
    StartupLocation::CurrentUserStartupParked, StartupLocation::AllUsersStartupParked};

// Which seeded entries get a StartupApproved value.
enum class Flags {
  None,
  // Of the entries of active places, one in a hundred switched off (as 03
  // and 07 in turn) and one in a hundred more switched on (02).
  SomeSwitchedOff,
};

// The program a seeded Run value names, quoted, with "/background" after it.
// No such file is there.
std::string seeded_program(const std::string& name);

class Seeder {
 public:
  // The places as a program in `program_folder` sees them.
  explicit Seeder(std::string program_folder);

  // Adds `count` new entries, spread evenly over `places`.
  void seed(std::span<const StartupLocation> places, int count, Flags flags = Flags::None);
  // Adds `count` scheduled tasks that start at logon; reset() leaves them.
  void seed_tasks(int count);
  // Adds `count` programs to every list of every place of program lists,
  // after Windows' own program where the list names one.
  void seed_program_lists(int count);
  // Adds `count` packaged apps' startup tasks, each of a package of its own
  // whose manifest is in a folder beside the program.
  void seed_packaged_tasks(int count);
  // Takes every seeded entry and flag out of every place, and lays them all
  // out again as they were seeded.
  void reset();

  const std::vector<SeededEntry>& entries() const { return entries_; }
  const std::vector<seeding::Seeder::PackagedTask>& packaged_tasks() const {
    return packaged_tasks_;
  }
  // Where the entries are, and where they are now.
  const seeding::Seeder& places() const { return places_; }

 private:
  void write(std::span<const SeededEntry> entries);

  void write_lists();
  void write_packaged_tasks();

  seeding::Seeder places_;
  std::string packages_folder_;
  std::vector<SeededEntry> entries_;
  struct ListText {
    StartupLocation location;
    std::size_t list;
    std::string text;
  };
  std::vector<ListText> lists_;
  std::vector<seeding::Seeder::PackagedTask> packaged_tasks_;
  int flag_candidates_ = 0;  // entries of active places seeded so far
};

}  // namespace rw::bench
