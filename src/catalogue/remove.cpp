// Remove: deletes the current item's entry from the place it is stored in,
// after a question for entries of all users. The item leaves the list only
// when the entry is in fact gone, so the list never hides an entry that
// still starts at logon.
#include <string>

#include "catalogue/entry_store.h"
#include "catalogue/operations.h"
#include "catalogue/run_value_io.h"

namespace rw {

namespace {

bool confirmed(Platform& platform, const std::string& name) {
  const std::string question =
      "Removing '" + name + "' will affect all users of this computer! Are you sure?";
  return platform.dialogs.message_box(question, mb::kYesNo, titled(": WARNING")) == mb::kResultYes;
}

std::string cannot_remove(Platform& platform, const PlaceInfo& info, const std::string& name,
                          const PlatformError& error) {
  std::string prompt = "Could not remove " + name + " ! (Error " + std::to_string(error.code()) +
                       ")\n\n" + failure_words(platform.status_text, error) + ".";
  if (error.code() == status::kAccessDenied && info.scope == Scope::AllUsers) {
    prompt += " Removing an entry for all users needs administrator rights.";
  }
  return prompt;
}

// True when nothing is stored any more, whoever deleted it; tells the user
// what went wrong otherwise.
bool deleted(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  Platform& platform = catalogue.platform;
  try {
    delete_entry(catalogue, info, name);
  } catch (const PlatformError& error) {
    show_error(platform, cannot_remove(platform, info, name, error));
    return error.code() == status::kFileNotFound;
  }
  try {
    delete_side_record(catalogue, info, name);
  } catch (const PlatformError& error) {
    show_error(platform, name +
                             " was removed, but the record of its type was left behind "
                             "(which does no harm): " +
                             failure_words(platform.status_text, error) + ".");
  }
  return true;
}

// A flag value outlives its entry and would switch off any later entry of
// that name; it goes with the last listed entry it governs.
void forget_flag_unless_governing(Catalogue& catalogue, const PlaceInfo& info,
                                  const std::string& name, int removed) {
  const PlaceInfo* governing = flag_place(info);
  if (governing == nullptr) return;
  const EntryList& list = catalogue.list;
  TextRules& rules = catalogue.platform.text_rules;
  for (int index = 0; index < list.count(); ++index) {
    const PlaceInfo* other = find_place(list.tag(index));
    if (index != removed && other != nullptr && flag_place(*other) == governing &&
        rules.same_name(list.text(index), name)) {
      return;
    }
  }
  try {
    delete_flag(catalogue, info, name);
  } catch (const PlatformError& error) {
    show_error(catalogue.platform,
               name + " was removed, but Windows' own startup setting for it was left behind: " +
                   failure_words(catalogue.platform.status_text, error) +
                   ". It would switch off an entry of that name added later.");
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
  if (info->scope == Scope::AllUsers && !confirmed(platform, name)) return;
  if (deleted(catalogue, *info, name)) {
    forget_flag_unless_governing(catalogue, *info, name, index);
    list.remove(index);
    list.set_current(-1);
  }
}

}  // namespace rw
