// A scheduled task's definition read from its XML (Task Scheduler's schema):
// who made it, what starts it, what it runs and with what rights; and from
// that, whether it starts with Windows, and in which words to show it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/places.h"
#include "platform/platform.h"

namespace rw {

enum class TriggerKind { Logon, Boot, Other };

struct TaskTrigger {
  TriggerKind kind = TriggerKind::Other;
  std::string element;  // its name without a namespace prefix: "LogonTrigger", "TimeTrigger"
  bool enabled = true;  // its Enabled; true where it says nothing
  std::string user_id;  // a logon trigger's UserId; empty: any user's logon
  std::string delay;    // its Delay as written ("PT30S"); empty: none
};

// One action: Exec names a program; a ComHandler only a COM class.
struct TaskAction {
  std::string element;  // "Exec", "ComHandler", ...
  std::string program;  // Exec's Command as written, environment variables and all
  std::string arguments;
  std::string working_directory;
  std::string com_class;  // ComHandler's ClassId
};

struct TaskDefinition {
  std::string author;
  std::string user_id;              // the principal's UserId
  bool highest_privileges = false;  // the principal's RunLevel is HighestAvailable
  bool enabled = true;              // Settings/Enabled; true where it says nothing
  std::vector<TaskTrigger> triggers;
  std::vector<TaskAction> actions;
};

// The definition the XML text holds. Nothing when the text is no task's
// XML, with the reason in `problem`: not XML at all (and where the reading
// stopped), nested deeper than any task, or no Task element.
std::optional<TaskDefinition> read_task_definition(std::string_view xml, std::string& problem);

// How a task starts with Windows.
struct TaskStartup {
  // All users for a boot trigger or any user's logon; the current user for
  // a trigger of that user's logon only.
  Scope scope = Scope::AllUsers;
  std::string trigger;  // "at logon of any user, after 30 seconds"
  // The first action that starts a program, as a command line, the program
  // in quotation marks: Task Scheduler takes it whole, even where it holds
  // a space once its environment variables are expanded. Empty when no
  // action starts a program (a COM handler).
  std::string command;
  // The first action in words: its command, or what it is instead, with
  // "(and 2 more actions)" where there are more.
  std::string action;
};

// A task starts with Windows when one of its enabled triggers is a boot
// trigger, the logon of any user, or the logon of `user` (named by SID or
// account, with or without its domain). Nothing for any other task.
std::optional<TaskStartup> task_startup(const TaskDefinition& definition, const TaskUser& user,
                                        TextRules& rules);

// A delay as Task Scheduler writes it (an ISO 8601 duration) in words:
// "PT1H30M" is "after 1 hour and 30 minutes". Empty for no delay or a zero
// one; text that is no such duration is shown as written.
std::string delay_words(std::string_view duration);

// What the details show of a task that starts with Windows, one line each:
// its path, trigger, action, author and whether it runs with highest
// privileges.
std::string task_details_text(std::string_view path, const TaskDefinition& definition,
                              const TaskStartup& startup);

}  // namespace rw
