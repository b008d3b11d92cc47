// Add over the substitute platform.
#include <gmock/gmock.h>

#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using substitute::Fault;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class AddTest : public CatalogueTest {
 protected:
  void SetUp() override {
    prepare_folders();
    os_.log.clear();
  }

  void choose(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    os_.dialogs.file_answers.push_back(OpenFileResult{true, path, path.substr(slash + 1)});
  }
  void answer_prompt(std::optional<std::string> text) {
    os_.dialogs.input_answers.push_back(std::move(text));
  }
  bool registry_touched() const {
    for (const std::string& call : os_.log.calls()) {
      if (call.rfind("Reg", 0) == 0) return true;
    }
    return false;
  }
  void add() { add_entry(catalogue_); }
};

TEST_F(AddTest, CancelInTheFileDialogAsksNothingAndWritesNothing) {
  add();

  ASSERT_EQ(os_.dialogs.file_requests.size(), 1u);
  const OpenFileRequest& request = os_.dialogs.file_requests[0];
  EXPECT_EQ(request.flags, 0x1804u);
  EXPECT_EQ(request.filter, "Programs|*.exe;*.com;*.bat|All files|*.*|");
  EXPECT_EQ(request.filter_index, 0);
  EXPECT_EQ(request.title, "Runwarden: Select application");
  EXPECT_THAT(os_.dialogs.prompts_defaults, IsEmpty());
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_FALSE(registry_touched());
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(AddTest, CancelledOrEmptiedPromptLeavesNoTrace) {
  choose("C:\\Tools\\Tool.exe");
  answer_prompt("");  // the prompt gives the empty text for Cancel and for a cleared field
  add();

  EXPECT_THAT(os_.dialogs.prompts_defaults, ElementsAre("Tool"));
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_FALSE(registry_touched());
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(AddTest, TheProposalIsTheFileNameMinusItsLastFourCharacters) {
  const struct {
    std::string path;
    std::string title;
    std::string proposal;
  } cases[] = {
      {"C:\\Windows\\notepad.exe", "notepad", "notepad"},
      {"C:\\Docs\\README", "RE", "RE"},
      {"C:\\Tools\\my.tool.bat", "my.tool", "my.tool"},
      {"C:\\Tools\\\xc3\xa9t\xc3\xa9.exe", "\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
      {"C:\\Tools\\ab\xe2\x82\xac\xf0\x9f\x98\x80\xc3\xa9", "a", "a"},  // five code points
      {"C:\\Tools\\abcd", "Four", ""},                                  // the prompt opens empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    os_.dialogs.prompts_defaults.clear();
    choose(c.path);
    if (c.proposal.empty()) answer_prompt(c.title);
    add();
    EXPECT_THAT(os_.dialogs.prompts_defaults, ElementsAre(c.proposal));
    EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, c.title), c.path);
  }
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
}

TEST_F(AddTest, AFileNameShorterThanFourCharactersIsReportedAndWritesNothing) {
  for (const char* path : {"C:\\Tools\\ab\xc3\xa9", "C:\\Tools\\x"}) {
    SCOPED_TRACE(path);
    os_.dialogs.messages.clear();
    choose(path);
    add();

    EXPECT_THAT(os_.dialogs.prompts_defaults, IsEmpty());
    EXPECT_FALSE(registry_touched());
    EXPECT_EQ(list_.count(), 0);
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    const std::string name = std::string(path).substr(9);
    EXPECT_EQ(os_.dialogs.messages[0].prompt,
              "Can't propose a title for \"" + name +
                  "\": the file name is shorter than four characters.");
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kCritical);
  }
}

TEST_F(AddTest, AcceptedProposalIsStoredAndListedTickedInItsSortedPlace) {
  for (const char* name : {"Alpha", "Zulu"}) {
    list_.add(name, static_cast<std::int32_t>(StartupLocation::AllUsersRun), false);
  }
  choose("C:\\Tools\\Tool.exe");
  add();

  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\Tools\\Tool.exe");
  EXPECT_EQ(stored_run_value(StartupLocation::CurrentUserRun, "Tool")->type, regtype::kSz);
  ASSERT_EQ(list_.count(), 3);
  EXPECT_EQ(list_.text(1), "Tool");
  EXPECT_EQ(list_.tag(1), static_cast<std::int32_t>(StartupLocation::CurrentUserRun));
  EXPECT_TRUE(list_.checked(1));
  EXPECT_EQ(os_.registry.open_handles(), 0u);
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
}

TEST_F(AddTest, ATitleOfBlanksIsATitle) {
  choose("C:\\Tools\\Tool.exe");
  answer_prompt("   ");
  add();

  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "   "), "C:\\Tools\\Tool.exe");
  EXPECT_EQ(find_item("   ", StartupLocation::CurrentUserRun), 0);
}

