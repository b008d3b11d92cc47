// A scheduled task's XML read into what starts it and what it runs: each
// kind of trigger and action, the user a logon trigger names, delays in
// words, and bad files, which are read truthfully or refused with a
// reason, never a crash or a hang.
#include <gmock/gmock.h>

#include "catalogue/task_definition.h"
#include "platform/substitute/substitute.h"

namespace rw::testing {
namespace {

using ::testing::HasSubstr;
using namespace std::string_literals;

const TaskUser kUser{"tester", "SUBSTITUTE", "S-1-5-21-100-200-300-1001"};
constexpr std::string_view kExec =
    "<Exec><Command>C:\\Program Files\\Vendor\\tray.exe</Command>"
    "<Arguments>/background</Arguments></Exec>";
constexpr std::string_view kTrayCommand = "\"C:\\Program Files\\Vendor\\tray.exe\" /background";

std::string task_xml(std::string_view triggers, std::string_view actions = kExec,
                     std::string_view more = "") {
  return R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.4" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">)" +
         std::string(more) + "\n  <Triggers>" + std::string(triggers) +
         "</Triggers>\n  <Actions Context=\"Author\">" + std::string(actions) +
         "</Actions>\n</Task>\n";
}

TaskDefinition read(const std::string& xml) {
  std::string problem;
  std::optional<TaskDefinition> definition = read_task_definition(xml, problem);
  EXPECT_TRUE(definition.has_value()) << problem;
  return definition.value_or(TaskDefinition{});
}

TEST(TaskDefinition, EachKindOfTriggerAndActionDecidesWhetherAndHowTheTaskStarts) {
  struct Case {
    std::string name;
    std::string xml;
    bool starts;
    Scope scope = Scope::AllUsers;
    std::string trigger = {};
    std::string action = std::string(kTrayCommand);
  };
  const std::string boot = "<BootTrigger><Delay>PT30S</Delay></BootTrigger>";
  const std::string time =
      "<TimeTrigger><StartBoundary>2024-01-01T09:00:00</StartBoundary>"
      "</TimeTrigger>";
  const std::string com =
      "<ComHandler><ClassId>{47E30D54-DAC1-473A-AFF7-2355BF78881F}</ClassId>"
      "</ComHandler>";
  const auto logon_of = [](std::string_view user) {
    return "<LogonTrigger><UserId>" + std::string(user) + "</UserId></LogonTrigger>";
  };
  const std::vector<Case> cases = {
      {"logon of any user", task_xml("<LogonTrigger/>"), true, Scope::AllUsers,
       "at logon of any user"},
      {"logon of this user by account", task_xml(logon_of("SUBSTITUTE\\tester")), true,
       Scope::CurrentUser, "at logon of SUBSTITUTE\\tester"},
      {"logon of this user by SID", task_xml(logon_of(kUser.sid)), true, Scope::CurrentUser,
       "at logon of SUBSTITUTE\\tester"},
      {"logon of this user, no domain, other case", task_xml(logon_of("TESTER")), true,
       Scope::CurrentUser, "at logon of SUBSTITUTE\\tester"},
      {"logon of another user", task_xml(logon_of("SUBSTITUTE\\someone")), false},
      {"logon of a namesake in another domain", task_xml(logon_of("ELSEWHERE\\tester")), false},
      {"boot, after a delay", task_xml(boot), true, Scope::AllUsers,
       "at startup, after 30 seconds"},
      {"time only", task_xml(time), false},
      {"disabled logon trigger", task_xml("<LogonTrigger><Enabled>false</Enabled></LogonTrigger>"),
       false},
      {"disabled logon, enabled boot",
       task_xml("<LogonTrigger><Enabled>false</Enabled></LogonTrigger><BootTrigger/>"), true,
       Scope::AllUsers, "at startup"},
      {"this user's logon and any user's, delayed",
       task_xml(logon_of("tester") + "<LogonTrigger><Delay>PT1M</Delay></LogonTrigger>"), true,
       Scope::AllUsers, "at logon of SUBSTITUTE\\tester and at logon of any user, after 1 minute"},
      {"several actions",
       task_xml("<LogonTrigger/>",
                std::string(kExec) + "<Exec><Command>b.exe</Command></Exec>" + com),
       true, Scope::AllUsers, "at logon of any user",
       std::string(kTrayCommand) + " (and 2 more actions)"},
      {"a COM handler, no program", task_xml("<BootTrigger/>", com), true, Scope::AllUsers,
       "at startup", "COM handler {47E30D54-DAC1-473A-AFF7-2355BF78881F}"},
      {"no action at all", task_xml("<BootTrigger/>", ""), true, Scope::AllUsers, "at startup",
       "none"},
      {"namespace prefixes",
       R"(<t:Task xmlns:t="http://schemas.microsoft.com/windows/2004/02/mit/task">
            <t:Triggers><t:LogonTrigger/></t:Triggers>
            <t:Actions><t:Exec><t:Command>C:\tool.exe</t:Command></t:Exec></t:Actions>
          </t:Task>)",
       true, Scope::AllUsers, "at logon of any user", "\"C:\\tool.exe\""},
  };
  substitute::SubstituteTextRules rules;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TaskStartup> startup = task_startup(read(c.xml), kUser, rules);
    ASSERT_EQ(startup.has_value(), c.starts);
    if (!c.starts) continue;
    EXPECT_EQ(startup->scope, c.scope);
    EXPECT_EQ(startup->trigger, c.trigger);
    EXPECT_EQ(startup->action, c.action);
  }
  // The command is the first program an action starts: none where none does.
  EXPECT_EQ(task_startup(read(task_xml("<BootTrigger/>", com)), kUser, rules)->command, "");
  EXPECT_EQ(task_startup(read(task_xml("<BootTrigger/>")), kUser, rules)->command, kTrayCommand);
  EXPECT_EQ(task_startup(read(task_xml("<BootTrigger/>", com + std::string(kExec))), kUser, rules)
                ->command,
            kTrayCommand);
}

