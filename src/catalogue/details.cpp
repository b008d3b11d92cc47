#include "catalogue/details.h"

#include <algorithm>
#include <cctype>

#include "catalogue/entry_store.h"
#include "catalogue/run_value_io.h"
#include "catalogue/scan.h"

namespace rw {

namespace {

// A name alone, with no folder: CreateProcess searches for it.
bool is_bare(std::string_view path) { return path.find_first_of("\\/:") == std::string_view::npos; }

// CreateProcess adds ".exe" to a module name that has no extension.
std::string with_extension(std::string_view path) {
  const std::size_t folder_end = path.find_last_of("\\/");
  const std::size_t dot = path.rfind('.');
  const bool has_extension =
      dot != std::string_view::npos && (folder_end == std::string_view::npos || dot > folder_end);
  return has_extension ? std::string(path) : std::string(path) + ".exe";
}

std::optional<std::string> existing_program(Programs& programs, std::string_view candidate) {
  const std::string path = with_extension(candidate);
  if (is_bare(path)) return programs.search_path(path);
  if (programs.is_file(path)) return path;
  return std::nullopt;
}

// Where an unquoted command that finds nothing would have its program: up to
// the first ".exe", else its first word.
std::string missing_program(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::size_t exe = lower.find(".exe");
  if (exe != std::string::npos) return std::string(text.substr(0, exe + 4));
  return with_extension(text.substr(0, text.find(' ')));
}

void describe_run_value(Catalogue& catalogue, const Content& stored, EntryDetails& details) {
  if (!is_string_type(stored.type)) {
    details.warnings.push_back("It holds " + type_words(stored.type) + ", not a command line.");
    return;
  }
  details.command = stored.type == regtype::kExpandSz
                        ? catalogue.platform.programs.expand_environment(stored.data)
                        : stored.data;
  if (details.command != stored.data) details.stored_command = stored.data;
  details.program = find_program(catalogue.platform.programs, details.command);
}

void describe_shortcut(Catalogue& catalogue, const PlaceInfo& info, const std::string& name,
                       EntryDetails& details) {
  Programs& programs = catalogue.platform.programs;
  const std::optional<ShortcutLink> link =
      programs.read_shortcut(entry_address(catalogue, info, name));
  if (!link) {
    details.warnings.push_back("The file " + name + ".lnk is not a valid shortcut.");
    return;
  }
  details.command = link->arguments.empty() ? link->target : link->target + " " + link->arguments;
  // The target is a file name, not a command line: nothing to search or split.
  details.program = ProgramFile{link->target, programs.is_file(link->target), false};
}

void add_warnings(EntryDetails& details) {
  if (!details.program || details.program->path.empty()) return;
  if (!details.program->found) {
    details.warnings.push_back("Program file missing: " + details.program->path);
  }
  if (details.program->unquoted_with_space) {
    details.warnings.push_back(
        "The program's path has a space but no quotation marks around it. Windows first tries "
        "each shorter path up to a space (such as " +
        missing_program(details.program->path.substr(0, details.program->path.find(' '))) +
        "), so anyone who can create such a file could have it started in this entry's place. "
        "Put the path in quotation marks.");
  }
}

}  // namespace

ProgramFile find_program(Programs& programs, std::string_view command) {
  const std::size_t start = command.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::string_view text = command.substr(start);
  if (text.front() == '"') {
    const std::size_t close = text.find('"', 1);
    const std::string_view path =
        text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    const std::optional<std::string> found = existing_program(programs, path);
    return ProgramFile{found.value_or(with_extension(path)), found.has_value(), false};
  }
  // Unquoted, each space may end the program's path; the first file that
  // exists wins, shortest first.
  for (std::size_t space = text.find(' ');; space = text.find(' ', space + 1)) {
    if (const auto found = existing_program(programs, text.substr(0, space))) {
      return ProgramFile{*found, true, found->find(' ') != std::string::npos};
    }
    if (space == std::string_view::npos) break;
  }
  const std::string missing = missing_program(text);
  return ProgramFile{missing, false, missing.find(' ') != std::string::npos};
}

namespace {

// The details, from what the entry holds when that is known already.
EntryDetails describe(Catalogue& catalogue, const PlaceInfo& info, const std::string& name,
                      bool switched_off, const Content* known) {
  EntryDetails details;
  details.name = name;
  details.place = &info;
  details.starts = info.active && !switched_off;
  if (!info.active) details.off_reason = "parked by Runwarden";
  if (info.active && switched_off) details.off_reason = "switched off in Windows' startup settings";
  try {
    std::optional<Content> read;
    if (!is_exact_name(name)) {
      details.warnings.push_back("Its name " + inexact_name_words());
    } else if (info.kind == EntryKind::Shortcut) {
      describe_shortcut(catalogue, info, name, details);
    } else if (known != nullptr) {
      describe_run_value(catalogue, *known, details);
    } else if ((read = read_entry(catalogue, info, name))) {
      describe_run_value(catalogue, *read, details);
    } else {
      details.warnings.push_back("It is no longer in " + std::string(info.where) + ".");
    }
  } catch (const PlatformError& error) {
    details.warnings.push_back(
        "It cannot be read: " + failure_words(catalogue.platform.status_text, error) + ".");
  }
  if (details.program && details.program->found) {
    details.made_by = catalogue.platform.programs.describe_file(details.program->path);
  }
  add_warnings(details);
  return details;
}

}  // namespace

EntryDetails describe_entry(Catalogue& catalogue, const PlaceInfo& info, const std::string& name,
                            bool switched_off) {
  return describe(catalogue, info, name, switched_off, nullptr);
}

AllDetails describe_all(Catalogue& catalogue) {
  AllDetails all;
  all.problems = walk_places(catalogue, true, [&](const ScannedEntry& entry) {
    all.entries.push_back(
        describe(catalogue, *entry.place, entry.name, entry.switched_off, entry.content));
  });
  return all;
}

EntryDetails describe_item(Catalogue& catalogue, int index) {
  const EntryList& list = catalogue.list;
  const PlaceInfo* info = find_place(list.tag(index));
  if (info == nullptr) {
    EntryDetails unknown;
    unknown.name = list.text(index);
    unknown.warnings.push_back("It names no place that Runwarden knows.");
    return unknown;
  }
  return describe_entry(catalogue, *info, list.text(index), list.switched_off(index));
}

std::string details_text(const EntryDetails& details) {
  std::string text = shown_name(details.name);
  if (details.place != nullptr) text += "\nWhere: " + std::string(details.place->description);
  text +=
      details.starts ? "\nStarts at logon: yes" : "\nStarts at logon: no, " + details.off_reason;
  if (!details.command.empty()) text += "\nCommand: " + details.command;
  if (!details.stored_command.empty()) text += "\nStored as: " + details.stored_command;
  if (details.program && details.program->found) text += "\nProgram: " + details.program->path;
  if (!details.made_by.company.empty()) text += "\nPublisher: " + details.made_by.company;
  if (!details.made_by.description.empty()) {
    text += "\nDescription: " + details.made_by.description;
  }
  for (const std::string& warning : details.warnings) text += "\nWarning: " + warning;
  return text;
}

}  // namespace rw
