// What the Wine tests and the benchmarks share to arrange the real registry
// and folders around the code under test: the hives as HKEYs, whether a key
// exists, and removing a folder tree whatever its files' attributes.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace rw::wine_support {

HKEY root_of(Hive hive);
bool key_exists(Hive hive, const std::wstring& path);
// Removes the folder and everything in it; what cannot go is left.
void remove_tree(const std::wstring& folder);

// Removes the values whose names begin with `prefix` from Windows' own
// on/off flags (StartupApproved) of every place, which outlive the entries
// they were written for.
void remove_startup_flags(const std::wstring& prefix);

}  // namespace rw::wine_support
