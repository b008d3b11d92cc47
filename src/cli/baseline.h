// check --baseline: a list saved earlier by list --json, read and held to
// what such a list must be, and how today's entries differ from it.
// Portable, so that the comparison is tested natively.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rw::cli {

struct Baseline {
  nlohmann::ordered_json records;  // an array of list --json's objects, none without an id
  std::unordered_map<std::string, std::size_t> by_id;
  bool verified = false;   // saved with --verify: its records carry signatures and hashes
  bool all_users = false;  // saved with --all-users: some of its records carry a user
};

// The baseline in a file's bytes, as UTF-8 or as the UTF-16 that
// PowerShell's ">" writes; or why it cannot be read ("it is empty", "entry
// 3 lacks \"command\"", "two entries have the id ...").
struct BaselineReading {
  std::optional<Baseline> baseline;
  std::string problem;
};
BaselineReading read_baseline(std::string_view bytes);

struct Difference {
  enum class Kind { Added, Removed, Changed };
  Kind kind = Kind::Added;
  nlohmann::ordered_json was;            // the baseline's record; null when added
  nlohmann::ordered_json now;            // today's record; null when removed
  std::vector<std::string_view> fields;  // what changed, as the records name it
};

// How today's records (as report.h's records() gives them, with signatures
// when the baseline has them) differ from the baseline's: added and changed
// in today's order, then removed in the baseline's.
std::vector<Difference> compare(const Baseline& baseline, const nlohmann::ordered_json& now);

// Standard output's limit unless every difference is asked for.
inline constexpr std::size_t kShortOutputLimit = 2048;

// One line per difference ("changed: 'Tool' in CurrentUserRun: command,
// hash"). Longer than `limit` bytes (and so characters), it ends after the
// last whole line that leaves room for "and N more".
std::string difference_lines(const std::vector<Difference>& differences, std::size_t limit);
// The differences as a JSON array, for --json.
nlohmann::ordered_json differences_json(const std::vector<Difference>& differences);

}  // namespace rw::cli
