// What runwarden-cli does, over the substitute platform: the list in each
// format, switching entries off and on, removing them, and refusing names it
// cannot act on exactly, with nothing changed.
#include <gmock/gmock.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "catalogue/fixture.h"
#include "cli/commands.h"

namespace rw::testing {
namespace {

using L = StartupLocation;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Kept words; a stream given a status refuses every write with it, as a full
// disk or a pipe whose reader has gone does.
struct Words final : cli::Output {
  Status out(std::string_view text) override { return kept(out_refused, out_text, text); }
  Status err(std::string_view text) override { return kept(err_refused, err_text, text); }
  static Status kept(Status refused, std::string& kept, std::string_view text) {
    if (refused == status::kOk) kept += text;
    return refused;
  }
  std::string out_text, err_text;
  Status out_refused = status::kOk, err_refused = status::kOk;
};

constexpr Status kDiskFull = 112;
constexpr const char* kRunFlagKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// A path as JSON writes it: each backslash doubled.
std::string json_escaped(const std::string& path) {
  std::string escaped;
  for (char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

class CliTest : public CatalogueTest {
 protected:
  void SetUp() override { prepare_folders(); }
  int run(std::vector<std::string> words, Status out_refused = status::kOk) {
    words_ = Words{};
    words_.out_refused = out_refused;
    const cli::Parsed parsed = cli::parse_command_line(words);
    EXPECT_TRUE(parsed.request) << parsed.text;
    return parsed.request ? cli::run_request(
                                *parsed.request,
                                [&](Dialogs& dialogs) { return os_.platform(dialogs); }, words_)
                          : -1;
  }
  // On, off in Windows and parked, with each field that may be null set
  // in one and null in another. Returns the path of the program found.
  std::string store_entries_with_every_field_set_and_null() {
    const std::string app = os_.root() + "\\App\\app.exe";
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(app).parent_path());
    os_.files.write_file(app, "MZ");
    os_.programs.descriptions[app] = {"Contoso, Inc.", "The App"};
    store_run_value(L::CurrentUserRun, "App", "\"" + app + "\" /tray");
    store_run_value(L::AllUsersRunParked, "Parked, \"quoted\"", "C:\\Gone\\p.exe");
    store_run_value(L::CurrentUserRun, "Off", "off.exe");
    os_.registry.put(kHkeyCurrentUser, kRunFlagKey, "Off", regtype::kBinary,
                     {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    return app;
  }
  Words words_;
};

TEST_F(CliTest, ListGivesTheSameFieldsAsJsonAndCsvForNamesOfAnyScript) {
  store_run_value(L::CurrentUserRun, "Диспетчер 🚀", "\"C:\\Missing\\x.exe\" /y");
  store_run_value(L::AllUsersRunParked, "Parked, \"quoted\"", "C:\\p.exe");
  store_shortcut(L::CurrentUserStartup, "Link", "not a shortcut");
  ASSERT_EQ(run({"list", "--json"}), 0);
  const auto json = nlohmann::json::parse(words_.out_text);
  ASSERT_EQ(json.size(), 3u);
  const auto& first = json[0];  // in the scan's order: the Run key first
  EXPECT_EQ(first["name"], "Диспетчер 🚀");
  EXPECT_EQ(first["place"], "CurrentUserRun");
  EXPECT_EQ(first["location"], 2);
  EXPECT_EQ(first["scope"], "current user");
  EXPECT_EQ(first["enabled"], true);
  EXPECT_TRUE(first["off_reason"].is_null());
  EXPECT_EQ(first["command"], "\"C:\\Missing\\x.exe\" /y");
  EXPECT_TRUE(first["program"].is_null());
  EXPECT_EQ(first["program_missing"], true);
  EXPECT_EQ(json[1]["off_reason"], "parked");
  EXPECT_EQ(json[1]["scope"], "all users");

  std::vector<std::string> keys;
  const auto ordered = nlohmann::ordered_json::parse(words_.out_text);
  for (const auto& [key, value] : ordered[0].items()) keys.push_back(key);
  ASSERT_EQ(run({"list", "--csv"}), 0);
  std::string header;
  for (const std::string& key : keys) header += (header.empty() ? "" : ",") + key;
  EXPECT_EQ(words_.out_text.substr(0, words_.out_text.find("\r\n")), header);
  EXPECT_THAT(words_.out_text, HasSubstr("\"Parked, \"\"quoted\"\"\",AllUsersRunParked,7,"));
}

// Scripts read these byte for byte: the fields in their order, JSON's
// indentation and nulls, CSV's quoting and line ends, the table's columns.
TEST_F(CliTest, EachFormatWritesTheFieldsExactlySo) {
  const std::string app = store_entries_with_every_field_set_and_null();
  const struct {
    const char* format;
    std::string expected;  // "<app>" stands for the program's path
    std::string app_as;    // and is written so
  } cases[] = {
      {"--json", R"([
  {
    "name": "App",
    "place": "CurrentUserRun",
    "location": 2,
    "scope": "current user",
    "enabled": true,
    "off_reason": null,
    "command": "\"<app>\" /tray",
    "program": "<app>",
    "program_missing": false,
    "publisher": "Contoso, Inc.",
    "read_only": false,
    "read_only_reason": null,
    "id": "CurrentUserRun||APP",
    "user": null
  },
  {
    "name": "Off",
    "place": "CurrentUserRun",
    "location": 2,
    "scope": "current user",
    "enabled": false,
    "off_reason": "switched off in Windows",
    "command": "off.exe",
    "program": null,
    "program_missing": true,
    "publisher": null,
    "read_only": false,
    "read_only_reason": null,
    "id": "CurrentUserRun||OFF",
    "user": null
  },
  {
    "name": "Parked, \"quoted\"",
    "place": "AllUsersRunParked",
    "location": 7,
    "scope": "all users",
    "enabled": false,
    "off_reason": "parked",
    "command": "C:\\Gone\\p.exe",
    "program": null,
    "program_missing": true,
    "publisher": null,
    "read_only": false,
    "read_only_reason": null,
    "id": "AllUsersRunParked||PARKED, \"QUOTED\"",
    "user": null
  }
]
)",
       json_escaped(app)},
      {"--csv",
       "name,place,location,scope,enabled,off_reason,command,program,program_missing,publisher,"
       "read_only,read_only_reason,id,user\r\n"
       "App,CurrentUserRun,2,current user,true,,\"\"\"<app>\"\" /tray\",<app>,false,"
       "\"Contoso, Inc.\",false,,CurrentUserRun||APP,\r\n"
       "Off,CurrentUserRun,2,current user,false,switched off in Windows,off.exe,,true,,false,,"
       "CurrentUserRun||OFF,\r\n"
       "\"Parked, \"\"quoted\"\"\",AllUsersRunParked,7,all users,false,parked,C:\\Gone\\p.exe,,"
       "true,,false,,\"AllUsersRunParked||PARKED, \"\"QUOTED\"\"\",\r\n",
       app},
      {nullptr,
       "NAME              PLACE              ON                       COMMAND\n"
       "App               CurrentUserRun     yes                      \"<app>\" /tray\n"
       "Off               CurrentUserRun     switched off in Windows  off.exe\n"
       "Parked, \"quoted\"  AllUsersRunParked  parked                   C:\\Gone\\p.exe\n",
       app},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format ? c.format : "table");
    ASSERT_EQ(run(c.format ? std::vector<std::string>{"list", c.format}
                           : std::vector<std::string>{"list"}),
              0);
    std::string expected = c.expected;
    for (std::size_t at; (at = expected.find("<app>")) != std::string::npos;) {
      expected.replace(at, 5, c.app_as);
    }
    EXPECT_EQ(words_.out_text, expected);
  }
}

// The help is where a script's author learns the fields: all of them, in
// the order JSON gives them, each that JSON gives as null said to be so.
TEST_F(CliTest, TheListsHelpNamesTheFieldsInTheirOrderAndThoseThatMayBeNull) {
  store_entries_with_every_field_set_and_null();
  ASSERT_EQ(run({"list", "--json"}), 0);
  const auto entries = nlohmann::ordered_json::parse(words_.out_text);
  std::string fields;
  for (const auto& [key, value] : entries[0].items()) {
    const bool ever_null = std::any_of(entries.begin(), entries.end(),
                                       [&](const auto& entry) { return entry[key].is_null(); });
    fields += (fields.empty() ? "" : ", ") + key + (ever_null ? " (or null)" : "");
  }
  const cli::Parsed help = cli::parse_command_line({"list", "--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_THAT(help.text, HasSubstr("in this order: " + fields + ".\n"));
}

TEST_F(CliTest, AProgramNotLookedForIsListedAsWrittenAndNotAsMissing) {
  store_run_value(L::CurrentUserRun, "Shared", "\\\\server\\share\\x.exe /q");
  ASSERT_EQ(run({"list", "--json"}), 0);
  const auto json = nlohmann::json::parse(words_.out_text);
  ASSERT_EQ(json.size(), 1u);
  EXPECT_EQ(json[0]["program"], "\\\\server\\share\\x.exe");
  EXPECT_EQ(json[0]["program_missing"], false);
}

// What a name or command may hold that is not text: each is shown so that
// the table stays one row per entry and every format is valid UTF-8.
TEST_F(CliTest, TheTableShowsControlsAsSymbolsAndNoFormatCarriesANulOrALoneSurrogate) {
  const struct {
    std::string name, command;
    std::string cell;          // the name, as the table shows it
    std::string command_cell;  // the command, likewise
    std::string csv;           // the name, as CSV gives it
  } cases[] = {
      {"Tab\tEsc\x1B[2J", "C:\\a.exe\r\nForged  CurrentUserRun  yes  C:\\evil.exe",
       "Tab\u2409Esc\u241B[2J", "C:\\a.exe\u240D\u240AForged  CurrentUserRun  yes  C:\\evil.exe",
       "Tab\tEsc\x1B[2J"},
      {"Bell", "C:\\b.exe\x1B]0;title\x07", "Bell", "C:\\b.exe\u241B]0;title\u2407", "Bell"},
      {"Half", "C:\\\xED\xA0\x80.exe", "Half", "C:\\\uFFFD.exe", "Half"},
      {"Next\u0085Line\u2028Sep", "C:\\c.exe\u009B2J", "Next<U+0085>Line<U+2028>Sep",
       "C:\\c.exe<U+009B>2J", "Next\u0085Line\u2028Sep"},
      // Names that cannot be asked for exactly: their commands are not shown.
      {std::string("Nul\0Del\x7F", 8), "C:\\n.exe", "Nul\u2400Del\u2421", "", "Nul\u2400Del\x7F"},
      {"Lone \xED\xB0\x80 end", "C:\\l.exe", "Lone \uFFFD end", "", "Lone \uFFFD end"},
  };
  for (const auto& c : cases) store_run_value(L::CurrentUserRun, c.name, c.command);

  ASSERT_EQ(run({"list"}), 0);
  const std::string table = words_.out_text;
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), std::size(cases) + 1);  // a row each
  for (char control : {'\0', '\t', '\r', '\x1B', '\x07', '\x7F'}) {
    EXPECT_EQ(table.find(control), std::string::npos) << int(control);
  }
  ASSERT_EQ(run({"list", "--csv"}), 0);
  const std::string csv = words_.out_text;
  EXPECT_EQ(csv.find('\0'), std::string::npos);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    EXPECT_THAT(table, HasSubstr(c.cell + " "));
    EXPECT_THAT(table, HasSubstr("  " + c.command_cell + "\n"));
    EXPECT_THAT(csv, HasSubstr(c.csv));
  }
  for (const std::string& text : {table, csv}) {
    EXPECT_EQ(text.find("\xED\xA0"), std::string::npos);  // no surrogate's bytes
    EXPECT_EQ(text.find("\xED\xB0"), std::string::npos);
  }
}

TEST_F(CliTest, NamesItCannotActOnExactlyChangeNothingAndEndWithTwo) {
  store_run_value(L::CurrentUserRun, "Twice", "C:\\a.exe");
  store_run_value(L::AllUsersRun, "Twice", "C:\\b.exe");
  store_run_value(L::CurrentUserRun, "Clash", "C:\\new.exe");
  store_run_value(L::CurrentUserRunParked, "Clash", "C:\\old.exe");
  const std::string lone = "Lone \xED\xA0\x80";  // a lone surrogate, as a name may hold
  const std::string nul("Nul\0x", 5);
  store_run_value(L::CurrentUserRun, lone, "C:\\lone.exe");
  store_run_value(L::CurrentUserRunParked, nul, "C:\\nul.exe");
  const std::string inexact = "has a name with a character that Windows cannot be asked";
  const struct {
    std::vector<std::string> words;
    std::string said;
  } cases[] = {
      {{"disable", "Nobody"}, "No entry is named 'Nobody'"},
      {{"disable", "twice"}, "names entries in several places: AllUsersRun, CurrentUserRun"},
      {{"remove", "Twice", "--yes"}, "Say which with --place PLACE"},
      {{"disable", "Clash", "--place", "CurrentUserRun"}, "a different entry of that name"},
      {{"enable", "Clash", "--place", "CurrentUserRunParked"}, "a different entry of that name"},
      {{"disable", lone}, "'Lone \xEF\xBF\xBD' in CurrentUserRun " + inexact},
      {{"remove", lone, "--yes"}, inexact},
      {{"enable", nul}, "'Nul\xE2\x90\x80x' in CurrentUserRunParked " + inexact},
      {{"remove", nul, "--yes"}, inexact},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    EXPECT_EQ(run(c.words), 2);
    EXPECT_THAT(words_.err_text, HasSubstr(c.said));
  }
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Twice"), "C:\\a.exe");
  EXPECT_EQ(stored_command(L::AllUsersRun, "Twice"), "C:\\b.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Clash"), "C:\\new.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRunParked, "Clash"), "C:\\old.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRun, lone), "C:\\lone.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRunParked, nul), "C:\\nul.exe");
}

