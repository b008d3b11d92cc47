// The sample entries that run.sh puts into the sandbox prefix it creates, so
// that a newcomer's first run shows what Runwarden does. A tool of the
// repository: neither the program nor any package contains it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/places.h"

namespace rw::tools {

struct SampleEntry {
  StartupLocation location;
  std::string_view name;     // the value's name, or the shortcut's without ".lnk"
  std::string_view program;  // the value's command, or the shortcut's target
};

// One of each place a newcomer meets: a Run value of the user and of the
// machine, a switched-off value of the user, and a shortcut in each Startup
// folder. Each starts a program that every Wine prefix has.
inline constexpr std::array<SampleEntry, 5> kSampleEntries = {{
    {StartupLocation::CurrentUserRun, "Sample - Notepad", "C:\\windows\\notepad.exe"},
    {StartupLocation::AllUsersRun, "Sample - Registry Editor", "C:\\windows\\regedit.exe"},
    {StartupLocation::CurrentUserRunParked, "Sample - Clock", "C:\\windows\\system32\\clock.exe"},
    {StartupLocation::CurrentUserStartup, "Sample - About Wine",
     "C:\\windows\\system32\\winver.exe"},
    {StartupLocation::AllUsersStartup, "Sample - Minesweeper",
     "C:\\windows\\system32\\winemine.exe"},
}};

// Writes every sample where its place keeps it: a value, or a real shortcut.
// Returns a line for each sample that could not be written, naming it, where
// it was going and the system's words for why; empty when all were written.
std::vector<std::string> write_sample_entries();

}  // namespace rw::tools
