#include "catalogue/module1.h"

namespace rw {

std::string place_folder(const PlaceInfo& info, const Module1& module,
                         std::string_view program_folder) {
  std::string base;
  if (info.folder == FolderBase::AllUsersStartup) base = module.AllUsersStartupPath;
  if (info.folder == FolderBase::CurrentUserStartup) base = module.CurrentUserStartupPath;
  if (info.folder == FolderBase::ProgramFolder) base = program_folder;
  return base + std::string(info.folder_tail);
}

std::string shortcut_path(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name) + std::string(kShortcutSuffix);
}

std::string titled(std::string_view suffix) {
  return std::string(kProgramTitle) + std::string(suffix);
}

}  // namespace rw
