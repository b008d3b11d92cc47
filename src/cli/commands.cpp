#include "cli/commands.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "catalogue/details.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "cli/baseline.h"
#include "cli/report.h"

namespace rw::cli {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadName = 2;
// check's: a difference, and what is never to be taken for one.
constexpr int kDiffers = 1;
constexpr int kCannotCheck = 2;

// Keeps the first write that failed: a script reading a list cut short, or
// none at all, must not be told that all went well.
class WatchedOutput final : public Output {
 public:
  explicit WatchedOutput(Output& output) : output_(output) {}
  Status out(std::string_view text) override {
    return watched(output_.out(text), "standard output");
  }
  Status err(std::string_view text) override {
    return watched(output_.err(text), "standard error");
  }

  // `failed` (1 unless told) for a run that went well but lost words, told
  // on the errors (unless they are what failed, when nothing more can be done).
  int status_after(int status, StatusText& status_text, int failed = kFailed) {
    if (!failure_) return status;
    output_.err("Not everything was written: " + failure_words(status_text, *failure_) + ".\n");
    return status == kDone ? failed : status;
  }

 private:
  Status watched(Status result, const char* stream) {
    if (result != status::kOk && !failure_) failure_.emplace("WriteFile", stream, result);
    return result;
  }

  Output& output_;
  std::optional<PlatformError> failure_;
};

// The operations' message boxes, on the console: every report goes to the
// errors, and a question is answered Yes only when the request said so.
class ConsoleDialogs final : public Dialogs {
 public:
  ConsoleDialogs(Output& output, bool yes) : output_(output), yes_(yes) {}
  int message_box(std::string_view prompt, int flags, std::string_view) override {
    if ((flags & 0xF) == mb::kYesNo) return yes_ ? mb::kResultYes : mb::kResultNo;
    output_.err(std::string(prompt) + "\n");
    if ((flags & 0xF0) == mb::kCritical) ++errors;
    return mb::kResultOk;
  }
  std::string input_box(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
  int errors = 0;

 private:
  Output& output_;
  bool yes_;
};

class Run {
 public:
  Run(const Request& request, const PlatformWith& platform_with, Output& output)
      : request_(request),
        output_(output),
        dialogs_(output, request.yes),
        platform_(platform_with(dialogs_)),
        list_(platform_.text_rules),
        catalogue_{platform_, list_} {}

  StatusText& status_text() { return platform_.status_text; }

  int run() {
    try {
      if (request_.verb == Verb::List) return list();
      if (request_.verb == Verb::Check) return check();
      if (request_.user && !act_as_user(*request_.user)) return kBadName;
      tell_problems(run_scan(catalogue()).problems);
      const int index = chosen_item();
      if (index < 0) return kBadName;
      switch (request_.verb) {
        case Verb::Disable:
          return switch_to(index, false);
        case Verb::Enable:
          return switch_to(index, true);
        default:
          return remove(index);
      }
    } catch (const PlatformError& error) {
      output_.err(failure_words(platform_.status_text, error) + ".\n");
      return request_.verb == Verb::Check ? kCannotCheck : kFailed;
    }
  }

 private:
  // The catalogue the entry verbs act through: another user's with --user.
  Catalogue& catalogue() { return other_catalogue_ ? *other_catalogue_ : catalogue_; }

  // Acts on the named user's entries from here on; false, after saying why,
  // when the name is no loaded user's or several users'.
  bool act_as_user(const std::string& name) {
    std::vector<PlatformError> problems;
    users_ = loaded_users(platform_, problems);
    tell_problems(problems);
    const UserMatch match = find_user(platform_.text_rules, users_, name);
    if (match.user == nullptr) {
      output_.err(match.matches == 0
                      ? "No user named '" + shown_name(name) +
                            "' has a loaded hive. Users who are not logged on are not read.\n"
                      : "'" + shown_name(name) +
                            "' names several users. Say which by DOMAIN\\name or SID.\n");
      return false;
    }
    if (match.user->current) return true;
    other_platform_.emplace(platform_, *match.user);
    other_catalogue_.emplace(Catalogue{other_platform_->platform(), list_});
    other_catalogue_->user = match.user;
    return true;
  }

