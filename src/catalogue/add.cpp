// Add: picks a program, asks for its title and writes it under the current
// user's Run key. Nothing is written before a title is known, so a cancel at
// any point leaves no trace. An entry of the same name is replaced; the user is
// asked first only when its command differs, since that one would be lost, and
// likewise before adding beside a switched-off entry of that name. An added
// entry is meant to start, so Windows' own flag for it is switched on too.
#include <optional>
#include <string>

#include "catalogue/entry_store.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "catalogue/program_dialog.h"

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

// Add always writes here: a program of the current user's own.
constexpr StartupLocation kAddsTo = StartupLocation::CurrentUserRun;

std::string cannot_create(Platform& platform, const std::string& title,
                          const PlatformError& error) {
  return entry_failure(platform.status_text, "Can't create " + title + " !\n\n", error);
}

std::string question_about(const PlaceInfo& info, const std::string& title,
                           const std::string& shown) {
  if (info.active) {
    return "An entry named '" + title + "' already starts with:\n\n" + shown +
           "\n\nReplace its command?";
  }
  return "An entry named '" + title + "' is switched off, kept in " + std::string(info.where) +
         " with:\n\n" + shown + "\n\nAdd '" + title +
         "' anyway? Switching the other one on again will then stop at the one you add now.";
}

// True when nothing of that name is stored where Add looks (the value it
// replaces, and parked entries that it would meet when they are switched on
// again), it holds this very command, or the user agrees to go on; a place
// that cannot be read is reported, since it may hide one.
bool may_write(Catalogue& catalogue, const std::string& title, const std::string& command) {
  Platform& platform = catalogue.platform;
  for (const PlaceInfo& info : kPlaces) {
    if (!info.add_looks_here) continue;
    std::optional<Content> there;
    try {
      there = read_entry(catalogue, info, title);
    } catch (const PlatformError& error) {
      show_error(platform, cannot_create(platform, title, error));
      return false;
    }
    if (!there) continue;
    const bool text = is_string_type(there->type);
    if (text && there->data == command) continue;
    const std::string shown = text ? there->data : type_words(there->type);
    if (platform.dialogs.message_box(question_about(info, title, shown), mb::kYesNo,
                                     titled(": WARNING")) != mb::kResultYes) {
      return false;
    }
  }
  return true;
}

// Windows' own flag may still say off for the title: left from an entry of
// that name switched off in Windows, or parked. Added means it starts, so the
// flag is switched on. True when it still keeps the entry from starting,
// because it could not be switched on (the user is told).
bool still_switched_off(Catalogue& catalogue, const PlaceInfo& run, const std::string& title) {
  Platform& platform = catalogue.platform;
  bool off = false;
  try {
    off = is_switched_off(catalogue, run, title);
    if (off) write_flag(catalogue, run, title, true);
    return false;
  } catch (const PlatformError& error) {
    show_error(platform,
               entry_failure(platform.status_text,
                             title + " was added, but Windows' own startup setting for it " +
                                 (off ? "says off and could not be switched on, so it is listed "
                                        "as switched off: "
                                      : "could not be read, so it may not start: "),
                             error, &run));
    return off;
  }
}

// One item per stored entry: a title that names a listed value of the
// current user's Run key wrote to that value, so that item shows it instead.
void list_added(Catalogue& catalogue, const std::string& title, bool switched_off) {
  EntryList& list = catalogue.list;
  const auto tag = static_cast<std::int32_t>(kAddsTo);
  for (int index = 0; index < list.count(); ++index) {
    if (list.tag(index) != tag ||
        !catalogue.platform.text_rules.same_name(list.text(index), title)) {
      continue;
    }
    if ((list.off(index) == OffReason::SwitchedOffInWindows) == switched_off) {
      list.set_checked(index, !switched_off);
      return;
    }
    list.remove(index);  // its mark of Windows' flag no longer holds
    break;
  }
  list.add(NewItem{title, tag, !switched_off,
                   switched_off ? OffReason::SwitchedOffInWindows : OffReason::None});
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
               entry_failure(platform.status_text, "Can't show the file dialog: ", error));
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
  if (!is_exact_name(title)) {
    show_error(platform, "Can't create " + shown_name(title) +
                             " ! A title cannot hold a NUL character or a lone surrogate.");
    return;
  }

  // Unquoted, C:\Program Files\Tool.exe could start C:\Program.exe instead.
  const std::string command = quoted_when_spaced(chosen.file_name);
  if (!may_write(catalogue, title, command)) return;
  const PlaceInfo& run = place(kAddsTo);
  try {
    write_entry(catalogue, run, run, title, Content{regtype::kSz, command});
  } catch (const PlatformError& error) {
    show_error(platform, cannot_create(platform, title, error));
    return;
  }
  list_added(catalogue, title, still_switched_off(catalogue, run, title));
}

}  // namespace rw
