// Scheduled tasks as a place of entries: the tasks that Task Scheduler
// starts with Windows or at logon, each listed under its name with its path
// as the key (names repeat across folders), and switched on and off through
// Task Scheduler's own Enabled, never by writing their definitions.
#include <algorithm>

#include "catalogue/entry_store.h"
#include "catalogue/messages.h"

namespace rw {

namespace {

constexpr Status kInvalidData = 13;  // ERROR_INVALID_DATA

class ScheduledTaskStorage final : public ReadOnlyStorage {
 public:
  // Tasks that cannot be read, and the user whose logon a trigger may name
  // when that cannot be told, are the listing's failure: the list may lack
  // what they start. With several, the first is told.
  Listing list(Catalogue& catalogue, const PlaceInfo& info, bool) const override {
    Listing listing;
    catalogue.startup_tasks.clear();
    TaskList read;
    try {
      read = catalogue.platform.tasks.read_tasks();
    } catch (const PlatformError& error) {
      listing.failure = error;
      return listing;
    }
    if (!read.problems.empty()) listing.failure = read.problems.front();
    // Without it, only the tasks that start at this user's logon alone are
    // left out, and that is told.
    TaskUser user;
    try {
      user = catalogue.platform.tasks.current_user();
    } catch (const PlatformError& error) {
      if (!listing.failure) listing.failure = error;
    }
    TextRules& rules = catalogue.platform.text_rules;
    for (ScheduledTask& task : read.tasks) {
      if (is_left_out(rules, info, task.path)) continue;
      std::string unread;
      std::optional<TaskDefinition> definition = read_task_definition(task.definition, unread);
      if (!definition) {
        if (!listing.failure) {
          listing.failure =
              PlatformError("Reading the task's XML (" + unread + ")", task.path, kInvalidData);
        }
        continue;
      }
      std::optional<TaskStartup> startup = task_startup(*definition, user, rules);
      if (!startup) continue;
      listing.entries.push_back(
          Found{task.name, task.path,
                task.enabled ? OffReason::None : OffReason::SwitchedOffInTaskScheduler,
                std::nullopt, startup->scope});
      catalogue.startup_tasks.push_back(
          StartupTask{std::move(task.path), std::move(*definition), std::move(*startup)});
    }
    return listing;
  }

  // Names repeat across folders: the first task listed under the name.
  std::optional<Content> read(Catalogue& catalogue, const PlaceInfo&,
                              std::string_view name) const override {
    const StartupTask* task = named(catalogue, name);
    if (task == nullptr) return std::nullopt;
    return Content{regtype::kNone, task->path};
  }

  std::string address(Catalogue& catalogue, const PlaceInfo&,
                      std::string_view name) const override {
    return path_of(catalogue, name);
  }

  std::optional<Launch> launch(Catalogue& catalogue, const PlaceInfo&, std::string_view,
                               std::string_view key, const Content*) const override {
    const StartupTask* task = at_path(catalogue, key);
    if (task == nullptr) return std::nullopt;
    Launch launch;
    launch.facts.push_back(task_details_text(task->path, task->definition, task->startup));
    const std::string& stored = task->startup.command;
    if (stored.empty()) {
      launch.problem = "None of its actions starts a program.";
      return launch;
    }
    // Task Scheduler expands the variables of an action's command.
    launch.command = catalogue.platform.programs.expand_environment(stored);
    if (launch.command != stored) launch.stored = stored;
    return launch;
  }

  // The state is read back: a Task Scheduler that answers yes and changes
  // nothing must not be taken at its word.
  void switch_in_place(Catalogue& catalogue, const PlaceInfo&, std::string_view name,
                       std::string_view key, bool on) const override {
    if (catalogue.platform.tasks.set_enabled(key, on) != on) {
      throw SwitchNotMade("Task Scheduler did not switch " + shown_name(name) +
                          (on ? " on" : " off"));
    }
  }

 private:
  static bool is_left_out(TextRules& rules, const PlaceInfo& info, std::string_view path) {
    const std::string_view folder = info.left_out;
    return !folder.empty() && path.size() >= folder.size() &&
           rules.same_name(path.substr(0, folder.size()), folder);
  }
  static const StartupTask* at_path(Catalogue& catalogue, std::string_view path) {
    TextRules& rules = catalogue.platform.text_rules;
    const auto found =
        std::find_if(catalogue.startup_tasks.begin(), catalogue.startup_tasks.end(),
                     [&](const StartupTask& task) { return rules.same_name(task.path, path); });
    return found == catalogue.startup_tasks.end() ? nullptr : &*found;
  }
  static const StartupTask* named(Catalogue& catalogue, std::string_view name) {
    TextRules& rules = catalogue.platform.text_rules;
    const auto found =
        std::find_if(catalogue.startup_tasks.begin(), catalogue.startup_tasks.end(),
                     [&](const StartupTask& task) {
                       const std::string_view path = task.path;
                       return rules.same_name(path.substr(path.rfind('\\') + 1), name);
                     });
    return found == catalogue.startup_tasks.end() ? nullptr : &*found;
  }
  static std::string path_of(Catalogue& catalogue, std::string_view name) {
    const StartupTask* task = named(catalogue, name);
    return task != nullptr ? task->path : "\\" + std::string(name);
  }
};

}  // namespace

const PlaceStorage& scheduled_task_storage() {
  static const ScheduledTaskStorage storage;
  return storage;
}

}  // namespace rw
