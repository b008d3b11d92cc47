// Listing, reading, writing and deleting the entries where a place keeps
// them: Run values, parked values in the settings store, or shortcut files.
// A place's kind of storage decides how, through its reader here; the scan,
// Exit, Remove, Add and Modify all go through the functions below.
//
// Every failure raises, naming the call and the key or path: EntryFailure for
// a registry call or a check, PlatformError for a file or settings-store call.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/registry_values.h"

namespace rw {

// What an entry holds, to tell whether two entries of one name are the same.
struct Content {
  std::uint32_t type = regtype::kNone;  // a Run value's type; kNone for a shortcut
  // A string value's text (without its NUL), another value's bytes, or a
  // shortcut file's bytes.
  std::string data;
  bool operator==(const Content&) const = default;
};

// One entry as its place lists it.
struct Found {
  std::string name;
  std::string key = {};                 // which entry it is, where its name does not say
  OffReason off = OffReason::None;      // its own switch, where its place keeps one
  std::optional<Content> content = {};  // what it holds, when asked for and read in the same pass
  std::optional<Scope> scope = {};      // its own, where its place's row does not decide it
};

// The entries the place holds; a key or folder that does not exist holds
// none. A listing cut short by a failure keeps the entries found before it,
// and the failure. Asked `with_contents`, a place of Run values gives what
// each holds too (shortcuts give none).
struct Listing {
  std::vector<Found> entries;
  std::optional<PlatformError> failure;
};
Listing list_entries(Catalogue& catalogue, const PlaceInfo& info, bool with_contents = false);

// What an entry starts, as its place keeps it.
struct Launch {
  std::string
      command;  // what runs: an expandable string expanded, a shortcut's target and arguments
  std::string stored;  // as stored, when that differs from `command`
  // A program file named by its full path (a shortcut's target), which is
  // neither searched for nor split like a command line.
  std::optional<std::string> target;
  std::string problem;  // why it starts nothing: "It holds binary data, not a command line."
  // The value it is listed in, where its place reads several.
  std::string origin;
  // What else the details show of it, a line each: "Package family: ...".
  std::vector<std::string> facts;
};

// A switch the storage accepted without changing the entry, as read back:
// the move did not happen, and no OS status says why.
class SwitchNotMade : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How one kind of storage keeps its entries; see the functions below, which
// hand each call to the reader of the place's kind.
class PlaceStorage {
 public:
  virtual ~PlaceStorage() = default;
  virtual Listing list(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) const = 0;
  virtual std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                                      std::string_view name) const = 0;
  virtual void check_removable(Catalogue& catalogue, const PlaceInfo& info,
                               std::string_view name) const = 0;
  virtual void write(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                     std::string_view name, const Content& content) const = 0;
  virtual void remove(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) const = 0;
  virtual void remove_side_record(Catalogue&, const PlaceInfo&, std::string_view) const {}
  virtual std::string address(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const = 0;
  virtual bool is_unlisted(Catalogue&, const PlaceInfo&, std::string_view) const { return false; }
  virtual bool holds_whole(const Content& content) const = 0;
  // Nothing when the entry is not there. `known` is what it holds, when the
  // scan read that already.
  virtual std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo& info,
                                       std::string_view name, std::string_view key,
                                       const Content* known) const = 0;
  // Switches the entry on or off where it is stored, for a place that lets
  // its entries be switched in place: Windows' own flag unless the storage
  // keeps a switch of its own. `key` is the list's, for entries named alike.
  // A storage that reads its switch back raises SwitchNotMade when it did
  // not change.
  virtual void switch_in_place(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                               std::string_view key, bool on) const;
  // Whom the entry starts for, where its place holds entries of both scopes.
  virtual Scope scope_of(const PlaceInfo& info, std::string_view) const { return info.scope; }
};
// A storage the program only reads. Every change is refused before anything
// is done; the program never asks, as it reads the place's actions first.
class ReadOnlyStorage : public PlaceStorage {
 public:
  void check_removable(Catalogue& catalogue, const PlaceInfo& info,
                       std::string_view name) const override {
    refuse(catalogue, info, name);
  }
  void write(Catalogue& catalogue, const PlaceInfo&, const PlaceInfo& to, std::string_view name,
             const Content&) const override {
    refuse(catalogue, to, name);
  }
  void remove(Catalogue& catalogue, const PlaceInfo& info, std::string_view name) const override {
    refuse(catalogue, info, name);
  }
  void switch_in_place(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                       std::string_view, bool) const override {
    refuse(catalogue, info, name);
  }
  bool holds_whole(const Content&) const override { return false; }