TEST_F(CliTest, DisableEnableAndRemoveDoWhatTheWindowDoes) {
  store_run_value(L::CurrentUserRun, "Value", "C:\\v.exe");
  store_shortcut(L::AllUsersStartup, "Link", "bytes");
  for (const char* name : {"Value", "Link"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(run({"disable", name}), 0);
    EXPECT_THAT(words_.out_text, HasSubstr("Switched off"));
    EXPECT_EQ(run({"disable", name}), 0);
    EXPECT_THAT(words_.out_text, HasSubstr("is already off"));
  }
  EXPECT_EQ(stored_command(L::CurrentUserRunParked, "Value"), "C:\\v.exe");
  EXPECT_EQ(stored_shortcut(L::AllUsersStartupParked, "Link"), "bytes");
  EXPECT_EQ(os_.registry
                .get(kHkeyCurrentUser,
                     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                     "StartupApproved\\Run",
                     "Value")
                ->data[0],
            3);

  EXPECT_EQ(run({"enable", "Value"}), 0);
  EXPECT_EQ(run({"enable", "LINK"}), 0);
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Value"), "C:\\v.exe");
  EXPECT_EQ(stored_shortcut(L::AllUsersStartup, "Link"), "bytes");

  EXPECT_EQ(run({"remove", "Value", "--yes"}), 0);
  EXPECT_EQ(stored_run_value(L::CurrentUserRun, "Value"), std::nullopt);
  EXPECT_THAT(words_.err_text, IsEmpty());
}

// A read-only entry, and one of a list that a policy keeps from starting:
// listed with why they cannot be switched; switching either is refused and
// ends with 2, and removing only where the place allows none.
TEST_F(CliTest, LockedEntriesAreListedWithWhyAndRefusedWithTwo) {
  const std::string pushed_why = "set by a policy; change it in Group Policy";
  const std::string held_why =
      "a policy keeps Windows from starting this whole list; change it in Group Policy";
  store_run_value(L::CurrentUserPolicyRun, "Pushed", "C:\\p.exe");
  store_run_value(L::CurrentUserRun, "Held", "C:\\h.exe");
  store_run_value(L::AllUsersRun, "Free", "C:\\f.exe");
  os_.registry.put(kHkeyCurrentUser,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                   "DisableCurrentUserRun", regtype::kDword, {1, 0, 0, 0});

  ASSERT_EQ(run({"list", "--json"}), 0);
  const auto listed = nlohmann::json::parse(words_.out_text);
  const nlohmann::json null;
  const struct {
    std::string name;
    bool enabled;
    nlohmann::json off_reason, read_only_reason;
  } expected[] = {
      {"Free", true, null, null},
      {"Held", false, "switched off by a policy", held_why},
      {"Pushed", true, null, pushed_why},
  };
  ASSERT_EQ(listed.size(), std::size(expected));
  for (const auto& entry : expected) {
    SCOPED_TRACE(entry.name);
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [&](const auto& item) { return item["name"] == entry.name; });
    ASSERT_NE(found, listed.end());
    EXPECT_EQ((*found)["enabled"], entry.enabled);
    EXPECT_EQ((*found)["off_reason"], entry.off_reason);
    EXPECT_EQ((*found)["read_only"], !entry.read_only_reason.is_null());
    EXPECT_EQ((*found)["read_only_reason"], entry.read_only_reason);
  }

  const auto refusal = [](const char* entry, const char* verb, const std::string& why) {
    return std::string(entry) + " cannot be " + verb + " here: " + why + ". Nothing was changed.\n";
  };
  const struct {
    std::vector<std::string> words;
    std::string said;
  } refused[] = {
      {{"disable", "Pushed"}, refusal("'Pushed' in CurrentUserPolicyRun", "switched", pushed_why)},
      {{"enable", "Pushed"}, refusal("'Pushed' in CurrentUserPolicyRun", "switched", pushed_why)},
      {{"remove", "Pushed", "--yes"},
       refusal("'Pushed' in CurrentUserPolicyRun", "removed", pushed_why)},
      {{"enable", "Held"}, refusal("'Held' in CurrentUserRun", "switched", held_why)},
      {{"disable", "Held"}, refusal("'Held' in CurrentUserRun", "switched", held_why)},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.words[0] + " " + c.words[1]);
    EXPECT_EQ(run(c.words), 2);
    EXPECT_EQ(words_.err_text, c.said);
    EXPECT_THAT(words_.out_text, IsEmpty());
  }
  EXPECT_EQ(stored_command(L::CurrentUserPolicyRun, "Pushed"), "C:\\p.exe");
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Held"), "C:\\h.exe");
  EXPECT_EQ(stored_run_value(L::CurrentUserRunParked, "Held"), std::nullopt);
  EXPECT_EQ(os_.registry.get(kHkeyCurrentUser, kRunFlagKey, "Held"), std::nullopt);

  // The policy keeps it from starting; it is still the user's to remove.
  EXPECT_EQ(run({"remove", "Held", "--yes"}), 0);
  EXPECT_EQ(stored_run_value(L::CurrentUserRun, "Held"), std::nullopt);
}

