// The main window's own small commands: what the list's context menu enables,
// and Help.
#include <string>

#include "catalogue/operations.h"

namespace rw {

namespace {
constexpr int kShowNormal = 1;
constexpr std::string_view kHelpDocumentTail = "\\help.html";
}  // namespace

ContextMenuState context_menu_state(const EntryList& list) {
  ContextMenuState state;
  const int index = list.current();
  if (index < 0) return state;
  state.remove_enabled = true;
  // Only a Run value has a command to edit; shortcuts are not modified here.
  const PlaceInfo* info = find_place(list.tag(index));
  state.modify_enabled = info != nullptr && info->modifiable;
  return state;
}

std::string help_document_path(const std::string& program_folder) {
  return program_folder + std::string(kHelpDocumentTail);
}

void open_help(Platform& platform) {
  // Without a help document or a browser the shell has nothing to open; the
  // user sees that nothing opened, and there is nothing more to say.
  platform.shell.shell_open("Open", help_document_path(platform.folders.program_folder()),
                            kShowNormal);
}

}  // namespace rw