  AllDetails describe_entries(bool all_users) {
    return all_users ? describe_all_users(catalogue_) : describe_all(catalogue_);
  }

  int list() {
    AllDetails all = describe_entries(request_.all_users);
    const bool unchecked = request_.verify && !verify(all.entries);
    output_.out(render(all.entries, request_.format, request_.verify));
    return tell_problems(all.problems) || unchecked ? kFailed : kDone;
  }

  // Checks every entry's program file; false, after saying which, when a
  // check could not be made.
  bool verify(std::vector<EntryDetails>& entries) {
    bool all_checked = true;
    for (EntryDetails& entry : entries) {
      verify_program(catalogue_, entry);
      if (!entry.verified->failure) continue;
      output_.err("Not checked: '" + shown_name(entry.name) + "' in " +
                  std::string(entry.place->name) + ": " +
                  failure_words(platform_.status_text, *entry.verified->failure) + ".\n");
      all_checked = false;
    }
    return all_checked;
  }

  int check() {
    const std::optional<Baseline> baseline = read_baseline_file();
    if (!baseline) return kCannotCheck;
    AllDetails all = describe_entries(request_.all_users || baseline->all_users);
    // Whatever could not be read or checked would show as a difference.
    if (tell_problems(all.problems)) return kCannotCheck;
    if (baseline->verified && !verify(all.entries)) return kCannotCheck;
    const std::vector<Difference> differences =
        compare(*baseline, records(all.entries, baseline->verified));
    if (request_.format == Format::Json) {
      output_.out(json_text(differences_json(differences)));
    } else {
      output_.out(difference_lines(differences, request_.all ? SIZE_MAX : kShortOutputLimit));
    }
    return differences.empty() ? kDone : kDiffers;
  }

  // The baseline, or nothing after saying why it cannot be read.
  std::optional<Baseline> read_baseline_file() {
    const std::string& path = request_.baseline;
    const auto unreadable = [&](const std::string& why) {
      output_.err("The baseline " + path + " cannot be read: " + why + ".\n");
      return std::nullopt;
    };
    const std::optional<std::string> bytes = platform_.files.file_content(path);
    if (!bytes) return unreadable("no file is there");
    BaselineReading reading = read_baseline(*bytes);
    if (!reading.baseline) return unreadable(reading.problem);
    if (request_.verify && !reading.baseline->verified)
      return unreadable("it was saved without --verify, so it has no signatures to compare");
    return std::move(reading.baseline);
  }

  // What could not be read is missing from what follows; the user is told.
  bool tell_problems(const std::vector<PlatformError>& problems) {
    for (const PlatformError& problem : problems) {
      output_.err("Not read: " + failure_words(platform_.status_text, problem) + ".\n");
    }
    return !problems.empty();
  }

  // The one item the request names, compared as Windows compares names, or
  // -1 after saying why there is none.
  int chosen_item() {
    std::vector<int> matches;
    for (int index = 0; index < list_.count(); ++index) {
      const bool in_place =
          !request_.place || list_.tag(index) == static_cast<std::int32_t>(*request_.place);
      if (in_place && platform_.text_rules.same_name(list_.text(index), request_.name)) {
        matches.push_back(index);
      }
    }
    if (matches.size() == 1) return matches.front();
    if (matches.empty()) {
      output_.err("No entry is named '" + shown_name(request_.name) + "'" +
                  (request_.place ? " in " + std::string(place(*request_.place).name) : "") +
                  ".\n");
      return -1;
    }
    std::string places;
    for (int index : matches) {
      places += (places.empty() ? "" : ", ") + std::string(place_of(index).name);
    }
    output_.err("'" + shown_name(request_.name) + "' names entries in several places: " + places +
                ". Say which with --place PLACE.\n");
    return -1;
  }

  const PlaceInfo& place_of(int index) const { return *find_place(list_.tag(index)); }

