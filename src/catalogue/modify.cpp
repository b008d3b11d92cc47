// Modify: shows a Run entry's stored command, active or parked, and writes
// the edited command back to the same value. The list never changes: the
// entry keeps its name and place.
#include <exception>
#include <string>

#include "catalogue/entry_store.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "catalogue/program_dialog.h"

namespace rw {

namespace {

std::string cannot_read(const std::string& name, const std::string& cause) {
  return "Can't read the command of " + name + " ! " + cause;
}

std::string cannot_save(const std::string& name, const std::string& cause) {
  return "Can't save the new command of " + name + " ! " + cause;
}

}  // namespace

std::optional<ModifyRequest> begin_modify(Catalogue& catalogue) {
  Platform& platform = catalogue.platform;
  EntryList& list = catalogue.list;
  const int index = list.current();
  if (index < 0) return std::nullopt;
  const PlaceInfo* info = find_place(list.tag(index));
  if (info == nullptr || !info->actions.modify) return std::nullopt;
  const std::string name = list.text(index);
  if (!is_exact_name(name)) {
    show_error(platform, cannot_read(shown_name(name), "It " + inexact_name_words()));
    return std::nullopt;
  }
  std::optional<Content> stored;
  try {
    stored = read_entry(catalogue, *info, name);
  } catch (const PlatformError& error) {
    show_error(platform, entry_failure(platform.status_text, cannot_read(name, ""), error, info));
    return std::nullopt;
  }
  if (!stored) {
    // OK would make a new entry, perhaps beside the moved one; and the list
    // must not go on showing what is not there.
    show_error(platform, cannot_read(name, "It is no longer in " + std::string(info->where) +
                                               " (something else removed or moved it), so it "
                                               "is taken off the list."));
    list.remove(index);
    list.set_current(-1);
    return std::nullopt;
  }
  if (!is_string_type(stored->type)) {  // shown as text and written back, it would be destroyed
    show_error(platform, cannot_read(name, "It holds " + type_words(stored->type) +
                                               ", not a command line, and is left as it is."));
    return std::nullopt;
  }
  return ModifyRequest{titled(": MODIFY [" + std::string(scope_caption(info->scope)) + "]"), name,
                       std::move(stored->data), info->location};
}

bool commit_modify(Catalogue& catalogue, const ModifyRequest& request, const std::string& source) {
  Platform& platform = catalogue.platform;
  const PlaceInfo& info = place(request.location);
  const std::string& title = request.title;
  try {
    // Read again for the type to keep: an expandable string stays one, so
    // %VARIABLES% in it keep working. A value gone since the dialog opened
    // would be made anew, so nothing is written then.
    const std::optional<Content> stored = read_entry(catalogue, info, title);
    if (!stored) {
      show_error(platform, cannot_save(title, "It is no longer in " + std::string(info.where) +
                                                  " (something else removed or moved it), so "
                                                  "nothing is written."));
      return false;
    }
    const std::uint32_t type =
        stored->type == regtype::kExpandSz ? regtype::kExpandSz : regtype::kSz;
    write_entry(catalogue, info, info, title, Content{type, source});
    return true;
  } catch (const PlatformError& error) {
    show_error(platform, entry_failure(platform.status_text, cannot_save(title, ""), error, &info));
    return false;
  }
}

std::optional<std::string> browse_for_source(Platform& platform) {
  try {
    const OpenFileResult chosen = platform.dialogs.open_file(program_file_request(
        ofn::kFileMustExist | ofn::kPathMustExist | ofn::kNoChangeDir | ofn::kHideReadOnly));
    if (!chosen.chosen) return std::nullopt;
    return quoted_when_spaced(chosen.file_name);
  } catch (const std::exception& error) {
    // Whatever breaks in the dialog, the command being edited stays.
    show_error(platform,
               entry_failure(platform.status_text, "Can't show the file dialog: ", error));
    return std::nullopt;
  }
}

}  // namespace rw
