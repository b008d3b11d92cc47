#include "catalogue/scan.h"

#include <array>
#include <vector>

namespace rw {

namespace {

// The order in which the places are walked. The list sorts its items, so the
// order decides only the order of adding.
constexpr std::array<StartupLocation, 8> kScanOrder = {
    StartupLocation::AllUsersRun,           StartupLocation::CurrentUserRun,
    StartupLocation::CurrentUserRunParked,  StartupLocation::AllUsersRunParked,
    StartupLocation::CurrentUserStartup,    StartupLocation::AllUsersStartup,
    StartupLocation::CurrentUserStartupParked, StartupLocation::AllUsersStartupParked,
};

void add_item(EntryList& list, std::string_view text, const PlaceInfo& info) {
  const int index = list.add(text);
  list.set_tag(index, static_cast<std::int32_t>(info.location));
  list.set_checked(index, info.active);
}

void walk_run_values(Catalogue& catalogue, const PlaceInfo& info) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  // The current user's Run key is read with its usual spelling; key names
  // ignore case, so it is the same key the operations write.
  const std::string path = info.location == StartupLocation::CurrentUserRun
                               ? std::string(kRunKeyPathForScan)
                               : run_value_key_path(info);
  module.LastStatus =
      registry.open_key(run_value_key_hive(info), path, access::kRead, module.KeyHandle);
  if (module.LastStatus != status::kOk) return;  // a missing key lists nothing
  std::vector<std::string> names;
  module.LastStatus = list_value_names(registry, module.KeyHandle, names);
  for (const std::string& name : names) add_item(catalogue.list, name, info);
}

void list_shortcuts(Catalogue& catalogue, const PlaceInfo& info, std::string_view program_folder) {
  const std::string folder = place_folder(info, catalogue.module, program_folder);
  const std::string pattern = folder + "\\*" + std::string(kShortcutSuffix);
  for (const std::string& file : catalogue.platform.files.dir(pattern, attr::kNormal)) {
    if (file.size() < kShortcutSuffix.size()) continue;
    add_item(catalogue.list, std::string_view(file).substr(0, file.size() - kShortcutSuffix.size()),
             info);
  }
}

void make_dir_if_missing(FileSystem& files, const std::string& path) {
  if (!files.folder_exists(path)) files.make_dir(path);
}

}  // namespace

std::string main_window_caption() {
  return std::string(kProgramTitle) + " v" + std::to_string(kVersionMajor) + "." +
         std::to_string(kVersionMinor);
}

std::string resolve_windows_folder(Folders& folders) { return folders.windows_directory(); }

std::string resolve_startup_folder(Folders& folders, int csidl, std::string_view windows_folder,
                                   std::string_view fallback_tail) {
  std::string path = folders.special_folder(csidl);
  if (path.size() >= 3) return path;
  return std::string(windows_folder) + std::string(fallback_tail);
}

void ensure_parking_folders(FileSystem& files, std::string_view program_folder) {
  const std::string root = std::string(program_folder) + std::string(kParkingRootTail);
  make_dir_if_missing(files, root);
  make_dir_if_missing(files, std::string(program_folder) + std::string(kAllUsersParkingTail));
  make_dir_if_missing(files, std::string(program_folder) + std::string(kCurrentUserParkingTail));
}

std::string run_scan(Catalogue& catalogue) {
  Platform& platform = catalogue.platform;
  Module1& module = catalogue.module;
  const std::string program_folder = platform.folders.program_folder();

  ensure_parking_folders(platform.files, program_folder);
  const std::string windows_folder = resolve_windows_folder(platform.folders);
  module.CurrentUserStartupPath = resolve_startup_folder(
      platform.folders, kCsidlStartup, windows_folder, "\\Start Menu\\Programs\\StartUp");
  module.AllUsersStartupPath =
      resolve_startup_folder(platform.folders, kCsidlCommonStartup, windows_folder,
                             "\\All Users\\Start Menu\\Programs\\StartUp");
  std::string caption = main_window_caption();

  for (StartupLocation location : kScanOrder) {
    const PlaceInfo& info = place(location);
    if (info.kind == EntryKind::RunValue) {
      walk_run_values(catalogue, info);
    } else {
      list_shortcuts(catalogue, info, program_folder);
    }
  }
  catalogue.list.set_current(-1);
  return caption;
}

}  // namespace rw
