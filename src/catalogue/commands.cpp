// The main window's own small commands: what the list's context menu enables,
// an entry's details, its program file in Explorer, and Help.
#include <string>

#include "catalogue/details.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"

namespace rw {

namespace {
constexpr int kShowNormal = 1;
constexpr std::string_view kHelpDocumentTail = "\\help.html";

bool program_exists(const EntryDetails& details) {
  return details.program && details.program->found;
}

std::string cannot_show_program(const std::string& name, const std::string& cause) {
  return "Can't show the program file of " + name + " in its folder ! " + cause;
}

// Why an entry that has no existing program file has none, in the words of
// its details.
std::string why_no_program(const EntryDetails& details) {
  if (details.program && !details.program->not_checked.empty()) {
    return "The program file " + details.program->path + " is " + details.program->not_checked +
           ".";
  }
  if (details.program && !details.program->path.empty()) {
    return "The file " + details.program->path + " does not exist.";
  }
  return details.warnings.empty() ? "It names no program file." : details.warnings.front();
}

}  // namespace

ContextMenuState context_menu_state(const EntryList& list) {
  ContextMenuState state;
  const int index = list.current();
  if (index < 0 || list.tag(index) == kNoteTag) return state;  // a note's tip says it all
  state.details_enabled = true;
  const PlaceInfo* info = find_place(list.tag(index));
  // A tag that names no place is left to Remove, which does nothing with it.
  state.remove_enabled = info == nullptr || info->actions.remove;
  state.modify_enabled = info != nullptr && info->actions.modify;
  return state;
}

std::string_view item_lock_reason(const EntryList& list, int index) {
  if (!list.locked(index)) return {};
  const PlaceInfo* info = find_place(list.tag(index));
  const std::string_view why =
      info == nullptr ? std::string_view() : lock_reason(*info, list.off(index));
  // A locked item always says something, even where its place has no words.
  return why.empty() ? std::string_view("Runwarden cannot switch it") : why;
}

ContextMenuState context_menu_state(Catalogue& catalogue) {
  ContextMenuState state = context_menu_state(catalogue.list);
  if (state.details_enabled) {
    state.open_location_enabled =
        program_exists(describe_item(catalogue, catalogue.list.current()));
  }
  return state;
}

void show_details(Catalogue& catalogue) {
  const int index = catalogue.list.current();
  if (index < 0) return;
  EntryDetails details = describe_item(catalogue, index);
  // Asked for by the user, so worth its cost; the infotip never pays it.
  verify_program(catalogue, details);
  catalogue.platform.dialogs.message_box(details_text(details), mb::kInformation,
                                         titled(": DETAILS"));
}

void open_file_location(Catalogue& catalogue) {
  const int index = catalogue.list.current();
  if (index < 0) return;
  Platform& platform = catalogue.platform;
  // Looked for again: the file may have gone since the menu opened.
  const EntryDetails details = describe_item(catalogue, index);
  const std::string name = shown_name(details.name);
  if (!program_exists(details)) {
    show_error(platform, cannot_show_program(name, why_no_program(details)));
    return;
  }
  try {
    platform.shell.show_in_folder(details.program->path);
  } catch (const PlatformError& error) {
    show_error(platform, entry_failure(platform.status_text, cannot_show_program(name, ""), error));
  }
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
