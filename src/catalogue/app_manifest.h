// What a packaged (Store or MSIX) app's manifest, AppxManifest.xml, says of
// the startup tasks it declares, and which installed package of a family
// holds them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rw {

// A StartupTask extension of the manifest.
struct ManifestStartupTask {
  std::string task_id;
  std::string display_name;  // as written: possibly an "ms-resource:" reference
  // The program, relative to the package's folder: the extension's
  // Executable, or its application's where the extension names none.
  std::string executable;
};

// The startup tasks the manifest's text declares (in the uap5 or the desktop
// namespace). Nothing when the text is not XML, nests too deep or is no
// package's manifest, with the reason in `problem`.
std::optional<std::vector<ManifestStartupTask>> manifest_startup_tasks(std::string_view xml,
                                                                       std::string& problem);

// The task of that id (ids compare without regard to letter case), or nullptr.
const ManifestStartupTask* find_startup_task(const std::vector<ManifestStartupTask>& tasks,
                                             std::string_view task_id);

// The name to list a task by: its display name, or "<family> <task id>" where
// that is missing or a resource reference, which only the package can resolve.
std::string startup_task_name(std::string_view family, std::string_view task_id,
                              const ManifestStartupTask* task);

// The installed packages of a family ("<Name>_<PublisherId>") among packages'
// full names ("<Name>_<Version>_<Architecture>_<ResourceId>_<PublisherId>"),
// in the order to look in them: a main package before a resource package,
// then the highest version first.
std::vector<std::string> packages_of_family(const std::vector<std::string>& full_names,
                                            std::string_view family);

}  // namespace rw
