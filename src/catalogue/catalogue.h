// What every catalogue operation works on: the OS services, the list of
// entries, and where the folder places are on this computer.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/entry_list.h"
#include "catalogue/places.h"
#include "catalogue/task_definition.h"
#include "catalogue/users.h"
#include "platform/platform.h"

namespace rw {

// The folder of each folder place, resolved once: the Startup folders where
// Windows keeps them, the parking folders beside the program.
class PlaceFolders {
 public:
  // Asks Windows for the Startup folders by their CSIDLs, falling back to
  // the Windows folder + the row's tail when it gives no usable path.
  static PlaceFolders resolve(Folders& folders);
  // Empty for a place that keeps no files.
  const std::string& of(const PlaceInfo& info) const;

 private:
  std::array<std::string, kPlaces.size()> paths_;
};

// The special folder when its path has 3 or more characters, else the
// Windows folder + fallback_tail.
std::string resolve_startup_folder(Folders& folders, int csidl, std::string_view windows_folder,
                                   std::string_view fallback_tail);

// A task that starts with Windows or at logon, as it was listed.
struct StartupTask {
  std::string path;
  TaskDefinition definition;
  TaskStartup startup;
};

struct Catalogue {
  Platform& platform;
  EntryList& list;
  PlaceFolders folders = {};  // resolved by the scan
  // As last listed: a task's details come from here, as asking Task
  // Scheduler again costs a round trip to a service for every tip.
  std::vector<StartupTask> startup_tasks = {};
  // Whose entries are read, when a user is named: another user's scan reads
  // only the places kept in their hive (PlaceInfo::each_user), and the
  // entries there carry the user's name.
  const UserHive* user = nullptr;
};

}  // namespace rw
