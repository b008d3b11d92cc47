// runwarden-cli's command line, natively.
#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

#include "cli/command_line.h"

namespace rw::cli {
namespace {

using ::testing::HasSubstr;

TEST(CommandLine, EachVerbTakesWhatItNeedsAndRefusesTheRest) {
  using L = StartupLocation;
  const struct {
    std::vector<std::string> words;
    int status;  // 0 with a request, or the status the text ends with
    Verb verb = Verb::List;
    Format format = Format::Table;
    std::string name = {};
    std::optional<L> place = std::nullopt;
  } cases[] = {
      {{"list"}, 0},
      {{"list", "--json"}, 0, Verb::List, Format::Json},
      {{"list", "--csv"}, 0, Verb::List, Format::Csv},
      {{"list", "--json", "--csv"}, 2},
      {{"disable", "Ünï Tool"}, 0, Verb::Disable, Format::Table, "Ünï Tool"},
      {{"enable", "Tool", "--place", "currentuserrunparked"},
       0,
       Verb::Enable,
       Format::Table,
       "Tool",
       L::CurrentUserRunParked},
      {{"disable", "Tool", "--place", "9"},
       0,
       Verb::Disable,
       Format::Table,
       "Tool",
       L::AllUsersRun32},
      {{"remove", "Tool", "--yes"}, 0, Verb::Remove, Format::Table, "Tool"},
      {{"remove", "Tool"}, 2},  // not without --yes
      {{"disable"}, 2},         // no name
      {{"disable", "Tool", "--place", "Nowhere"}, 2},
      {{"disable", "Tool", "--place", "99"}, 2},
      {{"disable", "Tool", "--place", ""}, 2},  // empty is no place, not any place
      {{"remove", "Tool", "--yes", "--place="}, 2},
      {{}, 2},
      {{"frobnicate"}, 2},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const std::string& word : c.words) trace += word + " ";
    SCOPED_TRACE(trace);
    const Parsed parsed = parse_command_line(c.words);
    EXPECT_EQ(parsed.exit_status, c.status);
    ASSERT_EQ(parsed.request.has_value(), c.status == 0) << parsed.text;
    if (!parsed.request) {
      EXPECT_FALSE(parsed.text.empty());
      continue;
    }
    EXPECT_EQ(parsed.request->verb, c.verb);
    EXPECT_EQ(parsed.request->format, c.format);
    EXPECT_EQ(parsed.request->name, c.name);
    EXPECT_EQ(parsed.request->place, c.place);
  }
}

TEST(CommandLine, HelpAndVersionAreTextToPrintAndEndWell) {
  const Parsed help = parse_command_line({"--help"});
  EXPECT_FALSE(help.request);
  EXPECT_EQ(help.exit_status, 0);
  for (const char* verb : {"list", "disable", "enable", "remove"}) {
    EXPECT_THAT(help.text, HasSubstr(verb));
  }
  const Parsed version = parse_command_line({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.text, std::string("runwarden-cli ") + RUNWARDEN_PROJECT_VERSION + "\n");
}

// One line a place, saying what runwarden-cli may do there and what not.
TEST(CommandLine, TheHelpSaysWhatMayBeDoneInEachKindOfPlace) {
  const std::string help = parse_command_line({"--help"}).text;
  for (const char* line : {
           "  2 CurrentUserRun: Your Run key (HKEY_CURRENT_USER); disable, enable, remove, its "
           "command changed in the window; not switched while the policy DisableCurrentUserRun "
           "is 1.\n",
           "  6 CurrentUserStartupParked: Parked by Runwarden, from your Startup folder; enable, "
           "remove.\n",
           "  4 CurrentUserStartup: Your Startup folder; disable, enable, remove.\n",
           "  17 CurrentUserPolicyRun: Your Run key set by a policy (HKEY_CURRENT_USER); nothing: "
           "set by a policy; change it in Group Policy.\n",
       }) {
    EXPECT_THAT(help, HasSubstr(line));
  }
}

std::string text_of_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << path;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A place that one of them leaves out is one a user cannot learn about.
TEST(CommandLine, TheHelpTheReadmeAndTheHelpPageNameEveryPlace) {
  const std::string help = parse_command_line({"--help"}).text;
  const std::string readme = text_of_file(RUNWARDEN_SOURCE_DIR "/README.md");
  const std::string page = text_of_file(RUNWARDEN_SOURCE_DIR "/src/ui/help.html");
  for (const PlaceInfo& info : kPlaces) {
    const std::string name(info.name);
    SCOPED_TRACE(name);
    EXPECT_THAT(
        help, HasSubstr(" " + std::to_string(static_cast<int>(info.location)) + " " + name + ": "));
    EXPECT_THAT(readme, HasSubstr("`" + name + "`"));
    EXPECT_THAT(page, HasSubstr("<code>" + name + "</code>"));
  }
}

}  // namespace
}  // namespace rw::cli
