// Task files placed by hand in the prefix's Task Scheduler folder, as a
// careless installer or a damaged disk leaves them, read through the Win32
// layer and the task reader: each is listed as it is or named as a problem,
// never a crash or a hang, and the good ones around them are still listed.
#include <gmock/gmock.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/task_definition.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/wine_support.h"

namespace rw {
namespace {

using ::testing::HasSubstr;
using wine_support::task_file_bytes;

std::string logon_task(const std::string& command, const std::string& arguments = "") {
  return R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger/></Triggers>
  <Actions Context="Author"><Exec><Command>)" +
         command + "</Command><Arguments>" + arguments + R"(</Arguments></Exec></Actions>
</Task>
)";
}

class TaskFilesUnderWine : public ::testing::Test {
 protected:
  ~TaskFilesUnderWine() override {
    wine_support::remove_tree(L"\\\\?\\" + wine_support::task_files_folder() +
                              win32::widen(folder_));
  }
  std::string folder_ = "\\RunwardenTaskFiles" + std::to_string(::GetCurrentProcessId());
  win32::Win32TaskScheduler scheduler_;
};

TEST_F(TaskFilesUnderWine, EachBadFileIsListedAsItIsOrNamedAsAProblem) {
  struct Case {
    std::string tail;   // below the scratch folder
    std::string bytes;  // the file's
    bool listed;        // false: named as a problem instead
  };
  std::string deep;
  for (int level = 0; level < 14; ++level)
    deep += "Folder name twenty long" + std::to_string(level) + "\\";
  const std::vector<Case> cases = {
      {"Good", task_file_bytes(logon_task("C:\\good.exe")), true},
      {"Written in UTF-8", logon_task("C:\\utf8.exe"), true},
      // Wine's Task Scheduler will not look these up: "The task XML is malformed".
      {"Not XML", "this is not XML", false},
      {"Empty", "", false},
      // Wine's XML reader would end the process on the 10 MB of arguments,
      // so the file is not handed to it; Windows lists such a task.
      {"Ten megabytes", task_file_bytes(logon_task("C:\\big.exe", std::string(10 << 20, 'a'))),
       false},
      // Wine cannot walk the folders past MAX_PATH.
      {deep + "Deep", task_file_bytes(logon_task("C:\\deep.exe")), false},
  };
  for (const Case& c : cases) wine_support::place_task_file(folder_ + "\\" + c.tail, c.bytes);

  const TaskList list = scheduler_.read_tasks();
  std::vector<std::string> listed;
  for (const ScheduledTask& task : list.tasks) {
    if (task.path.starts_with(folder_ + "\\")) listed.push_back(task.path);
  }
  for (const Case& c : cases) {
    const std::string path = folder_ + "\\" + c.tail;
    SCOPED_TRACE(path.substr(0, 80));
    const auto task = std::find_if(list.tasks.begin(), list.tasks.end(),
                                   [&](const ScheduledTask& t) { return t.path == path; });
    // A problem names the task, or the folder on its way that could not be read.
    const auto problem =
        std::find_if(list.problems.begin(), list.problems.end(), [&](const PlatformError& e) {
          return e.subject().starts_with(folder_) && path.starts_with(e.subject());
        });
    ASSERT_EQ(task != list.tasks.end(), c.listed);
    if (!c.listed) {
      EXPECT_NE(problem, list.problems.end());
      continue;
    }
    EXPECT_EQ(task->definition, task_file_text(c.bytes));
    std::string unread;
    const std::optional<TaskDefinition> definition = read_task_definition(task->definition, unread);
    ASSERT_TRUE(definition.has_value()) << unread;
    ASSERT_EQ(definition->actions.size(), 1u);
    EXPECT_THAT(definition->actions[0].program, HasSubstr(".exe"));
  }
  EXPECT_EQ(listed.size(), 2u);
}

}  // namespace
}  // namespace rw