 protected:
  [[noreturn]] void refuse(Catalogue& catalogue, const PlaceInfo& info,
                           std::string_view name) const {
    throw EntryFailure("Change (" + std::string(info.actions.refusal) + ")",
                       address(catalogue, info, name), status::kNotSupported);
  }
};
const PlaceStorage& storage_of(const PlaceInfo& info);
// The reader of programs listed in values (program_lists.cpp).
const PlaceStorage& program_list_storage();
const PlaceStorage& scheduled_task_storage();  // task_storage.cpp

inline constexpr std::string_view kShortcutSuffix = ".lnk";
// folder + "\" + name + ".lnk"
std::string shortcut_path(std::string_view folder, std::string_view name);

// What the place holds under the name (compared as Windows compares names);
// nothing when no such entry is there.
std::optional<Content> read_entry(Catalogue& catalogue, const PlaceInfo& info,
                                  std::string_view name);

// Raises what deleting the entry from its place would fail with, asked
// before anything is written.
void check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Stores `content` as the entry `name` of the place `to`, replacing one of
// that name. A shortcut is copied whole from its file in `from`, and the
// copy is left where listings see it (neither hidden nor system).
void write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                 std::string_view name, const Content& content);

// Deletes the entry from its place; one that is not there raises status 2.
void delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Once the entry is deleted: removes what its place keeps beside it (the
// record of a parked value's type). What is left when this fails does no
// harm, since the next parking of that name rewrites it.
void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Windows' own on/off flag (its StartupApproved values), which switches an
// entry of an active place off without moving it. A parked entry comes under
// the flag of its partner, where it would start again.

// The names of the place's entries that the flag switches off; none when the
// place has no flag. A flag that cannot be read is given as the failure.
struct SwitchedOff {
  std::vector<std::string> names;
  std::optional<PlatformError> failure;
};
SwitchedOff switched_off_entries(Catalogue& catalogue, const PlaceInfo& info);
// Whether a value of the flag switches the entry off.
bool is_switched_off(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);
// Writes the flag as Windows does: on, or off since now. No-op for a place
// without a flag.
void write_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name, bool on);
// Deletes the entry's flag value, if it has one.
void delete_flag(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);
// The active place whose flag governs the place's entries, or nullptr.
const PlaceInfo* flag_place(const PlaceInfo& info);

// The policies that keep Windows from starting whole lists (see
// PlaceInfo::list_policy), set under Policies\Explorer of the machine or of
// the user. One that cannot be read is given as the failure.
struct ListPolicies {
  std::vector<std::string> in_force;  // the names of the values set to 1
  std::optional<PlatformError> failure;
  bool keep_off(const PlaceInfo& info) const;
};
ListPolicies list_policies_in_force(Catalogue& catalogue);

// Where the entry lives, for messages: the key and value, or the file's path.
std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Whether the entry is stored where no listing shows it: a hidden or system
// shortcut file. False when that cannot be asked.
bool is_unlisted(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Whether the entry holds what can be parked and restored whole: a shortcut
// always does, a Run value when it is a string.
bool is_movable(const PlaceInfo& info, const Content& content);

// Switches the entry on or off where it is (see PlaceStorage::switch_in_place);
// raises SwitchNotMade when the storage says it is not.
void switch_in_place(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                     std::string_view key, bool on);

// Whom the entry starts for: its place's scope, unless its key says otherwise.
Scope entry_scope(const PlaceInfo& info, std::string_view key);

// What the entry starts; nothing when it is not there.
std::optional<Launch> launch_of(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                                std::string_view key = {}, const Content* known = nullptr);

}  // namespace rw
