// The floors the benchmarks compare against: the operating-system calls an
// operation makes, done alone in a tight loop, with nothing of the program's
// own around them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/seeding.h"

namespace rw::bench {

// What the scan's walk asks the OS: the policies that switch whole lists
// off, every value name of the places of values (each in its own view of the
// registry), every "*.lnk" of the shortcut folders and every list of
// programs read whole; and, for each active place that holds any entry,
// every value of its StartupApproved key with its data.
struct Enumerated {
  std::size_t entries = 0;       // names seen in the places
  std::size_t flags = 0;         // StartupApproved values read
  std::size_t switched_off = 0;  // of those, the ones whose first byte says off
};
Enumerated enumerate_places(const seeding::Seeder& places);
// The StartupApproved part of that alone: every active place's key read.
Enumerated read_flag_keys();

// What describing the entries asks beyond the scan: whether each Run value's
// program file is there, and each shortcut loaded through one shell link.
// Returns the number of entries asked about.
std::size_t check_programs(const seeding::Seeder& places, const std::vector<SeededEntry>& entries);

// What Exit asks the OS to move each entry to its partner place: read, write
// the destination (a file copy for shortcuts), then write the StartupApproved
// value off when parking or read it when restoring, and remove the source.
// Returns the number of moves that went through.
std::size_t move_to_partners(const seeding::Seeder& places,
                             const std::vector<SeededEntry>& entries);

// What checking program files' signatures and hashing them asks of Windows:
// for each file WinVerifyTrust, Windows' catalogues where the file carries
// no signature, the signer's name from the verification or, for a file
// changed since it was signed, from its signature itself; then its SHA-256
// through CNG, read in chunks. Counts what the checks found.
struct SignaturesChecked {
  std::size_t valid = 0, not_signed = 0, not_trusted = 0, not_valid = 0, other = 0;
  std::size_t named = 0;   // files whose signer was named
  std::size_t hashed = 0;  // files hashed whole
};
SignaturesChecked check_signatures(const std::vector<std::wstring>& files);

}  // namespace rw::bench
