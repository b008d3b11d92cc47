// What an entry runs, worked out on demand: where it is in words, whether it
// starts at logon and why not, its command, the program file that command
// starts as Windows would find it, who made that program, and what is wrong.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/program_file.h"

namespace rw {

// What a check of the program file found: who signed it and its SHA-256.
struct Verification {
  Signature signature;  // kNotChecked where no file was looked at
  std::optional<std::string> sha256;
  // The check that could not be made, when one could not: the file is there
  // but could not be opened or checked.
  std::optional<PlatformError> failure;
};

struct EntryDetails {
  std::string name;
  const PlaceInfo* place = nullptr;
  std::string key;                // which entry of its place, where its name does not say
  Scope scope = Scope::AllUsers;  // its own, or its place's
  std::string user;  // whose entry it is, where not the machine's or the current user's
  std::string id;    // entry_id()
  bool starts = false;
  OffReason off = OffReason::None;
  std::string_view lock;           // why it cannot be switched from here; empty when it can
  std::string command;             // what runs: an expandable string expanded, a shortcut's target
  std::string stored_command;      // as stored, when that differs from `command`
  std::string origin;              // the value it is listed in, where its place reads several
  std::vector<std::string> facts;  // lines of what its place tells of it
  std::optional<ProgramFile> program;  // nothing when there is no command to look at
  FileDescription made_by;             // of the program file, when found
  std::vector<std::string> warnings;
  // Only when asked for: the first check of a process costs a tenth of a
  // second, which neither the window's start nor a plain list may pay.
  std::optional<Verification> verified;
};

// The details of an entry in a place; `off` and `key` are what the list
// holds of it. Failures to read become warnings.
EntryDetails describe_entry(Catalogue& catalogue, const PlaceInfo& info, const std::string& name,
                            OffReason off = OffReason::None, const std::string& key = {});
// The details of the list's item; of a note, its text alone.
EntryDetails describe_item(Catalogue& catalogue, int index);

// Every entry of every place with its details, as the scan finds them, the
// Run values read in the same pass; and the places that could not be read.
struct AllDetails {
  std::vector<EntryDetails> entries;
  std::vector<PlatformError> problems;
};
AllDetails describe_all(Catalogue& catalogue);
// The same for every user whose hive is loaded as well: the current user's
// entries once, as describe_all gives them but with their user, then each
// other user's places kept in their hive (PlaceInfo::each_user).
AllDetails describe_all_users(Catalogue& catalogue);

// Checks the signature of the entry's program file and hashes it, where its
// details found one on this computer; a failure becomes a warning too.
void verify_program(Catalogue& catalogue, EntryDetails& details);

// The details as lines of text, for the infotip and the Details box.
std::string details_text(const EntryDetails& details);

}  // namespace rw
