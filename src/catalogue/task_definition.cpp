// Reading a task's XML with RapidXml, and the rules and words of a task
// that starts with Windows.
#include "catalogue/task_definition.h"

#include <algorithm>
#include <array>
#include <vector>

#include "catalogue/xml_document.h"

namespace rw {

namespace {

using Node = XmlNode;

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The element's text, CDATA sections included, without the white space
// around it; empty for a missing element.
std::string text_of(const Node* element) {
  std::string text;
  if (element == nullptr) return text;
  for (const Node* node = element->first_node(); node != nullptr; node = node->next_sibling()) {
    if (node->type() == rapidxml::node_data || node->type() == rapidxml::node_cdata) {
      text.append(node->value(), node->value_size());
    }
  }
  return std::string(trimmed(text));
}

// An xs:boolean, or `otherwise` when the element is missing or says neither.
bool flag_of(const Node* element, bool otherwise) {
  const std::string text = text_of(element);
  if (text == "true" || text == "1") return true;
  if (text == "false" || text == "0") return false;
  return otherwise;
}

TaskTrigger trigger_of(const Node& element) {
  TaskTrigger trigger;
  trigger.element = std::string(local_name(element));
  if (trigger.element == "LogonTrigger") trigger.kind = TriggerKind::Logon;
  if (trigger.element == "BootTrigger") trigger.kind = TriggerKind::Boot;
  trigger.enabled = flag_of(child(&element, "Enabled"), true);
  trigger.user_id = text_of(child(&element, "UserId"));
  trigger.delay = text_of(child(&element, "Delay"));
  return trigger;
}

TaskAction action_of(const Node& element) {
  return TaskAction{std::string(local_name(element)), text_of(child(&element, "Command")),
                    text_of(child(&element, "Arguments")),
                    text_of(child(&element, "WorkingDirectory")),
                    text_of(child(&element, "ClassId"))};
}

TaskDefinition definition_of(const Node& task) {
  TaskDefinition definition;
  definition.author = text_of(child(child(&task, "RegistrationInfo"), "Author"));
  const Node* principal = child(child(&task, "Principals"), "Principal");
  definition.user_id = text_of(child(principal, "UserId"));
  definition.highest_privileges = text_of(child(principal, "RunLevel")) == "HighestAvailable";
  definition.enabled = flag_of(child(child(&task, "Settings"), "Enabled"), true);
  for (const Node* element : elements_of(child(&task, "Triggers"))) {
    definition.triggers.push_back(trigger_of(*element));
  }
  for (const Node* element : elements_of(child(&task, "Actions"))) {
    definition.actions.push_back(action_of(*element));
  }
  return definition;
}

// ---- Words ----------------------------------------------------------------------------------

std::string counted(unsigned long count, std::string_view word) {
  return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

// "a", "a and b", "a, b and c"
std::string listed(const std::vector<std::string>& parts) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
    text += parts[i];
  }
  return text;
}

bool names_user(std::string_view user_id, const TaskUser& user, TextRules& rules) {
  if (!user.sid.empty() && rules.same_name(user_id, user.sid)) return true;
  const std::size_t slash = user_id.rfind('\\');
  const std::string_view account =
      slash == std::string_view::npos ? user_id : user_id.substr(slash + 1);
  const std::string_view domain = slash == std::string_view::npos ? "" : user_id.substr(0, slash);
  if (user.name.empty() || !rules.same_name(account, user.name)) return false;
  return domain.empty() || user.domain.empty() || rules.same_name(domain, user.domain);
}

std::string account_words(const TaskUser& user, std::string_view user_id) {
  if (user.name.empty()) return std::string(user_id);
  return user.domain.empty() ? user.name : user.domain + "\\" + user.name;
}

std::string with_delay(std::string words, std::string_view delay) {
  const std::string after = delay_words(delay);
  return after.empty() ? words : words + ", " + after;
}

std::string command_of(const TaskAction& action) {
  if (action.program.empty()) return {};
  std::string command =
      action.program.front() == '"' ? action.program : "\"" + action.program + "\"";
  if (!action.arguments.empty()) command += " " + action.arguments;
  return command;
}

std::string action_words(const std::vector<TaskAction>& actions) {
  if (actions.empty()) return "none";
  const TaskAction& first = actions.front();
  std::string words = command_of(first);
  if (words.empty()) {
    words = first.element == "ComHandler" ? "COM handler " + first.com_class
                                          : first.element + " (starts no program)";
  }
  if (actions.size() > 1) words += " (and " + counted(actions.size() - 1, "more action") + ")";
  return words;
}

}  // namespace

