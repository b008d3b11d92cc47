#include "cli/report.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>

#include "catalogue/messages.h"
#include "catalogue/signature_words.h"

namespace rw::cli {

namespace {

using Json = nlohmann::ordered_json;

// Why an entry does not start; empty when it does.
std::string off_reason(const EntryDetails& entry) {
  if (entry.starts) return {};
  return std::string(off_reason_field(entry.off));
}

std::string stored_command(const EntryDetails& entry) {
  return entry.stored_command.empty() ? entry.command : entry.stored_command;
}

// A program that was not looked for (on a network share, say) is given as
// the command names it, and is not said to be missing.
bool program_not_checked(const EntryDetails& entry) {
  return entry.program && !entry.program->not_checked.empty();
}

// Empty when there is none to give.
std::string program(const EntryDetails& entry) {
  const bool given = entry.program && (entry.program->found || program_not_checked(entry));
  return given ? entry.program->path : std::string();
}

bool program_missing(const EntryDetails& entry) {
  return entry.program && !entry.program->found && !program_not_checked(entry) &&
         !entry.program->path.empty();
}

Json or_null(const std::string& text) { return text.empty() ? Json() : Json(text); }

// The check of the program file, for the fields that only --verify adds.
const Verification& verified(const EntryDetails& entry) {
  static const Verification kNone;
  return entry.verified ? *entry.verified : kNone;
}

// One field of JSON and CSV: its name, its value (in CSV, a string as it
// is, a number or a truth value as JSON writes it, null as nothing),
// whether it may be null and whether only --verify gives it. Adding a field
// is adding a row.
struct Field {
  std::string_view name;
  Json (*value)(const EntryDetails& entry);
  bool nullable = false;
  bool verify_only = false;
};

constexpr Field kFields[] = {
    {"name", [](const EntryDetails& e) { return Json(e.name); }},
    {"place", [](const EntryDetails& e) { return Json(e.place->name); }},
    {"location", [](const EntryDetails& e) { return Json(static_cast<int>(e.place->location)); }},
    {"scope", [](const EntryDetails& e) { return Json(scope_words(e.scope)); }},
    {"enabled", [](const EntryDetails& e) { return Json(e.starts); }},
    {"off_reason", [](const EntryDetails& e) { return or_null(off_reason(e)); }, true},
    {"command", [](const EntryDetails& e) { return Json(stored_command(e)); }},
    {"program", [](const EntryDetails& e) { return or_null(program(e)); }, true},
    {"program_missing", [](const EntryDetails& e) { return Json(program_missing(e)); }},
    {"publisher", [](const EntryDetails& e) { return or_null(e.made_by.company); }, true},
    // New fields go last, so that scripts reading CSV columns by position keep theirs.
    {"read_only", [](const EntryDetails& e) { return Json(!e.lock.empty()); }},
    {"read_only_reason", [](const EntryDetails& e) { return or_null(std::string(e.lock)); }, true},
    {"id", [](const EntryDetails& e) { return Json(e.id); }},
    // What --verify adds.
    {"signature",
     [](const EntryDetails& e) { return Json(signature_field(verified(e).signature.state)); },
     false, true},
    {"signer",
     [](const EntryDetails& e) { return or_null(verified(e).signature.signer.value_or("")); }, true,
     true},
    {"sha256", [](const EntryDetails& e) { return or_null(verified(e).sha256.value_or("")); }, true,
     true},
    // Last, after --verify's, so that those keep their columns too.
    {"user", [](const EntryDetails& e) { return or_null(e.user); }, true},
};

bool given(const Field& field, bool verify) { return verify || !field.verify_only; }

Json json_of(const EntryDetails& entry, bool verify) {
  // Room for every field at once: growing it field by field costs more than
  // the rest of the object on a list of thousands.
  Json::object_t fields;
  fields.reserve(std::size(kFields));
  for (const Field& field : kFields) {
    if (given(field, verify)) fields.emplace(field.name, field.value(entry));
  }
  return Json(std::move(fields));
}

std::string csv_text(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.is_null() ? std::string() : value.dump();
}

// RFC 4180: a field with a comma, a quotation mark or a line break goes in
// quotation marks, its own doubled.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// A name or command may hold a NUL or a lone surrogate, which UTF-8 text
// cannot: each field is shown as the program's messages show names.
std::string csv_line(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) {
    line += (line.empty() ? "" : ",") + csv_field(shown_name(field));
  }
  return line + "\r\n";
}

std::string csv(const std::vector<EntryDetails>& entries, bool verify) {
  std::vector<std::string> cells;
  for (const Field& field : kFields) {
    if (given(field, verify)) cells.emplace_back(field.name);
  }
  std::string out = csv_line(cells);
  for (const EntryDetails& entry : entries) {
    cells.clear();
    for (const Field& field : kFields) {
      if (given(field, verify)) cells.push_back(csv_text(field.value(entry)));
    }
    out += csv_line(cells);
  }
  return out;
}

// "<U+0085>" for a character that has no picture of its own.
std::string code_point_words(unsigned code_point) {
  char words[16];
  std::snprintf(words, sizeof words, "<U+%04X>", code_point);
  return words;
}

}  // namespace

