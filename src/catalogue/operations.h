// The commands of the program, as the windows call them. Each runs to its end
// inside one user-interface event and tells the user through the platform's
// dialogs; none of them leaves a registry key open.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"

namespace rw {

// What kept one change from being made as asked.
struct ExitNote {
  enum class Kind {
    Failure,    // a call of the OS failed (the change may be half made: the line says)
    Collision,  // a different entry of that name stands where it would go
    Refused,    // nothing to move, or nothing that can be moved whole
  };
  std::string line;  // "'Tool' is not moved: ..."
  Kind kind = Kind::Failure;
};
struct ExitReport {
  std::vector<ExitNote> notes;
  bool stopped = false;         // a file or settings-store failure ended the walk
  std::string message() const;  // for the user; empty when every change was made
};

// Moves every entry whose checkbox disagrees with its place to the partner
// place, destination first and source last; an entry that Windows' own flag
// switched off is switched on in place when ticked. Tells no one.
ExitReport apply_changes(Catalogue& catalogue);

// Exit: the changes, then one message telling which could not be made and
// why. The window then unloads.
void apply_changes_on_exit(Catalogue& catalogue);

// Remove: deletes the current item's entry from the place it is stored in.
void remove_entry(Catalogue& catalogue);

// Add: picks a program, asks for its title and writes it under the current
// user's Run key, then lists it ticked.
void add_entry(Catalogue& catalogue);

// What the entry dialog shows for Modify.
struct ModifyRequest {
  std::string caption;                                         // "Runwarden: MODIFY [CURRENT USER]"
  std::string title;                                           // the entry's name
  std::string source;                                          // its stored command
  StartupLocation location = StartupLocation::CurrentUserRun;  // where it is
};

// Modify, first half: reads the current entry's command, where its place
// lets it be modified. Returns nothing (after telling the user) when the
// command exists but cannot be read.
std::optional<ModifyRequest> begin_modify(Catalogue& catalogue);

// The dialog's OK: writes `source` as the command of the request's entry,
// in its place. Returns true when written; on failure tells the user and
// returns false, and the dialog stays open with the user's text.
bool commit_modify(Catalogue& catalogue, const ModifyRequest& request, const std::string& source);

// The dialog's Browse: the chosen program, quoted when its path has a space;
// nothing when cancelled or failed (a failure is shown to the user).
std::optional<std::string> browse_for_source(Platform& platform);

// What the list's context menu enables when it opens.
struct ContextMenuState {
  bool remove_enabled = false;
  bool modify_enabled = false;
  bool details_enabled = false;
  bool open_location_enabled = false;  // the current entry's program file exists
};
// What the list alone decides; open_location_enabled stays false.
ContextMenuState context_menu_state(const EntryList& list);
// All of it: this also looks for the current entry's program file, which
// may read a shortcut or the disk, so it is for the menu's opening.
ContextMenuState context_menu_state(Catalogue& catalogue);

// Why the item's checkbox cannot be changed, in words that can follow a
// colon (see lock_reason); empty when it can. The window shows it where a
// click or Space on the checkbox is refused, runwarden-cli where disable or
// enable is.
std::string_view item_lock_reason(const EntryList& list, int index);

// Details: the current entry's details in an information box titled
// "Runwarden: DETAILS", with who signed its program file, checked now.
// Nothing without a current item.
void show_details(Catalogue& catalogue);

// Open file location: Explorer on the folder of the current entry's program
// file, with the file selected. Tells the user when the entry has no program
// file that exists, or when Explorer cannot be opened on it.
void open_file_location(Catalogue& catalogue);

// Help: the document next to the program, opened through the shell.
std::string help_document_path(const std::string& program_folder);
void open_help(Platform& platform);

}  // namespace rw