TEST(TaskDefinition, ReadsAuthorPrincipalSettingsAndEveryPartOfAnAction) {
  const TaskDefinition definition =
      read(task_xml("<LogonTrigger><Enabled> true </Enabled><UserId>OFFICE\\alice</UserId>"
                    "<Delay>PT15S</Delay></LogonTrigger><CalendarTrigger/>",
                    "<Exec><Command>  %ProgramFiles%\\Sync\\sync.exe </Command>"
                    "<Arguments>--profile &quot;Work &amp; Home&quot;</Arguments>"
                    "<WorkingDirectory><![CDATA[C:\\Sync]]></WorkingDirectory></Exec>",
                    "<RegistrationInfo><Author>Vendor &lt;Sync&gt;</Author></RegistrationInfo>"
                    "<Principals><Principal id=\"Author\"><UserId>S-1-5-18</UserId>"
                    "<RunLevel>HighestAvailable</RunLevel></Principal></Principals>"
                    "<Settings><Enabled>false</Enabled></Settings>"));
  EXPECT_EQ(definition.author, "Vendor <Sync>");
  EXPECT_EQ(definition.user_id, "S-1-5-18");
  EXPECT_TRUE(definition.highest_privileges);
  EXPECT_FALSE(definition.enabled);
  ASSERT_EQ(definition.triggers.size(), 2u);
  EXPECT_EQ(definition.triggers[0].kind, TriggerKind::Logon);
  EXPECT_TRUE(definition.triggers[0].enabled);
  EXPECT_EQ(definition.triggers[0].user_id, "OFFICE\\alice");
  EXPECT_EQ(definition.triggers[0].delay, "PT15S");
  EXPECT_EQ(definition.triggers[1].kind, TriggerKind::Other);
  EXPECT_EQ(definition.triggers[1].element, "CalendarTrigger");
  ASSERT_EQ(definition.actions.size(), 1u);
  EXPECT_EQ(definition.actions[0].program, "%ProgramFiles%\\Sync\\sync.exe");
  EXPECT_EQ(definition.actions[0].arguments, "--profile \"Work & Home\"");
  EXPECT_EQ(definition.actions[0].working_directory, "C:\\Sync");
  // A task whose principal asks for nothing more runs with the user's rights.
  EXPECT_FALSE(read(task_xml("<BootTrigger/>")).highest_privileges);
  EXPECT_TRUE(read(task_xml("<BootTrigger/>")).enabled);
}