  // A name that Windows cannot be asked for exactly is one the program will
  // not act on, like an unknown one: told here, before an operation refuses it.
  bool may_act_on(int index) {
    const std::string name = list_.text(index);
    if (is_exact_name(name)) return true;
    output_.err("'" + shown_name(name) + "' in " + std::string(place_of(index).name) + " " +
                inexact_name_words() + "\n");
    return false;
  }

  std::string entry_words(int index) const {
    return "'" + shown_name(list_.text(index)) + "' in " + std::string(place_of(index).name);
  }

  // As ticking or unticking the item and pressing Exit does. A locked one is
  // refused whichever way it is asked, as its checkbox is in the window: that
  // it happens to be as asked is no reason to call it done.
  int switch_to(int index, bool on) {
    const PlaceInfo& info = place_of(index);
    const bool starts = rw::starts(info, list_.off(index));
    const std::string entry = entry_words(index);
    if (const std::string_view why = item_lock_reason(list_, index); !why.empty()) {
      output_.err(entry + " cannot be switched here: " + std::string(why) +
                  ". Nothing was changed.\n");
      return kBadName;
    }
    if (starts == on) {
      output_.out(entry + " is already " + (on ? "on" : "off") + ".\n");
      return kDone;
    }
    if (!may_act_on(index)) return kBadName;
    if (!on && parks_into_shared_folder(info)) {
      output_.err(entry + " is " + catalogue().user->name +
                  "'s shortcut, which is not parked: the parking folders beside the program are "
                  "shared by everyone who runs it, so the parked copy would be listed and "
                  "restored as yours. Switch it off as that user, or remove it with remove "
                  "--user. Nothing was changed.\n");
      return kBadName;
    }
    list_.set_checked(index, on);
    const ExitReport report = apply_changes(catalogue());
    if (report.notes.empty()) {
      output_.out("Switched " + std::string(on ? "on " : "off ") + entry + ".\n");
      return kDone;
    }
    output_.err(report.message() + "\n");
    for (const ExitNote& note : report.notes) {
      if (note.kind == ExitNote::Kind::Collision) return kBadName;
    }
    return kFailed;
  }

  // Another user's entry parked where their own hive does not keep it.
  bool parks_into_shared_folder(const PlaceInfo& info) {
    const PlaceInfo* partner = partner_of(info);
    return other_catalogue_ && info.actions.move && partner != nullptr && !partner->each_user;
  }

  // A place that allows no removal is refused here, so that it ends as a
  // refusal and not as a failure of the system. An entry of a list that a
  // policy switches off may still be removed.
  int remove(int index) {
    const PlaceInfo& info = place_of(index);
    const std::string entry =
        "'" + shown_name(list_.text(index)) + "' from " + std::string(info.name);
    if (!info.actions.remove) {
      const std::string_view why = info.actions.refusal;
      output_.err(entry_words(index) + " cannot be removed here" +
                  (why.empty() ? "" : ": " + std::string(why)) + ". Nothing was changed.\n");
      return kBadName;
    }
    if (!may_act_on(index)) return kBadName;
    list_.set_current(index);
    remove_entry(catalogue());
    if (dialogs_.errors > 0) return kFailed;
    output_.out("Removed " + entry + ".\n");
    return kDone;
  }

  const Request& request_;
  Output& output_;
  ConsoleDialogs dialogs_;
  Platform platform_;
  SortedEntryList list_;
  Catalogue catalogue_;
  std::vector<UserHive> users_;  // as loaded for --user
  std::optional<UserPlatform> other_platform_;
  std::optional<Catalogue> other_catalogue_;
};

}  // namespace

int run_request(const Request& request, const PlatformWith& platform_with, Output& output) {
  WatchedOutput watched(output);
  Run run(request, platform_with, watched);
  const int status = run.run();
  return watched.status_after(status, run.status_text(),
                              request.verb == Verb::Check ? kCannotCheck : kFailed);
}

int print_parsed(const Parsed& parsed, Output& output, StatusText& status_text) {
  WatchedOutput watched(output);
  if (parsed.exit_status == kDone) {
    watched.out(parsed.text);
  } else {
    watched.err(parsed.text);
  }
  return watched.status_after(parsed.exit_status, status_text);
}

}  // namespace rw::cli
