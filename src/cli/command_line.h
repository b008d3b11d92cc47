// What runwarden-cli is asked to do, read from its command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/places.h"

namespace rw::cli {

enum class Verb { List, Disable, Enable, Remove, Check };
enum class Format { Table, Json, Csv };

struct Request {
  Verb verb = Verb::List;
  Format format = Format::Table;
  std::string name;                      // the entry, for every verb but list
  std::optional<StartupLocation> place;  // --place: which of several of that name
  bool yes = false;                      // --yes: remove without asking
  bool verify = false;                   // --verify: check each program file's signature
  std::string baseline;                  // check --baseline: the list saved earlier
  bool all = false;                      // check --all: every difference, however long
  bool all_users = false;                // --all-users: every loaded user's entries too
  std::optional<std::string> user;       // --user: whose entry, by name or SID
};

// What the command line comes to: a request, or text to print and the exit
// status to end with (the help or the version: 0; a usage error: 2).
struct Parsed {
  std::optional<Request> request;
  std::string text;
  int exit_status = 0;
};

// `arguments` are the words after the program's name, in UTF-8.
Parsed parse_command_line(const std::vector<std::string>& arguments);

// The place that --place names: its name in the table ("CurrentUserRun",
// letter case aside) or its number.
std::optional<StartupLocation> place_named(std::string_view text);

}  // namespace rw::cli