TEST_F(CliTest, AFailingCallIsNamedAndEndsWithOne) {
  store_run_value(L::AllUsersRun, "Machine", "C:\\m.exe");
  os_.registry.deny_write(kHkeyLocalMachine, kRunKey);
  EXPECT_EQ(run({"disable", "Machine"}), 1);
  EXPECT_THAT(words_.err_text, HasSubstr("needs administrator rights"));
  EXPECT_THAT(words_.err_text, HasSubstr("Access is denied. (error 5)"));
  EXPECT_EQ(stored_command(L::AllUsersRun, "Machine"), "C:\\m.exe");
}

// As from a program folder nobody may write to, before anything was parked.
TEST_F(CliTest, AReadOnlyProgramFolderListsAndParksValuesAndSaysWhyAShortcutCannotBeParked) {
  std::filesystem::remove_all(
      substitute::SubstituteFiles::host_path(program_folder() + "\\DISABLED"));
  os_.files.deny_write(program_folder());
  store_run_value(L::CurrentUserRun, "Value", "C:\\v.exe");
  store_shortcut(L::CurrentUserStartup, "Link", "bytes");
  for (const char* format : {"--json", "--csv"}) {
    EXPECT_EQ(run({"list", format}), 0);
    EXPECT_THAT(words_.out_text, HasSubstr("Value"));
    EXPECT_THAT(words_.out_text, HasSubstr("Link"));
    EXPECT_THAT(words_.err_text, IsEmpty());
  }
  EXPECT_EQ(run({"disable", "Value"}), 0);
  EXPECT_EQ(run({"disable", "Link"}), 1);
  EXPECT_THAT(words_.err_text, HasSubstr("MkDir failed for \"" + program_folder() +
                                         "\\DISABLED\": Access is denied. (error 5)"));
  EXPECT_EQ(stored_shortcut(L::CurrentUserStartup, "Link"), "bytes");
  EXPECT_FALSE(os_.files.folder_exists(program_folder() + "\\DISABLED"));
}

