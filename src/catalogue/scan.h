// The start-up scan: makes sure the parking folders exist, resolves the
// Startup folders, and lists every entry of every place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/module1.h"

namespace rw {

// "Runwarden v" + major + "." + minor
std::string main_window_caption();

// The special folder when its path has 3 or more characters, else the
// Windows folder + fallback_tail.
std::string resolve_startup_folder(Folders& folders, int csidl, std::string_view windows_folder,
                                   std::string_view fallback_tail);

// Creates the parking root and its two folders where they are missing.
// Raises PlatformError naming the path that could not be created.
void ensure_parking_folders(FileSystem& files, std::string_view program_folder);

struct ScanResult {
  std::string caption;
  // Places that could not be read whole: the list lacks what they hold, so
  // the user must be told.
  std::vector<PlatformError> problems;
};

// Runs the whole scan into the list. Raises PlatformError when a parking
// folder cannot be created; the caller reports it and ends the program.
ScanResult run_scan(Catalogue& catalogue);

// The problems of a scan as one message for the user; empty when none.
std::string scan_problems_message(StatusText& text, const ScanResult& result);

}  // namespace rw
