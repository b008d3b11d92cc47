// The floors the benchmarks compare against: the operating-system calls an
// operation makes, done alone in a tight loop, with nothing of the program's
// own around them.
#pragma once

#include <cstddef>
#include <vector>

#include "bench/seeding.h"

namespace rw::bench {

// What the scan's walk asks the OS: every value name of the four Run-value
// places and every "*.lnk" of the four shortcut folders. Returns the number
// of names seen.
std::size_t enumerate_places(const Seeder& places);

// What Exit asks the OS to move each entry to its partner place: read, write
// the destination, remove the source (a file copy and delete for shortcuts).
// Returns the number of moves that went through.
std::size_t move_to_partners(const Seeder& places, const std::vector<SeededEntry>& entries);

}  // namespace rw::bench
