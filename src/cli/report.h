// The entries as runwarden-cli prints them: a table for people, JSON or CSV
// for scripts, each with the same fields under the same names.
#pragma once

#include <string>
#include <vector>

#include "catalogue/details.h"
#include "cli/command_line.h"

namespace rw::cli {

// The whole output for entries as describe_all gives them, each with its
// place; it ends with a line break.
std::string render(const std::vector<EntryDetails>& entries, Format format);

// The fields of JSON and CSV in their order, for the help: "name, place,
// ..., program (or null), ...".
std::string field_names();

}  // namespace rw::cli
