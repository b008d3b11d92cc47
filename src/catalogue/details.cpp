#include "catalogue/details.h"

#include "catalogue/entry_store.h"
#include "catalogue/run_value_io.h"
#include "catalogue/scan.h"

namespace rw {

namespace {

void describe_run_value(Catalogue& catalogue, ProgramFinder& finder, const Content& stored,
                        EntryDetails& details) {
  if (!is_string_type(stored.type)) {
    details.warnings.push_back("It holds " + type_words(stored.type) + ", not a command line.");
    return;
  }
  details.command = stored.type == regtype::kExpandSz
                        ? catalogue.platform.programs.expand_environment(stored.data)
                        : stored.data;
  if (details.command != stored.data) details.stored_command = stored.data;
  details.program = finder.find(details.command);
}

void describe_shortcut(Catalogue& catalogue, ProgramFinder& finder, const PlaceInfo& info,
                       const std::string& name, EntryDetails& details) {
  Programs& programs = catalogue.platform.programs;
  const std::optional<ShortcutLink> link =
      programs.read_shortcut(entry_address(catalogue, info, name));
  if (!link) {
    details.warnings.push_back("The file " + name + ".lnk is not a valid shortcut.");
    return;
  }
  details.command = link->arguments.empty() ? link->target : link->target + " " + link->arguments;
  // The target is a file name, not a command line: nothing to search or split.
  details.program = finder.file_at(link->target);
}

void add_warnings(EntryDetails& details) {
  if (!details.program || details.program->path.empty()) return;
  if (!details.program->not_checked.empty()) {
    details.warnings.push_back("Program file " + details.program->not_checked + ": " +
                               details.program->path);
  } else if (!details.program->found) {
    details.warnings.push_back("Program file missing: " + details.program->path);
  }
  if (details.program->unquoted_with_space) {
    details.warnings.push_back(
        "The program's path has a space but no quotation marks around it. Windows first tries "
        "each shorter path up to a space (such as " +
        first_unquoted_candidate(details.program->path) +
        "), so anyone who can create such a file could have it started in this entry's place. "
        "Put the path in quotation marks.");
  }
}

// The details, from what the entry holds when that is known already.
EntryDetails describe(Catalogue& catalogue, ProgramFinder& finder, const PlaceInfo& info,
                      const std::string& name, bool switched_off, const Content* known) {
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
      describe_shortcut(catalogue, finder, info, name, details);
    } else if (known != nullptr) {
      describe_run_value(catalogue, finder, *known, details);
    } else if ((read = read_entry(catalogue, info, name))) {
      describe_run_value(catalogue, finder, *read, details);
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
  ProgramFinder finder(catalogue.platform);
  return describe(catalogue, finder, info, name, switched_off, nullptr);
}

AllDetails describe_all(Catalogue& catalogue) {
  AllDetails all;
  ProgramFinder finder(catalogue.platform);  // one search path for the whole pass
  all.problems = walk_places(catalogue, true, [&](const ScannedEntry& entry) {
    all.entries.push_back(
        describe(catalogue, finder, *entry.place, entry.name, entry.switched_off, entry.content));
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
