#include "cli/baseline.h"

#include <algorithm>
#include <iterator>

#include "cli/report.h"
#include "platform/platform.h"

namespace rw::cli {

namespace {

using Json = nlohmann::ordered_json;

enum class Type { Text, TextOrNull, Truth };

// The fields a baseline's record must have, and which of them a difference
// is looked for in; adding a compared field is adding a row.
struct RecordField {
  std::string_view name;
  Type type;
  bool compared;
  bool verified;             // only in a list saved with --verify
  std::string_view words{};  // as a changed line names it, where not its name
  std::string_view shown() const { return words.empty() ? name : words; }
};

constexpr RecordField kRecordFields[] = {
    {"id", Type::Text, false, false},
    {"name", Type::Text, false, false},
    {"place", Type::Text, false, false},
    {"enabled", Type::Truth, true, false},
    {"command", Type::Text, true, false},
    {"program", Type::TextOrNull, true, false},
    {"signature", Type::Text, true, true},
    {"signer", Type::TextOrNull, true, true},
    {"sha256", Type::TextOrNull, true, true, "hash"},
};

bool has_type(const Json& value, Type type) {
  switch (type) {
    case Type::Text:
      return value.is_string();
    case Type::TextOrNull:
      return value.is_string() || value.is_null();
    case Type::Truth:
      return value.is_boolean();
  }
  return false;
}

std::string_view type_words(Type type) {
  switch (type) {
    case Type::Text:
      return "a text";
    case Type::TextOrNull:
      return "a text or null";
    case Type::Truth:
      return "true or false";
  }
  return {};
}

// Why the record is not one list --json writes; empty when it is.
std::string record_problem(const Json& record, std::size_t number, bool verified) {
  const std::string entry = "entry " + std::to_string(number);
  if (!record.is_object()) return entry + " is not an object";
  for (const RecordField& field : kRecordFields) {
    if (field.verified && !verified) continue;
    const auto found = record.find(field.name);
    if (found == record.end()) return entry + " lacks \"" + std::string(field.name) + "\"";
    if (!has_type(*found, field.type))
      return entry + "'s \"" + std::string(field.name) + "\" is not " +
             std::string(type_words(field.type));
  }
  return {};
}

// The text as a saved list holds it: a lone surrogate, which JSON cannot
// carry, was replaced when the list was written, and must be here too.
std::string as_saved(const std::string& text) {
  const bool has_surrogate =
      std::adjacent_find(text.begin(), text.end(), [](char a, char b) {
        return static_cast<unsigned char>(a) == 0xED && static_cast<unsigned char>(b) >= 0xA0;
      }) != text.end();
  if (!has_surrogate) return text;
  return Json::parse(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace))
      .get<std::string>();
}

BaselineReading unreadable(std::string problem) { return {std::nullopt, std::move(problem)}; }

// The library's reason without its own prefix ("[json.exception...] ").
std::string parse_reason(const std::exception& error) {
  const std::string what = error.what();
  const std::size_t end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

// "'Tool' in CurrentUserRun", and the user where the record names one.
std::string entry_words(const Json& record) {
  std::string words = "'" + printable(record["name"].get<std::string>()) + "' in " +
                      printable(record["place"].get<std::string>());
  const auto user = record.find("user");
  if (user != record.end() && user->is_string())
    words += " of " + printable(user->get<std::string>());
  return words;
}

const Json& shown_record(const Difference& difference) {
  return difference.kind == Difference::Kind::Removed ? difference.was : difference.now;
}

std::string line_of(const Difference& difference) {
  switch (difference.kind) {
    case Difference::Kind::Added:
      return "added: " + entry_words(difference.now) + "\n";
    case Difference::Kind::Removed:
      return "removed: " + entry_words(difference.was) + "\n";
    case Difference::Kind::Changed:
      break;
  }
  std::string what;
  for (const std::string_view field : difference.fields) {
    const auto row = std::find_if(std::begin(kRecordFields), std::end(kRecordFields),
                                  [&](const RecordField& each) { return each.name == field; });
    what += (what.empty() ? "" : ", ") + std::string(row->shown());
  }
  return "changed: " + entry_words(difference.now) + ": " + what + "\n";
}

std::string more_words(std::size_t left) { return "and " + std::to_string(left) + " more\n"; }

}  // namespace

BaselineReading read_baseline(std::string_view bytes) {
  // Told apart as a task file's text is: by its byte order mark, or by the
  // NULs of UTF-16 in its first characters.
  const std::string text = task_file_text(bytes);
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return unreadable("it is empty");
  Baseline baseline;
  try {
    baseline.records = Json::parse(text);
  } catch (const Json::parse_error& error) {
    return unreadable("it is not JSON: " + parse_reason(error));
  }
  Json& records = baseline.records;
  if (!records.is_array())
    return unreadable("it is not a list of entries, as list --json writes one");
  // A list of nothing is more likely a failed save than a computer that starts nothing.
  if (records.empty()) return unreadable("it holds no entries");
  baseline.verified = std::any_of(records.begin(), records.end(), [](const Json& record) {
    return record.is_object() && record.contains("signature");
  });
  baseline.all_users = std::any_of(records.begin(), records.end(), [](const Json& record) {
    return record.is_object() && record.contains("user") && record["user"].is_string();
  });
  baseline.by_id.reserve(records.size());
  for (std::size_t index = 0; index < records.size(); ++index) {
    const std::string problem = record_problem(records[index], index + 1, baseline.verified);
    if (!problem.empty()) return unreadable(problem);
    const std::string& id = records[index]["id"].get_ref<const std::string&>();
    if (!baseline.by_id.emplace(id, index).second)
      return unreadable("two entries have the id \"" + printable(id) + "\"");
  }
  return {std::move(baseline), {}};
}

std::vector<Difference> compare(const Baseline& baseline, const Json& now) {
  std::vector<Difference> differences;
  std::vector<bool> matched(baseline.records.size(), false);
  for (const Json& record : now) {
    const auto found = baseline.by_id.find(as_saved(record["id"].get<std::string>()));
    // An id seen twice today is a second entry, which the baseline did not have.
    if (found == baseline.by_id.end() || matched[found->second]) {
      differences.push_back({Difference::Kind::Added, Json(), record, {}});
      continue;
    }
    matched[found->second] = true;
    const Json& was = baseline.records[found->second];
    Difference changed{Difference::Kind::Changed, was, record, {}};
    for (const RecordField& field : kRecordFields) {
      if (!field.compared || (field.verified && !baseline.verified)) continue;
      const auto today = record.find(field.name);
      if (today == record.end() || *today != was[std::string(field.name)])
        changed.fields.push_back(field.name);
    }
    if (!changed.fields.empty()) differences.push_back(std::move(changed));
  }
  for (std::size_t index = 0; index < matched.size(); ++index) {
    if (!matched[index])
      differences.push_back({Difference::Kind::Removed, baseline.records[index], Json(), {}});
  }
  return differences;
}

std::string difference_lines(const std::vector<Difference>& differences, std::size_t limit) {
  std::vector<std::string> lines;
  lines.reserve(differences.size());
  std::size_t total = 0;
  for (const Difference& difference : differences) {
    lines.push_back(line_of(difference));
    total += lines.back().size();
  }
  if (total <= limit) {
    std::string out;
    for (const std::string& line : lines) out += line;
    return out;
  }
  // The most whole lines that leave room for the count of the rest.
  std::size_t kept = 0, size = 0;
  for (std::size_t count = 1; count < lines.size(); ++count) {
    size += lines[count - 1].size();
    if (size + more_words(lines.size() - count).size() <= limit) kept = count;
  }
  std::string out;
  for (std::size_t index = 0; index < kept; ++index) out += lines[index];
  return out + more_words(lines.size() - kept);
}

Json differences_json(const std::vector<Difference>& differences) {
  static constexpr std::string_view kKinds[] = {"added", "removed", "changed"};
  Json all = Json::array();
  for (const Difference& difference : differences) {
    const Json& record = shown_record(difference);
    Json item = {{"change", kKinds[static_cast<int>(difference.kind)]},
                 {"id", record["id"]},
                 {"name", record["name"]},
                 {"place", record["place"]}};
    if (difference.kind != Difference::Kind::Changed) {
      item["entry"] = record;
    } else {
      Json was = Json::object(), now = Json::object();
      for (const std::string_view field : difference.fields) {
        const std::string key(field);
        was[key] = difference.was[key];
        now[key] = difference.now.contains(key) ? difference.now[key] : Json();
      }
      item["fields"] = difference.fields;
      item["was"] = std::move(was);
      item["now"] = std::move(now);
    }
    all.push_back(std::move(item));
  }
  return all;
}

}  // namespace rw::cli
