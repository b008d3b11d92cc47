// check --baseline's reading and comparison: what a baseline must be, what
// counts as a difference and how the lines are cut to fit a detection
// script's output.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "cli/baseline.h"
#include "platform/platform.h"

namespace rw::cli {
namespace {

using Json = nlohmann::ordered_json;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

Json record(const std::string& name, const std::string& command = "C:\\t.exe",
            const std::string& place = "CurrentUserRun") {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {{"id", place + "||" + upper},
          {"name", name},
          {"place", place},
          {"enabled", true},
          {"command", command},
          {"program", "C:\\t.exe"},
          {"publisher", nullptr}};
}

Json verified(Json entry, const std::string& signer = "Contoso", const std::string& hash = "ab") {
  entry["signature"] = "valid";
  entry["signer"] = signer;
  entry["sha256"] = hash;
  return entry;
}

Baseline baseline_of(const Json& records) {
  BaselineReading reading = read_baseline(records.dump());
  EXPECT_TRUE(reading.baseline) << reading.problem;
  return reading.baseline ? std::move(*reading.baseline) : Baseline{};
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos;
       from = end + 1)
    lines.push_back(text.substr(from, end - from));
  return lines;
}

TEST(Baseline, OneThatIsNotAListAsListJsonWritesItSaysWhyAndIsRefused) {
  const Json tool = record("Tool");
  Json without_command = tool;
  without_command.erase("command");
  Json enabled_as_text = tool;
  enabled_as_text["enabled"] = "yes";
  const struct {
    std::string text;
    const char* why;
  } cases[] = {
      {"", "it is empty"},
      {" \r\n", "it is empty"},
      {"Name  Place\nTool  CurrentUserRun\n", "it is not JSON: parse error at line 1"},
      {"[" + tool.dump() + ",", "it is not JSON"},
      {"[]", "it holds no entries"},
      {tool.dump(), "it is not a list of entries"},
      {"[1]", "entry 1 is not an object"},
      {Json::array({tool, record("B"), without_command}).dump(), "entry 3 lacks \"command\""},
      {Json::array({enabled_as_text}).dump(), "entry 1's \"enabled\" is not true or false"},
      // One record with a signature makes every record need one.
      {Json::array({verified(tool), record("B")}).dump(), "entry 2 lacks \"signature\""},
      {Json::array({tool, record("Other"), record("TOOL")}).dump(),
       "two entries have the id \"CurrentUserRun||TOOL\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const BaselineReading reading = read_baseline(c.text);
    EXPECT_FALSE(reading.baseline);
    EXPECT_THAT(reading.problem, HasSubstr(c.why));
  }
}

TEST(Baseline, IsReadAsUtf8OrAsTheUtf16ThatPowerShellWrites) {
  const std::string text = Json::array({record("Äpfel")}).dump();
  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : utf8_to_utf16(text)) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text, utf16}) {
    const BaselineReading reading = read_baseline(bytes);
    ASSERT_TRUE(reading.baseline) << reading.problem;
    EXPECT_EQ(reading.baseline->records[0]["name"], "Äpfel");
    EXPECT_FALSE(reading.baseline->verified);
  }
}

TEST(Baseline, AnEntryIsAddedRemovedOrChangedInWhatItRunsOrWhoSignedIt) {
  const auto with = [](const char* field, Json value) {
    Json entry = verified(record("Tool"));
    entry[field] = std::move(value);
    return entry;
  };
  const struct {
    const char* change;
    Json now;
    std::vector<std::string> fields;
  } cases[] = {
      {"nothing", verified(record("Tool")), {}},
      {"another publisher, which is not compared", with("publisher", "Fabrikam"), {}},
      {"the name's letter case: the same entry", with("name", "TOOL"), {}},
      {"switched off", with("enabled", false), {"enabled"}},
      {"another command", with("command", "C:\\t.exe /x"), {"command"}},
      {"its program gone", with("program", nullptr), {"program"}},
      {"changed after signing", with("signature", "not valid"), {"signature"}},
      {"another signer", with("signer", "Fabrikam"), {"signer"}},
      {"other bytes", with("sha256", "cd"), {"sha256"}},
  };
  const Baseline baseline = baseline_of(Json::array({verified(record("Tool"))}));
  ASSERT_TRUE(baseline.verified);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    const std::vector<Difference> differences = compare(baseline, Json::array({c.now}));
    if (c.fields.empty()) {
      EXPECT_THAT(differences, IsEmpty());
      continue;
    }
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].kind, Difference::Kind::Changed);
    EXPECT_THAT(differences[0].fields, ElementsAreArray(c.fields));
  }

  const std::vector<Difference> moved = compare(
      baseline, Json::array({verified(record("New")),
                             verified(record("Tool", "C:\\t.exe", "CurrentUserRunParked"))}));
  ASSERT_EQ(moved.size(), 3u);  // parked is another place: one gone, one come
  EXPECT_EQ(difference_lines(moved, kShortOutputLimit),
            "added: 'New' in CurrentUserRun\n"
            "added: 'Tool' in CurrentUserRunParked\n"
            "removed: 'Tool' in CurrentUserRun\n");
}