std::optional<TaskDefinition> read_task_definition(std::string_view xml, std::string& problem) {
  const XmlDocument document(xml);
  const Node* task = document.root();
  if (!document.problem().empty()) {
    problem = document.problem();
    return std::nullopt;
  }
  if (task == nullptr || local_name(*task) != "Task") {
    problem = "no Task element";
    return std::nullopt;
  }
  return definition_of(*task);
}

std::optional<TaskStartup> task_startup(const TaskDefinition& definition, const TaskUser& user,
                                        TextRules& rules) {
  std::vector<std::string> triggers;
  bool for_all_users = false;
  for (const TaskTrigger& trigger : definition.triggers) {
    if (!trigger.enabled) continue;
    if (trigger.kind == TriggerKind::Boot) {
      triggers.push_back(with_delay("at startup", trigger.delay));
      for_all_users = true;
    } else if (trigger.kind == TriggerKind::Logon && trigger.user_id.empty()) {
      triggers.push_back(with_delay("at logon of any user", trigger.delay));
      for_all_users = true;
    } else if (trigger.kind == TriggerKind::Logon && names_user(trigger.user_id, user, rules)) {
      triggers.push_back(
          with_delay("at logon of " + account_words(user, trigger.user_id), trigger.delay));
    }
  }
  if (triggers.empty()) return std::nullopt;
  TaskStartup startup;
  startup.scope = for_all_users ? Scope::AllUsers : Scope::CurrentUser;
  startup.trigger = listed(triggers);
  const auto runs = std::find_if(definition.actions.begin(), definition.actions.end(),
                                 [](const TaskAction& action) { return !action.program.empty(); });
  if (runs != definition.actions.end()) startup.command = command_of(*runs);
  startup.action = action_words(definition.actions);
  return startup;
}

std::string delay_words(std::string_view duration) {
  struct Unit {
    char letter;
    bool of_time;  // written after the "T"
    std::string_view word;
  };
  static constexpr std::array<Unit, 7> kUnits = {{{'Y', false, "year"},
                                                  {'M', false, "month"},
                                                  {'W', false, "week"},
                                                  {'D', false, "day"},
                                                  {'H', true, "hour"},
                                                  {'M', true, "minute"},
                                                  {'S', true, "second"}}};
  const std::string as_written = "after a delay of \"" + std::string(duration) + "\"";
  std::string_view rest = trimmed(duration);
  if (rest.empty()) return {};
  if (rest.size() < 2 || rest.front() != 'P') return as_written;
  rest.remove_prefix(1);
  std::vector<std::string> parts;
  bool of_time = false;
  std::size_t next_unit = 0;  // each unit once, in this order
  while (!rest.empty()) {
    if (rest.front() == 'T' && !of_time) {
      of_time = true;
      rest.remove_prefix(1);
      if (rest.empty()) return as_written;
      continue;
    }
    const std::size_t digits = rest.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos || digits > 9) return as_written;
    const auto unit = std::find_if(kUnits.begin() + next_unit, kUnits.end(), [&](const Unit& u) {
      return u.letter == rest[digits] && u.of_time == of_time;
    });
    if (unit == kUnits.end()) return as_written;
    next_unit = static_cast<std::size_t>(unit - kUnits.begin()) + 1;
    const unsigned long count = std::stoul(std::string(rest.substr(0, digits)));
    if (count > 0) parts.push_back(counted(count, unit->word));
    rest.remove_prefix(digits + 1);
  }
  return parts.empty() ? std::string() : "after " + listed(parts);
}

std::string task_details_text(std::string_view path, const TaskDefinition& definition,
                              const TaskStartup& startup) {
  std::string text = "Task: " + std::string(path);
  text += "\nStarts: " + startup.trigger;
  text += "\nAction: " + startup.action;
  if (!definition.author.empty()) text += "\nAuthor: " + definition.author;
  if (definition.highest_privileges) text += "\nRuns with highest privileges";
  return text;
}

}  // namespace rw
