// What the Wine tests and the benchmarks share to arrange the real registry
// and folders around the code under test: the hives as HKEYs, whether a key
// exists, removing a folder tree whatever its files' attributes, and task
// files placed by hand.
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

// Task Scheduler's folder of task files, %SystemRoot%\System32\Tasks.
std::wstring task_files_folder();
// The XML as Task Scheduler writes its files: UTF-16LE after a byte order mark.
std::string task_file_bytes(const std::string& xml);
// Writes the bytes as the file of the task at the path ("\Folder\Name"),
// making its folders, however deep: a task placed by hand, since Wine's
// Task Scheduler cannot register one whole.
void place_task_file(const std::string& path, const std::string& bytes);

}  // namespace rw::wine_support
