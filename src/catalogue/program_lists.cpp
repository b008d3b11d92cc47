// The reader of places whose entries are programs listed in registry values
// (Winlogon's Userinit and Shell, the user's old Load and Run lines): one
// entry per program, named as it is written, Windows' own program left out.
// An entry's key names its value and its number in the list, since two
// values may list the same program. These places are read-only: their
// actions refuse every change before it reaches here.
#include <charconv>

#include "catalogue/entry_store.h"
#include "catalogue/registry_values.h"

namespace rw {

namespace {

constexpr std::string_view kBlanks = " \t";

RegistryKey key_of(const ProgramListValue& list) {
  return RegistryKey{list.hive, std::string(list.key_path), list.view};
}

// "HKEY_LOCAL_MACHINE\...\Winlogon\Userinit"
std::string value_words(const ProgramListValue& list) {
  return key_words(key_of(list)) + "\\" + std::string(list.value_name);
}

// A program of a list, and its number there (from 1).
struct Program {
  std::string_view text;
  std::size_t number = 0;
};

// The programs as Windows reads them: up to the first NUL, between
// separators, without the blanks around them. Linear in the text, however
// long the list.
std::vector<Program> programs_in(std::string_view text, std::string_view separators) {
  text = text.substr(0, text.find('\0'));
  std::vector<Program> programs;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of(separators);
    std::string_view item = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t first = item.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) continue;
    item = item.substr(first, item.find_last_not_of(kBlanks) - first + 1);
    programs.push_back(Program{item, programs.size() + 1});
  }
  return programs;
}

// Whether the program is Windows' own: its file name, in any folder, with
// or without ".exe" and quotation marks, letter case aside.
bool is_windows_own(TextRules& rules, std::string_view program, std::string_view own) {
  if (own.empty()) return false;
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"') {
    program = program.substr(1, program.size() - 2);
  }
  const std::size_t slash = program.find_last_of("\\/");
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  constexpr std::string_view kExe = ".exe";
  if (program.size() > kExe.size() &&
      rules.same_name(program.substr(program.size() - kExe.size()), kExe)) {
    program.remove_suffix(kExe.size());
  }
  return rules.same_name(program, own);
}

// The value's text with its type; nothing for a value that is missing or
// holds no string, since Windows starts nothing from either.
std::optional<Content> list_text(Registry& registry, const ProgramListValue& list) {
  const std::optional<RegValue> value = read_value_at(registry, key_of(list), list.value_name);
  if (!value || !is_string_type(value->type)) return std::nullopt;
  return Content{value->type, registry_bytes_to_text(value->data)};
}

std::string key_of_program(const ProgramListValue& list, std::size_t number) {
  return value_words(list) + "#" + std::to_string(number);
}

// Which list and which program of it the key names; no list when it names
// none of the place's.
struct KeyParts {
  const ProgramListValue* list = nullptr;
  std::size_t number = 0;
};
KeyParts parts_of(const PlaceInfo& info, std::string_view key) {
  const std::size_t hash = key.rfind('#');
  if (hash == std::string_view::npos) return {};
  KeyParts parts;
  const std::string_view digits = key.substr(hash + 1);
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), parts.number);
  if (error != std::errc() || end != digits.data() + digits.size()) return {};
  for (const ProgramListValue& list : info.lists) {
    if (value_words(list) == key.substr(0, hash)) parts.list = &list;
  }
  return parts;
}

struct Located {
  const ProgramListValue* list = nullptr;
  Content content;  // the program as written, with its list's type
};

// The program of that name: the one its key names when that is still there,
// otherwise the first of that name in any list.
std::optional<Located> locate(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                              std::string_view key) {
  TextRules& rules = catalogue.platform.text_rules;
  const KeyParts wanted = parts_of(info, key);
  std::optional<Located> first;
  for (const ProgramListValue& list : info.lists) {
    const std::optional<Content> text = list_text(catalogue.platform.registry, list);
    if (!text) continue;
    for (const Program& program : programs_in(text->data, list.separators)) {
      if (!rules.same_name(program.text, name) ||
          is_windows_own(rules, program.text, list.windows_own)) {
        continue;
      }
      Located found{&list, Content{text->type, std::string(program.text)}};
      if (wanted.list == &list && wanted.number == program.number) return found;
      if (!first) first = std::move(found);
    }
  }
  return first;
}

class ProgramListStorage final : public ReadOnlyStorage {
 public:
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool with_contents) const override {
    Listing listing;
    TextRules& rules = catalogue.platform.text_rules;
    for (const ProgramListValue& list : info.lists) {
      std::optional<Content> text;
      try {
        text = list_text(catalogue.platform.registry, list);
      } catch (const PlatformError& error) {
        listing.failure = error;  // the other lists are read all the same
      }
      if (!text) continue;
      for (const Program& program : programs_in(text->data, list.separators)) {
        if (is_windows_own(rules, program.text, list.windows_own)) continue;
        Found found{std::string(program.text), key_of_program(list, program.number)};
        if (with_contents) found.content = Content{text->type, found.name};
        listing.entries.push_back(std::move(found));
      }
    }
    return listing;
  }
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo& info,
                              std::string_view name) const override {
    std::optional<Located> found = locate(catalogue, info, name, {});
    if (!found) return std::nullopt;
    return std::move(found->content);
  }
  std::string address(Catalogue& catalogue, const PlaceInfo& info,
                      std::string_view name) const override {
    const std::optional<Located> found = locate(catalogue, info, name, {});
    return found ? value_words(*found->list) : std::string(info.where);
  }
  std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                               std::string_view key, const Content* known) const override {
    std::optional<Located> found;
    if (known != nullptr) {
      found = Located{parts_of(info, key).list, *known};
    } else if (!(found = locate(catalogue, info, name, key))) {
      return std::nullopt;
    }
    Launch launch;
    const Content& program = found->content;
    launch.command = program.type == regtype::kExpandSz
                         ? catalogue.platform.programs.expand_environment(program.data)
                         : program.data;
    if (launch.command != program.data) launch.stored = program.data;
    if (found->list != nullptr) launch.origin = value_words(*found->list);
    return launch;
  }
  Scope scope_of(const PlaceInfo& info, std::string_view key) const override {
    const KeyParts parts = parts_of(info, key);
    return parts.list != nullptr ? parts.list->scope : info.scope;
  }
};

}  // namespace

const PlaceStorage& program_list_storage() {
  static const ProgramListStorage storage;
  return storage;
}

}  // namespace rw
