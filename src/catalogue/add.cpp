// Add: picks a program, asks for its title and writes it under the current
// user's Run key. Nothing is written before a title is known, so a cancel at
// any point leaves no trace; an entry of the same name is replaced only when
// the user says so.
#include <string>

#include "catalogue/operations.h"
#include "catalogue/run_value_io.h"

namespace rw {

namespace {

// The file name without its extension: notepad.exe gives notepad, and a name
// without one (README) is proposed whole.
std::string proposed_title(const std::string& file_title) {
  const std::size_t dot = file_title.rfind('.');
  if (dot == std::string::npos || dot == 0) return file_title;
  return file_title.substr(0, dot);
}

std::string run_key_words() { return "HKEY_CURRENT_USER\\" + std::string(kRunKeyPath); }

std::string cannot_create(StatusText& text, const std::string& title, const std::string& doing,
                          Status code) {
  return "Can't create " + title + " !\n\n" + doing + " " + run_key_words() +
         " failed: " + status_words(text, code) + ".";
}

// True when nothing of that name is stored yet, or the user agrees to replace
// what is; a key that cannot be read is reported, since it may hide one.
bool may_write(Catalogue& catalogue, const std::string& title) {
  Platform& platform = catalogue.platform;
  RegValue existing;
  const Status result = read_value_at(catalogue, kHkeyCurrentUser, kRunKeyPath, title, existing);
  if (result == status::kFileNotFound) return true;
  if (result != status::kOk) {
    show_error(platform, cannot_create(platform.status_text, title, "Reading", result));
    return false;
  }
  std::string shown = is_string_type(existing.type) ? registry_bytes_to_text(existing.data)
                                                    : type_words(existing.type);
  const std::string question = "An entry named '" + title + "' already starts with:\n\n" + shown +
                               "\n\nReplace its command?";
  return platform.dialogs.message_box(question, mb::kYesNo, titled(": WARNING")) == mb::kResultYes;
}

void list_added(EntryList& list, const std::string& title) {
  const auto tag = static_cast<std::int32_t>(StartupLocation::CurrentUserRun);
  for (int i = 0; i < list.count(); ++i) {
    if (list.tag(i) == tag && !list_text_less(list.text(i), title) &&
        !list_text_less(title, list.text(i))) {
      list.set_checked(i, true);  // the entry it replaced is already listed
      return;
    }
  }
  const int index = list.add(title);
  list.set_tag(index, tag);
  list.set_checked(index, true);
}

}  // namespace

void add_entry(Catalogue& catalogue) {
  Platform& platform = catalogue.platform;
  OpenFileResult chosen;
  try {
    chosen = platform.dialogs.open_file(
        program_file_request(ofn::kFileMustExist | ofn::kPathMustExist | ofn::kHideReadOnly));
  } catch (const PlatformError& error) {
    show_error(platform,
               "Can't show the file dialog: " + failure_words(platform.status_text, error) + ".");
    return;
  }
  if (!chosen.chosen) return;

  const std::string title = platform.dialogs.input_box("Enter application title:", titled(": ADD"),
                                                       proposed_title(chosen.file_title));
  if (title.empty()) return;  // cancelled or cleared; blanks are a title
  if (!may_write(catalogue, title)) return;

  // Unquoted, C:\Program Files\Tool.exe could start C:\Program.exe instead.
  const std::string command = quoted_when_spaced(chosen.file_name);
  catalogue.module.CurrentHive = kHkeyCurrentUser;
  const Status result = write_value_at(catalogue, kHkeyCurrentUser, kRunKeyPath, title,
                                       regtype::kSz, text_to_registry_bytes(command));
  if (result != status::kOk) {
    show_error(platform, cannot_create(platform.status_text, title, "Writing it under", result));
    return;
  }
  list_added(catalogue.list, title);
}

}  // namespace rw
