// What the Wine tests, the benchmarks and the tools share about the Wine
// prefix they run in: whether they run under Wine at all, the hives as
// HKEYs, whether a key exists, removing a folder tree whatever its files'
// attributes, task files placed by hand, and the signed test programs with
// their root.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace rw::wine_support {

// True when this process runs under Wine, whose ntdll has wine_get_version.
bool running_under_wine();

HKEY root_of(Hive hive);
bool key_exists(Hive hive, const std::wstring& path);
// Removes the folder and everything in it; what cannot go is left.
void remove_tree(const std::wstring& folder);

// Task Scheduler's folder of task files, %SystemRoot%\System32\Tasks.
std::wstring task_files_folder();
// The XML as Task Scheduler writes its files: UTF-16LE after a byte order mark.
std::string task_file_bytes(const std::string& xml);
// Writes the bytes as the file of the task at the path ("\Folder\Name"),
// making its folders, however deep: a task placed by hand, since Wine's
// Task Scheduler cannot register one whole.
void place_task_file(const std::string& path, const std::string& bytes);
// The folder of the signed test programs (tools/signed-programs) as a
// Windows path; empty when they were not made.
std::wstring signed_programs_folder();

// Makes this Wine prefix trust the root that issued the signed test
// programs' certificate, as an administrator adds a root to the machine's
// store, for as long as it lives. Wine reads the roots once in a process:
// a process must trust it before its first signature check.
class TrustedTestRoot {
 public:
  TrustedTestRoot();
  ~TrustedTestRoot();
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;
  // False when the root could not be read or stored.
  bool trusted() const { return !key_.empty(); }

 private:
  std::wstring key_;  // under HKEY_LOCAL_MACHINE
};

}  // namespace rw::wine_support
