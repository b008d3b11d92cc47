#include "cli/report.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "catalogue/messages.h"

namespace rw::cli {

namespace {

constexpr const char* kFields[] = {
    "name",       "place",   "location", "scope",           "enabled",
    "off_reason", "command", "program",  "program_missing", "publisher"};

std::optional<std::string> unless_empty(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text;
}

nlohmann::ordered_json json_of(const Record& record) {
  const auto text_or_null = [](const std::optional<std::string>& text) {
    return text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json(nullptr);
  };
  // Room for every field at once: growing it field by field costs more than
  // the rest of the object on a list of thousands.
  nlohmann::ordered_json::object_t fields;
  fields.reserve(std::size(kFields));
  fields.emplace("name", record.name);
  fields.emplace("place", record.place);
  fields.emplace("location", record.location);
  fields.emplace("scope", record.scope);
  fields.emplace("enabled", record.enabled);
  fields.emplace("off_reason", text_or_null(record.off_reason));
  fields.emplace("command", record.command);
  fields.emplace("program", text_or_null(record.program));
  fields.emplace("program_missing", record.program_missing);
  fields.emplace("publisher", text_or_null(record.publisher));
  return nlohmann::ordered_json(std::move(fields));
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

std::string csv(const std::vector<Record>& records) {
  std::string out = csv_line(std::vector<std::string>(std::begin(kFields), std::end(kFields)));
  for (const Record& record : records) {
    out += csv_line({record.name, record.place, std::to_string(record.location), record.scope,
                     record.enabled ? "true" : "false", record.off_reason.value_or(""),
                     record.command, record.program.value_or(""),
                     record.program_missing ? "true" : "false", record.publisher.value_or("")});
  }
  return out;
}

// "<U+0085>" for a character that has no picture of its own.
std::string code_point_words(unsigned code_point) {
  char words[16];
  std::snprintf(words, sizeof words, "<U+%04X>", code_point);
  return words;
}

// A cell of the table, where no character may move the cursor, end a row or
// start a terminal's escape sequence, so that no value can forge or hide a
// row: a C0 control is shown as its picture (TAB as "␉", ESC as "␛"), DEL
// as "␡", and the C1 controls and the line and paragraph separators, which
// have none, as "<U+0085>". A NUL and a lone surrogate as in messages.
std::string table_cell(const std::string& text) {
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

// Characters, not bytes, so that the columns line up past ASCII.
std::size_t width_of(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string table(const std::vector<Record>& records) {
  std::vector<std::vector<std::string>> rows = {{"NAME", "PLACE", "ON", "COMMAND"}};
  for (const Record& record : records) {
    rows.push_back({table_cell(record.name), record.place,
                    record.enabled ? "yes" : record.off_reason.value_or("no"),
                    table_cell(record.command)});
  }
  std::size_t widths[3] = {};
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < 3; ++column) {
      widths[column] = std::max(widths[column], width_of(row[column]));
    }
  }
  std::string out;
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < 3; ++column) {
      out += row[column] + std::string(widths[column] - width_of(row[column]) + 2, ' ');
    }
    out += row[3] + "\n";
  }
  return out;
}

}  // namespace

Record record_of(const EntryDetails& details) {
  Record record;
  record.name = details.name;
  if (details.place != nullptr) {
    record.place = details.place->name;
    record.location = static_cast<int>(details.place->location);
    record.scope = scope_words(details.place->scope);
  }
  record.enabled = details.starts;
  if (!details.starts) record.off_reason = off_reason_field(details.off);
  record.command = details.stored_command.empty() ? details.command : details.stored_command;
  // A program that was not looked for (on a network share, say) is given as
  // the command names it, and is not said to be missing.
  const bool not_checked = details.program && !details.program->not_checked.empty();
  if (details.program && (details.program->found || not_checked)) {
    record.program = details.program->path;
  }
  record.program_missing =
      details.program && !details.program->found && !not_checked && !details.program->path.empty();
  record.publisher = unless_empty(details.made_by.company);
  return record;
}

std::string render(const std::vector<Record>& records, Format format) {
  switch (format) {
    case Format::Json: {
      nlohmann::ordered_json::array_t items;
      items.reserve(records.size());
      for (const Record& record : records) items.push_back(json_of(record));
      const nlohmann::ordered_json array(std::move(items));
      // A name may hold a lone surrogate, which JSON cannot carry: it is replaced.
      return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    case Format::Csv:
      return csv(records);
    case Format::Table:
      break;
  }
  return table(records);
}

}  // namespace rw::cli