TEST_F(CliTest, OutputThatCannotBeWrittenEndsWithOneAndIsToldOnTheErrors) {
  store_run_value(L::CurrentUserRun, "Value", "C:\\v.exe");
  const std::string told =
      "Not everything was written: WriteFile failed for \"standard output\": Error 112. (error "
      "112).\n";
  const std::vector<std::string> cases[] = {
      {"list"}, {"list", "--json"}, {"list", "--csv"}, {"disable", "Value"}, {"enable", "Value"},
  };
  for (const auto& words : cases) {
    SCOPED_TRACE(words.size() > 1 ? words[1] : words[0]);
    EXPECT_EQ(run(words, kDiskFull), 1);
    EXPECT_EQ(words_.err_text, told);
  }
  EXPECT_EQ(stored_command(L::CurrentUserRun, "Value"),
            "C:\\v.exe");  // the words, not the work, failed

  for (const char* asked : {"--help", "--version"}) {
    Words refusing;
    refusing.out_refused = kDiskFull;
    EXPECT_EQ(cli::print_parsed(cli::parse_command_line({asked}), refusing, os_.status_text), 1);
    EXPECT_EQ(refusing.err_text, told);
  }
  Words nowhere;  // a usage error stays one, even when it cannot be told
  nowhere.err_refused = kDiskFull;
  EXPECT_EQ(cli::print_parsed(cli::parse_command_line({"frobnicate"}), nowhere, os_.status_text),
            2);
}

