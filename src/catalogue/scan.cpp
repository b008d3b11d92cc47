#include "catalogue/scan.h"

#include <array>
#include <vector>

namespace rw {

namespace {

// The order in which the places are walked. The list sorts its items, so the
// order decides only the order of adding.
constexpr std::array<StartupLocation, 8> kScanOrder = {
    StartupLocation::AllUsersRun,
    StartupLocation::CurrentUserRun,
    StartupLocation::CurrentUserRunParked,
    StartupLocation::AllUsersRunParked,
    StartupLocation::CurrentUserStartup,
    StartupLocation::AllUsersStartup,
    StartupLocation::CurrentUserStartupParked,
    StartupLocation::AllUsersStartupParked,
};

void add_item(EntryList& list, std::string_view text, const PlaceInfo& info) {
  list.add(text, static_cast<std::int32_t>(info.location), info.active);
}

std::string hive_name(Hive hive) {
  return hive == kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string describe_failure(Catalogue& catalogue, const std::string& what, Status code) {
  return what + ": " + catalogue.platform.status_text.describe(code) + " (error " +
         std::to_string(code) + ")";
}

void walk_run_values(Catalogue& catalogue, const PlaceInfo& info, ScanResult& result) {
  Registry& registry = catalogue.platform.registry;
  Module1& module = catalogue.module;
  KeyScope scope(module);
  // The current user's Run key is read with its usual spelling; key names
  // ignore case, so it is the same key the operations write.
  const std::string path = info.location == StartupLocation::CurrentUserRun
                               ? std::string(kRunKeyPathForScan)
                               : run_value_key_path(info);
  const Hive hive = run_value_key_hive(info);
  module.LastStatus = registry.open_key(hive, path, access::kRead, module.KeyHandle);
  if (module.LastStatus == status::kFileNotFound) return;  // a missing key lists nothing
  std::vector<std::string> names;
  if (module.LastStatus == status::kOk) {
    module.LastStatus = list_value_names(registry, module.KeyHandle, names);
  }
  for (const std::string& name : names) add_item(catalogue.list, name, info);
  if (module.LastStatus != status::kOk) {
    result.problems.push_back(
        describe_failure(catalogue, hive_name(hive) + "\\" + path, module.LastStatus));
  }
}

void list_shortcuts(Catalogue& catalogue, const PlaceInfo& info, std::string_view program_folder,
                    ScanResult& result) {
  const std::string folder = place_folder(info, catalogue.module, program_folder);
  const std::string pattern = folder + "\\*" + std::string(kShortcutSuffix);
  std::vector<std::string> files;
  try {
    files = catalogue.platform.files.dir(pattern, attr::kNormal);
  } catch (const PlatformError& error) {
    // An unreadable folder hides its shortcuts; say so and list the rest.
    result.problems.push_back(describe_failure(catalogue, folder, error.code()));
    return;
  }
  for (const std::string& file : files) {
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

std::string scan_problems_message(const ScanResult& result) {
  if (result.problems.empty()) return {};
  std::string message = "Some startup places could not be read, so the list may be incomplete:";
  for (const std::string& problem : result.problems) message += "\n\n" + problem;
  return message;
}

ScanResult run_scan(Catalogue& catalogue) {
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
  ScanResult result;
  result.caption = main_window_caption();

  for (StartupLocation location : kScanOrder) {
    const PlaceInfo& info = place(location);
    if (info.kind == EntryKind::RunValue) {
      walk_run_values(catalogue, info, result);
    } else {
      list_shortcuts(catalogue, info, program_folder, result);
    }
  }
  catalogue.list.set_current(-1);
  return result;
}

}  // namespace rw
