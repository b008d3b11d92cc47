// Lays startup entries out in the eight places for a benchmark, straight
// through the Win32 registry and file calls, and takes every one of them
// away again afterwards, wherever a run has moved it to.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "catalogue/places.h"

namespace rw::bench {

// Every seeded name starts with this, so a check can tell them from entries
// that were there before.
inline constexpr std::string_view kSeedPrefix = "RWBench ";

struct SeededEntry {
  std::string name;
  StartupLocation location;
};

inline constexpr StartupLocation kRunValuePlaces[] = {
    StartupLocation::AllUsersRun, StartupLocation::CurrentUserRun,
    StartupLocation::CurrentUserRunParked, StartupLocation::AllUsersRunParked};
inline constexpr StartupLocation kShortcutPlaces[] = {
    StartupLocation::CurrentUserStartup, StartupLocation::AllUsersStartup,
    StartupLocation::CurrentUserStartupParked, StartupLocation::AllUsersStartupParked};

class Seeder {
 public:
  // The places as a program in `program_folder` sees them. Notes which keys
  // and parking folders exist already, so that only new ones are removed.
  explicit Seeder(std::string program_folder);
  // Removes every seeded entry and the keys and folders that were not there.
  ~Seeder();
  Seeder(const Seeder&) = delete;
  Seeder& operator=(const Seeder&) = delete;

  // Adds `count` new entries, spread evenly over `places`.
  void seed(std::span<const StartupLocation> places, int count);
  // Takes every seeded entry out of both its place and its partner place, and
  // lays them all out again where they were seeded.
  void reset();

  const std::vector<SeededEntry>& entries() const { return entries_; }
  // The folder of a shortcut place; empty for a Run-value place.
  std::string folder_of(StartupLocation location) const;
  // True when the entry is stored at that place now.
  bool stored_at(const std::string& name, StartupLocation location) const;

 private:
  void write_entries(std::span<const SeededEntry> entries) const;
  void remove_entries() const;
  void remove_created_keys_and_folders() const;

  struct KeyPath {
    Hive hive;
    std::string path;
  };
  std::string program_folder_;
  std::string current_user_startup_;
  std::string all_users_startup_;
  std::vector<SeededEntry> entries_;
  std::vector<KeyPath> created_keys_;         // deepest last
  std::vector<std::string> created_folders_;  // deepest last
};

}  // namespace rw::bench
