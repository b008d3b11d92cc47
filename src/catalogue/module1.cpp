#include "catalogue/module1.h"

namespace rw {

std::string place_folder(const PlaceInfo& info, const Module1& module,
                         std::string_view program_folder) {
  switch (info.folder) {  // the one place that maps a folder role to a path
    case FolderRole::AllUsersStartup:
      return module.AllUsersStartupPath;
    case FolderRole::CurrentUserStartup:
      return module.CurrentUserStartupPath;
    case FolderRole::AllUsersParking:
      return std::string(program_folder) + std::string(kAllUsersParkingTail);
    case FolderRole::CurrentUserParking:
      return std::string(program_folder) + std::string(kCurrentUserParkingTail);
    case FolderRole::None:
      break;
  }
  return {};
}

std::string shortcut_path(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name) + std::string(kShortcutSuffix);
}

std::string run_value_key_path(const PlaceInfo& info) {
  return info.active ? std::string(kRunKeyPath) : parking_section_key_path(info.hive);
}

Hive run_value_key_hive(const PlaceInfo& info) {
  return info.active ? info.hive : kHkeyCurrentUser;
}

std::string titled(std::string_view suffix) {
  return std::string(kProgramTitle) + std::string(suffix);
}

}  // namespace rw