TEST(Baseline, SignaturesAreComparedOnlyWhereTheBaselineHasThem) {
  const Baseline plain = baseline_of(Json::array({record("Tool")}));
  EXPECT_THAT(compare(plain, Json::array({verified(record("Tool"), "Anyone", "ff")})), IsEmpty());
  const std::vector<Difference> changed =
      compare(plain, Json::array({verified(record("Tool", "C:\\u.exe"))}));
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_THAT(changed[0].fields, ElementsAre("command"));
  EXPECT_EQ(difference_lines(changed, kShortOutputLimit),
            "changed: 'Tool' in CurrentUserRun: command\n");

  const Baseline signed_list = baseline_of(Json::array({verified(record("Tool"))}));
  const std::vector<Difference> resigned =
      compare(signed_list, Json::array({verified(record("Tool", "C:\\u.exe"), "Fabrikam", "cd")}));
  EXPECT_EQ(difference_lines(resigned, kShortOutputLimit),
            "changed: 'Tool' in CurrentUserRun: command, signer, hash\n");
  const Json json = differences_json(resigned);
  EXPECT_EQ(json[0]["change"], "changed");
  EXPECT_EQ(json[0]["id"], "CurrentUserRun||TOOL");
  EXPECT_EQ(json[0]["was"]["sha256"], "ab");
  EXPECT_EQ(json[0]["now"]["signer"], "Fabrikam");
}

// A detection script's output is shown cut at 2,048 characters: whole lines,
// and the count of the rest where it can be read.
TEST(Baseline, LinesAreCutAtWholeLinesLeavingRoomForHowManyMore) {
  Json today = Json::array();
  for (int i = 0; i < 100; ++i) today.push_back(record("Entry number " + std::to_string(i)));
  const std::vector<Difference> differences =
      compare(baseline_of(Json::array({record("Gone")})), today);
  ASSERT_EQ(differences.size(), 101u);

  const std::string all = difference_lines(differences, SIZE_MAX);
  EXPECT_EQ(lines_of(all).size(), 101u);
  for (const std::size_t limit : {kShortOutputLimit, std::size_t{100}, std::size_t{40}}) {
    SCOPED_TRACE(limit);
    const std::string cut = difference_lines(differences, limit);
    EXPECT_LE(cut.size(), limit);
    const std::vector<std::string> lines = lines_of(cut);
    ASSERT_FALSE(lines.empty());
    const std::size_t kept = lines.size() - 1;
    EXPECT_EQ(lines.back(), "and " + std::to_string(101 - kept) + " more");
    EXPECT_EQ(all.substr(0, cut.size() - lines.back().size() - 1),
              cut.substr(0, cut.size() - lines.back().size() - 1));
    // One line more would not have fitted beside the count.
    const std::size_t next = all.find('\n', cut.size() - lines.back().size() - 1) + 1;
    EXPECT_GT(next + ("and " + std::to_string(100 - kept) + " more\n").size(), limit);
  }
  EXPECT_THAT(difference_lines(differences, 14), EndsWith("and 101 more\n"));
}

TEST(Baseline, ANameCannotForgeALine) {
  const std::vector<Difference> differences =
      compare(baseline_of(Json::array({record("Tool")})),
              Json::array({record("Tool"), record("x\nremoved: 'Tool' in CurrentUserRun")}));
  EXPECT_EQ(lines_of(difference_lines(differences, SIZE_MAX)).size(), 1u);
}

}  // namespace
}  // namespace rw::cli
