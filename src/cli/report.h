// The entries as runwarden-cli prints them: a table for people, JSON or CSV
// for scripts, each with the same fields under the same names.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "catalogue/details.h"
#include "cli/command_line.h"

namespace rw::cli {

// The whole output for entries as describe_all gives them, each with its
// place; it ends with a line break. With `verify`, each entry's check of
// its program file (verify_program) is given too.
std::string render(const std::vector<EntryDetails>& entries, Format format, bool verify = false);

// The entries as the objects of JSON's array, with the same fields.
nlohmann::ordered_json records(const std::vector<EntryDetails>& entries, bool verify);
// JSON as runwarden-cli writes it, ending with a line break.
std::string json_text(const nlohmann::ordered_json& value);

// The fields of JSON and CSV in their order, for the help: "id, name, ...,
// program (or null), ...": those every list gives, or those only --verify adds.
std::string field_names(bool verify_only = false);

// Text for one line of a console, where no character may move the cursor,
// end a line or start a terminal's escape sequence, so that no value can
// forge or hide a line: a C0 control is shown as its picture (TAB as "␉",
// ESC as "␛"), DEL as "␡", and the C1 controls and the line and paragraph
// separators, which have none, as "<U+0085>". A NUL and a lone surrogate as
// in messages.
std::string printable(const std::string& text);

}  // namespace rw::cli
