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

struct Deletion {
  bool gone = false;    // nothing is stored any more, whoever deleted it
  std::string failure;  // the message to show; empty when all went well
};

std::string remove_failure(StatusText& text, const std::string& name, Status code,
                           const std::string& detail = {}) {
  std::string prompt = "Could not remove " + name + " ! (Error " + std::to_string(code) + ": " +
                       text.describe(code) + ")";
  if (!detail.empty()) prompt += "\n\n" + detail;
  return prompt;
}

bool confirmed(Platform& platform, const std::string& name) {
  const std::string question =
      "Removing '" + name + "' will affect all users of this computer! Are you sure?";
  return platform.dialogs.message_box(question, mb::kYesNo, titled(": WARNING")) == mb::kResultYes;
}

std::string rights_words(const PlaceInfo& info, Status code) {
  if (code != status::kAccessDenied || info.scope != Scope::AllUsers) return {};
  return "Removing an entry for all users needs administrator rights.";
}

Deletion with_side_record_gone(Catalogue& catalogue, const PlaceInfo& info,
                               const std::string& name) {
  try {
    delete_side_record(catalogue, info, name);
  } catch (const PlatformError& error) {  // the entry is gone; only its record is left
    return Deletion{true, name + " was removed, but " +
                              failure_words(catalogue.platform.status_text, error) +
                              ". That record is left behind; it does no harm."};
  }
  return Deletion{true, {}};
}

Deletion delete_stored(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  StatusText& text = catalogue.platform.status_text;
  try {
    const Status result = delete_entry(catalogue, info, name);
    if (result == status::kOk) return with_side_record_gone(catalogue, info, name);
    return Deletion{result == status::kFileNotFound,
                    remove_failure(text, name, result, rights_words(info, result))};
  } catch (const PlatformError& error) {
    return Deletion{
        error.code() == status::kFileNotFound,
        remove_failure(text, name, error.code(),
                       failure_words(text, error) + ". " + rights_words(info, error.code()))};
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

  const Deletion deletion = delete_stored(catalogue, *info, name);
  if (!deletion.failure.empty()) show_error(platform, deletion.failure);
  if (deletion.gone) {
    list.remove(index);
    list.set_current(-1);
  }
}

}  // namespace rw
