// Remove: deletes the current item's entry from the place it is stored in,
// after a question for entries of all users. The item leaves the list only
// when the entry is in fact gone, so the list never hides an entry that
// still starts at logon; one that was gone already is told, and nothing else
// of its name is touched.
#include <string>

#include "catalogue/entry_store.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"

namespace rw {

namespace {

bool confirmed(Platform& platform, const std::string& name) {
  const std::string question =
      "Removing '" + name + "' will affect all users of this computer! Are you sure?";
  return platform.dialogs.message_box(question, mb::kYesNo, titled(": WARNING")) == mb::kResultYes;
}

std::string cannot_remove(Platform& platform, const PlaceInfo& info, const std::string& name,
                          const PlatformError& error) {
  return entry_failure(
      platform.status_text,
      "Could not remove " + name + " ! (Error " + std::to_string(error.code()) + ")\n\n", error,
      &info, true);
}

enum class Deletion { Done, AlreadyGone, Failed };

// A deletion that finds nothing there: someone else removed or moved the
// entry since the list was made.
bool already_gone(const PlatformError& error) {
  return error.code() == status::kFileNotFound || error.code() == status::kPathNotFound;
}

// Deletes the entry and what its place keeps beside it, and tells the user
// what went wrong. An entry already gone counts as not removed by us, so
// nothing else of its name is touched: another copy may have parked it.
Deletion delete_stored(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  Platform& platform = catalogue.platform;
  try {
    delete_entry(catalogue, info, name);
  } catch (const PlatformError& error) {
    const std::string prompt = cannot_remove(platform, info, name, error);
    if (!already_gone(error)) {
      show_error(platform, prompt);
      return Deletion::Failed;
    }
    show_error(platform, prompt + "\n\nIt was no longer in " + std::string(info.where) +
                             ": something else removed or moved it since the list was made "
                             "(another copy of Runwarden may have switched it off). Nothing was "
                             "removed, and its item leaves the list.");
    return Deletion::AlreadyGone;
  }
  try {
    delete_side_record(catalogue, info, name);
  } catch (const PlatformError& error) {
    show_error(platform, entry_failure(platform.status_text,
                                       name + " was removed, but the record of its type was left "
                                              "behind (which does no harm): ",
                                       error));
  }
  return Deletion::Done;
}

// A flag value outlives its entry and would switch off any later entry of
// that name; it goes with the last stored entry it governs. What is stored
// is asked, not the list: another copy may have parked an entry of that name
// since the list was made, and the flag keeps its program from starting it
// again. When that cannot be read, the flag stays.
void forget_flag_unless_governing(Catalogue& catalogue, const PlaceInfo& info,
                                  const std::string& name) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  try {
    for (const PlaceInfo& other : kPlaces) {
      if (flag_place(other) == governing && read_entry(catalogue, other, name)) return;
    }
    delete_flag(catalogue, info, name);
  } catch (const PlatformError& error) {
    show_error(catalogue.platform,
               entry_failure(catalogue.platform.status_text,
                             name + " was removed, but Windows' own startup setting for it was "
                                    "left behind, and would switch off an entry of that name "
                                    "added later: ",
                             error, &info));
  }
}

}  // namespace

void remove_entry(Catalogue& catalogue) {
  Platform& platform = catalogue.platform;
  EntryList& list = catalogue.list;
  if (list.count() < 1) {
    platform.dialogs.message_box("There's nothing to be removed!", mb::kInformation,
                                 titled(": ERROR"));
    return;
  }
  const int index = list.current();
  if (index < 0) {
    platform.dialogs.message_box(
        "Please select (click) a program to be removed from the list, then click 'Remove'!",
        mb::kInformation, titled(": ERROR"));
    return;
  }
  const PlaceInfo* info = find_place(list.tag(index));
  if (info == nullptr) return;
  const std::string name = list.text(index);
  if (!is_exact_name(name)) {
    show_error(platform, "Could not remove " + shown_name(name) + " ! It " + inexact_name_words());
    return;
  }
  if (!info->actions.remove) {
    show_error(platform, "Could not remove " + shown_name(name) + " ! It is " +
                             std::string(info->actions.refusal) + ".");
    return;
  }
  if (info->scope == Scope::AllUsers && !confirmed(platform, name)) return;
  const Deletion deletion = delete_stored(catalogue, *info, name);
  if (deletion == Deletion::Failed) return;
  if (deletion == Deletion::Done) forget_flag_unless_governing(catalogue, *info, name);
  list.remove(index);  // gone either way, so the list shows no entry that is not there
  list.set_current(-1);
}

}  // namespace rw