constexpr const char* kLogonTask =
    R"(<Task xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger/></Triggers>
  <Actions><Exec><Command>C:\Vendor\tray.exe</Command></Exec></Actions>
</Task>)";

TEST_F(CliTest, TasksAreListedSwitchedAndRefusedRemovalAndAnUnreadSchedulerEndsTheListWithOne) {
  store_run_value(L::CurrentUserRun, "Tool", "tool.exe");
  os_.tasks.put("\\Vendor\\Tray", true, kLogonTask);
  ASSERT_EQ(run({"list", "--json"}), 0) << words_.err_text;
  const auto json = nlohmann::json::parse(words_.out_text);
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[1]["place"], "ScheduledTask");
  EXPECT_EQ(json[1]["command"], "\"C:\\Vendor\\tray.exe\"");

  EXPECT_EQ(run({"disable", "Tray"}), 0) << words_.err_text;
  EXPECT_FALSE(os_.tasks.get("\\Vendor\\Tray")->enabled);
  EXPECT_EQ(run({"enable", "Tray"}), 0) << words_.err_text;
  EXPECT_TRUE(os_.tasks.get("\\Vendor\\Tray")->enabled);
  EXPECT_EQ(run({"remove", "Tray", "--yes"}), 2);
  EXPECT_THAT(words_.err_text, HasSubstr("Task Scheduler"));
  EXPECT_TRUE(os_.tasks.get("\\Vendor\\Tray").has_value());

  os_.log.add_fault({.operation = "ITaskService::Connect", .status = 1062});
  EXPECT_EQ(run({"list", "--json"}), 1);
  EXPECT_EQ(nlohmann::json::parse(words_.out_text).size(), 1u);
  EXPECT_THAT(words_.err_text, HasSubstr("ITaskService::Connect failed"));
}

}  // namespace
}  // namespace rw::testing

