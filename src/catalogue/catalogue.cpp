#include "catalogue/catalogue.h"

namespace rw {

PlaceFolders PlaceFolders::resolve(Folders& folders) {
  PlaceFolders resolved;
  const std::string windows_folder = folders.windows_directory();
  const std::string program_folder = folders.program_folder();
  for (const PlaceInfo& info : kPlaces) {
    if (info.storage != Storage::Shortcuts) continue;
    std::string& path = resolved.paths_[row_index(info)];
    path = info.folder.csidl != 0 ? resolve_startup_folder(folders, info.folder.csidl,
                                                           windows_folder, info.folder.tail)
                                  : program_folder + std::string(info.folder.tail);
  }
  return resolved;
}

const std::string& PlaceFolders::of(const PlaceInfo& info) const { return paths_[row_index(info)]; }

std::string resolve_startup_folder(Folders& folders, int csidl, std::string_view windows_folder,
                                   std::string_view fallback_tail) {
  std::string path = folders.special_folder(csidl);
  if (path.size() >= 3) return path;
  return std::string(windows_folder) + std::string(fallback_tail);
}

}  // namespace rw
