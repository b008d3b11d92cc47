// check --baseline's reading and comparison: what a baseline must be, what
// counts as a difference and how the lines are cut to fit a detection
// script's output.
#include <gmock/gmock.h>

#include "cli/baseline.h"

namespace rw::cli {
namespace {

using Json = nlohmann::ordered_json;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

Json record(const std::string& name, const std::string& place = "CurrentUserRun") {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {{"id", place + "||" + upper},
          {"name", name},
          {"place", place},
          {"enabled", true},
          {"command", "t.exe"},
          {"program", "C:\\t.exe"},
          {"publisher", nullptr},
          {"signature", "valid"},
          {"signer", "Contoso"},
          {"sha256", "ab"}};
}

Json unverified(Json entry) {
  for (const char* field : {"signature", "signer", "sha256"}) entry.erase(field);
  return entry;
}

Baseline baseline_of(const Json& records) {
  BaselineReading reading = read_baseline(records.dump());
  EXPECT_TRUE(reading.baseline) << reading.problem;
  return reading.baseline ? std::move(*reading.baseline) : Baseline{};
}

TEST(Baseline, OneThatIsNotAListAsListJsonWritesItSaysWhyAndIsRefused) {
  const Json tool = unverified(record("Tool"));
  Json without_command = tool, enabled_as_text = tool;
  without_command.erase("command");
  enabled_as_text["enabled"] = "yes";
  const struct {
    std::string text;
    const char* why;
  } cases[] = {
      {" \r\n", "it is empty"},
      {"NAME  PLACE\n", "it is not JSON: parse error at line 1"},
      {"[]", "it holds no entries"},
      {tool.dump(), "it is not a list of entries"},
      {Json::array({tool, without_command}).dump(), "entry 2 lacks \"command\""},
      {Json::array({enabled_as_text}).dump(), "entry 1's \"enabled\" is not true or false"},
      // One record with a signature makes every record need one.
      {Json::array({record("A"), tool}).dump(), "entry 2 lacks \"signature\""},
      {Json::array({tool, unverified(record("TOOL"))}).dump(),
       "two entries have the id \"CurrentUserRun||TOOL\""},
  };
  for (const auto& c : cases) {
    const BaselineReading reading = read_baseline(c.text);
    EXPECT_FALSE(reading.baseline) << c.text;
    EXPECT_THAT(reading.problem, HasSubstr(c.why)) << c.text;
  }
  // As PowerShell's ">" writes it: UTF-16 after a byte order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : Json::array({tool}).dump()) utf16 += std::string{c, '\0'};
  EXPECT_TRUE(read_baseline(utf16).baseline);
}

TEST(Baseline, AnEntryIsAddedRemovedOrChangedInWhatItRunsOrWhoSignedIt) {
  const struct {
    const char* field;
    Json value;
    std::vector<std::string> changed;  // empty: no difference
    bool only_verified = false;        // compared where the baseline has signatures
  } cases[] = {
      {"publisher", "Fabrikam", {}},  // not compared
      {"name", "TOOL", {}},           // the same entry, as Windows compares names
      {"enabled", false, {"enabled"}},
      {"command", "t.exe /x", {"command"}},
      {"program", nullptr, {"program"}},
      {"signature", "not valid", {"signature"}, true},
      {"signer", "Fabrikam", {"signer"}, true},
      {"sha256", "cd", {"sha256"}, true},
  };
  const Baseline verified = baseline_of(Json::array({record("Tool")}));
  const Baseline plain = baseline_of(Json::array({unverified(record("Tool"))}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Json now = record("Tool");
    now[c.field] = c.value;
    const std::vector<Difference> differences = compare(verified, Json::array({now}));
    ASSERT_EQ(differences.size(), c.changed.empty() ? 0u : 1u);
    if (!c.changed.empty()) {
      EXPECT_THAT(differences[0].fields, ElementsAreArray(c.changed));
    }
    EXPECT_EQ(compare(plain, Json::array({now})).empty(), c.changed.empty() || c.only_verified);
  }

  Json changed = record("Tool");
  changed["command"] = "u.exe";
  changed["sha256"] = "cd";
  const Json today = Json::array({record("New"), changed, record("Tool", "CurrentUserRunParked")});
  const std::vector<Difference> differences =
      compare(baseline_of(Json::array({record("Tool"), record("Gone")})), today);
  EXPECT_EQ(difference_lines(differences, kShortOutputLimit),
            "added: 'New' in CurrentUserRun\n"
            "changed: 'Tool' in CurrentUserRun: command, hash\n"
            "added: 'Tool' in CurrentUserRunParked\n"  // parked is another place
            "removed: 'Gone' in CurrentUserRun\n");
  const Json json = differences_json(differences);
  EXPECT_EQ(json[1]["was"]["sha256"], "ab");
  EXPECT_EQ(json[1]["now"]["command"], "u.exe");
  // A name cannot forge a line of its own.
  const std::string forged =
      difference_lines(compare(baseline_of(Json::array({record("Tool")})),
                               Json::array({record("Tool"), record("x\nremoved: 'Tool'")})),
                       SIZE_MAX);
  EXPECT_EQ(std::count(forged.begin(), forged.end(), '\n'), 1) << forged;
}

// A detection script's output is shown cut at 2,048 characters: whole lines,
// and the count of the rest where it can be read.
TEST(Baseline, LinesAreCutAtWholeLinesLeavingRoomForHowManyMore) {
  Json today = Json::array();
  for (int i = 0; i < 100; ++i) today.push_back(record("Entry number " + std::to_string(i)));
  const std::vector<Difference> differences =
      compare(baseline_of(Json::array({record("Gone")})), today);
  const std::string all = difference_lines(differences, SIZE_MAX);
  ASSERT_EQ(std::count(all.begin(), all.end(), '\n'), 101);
  for (const std::size_t limit : {kShortOutputLimit, std::size_t{100}, std::size_t{40}}) {
    SCOPED_TRACE(limit);
    const std::string cut = difference_lines(differences, limit);
    const std::size_t kept_size = cut.rfind('\n', cut.size() - 2) + 1;  // before "and N more"
    const auto kept = std::count(cut.begin(), cut.begin() + kept_size, '\n');
    EXPECT_LE(cut.size(), limit);
    EXPECT_EQ(cut.substr(kept_size), "and " + std::to_string(101 - kept) + " more\n");
    EXPECT_EQ(cut.substr(0, kept_size), all.substr(0, kept_size));
    // One more line would not have fitted beside the count of the rest.
    const std::size_t next = all.find('\n', kept_size) + 1;
    EXPECT_GT(next + ("and " + std::to_string(100 - kept) + " more\n").size(), limit);
  }
}

}  // namespace
}  // namespace rw::cli