TEST(TaskDefinition, TheDetailsNameThePathTriggerActionAuthorAndRights) {
  substitute::SubstituteTextRules rules;
  const std::string long_path = "\\Vendor\\" + std::string(300, 'x');
  const TaskDefinition plain = read(task_xml("<LogonTrigger/>"));
  EXPECT_EQ(task_details_text(long_path, plain, *task_startup(plain, kUser, rules)),
            "Task: " + long_path +
                "\nStarts: at logon of any user\nAction: " + std::string(kTrayCommand));
  const TaskDefinition elevated =
      read(task_xml("<BootTrigger/>", kExec,
                    "<RegistrationInfo><Author>Vendor</Author></RegistrationInfo><Principals>"
                    "<Principal><RunLevel>HighestAvailable</RunLevel></Principal></Principals>"));
  EXPECT_THAT(task_details_text("\\T", elevated, *task_startup(elevated, kUser, rules)),
              HasSubstr("\nAuthor: Vendor\nRuns with highest privileges"));
}

TEST(TaskDefinition, BadFilesAreReadTruthfullyOrRefusedWithAReason) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string problem;  // empty: read, and the task starts at logon
  };
  const std::string utf8 = task_xml("<LogonTrigger/>");
  std::string big_arguments(10 << 20, 'a');
  const std::string big =
      task_xml("<LogonTrigger/>", "<Exec><Command>C:\\a.exe</Command><Arguments>" + big_arguments +
                                      "</Arguments></Exec>");
  std::string nested;
  for (std::size_t size = 0; size < (10u << 20); size += 3) nested += "<a>";
  const std::vector<Case> cases = {
      {"not XML", "this is not XML at all", "not XML: expected <"},
      {"empty", "", "no Task element"},
      {"white space only", "\xFF\xFE \0\n\0"s, "no Task element"},
      {"UTF-8 instead of UTF-16", utf8, ""},
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + utf8, ""},
      {"cut off", utf8.substr(0, utf8.size() / 2), "not XML"},
      {"another document", "<html><body>Task</body></html>", "no Task element"},
      {"10 MB of arguments", big, ""},
      {"10 MB of nesting", nested, "nested more than 64 deep"},
      {"nesting hidden in a comment",
       task_xml("<!--" + nested.substr(0, 3000) +
                "-->"
                "<LogonTrigger/>"),
       ""},
  };
  substitute::SubstituteTextRules rules;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string problem;
    const std::optional<TaskDefinition> definition =
        read_task_definition(task_file_text(c.bytes), problem);
    if (c.problem.empty()) {
      ASSERT_TRUE(definition.has_value()) << problem;
      EXPECT_TRUE(task_startup(*definition, kUser, rules).has_value());
    } else {
      EXPECT_FALSE(definition.has_value());
      EXPECT_THAT(problem, HasSubstr(c.problem));
    }
  }
}

TEST(TaskDefinition, DelaysInWords) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"PT0S", ""},
      {"PT30S", "after 30 seconds"},
      {"PT1M", "after 1 minute"},
      {"PT90S", "after 90 seconds"},
      {"PT1H30M", "after 1 hour and 30 minutes"},
      {"P1DT2H3M4S", "after 1 day, 2 hours, 3 minutes and 4 seconds"},
      {" P2W ", "after 2 weeks"},
      {"P1Y2M", "after 1 year and 2 months"},
      {"soon", "after a delay of \"soon\""},
      {"P", "after a delay of \"P\""},
      {"PT", "after a delay of \"PT\""},
      {"P1H", "after a delay of \"P1H\""},        // hours only after the T
      {"PT1S1M", "after a delay of \"PT1S1M\""},  // out of order
      {"PT1.5S", "after a delay of \"PT1.5S\""},
      {"PT9999999999S", "after a delay of \"PT9999999999S\""},
  };
  for (const auto& [duration, words] : cases) EXPECT_EQ(delay_words(duration), words) << duration;
}

}  // namespace
}  // namespace rw::testing