TEST_F(AddTest, APathWithSpacesIsStoredQuoted) {
  choose("C:\\Program Files\\Tool\\Tool.exe");
  add();

  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"),
            "\"C:\\Program Files\\Tool\\Tool.exe\"");
}

TEST_F(AddTest, TheRunKeyIsCreatedWhenMissing) {
  os_.registry.remove_key(kHkeyCurrentUser, kRunKey);
  choose("C:\\Tools\\Tool.exe");
  add();

  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\Tools\\Tool.exe");
}

TEST_F(AddTest, ARefusedCreateOrWriteIsReportedAndListsNothing) {
  const struct {
    std::string what;
    std::function<void()> refuse;
  } cases[] = {
      {"key", [&] { os_.registry.deny_write(kHkeyCurrentUser, kRunKey); }},
      {"value",
       [&] {
         os_.log.add_fault(Fault{0, "RegSetValueEx", status::kAccessDenied});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    os_.dialogs.messages.clear();
    c.refuse();
    choose("C:\\Tools\\Tool.exe");
    add();

    EXPECT_FALSE(stored_run_value(StartupLocation::CurrentUserRun, "Tool").has_value());
    EXPECT_EQ(list_.count(), 0);
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_THAT(os_.dialogs.messages[0].prompt, StartsWith("Can't create Tool !"));
    EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Access is denied."));
    EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("(error 5)"));
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
    EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kCritical);
    EXPECT_EQ(os_.registry.open_handles(), 0u);
    os_.log.clear_faults();
  }
}

TEST_F(AddTest, AFailingFileDialogIsReported) {
  os_.dialogs.file_dialog_failure = status::kInvalidParameter;
  add();

  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("GetOpenFileName"));
  EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: ERROR");
  EXPECT_FALSE(registry_touched());
}

TEST_F(AddTest, TheSameTitleAddedTwiceGivesOneValueAndOneTickedItemWithoutAsking) {
  choose("C:\\Tools\\Tool.exe");
  add();
  list_.set_checked(0, false);  // switched off, not yet applied
  choose("C:\\Tools\\Tool.exe");
  answer_prompt("TOOL");  // value names ignore case
  add();

  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\Tools\\Tool.exe");
  ASSERT_EQ(list_.count(), 1);
  EXPECT_EQ(list_.text(0), "Tool");
  EXPECT_EQ(list_.tag(0), static_cast<std::int32_t>(StartupLocation::CurrentUserRun));
  EXPECT_TRUE(list_.checked(0));  // Add means it starts
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(AddTest, ADifferentCommandUnderThatNameIsReplacedOnlyWhenTheUserAgrees) {
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "C:\\Old\\Tool.exe");
  scan();
  ASSERT_EQ(list_.count(), 1);

  choose("C:\\New\\Tool.exe");
  os_.dialogs.message_answers.push_back(mb::kResultNo);
  add();
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\Old\\Tool.exe");
  EXPECT_THAT(os_.log.calls(), Not(Contains(StartsWith("RegSetValueEx"))));
  EXPECT_EQ(list_.count(), 1);
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("Tool"));
  EXPECT_THAT(os_.dialogs.messages[0].prompt, HasSubstr("C:\\Old\\Tool.exe"));
  EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden: WARNING");
  EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kYesNo);

  choose("C:\\New\\Tool.exe");
  answer_prompt("tool");  // value names ignore case
  add();                  // Yes
  EXPECT_EQ(os_.dialogs.messages.size(), 2u);
  EXPECT_EQ(stored_command(StartupLocation::CurrentUserRun, "Tool"), "C:\\New\\Tool.exe");
  ASSERT_EQ(list_.count(), 1);
  EXPECT_GE(find_item("Tool", StartupLocation::CurrentUserRun), 0);
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(AddTest, AnUnreadableRunKeyIsReportedBeforeAnythingIsWritten) {
  os_.log.add_fault(Fault{0, "RegOpenKeyEx", status::kAccessDenied});
  choose("C:\\Tools\\Tool.exe");
  add();

  EXPECT_FALSE(stored_run_value(StartupLocation::CurrentUserRun, "Tool").has_value());
  ASSERT_EQ(os_.dialogs.messages.size(), 1u);
  EXPECT_THAT(os_.dialogs.messages[0].prompt, StartsWith("Can't create Tool !"));
  EXPECT_THAT(os_.log.calls(), Not(Contains(StartsWith("RegSetValueEx"))));
}

}  // namespace
}  // namespace rw::testing
