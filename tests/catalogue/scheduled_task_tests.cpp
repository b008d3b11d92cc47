// Scheduled tasks as entries: the text of a task file in each encoding, the
// substitute Task Scheduler's faults, which tasks are listed, switching them
// as read back, refusals, and a Task Scheduler that cannot be read.
#include <gmock/gmock.h>

#include "catalogue/details.h"
#include "catalogue/entry_store.h"
#include "catalogue/fixture.h"
#include "catalogue/operations.h"
#include "platform/substitute/substitute.h"

namespace rw::testing {
namespace {

using namespace std::string_literals;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

TEST(TaskFileText, EachEncodingATaskFileMayHaveBecomesTheSameText) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"UTF-16LE with its mark", "\xFF\xFE<\0\xE9\0>\0"s, "<\xC3\xA9>"},
      {"UTF-16BE with its mark", "\xFE\xFF\0<\0\xE9\0>"s, "<\xC3\xA9>"},
      {"UTF-8 with its mark", "\xEF\xBB\xBF<\xC3\xA9>", "<\xC3\xA9>"},
      {"UTF-16LE without a mark", "<\0\xE9\0>\0"s, "<\xC3\xA9>"},
      {"UTF-16BE without a mark", "\0<\0\xE9\0>"s, "<\xC3\xA9>"},
      {"UTF-8 without a mark", "<\xC3\xA9>", "<\xC3\xA9>"},
      {"a character outside the BMP", "\xFF\xFE\x3D\xD8\x80\xDE"s, "\xF0\x9F\x9A\x80"},
      {"an odd last byte", "\xFF\xFE<\0>"s, "<"},
      {"bytes that are not UTF-8", "<\xC3(>", "<\xEF\xBF\xBD(>"},
      {"nothing", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(task_file_text(c.bytes), c.text);
  }
}

TEST(SubstituteTaskScheduler, FailsWhereToldAndCanIgnoreSwitching) {
  substitute::SubstitutePlatform os;
  os.tasks.put("\\Top", true, "<Task/>");
  os.tasks.put("\\Vendor\\Updater", true, "<Task/>");
  os.log.add_fault({.operation = "ITaskFolder::GetTasks", .subject_part = "\\Vendor"});
  const TaskList list = os.tasks.read_tasks();
  ASSERT_EQ(list.tasks.size(), 1u);
  EXPECT_EQ(list.tasks[0].name, "Top");
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].subject(), "\\Vendor");
  os.tasks.switching_changes_nothing = true;
  EXPECT_TRUE(os.tasks.set_enabled("\\top", false));
  os.log.add_fault({.operation = "ITaskService::Connect"});
  EXPECT_THROW(os.tasks.read_tasks(), PlatformError);
}

// A task as Task Scheduler keeps it: its triggers and actions as given.
std::string task_xml(std::string_view triggers, std::string_view actions =
                                                    "<Exec><Command>%ProgramFiles%\\Sync\\sync."
                                                    "exe</Command><Arguments>/tray</Arguments></"
                                                    "Exec>") {
  return R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo><Author>Contoso</Author></RegistrationInfo>
  <Principals><Principal id="Author"><RunLevel>HighestAvailable</RunLevel></Principal></Principals>
  <Triggers>)" +
         std::string(triggers) + "</Triggers>\n  <Actions Context=\"Author\">" +
         std::string(actions) + "</Actions>\n</Task>\n";
}

class ScheduledTaskTest : public CatalogueTest {
 protected:
  int find_task(const std::string& path) {
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.key(i) == path) return i;
    }
    return -1;
  }
};

