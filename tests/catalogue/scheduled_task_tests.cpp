// The text of a task file in each encoding it may come in, and the
// substitute Task Scheduler's faults, which the catalogue's tests rely on.
#include <gmock/gmock.h>

#include "platform/substitute/substitute.h"

namespace rw::testing {
namespace {

using namespace std::string_literals;

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

}  // namespace
}  // namespace rw::testing