std::string printable(const std::string& text) {
  const std::string shown = shown_name(text);
  std::string cell;
  cell.reserve(shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const auto byte = static_cast<unsigned char>(shown[i]);
    const auto next = i + 1 < shown.size() ? static_cast<unsigned char>(shown[i + 1]) : 0u;
    const auto third = i + 2 < shown.size() ? static_cast<unsigned char>(shown[i + 2]) : 0u;
    if (byte < 0x20) {
      cell += "\xE2\x90";  // U+2400 + the control's number
      cell.push_back(static_cast<char>(0x80 + byte));
    } else if (byte == 0x7F) {
      cell += "\xE2\x90\xA1";  // U+2421
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      cell += code_point_words(next);
      i += 1;
    } else if (byte == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {
      cell += code_point_words(0x2000 + third - 0x80);
      i += 2;
    } else {
      cell.push_back(shown[i]);
    }
  }
  return cell;
}

namespace {

// Characters, not bytes, so that the columns line up past ASCII.
std::size_t width_of(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Every column padded to its widest cell but the last, the command.
std::string table(const std::vector<EntryDetails>& entries, bool verify) {
  std::vector<std::vector<std::string>> rows = {{"NAME", "PLACE", "ON"}};
  // Only a list of several users' entries needs to say whose each is.
  const bool with_users =
      std::any_of(entries.begin(), entries.end(),
                  [](const EntryDetails& entry) { return !entry.user.empty(); });
  if (with_users) rows[0].push_back("USER");
  if (verify) rows[0].push_back("SIGNATURE");
  rows[0].push_back("COMMAND");
  for (const EntryDetails& entry : entries) {
    std::vector<std::string> row = {printable(entry.name), std::string(entry.place->name),
                                    entry.starts ? "yes" : off_reason(entry)};
    if (with_users) row.push_back(entry.user.empty() ? "-" : printable(entry.user));
    if (verify) row.emplace_back(signature_field(verified(entry).signature.state));
    row.push_back(printable(stored_command(entry)));
    rows.push_back(std::move(row));
  }
  const std::size_t padded = rows[0].size() - 1;
  std::vector<std::size_t> widths(padded);
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < padded; ++column) {
      widths[column] = std::max(widths[column], width_of(row[column]));
    }
  }
  std::string out;
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < padded; ++column) {
      out += row[column] + std::string(widths[column] - width_of(row[column]) + 2, ' ');
    }
    out += row.back() + "\n";
  }
  return out;
}

}  // namespace

std::string field_names(bool verify_only) {
  std::string names;
  for (const Field& field : kFields) {
    if (field.verify_only != verify_only) continue;
    names += (names.empty() ? "" : ", ") + std::string(field.name);
    if (field.nullable) names += " (or null)";
  }
  return names;
}

nlohmann::ordered_json records(const std::vector<EntryDetails>& entries, bool verify) {
  Json::array_t items;
  items.reserve(entries.size());
  for (const EntryDetails& entry : entries) items.push_back(json_of(entry, verify));
  return Json(std::move(items));
}

std::string json_text(const nlohmann::ordered_json& value) {
  // A name may hold a lone surrogate, which JSON cannot carry: it is replaced.
  return value.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string render(const std::vector<EntryDetails>& entries, Format format, bool verify) {
  switch (format) {
    case Format::Json:
      return json_text(records(entries, verify));
    case Format::Csv:
      return csv(entries, verify);
    case Format::Table:
      break;
  }
  return table(entries, verify);
}

}  // namespace rw::cli