TEST_F(ScheduledTaskTest, TasksThatStartWithWindowsOrAtThisUsersLogonAreListedWithTheirState) {
  const std::string me = "<LogonTrigger><UserId>" + os_.tasks.user.sid + "</UserId></LogonTrigger>";
  struct Case {
    std::string path;
    std::string xml;
    bool enabled = true;
    bool listed = true;
    Scope scope = Scope::AllUsers;
  };
  const std::vector<Case> cases = {
      {"\\Logon of any user", task_xml("<LogonTrigger/>")},
      {"\\Vendor\\Mine", task_xml(me), true, true, Scope::CurrentUser},
      {"\\Someone else's", task_xml("<LogonTrigger><UserId>OTHER\\someone</UserId></LogonTrigger>"),
       true, false},
      {"\\Boot", task_xml("<BootTrigger><Delay>PT1M</Delay></BootTrigger>")},
      {"\\Time only",
       task_xml("<TimeTrigger><StartBoundary>2024-01-01T09:00:00</StartBoundary>"
                "</TimeTrigger>"),
       true, false},
      {"\\Trigger off", task_xml("<LogonTrigger><Enabled>false</Enabled></LogonTrigger>"), true,
       false},
      {"\\Switched off", task_xml("<LogonTrigger/>"), false},
      {"\\Microsoft\\Windows\\Own", task_xml("<LogonTrigger/>"), true, false},
      {"\\microsoft\\Lower case", task_xml("<BootTrigger/>"), true, false},
      {"\\Other\\Vendor\\Mine", task_xml("<BootTrigger/>")},  // its name repeats
  };
  for (const Case& c : cases) os_.tasks.put(c.path, c.enabled, c.xml);
  const AllDetails all = describe_all(catalogue_);
  EXPECT_THAT(all.problems, IsEmpty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const auto found = std::find_if(all.entries.begin(), all.entries.end(),
                                    [&](const EntryDetails& e) { return e.key == c.path; });
    ASSERT_EQ(found != all.entries.end(), c.listed);
    if (!c.listed) continue;
    EXPECT_EQ(found->name, c.path.substr(c.path.rfind('\\') + 1));
    EXPECT_EQ(found->place->location, StartupLocation::ScheduledTask);
    EXPECT_EQ(found->scope, c.scope);
    EXPECT_EQ(found->starts, c.enabled);
    EXPECT_EQ(found->off, c.enabled ? OffReason::None : OffReason::SwitchedOffInTaskScheduler);
  }
}

TEST_F(ScheduledTaskTest, DetailsGiveTheTaskItsTriggerActionAuthorRightsAndProgramFile) {
  const std::string program = os_.root() + "\\Sync\\sync.exe";
  std::filesystem::create_directories(
      substitute::SubstituteFiles::host_path(program).parent_path());
  os_.files.write_file(program, "MZ");
  os_.programs.environment["PROGRAMFILES"] = os_.root();
  os_.programs.descriptions[program] = {"Contoso, Inc.", "Sync"};
  os_.tasks.put("\\Contoso\\Sync", true,
                task_xml("<LogonTrigger><Delay>PT30S</Delay></LogonTrigger>",
                         "<ComHandler><ClassId>{0}</ClassId></ComHandler>"
                         "<Exec><Command>%ProgramFiles%\\Sync\\sync.exe</Command>"
                         "<Arguments>/tray</Arguments></Exec>"));
  scan();
  const std::string text = details_text(describe_item(catalogue_, find_task("\\Contoso\\Sync")));
  for (const std::string& line : std::vector<std::string>{
           "Task: \\Contoso\\Sync", "Starts: at logon of any user, after 30 seconds",
           "Action: COM handler {0} (and 1 more action)", "Author: Contoso",
           "Runs with highest privileges", "Program: " + program, "Publisher: Contoso, Inc.",
           "Command: \"" + program + "\" /tray"}) {
    EXPECT_THAT(text, HasSubstr("\n" + line)) << text;
  }
  EXPECT_THAT(text, Not(HasSubstr("Warning")));
}

