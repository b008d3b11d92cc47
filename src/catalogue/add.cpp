// Add: picks a program, asks for its title and writes it under the current
// user's Run key. Nothing is written before a title is known, so a cancel at
// any point leaves no trace. An entry of the same name is replaced; the user is
// asked first only when its command differs, since that one would be lost.
#include <optional>
#include <string>

#include "catalogue/operations.h"
#include "catalogue/run_value_io.h"

namespace rw {

namespace {

constexpr std::size_t kCutCharacters = 4;

// The file name minus its last four characters, whatever they are (README
// gives RE). Characters, not bytes: the cut falls before a lead byte, so a
// UTF-8 sequence is never split. Empty when the name is too short.
std::optional<std::string> proposed_title(const std::string& file_title) {
  std::size_t cut = file_title.size();
  for (std::size_t left = kCutCharacters; left > 0; --left) {
    do {
      if (cut == 0) return std::nullopt;
      --cut;
    } while ((static_cast<unsigned char>(file_title[cut]) & 0xC0) == 0x80 && cut > 0);
  }
  return file_title.substr(0, cut);
}

std::string run_key_words() { return "HKEY_CURRENT_USER\\" + std::string(kRunKeyPath); }

std::string cannot_create(StatusText& text, const std::string& title, const std::string& doing,
                          Status code) {
  return "Can't create " + title + " !\n\n" + doing + " " + run_key_words() +
         " failed: " + status_words(text, code) + ".";
}

// True when nothing of that name is stored yet, it holds this very command, or
// the user agrees to replace the other one; a key that cannot be read is
// reported, since it may hide one.
bool may_write(Catalogue& catalogue, const std::string& title, const std::string& command) {
  Platform& platform = catalogue.platform;
  RegValue existing;
  const Status result = read_value_at(catalogue, kHkeyCurrentUser, kRunKeyPath, title, existing);
  if (result == status::kFileNotFound) return true;
  if (result != status::kOk) {
    show_error(platform, cannot_create(platform.status_text, title, "Reading", result));
    return false;
  }
  const bool text = is_string_type(existing.type);
  const std::string shown =
      text ? registry_bytes_to_text(existing.data) : type_words(existing.type);
  if (text && shown == command) return true;
  const std::string question = "An entry named '" + title + "' already starts with:\n\n" + shown +
                               "\n\nReplace its command?";
  return platform.dialogs.message_box(question, mb::kYesNo, titled(": WARNING")) == mb::kResultYes;
}

void list_added(EntryList& list, const std::string& title) {
  const auto tag = static_cast<std::int32_t>(StartupLocation::CurrentUserRun);
  list.add(title, tag, true);
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

  const std::optional<std::string> proposal = proposed_title(chosen.file_title);
  if (!proposal) {
    show_error(platform, "Can't propose a title for \"" + chosen.file_title +
                             "\": the file name is shorter than four characters.");
    return;
  }
  const std::string title =
      platform.dialogs.input_box("Enter application title:", titled(": ADD"), *proposal);
  if (title.empty()) return;  // cancelled or cleared; blanks are a title

  // Unquoted, C:\Program Files\Tool.exe could start C:\Program.exe instead.
  const std::string command = quoted_when_spaced(chosen.file_name);
  if (!may_write(catalogue, title, command)) return;
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
