// The entries as runwarden-cli prints them: a table for people, JSON or CSV
// for scripts, each with the same fields under the same names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/details.h"
#include "cli/command_line.h"

namespace rw::cli {

// One entry, as the fields name it.
struct Record {
  std::string name;
  std::string place;  // the place's name in the table: "CurrentUserRun"
  int location = 0;
  std::string scope;  // "all users" or "current user"
  bool enabled = false;
  std::optional<std::string> off_reason;  // "parked", "switched off in Windows"
  std::string command;                    // as stored, or a shortcut's target and arguments
  // The program file when it is found, or as the command names it when it
  // was not looked for (on a network share, or relative to an unknown folder).
  std::optional<std::string> program;
  bool program_missing = false;
  std::optional<std::string> publisher;
};

Record record_of(const EntryDetails& details);

// The whole output, ending with a line break.
std::string render(const std::vector<Record>& records, Format format);

}  // namespace rw::cli