TEST_F(ScheduledTaskTest, ExitSwitchesATaskWhereItIsAndTellsASwitchThatDidNotHappen) {
  struct Case {
    std::string name;
    bool enabled_before;
    bool changes_nothing = false;
    Status refused = status::kOk;
    std::string told = {};  // empty: switched, nothing told
  };
  const std::vector<Case> cases = {
      {"switched off", true},
      {"switched on", false},
      {"answered yes, changed nothing", true, true, status::kOk,
       "'Tray' is not switched off: Task Scheduler did not switch Tray off."},
      {"access denied", false, false, status::kAccessDenied,
       "Access is denied. (error 5). Changing an entry for all users needs administrator rights."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    substitute::SubstitutePlatform os;
    Platform platform = os.platform();
    SortedEntryList list(os.text_rules);
    Catalogue catalogue{platform, list};
    os.tasks.put("\\Vendor\\Tray", c.enabled_before, task_xml("<LogonTrigger/>"));
    os.tasks.switching_changes_nothing = c.changes_nothing;
    if (c.refused != status::kOk) {
      os.log.add_fault({.operation = "IRegisteredTask::put_Enabled", .status = c.refused});
    }
    run_scan(catalogue);
    ASSERT_EQ(list.count(), 1);
    list.set_checked(0, !c.enabled_before);
    const ExitReport report = apply_changes(catalogue);
    const bool switched = c.told.empty();
    EXPECT_EQ(os.tasks.get("\\Vendor\\Tray")->enabled, switched != c.enabled_before);
    if (switched) {
      EXPECT_THAT(report.notes, IsEmpty());
    } else {
      ASSERT_EQ(report.notes.size(), 1u);
      EXPECT_THAT(report.notes[0].line, HasSubstr(c.told));
    }
    // The definition is never written.
    EXPECT_EQ(os.tasks.get("\\Vendor\\Tray")->definition, task_xml("<LogonTrigger/>"));
  }
}

TEST_F(ScheduledTaskTest, TasksReadLaterJoinTheListWithoutMovingItsCurrentItem) {
  store_run_value(StartupLocation::CurrentUserRun, "M Run value", "m.exe");
  os_.tasks.put("\\A Task", true, task_xml("<LogonTrigger/>"));
  os_.tasks.put("\\Z Task", false, task_xml("<BootTrigger/>"));
  run_scan(catalogue_, Places::Now);
  ASSERT_EQ(list_.count(), 1);
  list_.set_current(0);
  list_later_places(catalogue_, read_later_places(platform_));
  ASSERT_EQ(list_.count(), 3);
  EXPECT_EQ(list_.text(list_.current()), "M Run value");
  EXPECT_EQ(list_.text(0), "A Task");
  EXPECT_FALSE(list_.checked(2));
  // Read later, the details come from what was read.
  EXPECT_THAT(details_text(describe_item(catalogue_, 0)), HasSubstr("Task: \\A Task"));
}

TEST_F(ScheduledTaskTest, ATaskSchedulerThatCannotBeReadIsOneNoteAfterTheEntriesThatExitIgnores) {
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "tool.exe");
  os_.tasks.put("\\Tray", true, task_xml("<LogonTrigger/>"));
  os_.log.add_fault({.operation = "ITaskService::Connect", .status = 1062});
  run_scan(catalogue_, Places::Now);
  list_later_places(catalogue_, read_later_places(platform_));
  ASSERT_EQ(list_.count(), 2);
  EXPECT_EQ(list_.text(0), "Tool");
  EXPECT_EQ(list_.tag(1), kNoteTag);
  EXPECT_THAT(list_.text(1), HasSubstr("Not everything in Task Scheduler could be read"));
  EXPECT_THAT(list_.text(1), HasSubstr("ITaskService::Connect failed"));
  list_.set_current(1);
  EXPECT_FALSE(context_menu_state(list_).details_enabled);
  EXPECT_FALSE(context_menu_state(list_).remove_enabled);
  EXPECT_EQ(details_text(describe_item(catalogue_, 1)), list_.text(1));
  // Unticked, Tool is parked; the note is passed over.
  list_.set_checked(0, false);
  list_.set_checked(1, true);
  EXPECT_THAT(apply_changes(catalogue_).notes, IsEmpty());
  EXPECT_FALSE(stored_command(StartupLocation::CurrentUserRun, "Tool").has_value());
}

TEST_F(ScheduledTaskTest, ATaskFileThatIsNoTaskIsAProblemAndTheOthersAreListed) {
  for (const std::string& bytes :
       std::vector<std::string>{"", "not XML", "<Task><Triggers>", "\xFF\xFE<\0"s}) {
    SCOPED_TRACE(bytes);
    substitute::SubstitutePlatform os;
    Platform platform = os.platform();
    SortedEntryList list(os.text_rules);
    Catalogue catalogue{platform, list};
    os.tasks.put("\\Broken", true, task_file_text(bytes));
    os.tasks.put("\\Good", true, task_xml("<LogonTrigger/>"));
    const ScanResult scan = run_scan(catalogue);
    ASSERT_EQ(scan.problems.size(), 1u);
    EXPECT_EQ(scan.problems[0].subject(), "\\Broken");
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.text(0), "Good");
  }
}

}  // namespace
}  // namespace rw::testing
