#include "catalogue/details.h"

#include <iterator>
#include <utility>

#include "catalogue/entry_id.h"
#include "catalogue/entry_store.h"
#include "catalogue/messages.h"
#include "catalogue/scan.h"
#include "catalogue/signature_words.h"

namespace rw {

namespace {

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
                      const ScannedEntry& entry, const Content* known) {
  const std::string& name = entry.name;
  EntryDetails details;
  details.name = name;
  details.key = entry.key;
  details.place = &info;
  details.scope = entry.scope ? *entry.scope : entry_scope(info, entry.key);
  if (catalogue.user && info.each_user) details.user = catalogue.user->name;
  details.id = entry_id(catalogue.platform.text_rules, info, details.user, name, entry.key);
  details.starts = starts(info, entry.off);
  details.off = info.active ? entry.off : OffReason::Parked;
  details.lock = lock_reason(info, entry.off);
  try {
    std::optional<Launch> launch;
    if (!is_exact_name(name)) {
      details.warnings.push_back("Its name " + inexact_name_words());
    } else if (!(launch = launch_of(catalogue, info, name, entry.key, known))) {
      details.warnings.push_back("It is no longer in " + std::string(info.where) + ".");
    } else {
      details.facts = std::move(launch->facts);
      if (!launch->problem.empty()) {
        details.warnings.push_back(launch->problem);
      } else {
        details.command = std::move(launch->command);
        details.stored_command = std::move(launch->stored);
        details.origin = std::move(launch->origin);
        // A target is a file name, not a command line: nothing to search or split.
        details.program =
            launch->target ? finder.file_at(*launch->target) : finder.find(details.command);
      }
    }
  } catch (const PlatformError& error) {
    details.warnings.push_back(
        entry_failure(catalogue.platform.status_text, "It cannot be read: ", error));
  }
  if (!info.warning.empty()) details.warnings.emplace_back(info.warning);
  if (details.program && details.program->found) {
    details.made_by = catalogue.platform.programs.describe_file(details.program->path);
  }
  add_warnings(details);
  return details;
}

}  // namespace

EntryDetails describe_entry(Catalogue& catalogue, const PlaceInfo& info, const std::string& name,
                            OffReason off, const std::string& key) {
  ProgramFinder finder(catalogue.platform);
  return describe(catalogue, finder, info, ScannedEntry{&info, name, key, off}, nullptr);
}

AllDetails describe_all(Catalogue& catalogue) {
  AllDetails all;
  ProgramFinder finder(catalogue.platform);  // one search path for the whole pass
  all.problems = walk_places(catalogue, true, [&](const ScannedEntry& entry) {
    all.entries.push_back(describe(catalogue, finder, *entry.place, entry, entry.content));
  });
  return all;
}

AllDetails describe_all_users(Catalogue& catalogue) {
  std::vector<PlatformError> problems;
  const std::vector<UserHive> users = loaded_users(catalogue.platform, problems);
  AllDetails all;
  for (const UserHive& user : users) {
    AllDetails theirs;
    if (user.current) {
      const UserHive* before = std::exchange(catalogue.user, &user);
      theirs = describe_all(catalogue);
      catalogue.user = before;
    } else {
      UserPlatform platform(catalogue.platform, user);
      SortedEntryList list(platform.platform().text_rules);
      Catalogue other{platform.platform(), list};
      other.user = &user;
      theirs = describe_all(other);
    }
    std::move(theirs.entries.begin(), theirs.entries.end(), std::back_inserter(all.entries));
    std::move(theirs.problems.begin(), theirs.problems.end(), std::back_inserter(problems));
  }
  all.problems = std::move(problems);
  return all;
}

EntryDetails describe_item(Catalogue& catalogue, int index) {
  const EntryList& list = catalogue.list;
  if (list.tag(index) == kNoteTag) {
    EntryDetails note;
    note.name = list.text(index);
    return note;
  }
  const PlaceInfo* info = find_place(list.tag(index));
  if (info == nullptr) {
    EntryDetails unknown;
    unknown.name = list.text(index);
    unknown.warnings.push_back("It names no place that Runwarden knows.");
    return unknown;
  }
  return describe_entry(catalogue, *info, list.text(index), list.off(index), list.key(index));
}

void verify_program(Catalogue& catalogue, EntryDetails& details) {
  Verification& verified = details.verified.emplace();
  // A file on the network is never touched: reading it could wait on a server.
  const bool on_this_computer =
      details.program && details.program->found && details.program->not_checked.empty();
  if (!on_this_computer) return;
  Programs& programs = catalogue.platform.programs;
  try {
    verified.signature = programs.signature(details.program->path);
    verified.sha256 = programs.sha256(details.program->path);
  } catch (const PlatformError& error) {
    verified.signature = Signature{};
    verified.sha256.reset();
    verified.failure = error;
    details.warnings.push_back("Its program file's signature cannot be checked: " +
                               failure_words(catalogue.platform.status_text, error) + ".");
  }
}

std::string details_text(const EntryDetails& details) {
  std::string text = shown_name(details.name);
  if (details.place == nullptr && details.warnings.empty()) return text;  // a note
  if (details.place != nullptr) text += "\nWhere: " + std::string(details.place->description);
  text += details.starts ? "\nStarts at logon: yes"
                         : "\nStarts at logon: no, " + std::string(off_reason_words(details.off));
  if (details.place != nullptr && !details.place->note.empty()) {
    text += "\nNote: " + std::string(details.place->note);
  }
  if (!details.lock.empty()) text += "\n" + cannot_switch_words(details.lock);
  for (const std::string& fact : details.facts) text += "\n" + fact;
  if (!details.command.empty()) text += "\nCommand: " + details.command;
  if (!details.stored_command.empty()) text += "\nStored as: " + details.stored_command;
  if (!details.origin.empty()) text += "\nListed in: " + details.origin;
  if (details.program && details.program->found) text += "\nProgram: " + details.program->path;
  if (!details.made_by.company.empty()) text += "\nPublisher: " + details.made_by.company;
  if (!details.made_by.description.empty()) {
    text += "\nDescription: " + details.made_by.description;
  }
  if (details.verified) {
    const std::string line = signature_line(details.verified->signature);
    if (!line.empty()) text += "\n" + line;
  }
  for (const std::string& warning : details.warnings) text += "\nWarning: " + warning;
  return text;
}

}  // namespace rw
