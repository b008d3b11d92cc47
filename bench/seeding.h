// Lays startup entries out in the places for a benchmark, straight through
// the Win32 registry and file calls, with Windows' own on/off flag for some
// of them, and takes every one of them away again afterwards, wherever a run
// has moved it to.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "catalogue/places.h"

namespace rw::bench {

// Every seeded name starts with this, so a check can tell them from entries
// that were there before.
inline constexpr std::string_view kSeedPrefix = "RWBench ";

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
inline constexpr StartupLocation kShortcutPlaces[] = {
    StartupLocation::CurrentUserStartup, StartupLocation::AllUsersStartup,
    StartupLocation::CurrentUserStartupParked, StartupLocation::AllUsersStartupParked};

// The place whose StartupApproved key governs the entries of `info`: itself
// when active, else its partner, where a parked entry would start again.
const PlaceInfo& flag_owner(const PlaceInfo& info);
// The value that holds an entry's flag in that key.
std::string flag_value_name(const SeededEntry& entry);
// The 12 bytes Windows writes: the flag, three zero bytes, and when it was
// switched off (zero while on).
std::vector<std::uint8_t> flag_value_bytes(std::uint8_t flag);

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
  // The places as a program in `program_folder` sees them. Notes which keys
  // and parking folders exist already, so that only new ones are removed.
  explicit Seeder(std::string program_folder);
  // Removes every seeded entry and flag and the keys and folders that were
  // not there.
  ~Seeder();
  Seeder(const Seeder&) = delete;
  Seeder& operator=(const Seeder&) = delete;

  // Adds `count` new entries, spread evenly over `places`.
  void seed(std::span<const StartupLocation> places, int count, Flags flags = Flags::None);
  // Takes every seeded entry and flag out of both its place and its partner
  // place, and lays them all out again as they were seeded.
  void reset();

  const std::vector<SeededEntry>& entries() const { return entries_; }
  // The folder of a shortcut place; empty for a Run-value place.
  std::string folder_of(StartupLocation location) const;
  // True when the entry is stored at that place now.
  bool stored_at(const std::string& name, StartupLocation location) const;
  // The first byte of the entry's StartupApproved value now, or flag::kNone.
  std::uint8_t flag_now(const SeededEntry& entry) const;

 private:
  void write_entries(std::span<const SeededEntry> entries) const;
  void write_flags(std::span<const SeededEntry> entries) const;
  void remove_entries() const;
  void remove_flags() const;
  void remove_created_keys_and_folders() const;

  struct KeyPath {
    Hive hive;
    std::string path;
    std::uint32_t view;
  };
  // Notes each level of the key that is not there yet, highest first.
  void note_missing_levels(const KeyPath& key);

  std::string program_folder_;
  std::string current_user_startup_;
  std::string all_users_startup_;
  std::vector<SeededEntry> entries_;
  int flag_candidates_ = 0;                   // entries of active places seeded so far
  std::vector<KeyPath> created_keys_;         // deepest last
  std::vector<std::string> created_folders_;  // deepest last
};

}  // namespace rw::bench