namespace rw::testing {
namespace {

// An id is the place, the user and the name as Windows compares names, so
// that another computer, whose entry is written in other letter case, gives
// the same.
TEST_F(CliTest, AnIdIsThePlaceTheUserAndTheNameAsWindowsComparesNames) {
  const std::pair<L, std::string> entries[] = {{L::CurrentUserRun, "Äpfel und Öl"},
                                               {L::AllUsersRun, "äPFEL UND öL"},
                                               {L::CurrentUserRun, "Straße"},
                                               {L::CurrentUserRun, "Диспетчер"}};
  for (const auto& [place, name] : entries) store_run_value(place, name, "C:\\t.exe");
  store_shortcut(L::CurrentUserStartup, "Link");
  ASSERT_EQ(run({"list", "--json"}), 0);
  std::vector<std::string> ids;
  for (const auto& record : nlohmann::json::parse(words_.out_text)) ids.push_back(record["id"]);
  EXPECT_THAT(
      ids, ::testing::UnorderedElementsAre(
               "CurrentUserRun||ÄPFEL UND ÖL", "AllUsersRun||ÄPFEL UND ÖL",
               "CurrentUserRun||STRAßE", "CurrentUserRun||ДИСПЕТЧЕР", "CurrentUserStartup||LINK"));
}

TEST_F(CliTest, ListVerifyAddsWhoSignedEachProgramAndItsHashAndOnlyThenChecksAny) {
  const std::string app = store_entries_with_every_field_set_and_null();
  store_run_value(L::CurrentUserRun, "Shared", "\\\\server\\share\\x.exe");
  os_.programs.signatures[app] = {SignatureState::kNotTrusted, "Contoso Test"};
  os_.programs.sha256_of_content["MZ"] = "5a4d";

  ASSERT_EQ(run({"list", "--json"}), 0);
  EXPECT_FALSE(nlohmann::json::parse(words_.out_text)[0].contains("signature"));
  EXPECT_THAT(os_.log.calls(),
              Not(Contains(AnyOf(HasSubstr("WinVerifyTrust"), HasSubstr("SHA256")))));

  ASSERT_EQ(run({"list", "--json", "--verify"}), 0) << words_.err_text;
  std::map<std::string, nlohmann::json> by_name;
  for (const auto& record : nlohmann::json::parse(words_.out_text))
    by_name[record["name"]] = record;
  EXPECT_EQ(by_name["App"]["signature"], "not trusted");
  EXPECT_EQ(by_name["App"]["signer"], "Contoso Test");
  EXPECT_EQ(by_name["App"]["sha256"], "5a4d");
  for (const char* not_checked : {"Off", "Shared"}) {  // no program file; on the network
    SCOPED_TRACE(not_checked);
    EXPECT_EQ(by_name[not_checked]["signature"], "not checked");
    EXPECT_TRUE(by_name[not_checked]["signer"].is_null());
    EXPECT_TRUE(by_name[not_checked]["sha256"].is_null());
  }
  ASSERT_EQ(run({"list", "--verify"}), 0);
  EXPECT_THAT(words_.out_text, HasSubstr("SIGNATURE"));
  EXPECT_THAT(words_.out_text, HasSubstr("not trusted"));

  os_.log.add_fault(substitute::Fault{0, "WinVerifyTrust", status::kSharingViolation});
  EXPECT_EQ(run({"list", "--csv", "--verify"}), 1);
  EXPECT_THAT(words_.err_text, HasSubstr("Not checked: 'App' in CurrentUserRun: WinVerifyTrust "
                                         "failed for \"" +
                                         app + "\""));
  EXPECT_THAT(words_.out_text, HasSubstr(",not checked,,,\r\n"));
}

class CheckTest : public CliTest {
 protected:
  // A baseline saved by list --json, with the words given.
  std::string save_baseline(std::vector<std::string> words = {"list", "--json"}) {
    EXPECT_EQ(run(words), 0) << words_.err_text;
    const std::string path = os_.root() + "\\baseline.json";
    os_.files.write_file(path, words_.out_text);
    return path;
  }
};

TEST_F(CheckTest, EndsWithZeroAgainstAFreshBaselineAndWithOneNamingEachDifference) {
  const std::string app = store_entries_with_every_field_set_and_null();
  os_.programs.signatures[app] = {SignatureState::kValid, "Contoso"};
  os_.programs.sha256_of_content["MZ"] = "5a4d";
  const std::string baseline = save_baseline({"list", "--json", "--verify"});
  EXPECT_EQ(run({"check", "--baseline", baseline}), 0);
  EXPECT_EQ(words_.out_text + words_.err_text, "");

  store_run_value(L::CurrentUserRun, "New", "C:\\new.exe");
  os_.registry.erase(kHkeyCurrentUser, kRunKey, "Off");
  os_.files.write_file(app, "MZ changed");  // so the baseline's signature is checked too
  os_.programs.sha256_of_content["MZ changed"] = "ffff";
  os_.programs.signatures[app] = {SignatureState::kNotValid, "Contoso"};
  EXPECT_EQ(run({"check", "--baseline", baseline}), 1);
  EXPECT_EQ(words_.out_text,
            "changed: 'App' in CurrentUserRun: signature, hash\n"
            "added: 'New' in CurrentUserRun\n"
            "removed: 'Off' in CurrentUserRun\n");
  EXPECT_EQ(run({"check", "--baseline", baseline, "--json"}), 1);
  EXPECT_EQ(nlohmann::json::parse(words_.out_text)[1]["entry"]["command"], "C:\\new.exe");
}

// Whatever keeps check from comparing ends with 2, never with 1.
TEST_F(CheckTest, WhatCannotBeReadOrCheckedEndsWithTwoAndSaysWhy) {
  store_entries_with_every_field_set_and_null();
  const std::string baseline = save_baseline();
  const struct {
    std::vector<std::string> words;
    const char* said;
    const char* failing_call = "";
  } cases[] = {
      {{"check", "--baseline", os_.root() + "\\none.json"}, "cannot be read: no file is there."},
      {{"check", "--baseline", baseline, "--verify"}, "it was saved without --verify"},
      {{"check", "--baseline", baseline}, "Not read:", "RegEnumValue"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    os_.log.clear_faults();
    if (*c.failing_call) os_.log.add_fault(substitute::Fault{0, c.failing_call});
    EXPECT_EQ(run(c.words), 2);
    EXPECT_THAT(words_.err_text, HasSubstr(c.said));
  }
  os_.log.clear_faults();
  // Nothing differs, but that could not be said.
  EXPECT_EQ(run({"check", "--baseline", baseline, "--json"}, kDiskFull), 2);
}

}  // namespace
}  // namespace rw::testing
