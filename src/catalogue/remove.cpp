// Remove: deletes the current item's entry from the place it is stored in,
// after a question for entries of all users. The item leaves the list only
// when the entry is in fact gone, so the list never hides an entry that
// still starts at logon.
#include <string>

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

Deletion outcome_of(StatusText& text, const std::string& name, const PlatformError& error) {
  return Deletion{error.code() == status::kFileNotFound,
                  remove_failure(text, name, error.code(), failure_words(text, error) + ".")};
}

Deletion delete_run_value(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  catalogue.module.CurrentHive = info.hive;
  const Status result = delete_value_at(catalogue, info.hive, kRunKeyPath, name);
  if (result == status::kOk) return Deletion{true, {}};
  return Deletion{result == status::kFileNotFound,
                  remove_failure(catalogue.platform.status_text, name, result)};
}

Deletion delete_shortcut(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  Platform& platform = catalogue.platform;
  const std::string folder =
      place_folder(info, catalogue.module, platform.folders.program_folder());
  try {
    platform.files.kill(shortcut_path(folder, name));
    return Deletion{true, {}};
  } catch (const PlatformError& error) {
    return outcome_of(platform.status_text, name, error);
  }
}

Deletion delete_parked_value(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  StatusText& text = catalogue.platform.status_text;
  catalogue.module.CurrentHive = info.hive;
  SettingsStore store(catalogue.platform.registry);
  try {
    store.delete_setting(kProgramTitle, parking_section(info.hive), name);
  } catch (const PlatformError& error) {
    return outcome_of(text, name, error);
  }
  try {
    forget_parked_type(store, info.hive, name);
  } catch (const PlatformError& error) {  // the entry is gone; only its record is left
    return Deletion{true, name + " was removed, but the record of its type was not: " +
                              failure_words(text, error) + "."};
  }
  return Deletion{true, {}};
}

Deletion delete_stored(Catalogue& catalogue, const PlaceInfo& info, const std::string& name) {
  if (info.kind == EntryKind::Shortcut) return delete_shortcut(catalogue, info, name);
  if (info.active) return delete_run_value(catalogue, info, name);
  return delete_parked_value(catalogue, info, name);
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
  if (info->scope == Scope::AllUsers && !confirmed(platform, name)) return;

  const Deletion deletion = delete_stored(catalogue, *info, name);
  if (!deletion.failure.empty()) show_error(platform, deletion.failure);
  if (deletion.gone) {
    list.remove(index);
    list.set_current(-1);
  }
}

}  // namespace rw
