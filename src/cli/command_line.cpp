#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <sstream>

#include "cli/report.h"
#include "version.h"

namespace rw::cli {

namespace {

bool same_letters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string place_names() {
  std::string names;
  for (const PlaceInfo& info : kPlaces) {
    names += (names.empty() ? "" : ", ") + std::string(info.name);
  }
  return names;
}

// What runwarden-cli may do with the entries of a place, from its row:
// "disable, enable, remove", or why nothing.
std::string allowed_verbs(const PlaceInfo& info) {
  const Actions& actions = info.actions;
  if (actions.read_only()) {
    return actions.refusal.empty() ? "nothing" : "nothing: " + std::string(actions.refusal);
  }
  std::string verbs;
  const auto add = [&](std::string_view verb) {
    verbs += (verbs.empty() ? "" : ", ") + std::string(verb);
  };
  const bool switches = actions.move || actions.switch_in_place;
  // A parked entry is off already: it can only be switched on.
  if (switches && info.active) add("disable");
  if (switches) add("enable");
  if (actions.remove) add("remove");
  if (actions.modify) add("its command changed in the window");
  if (!info.list_policy.empty()) {
    verbs += "; not switched while the policy " + std::string(info.list_policy) + " is 1";
  }
  return verbs;
}

// Every place, one line each: its number, its name, where it is and what may
// be done there.
std::string places_help() {
  std::string lines = "The places (number, name: where; what may be done there):\n";
  for (const PlaceInfo& info : kPlaces) {
    lines += "  " + std::to_string(static_cast<std::int32_t>(info.location)) + " " +
             std::string(info.name) + ": " + std::string(info.description) + "; " +
             allowed_verbs(info) + ".\n";
  }
  return lines;
}

// The places --all-users reads for every user: those kept in a user's hive.
std::string each_user_places() {
  std::string names;
  for (const PlaceInfo& info : kPlaces) {
    if (info.each_user) names += (names.empty() ? "" : ", ") + std::string(info.name);
  }
  return names;
}

constexpr std::string_view kUnloadedHives =
    "Users whose registry hive is not loaded (who are not logged on, as a rule) are not read. "
    "Reading other users' entries needs SYSTEM or an administrator.";

}  // namespace

std::optional<StartupLocation> place_named(std::string_view text) {
  for (const PlaceInfo& info : kPlaces) {
    if (same_letters(text, info.name) ||
        text == std::to_string(static_cast<std::int32_t>(info.location))) {
      return info.location;
    }
  }
  return std::nullopt;
}

Parsed parse_command_line(const std::vector<std::string>& arguments) {
  CLI::App app{"Lists the programs Windows starts at logon, and switches them off and on.",
               "runwarden-cli"};
  app.set_version_flag("--version", std::string("runwarden-cli ") + RUNWARDEN_VERSION_TEXT);
  app.require_subcommand(1);
  app.footer(places_help());
  Request request;
  std::string place;
  std::vector<CLI::Option*> place_options;  // one per verb that takes it

  CLI::App* list = app.add_subcommand("list", "List every entry, where it is and what it runs.");
  list->footer(
      "The fields of --json and --csv, in this order: " + field_names() +
      ".\nread_only is true for an entry that cannot be switched here, and "
      "read_only_reason says why.\nWith --verify, these follow: " +
      field_names(true) +
      ".\nid: the place, the user (empty for the machine's entries, and for your own without "
      "--all-users) and "
      "the name in Windows' upper case, joined by |, such as CurrentUserRun||NOTEPAD: "
      "the same for the same entry on every computer, so that a list saved with --json "
      "is a baseline for check.\nuser: whose entry it is with --all-users (DOMAIN\\name, "
      "or the SID where it does not resolve), null for the machine's entries.\n--all-users "
      "reads these places of every user whose hive is loaded under HKEY_USERS, "
      "yours included: " +
      each_user_places() +
      ". Their Startup folder is found from their own shell folders and profile; "
      "shortcuts parked beside the program are yours alone. " +
      std::string(kUnloadedHives));
  bool json = false;
  bool csv = false;
  auto* json_flag = list->add_flag("--json", json, "As a JSON array, one object per entry.");
  list->add_flag("--csv", csv, "As CSV with a header row, one line per entry.")
      ->excludes(json_flag);
  list->add_flag("--verify", request.verify,
                 "Check who signed each program file (its own signature or a catalogue of "
                 "Windows') and hash it; no revocation list is fetched from the network.");
  list->add_flag("--all-users", request.all_users,
                 "Add the entries of every user whose registry hive is loaded, each with its "
                 "user.");

  const auto add_entry_verb = [&](const char* word, const char* help) {
    CLI::App* verb = app.add_subcommand(word, help);
    verb->add_option("NAME", request.name, "The entry's name, as the list shows it.")->required();
    place_options.push_back(verb->add_option(
        "--place", place,
        "Which place, when the name is in several: its name (" + place_names() + ") or number."));
    verb->add_option("--user", request.user,
                     "Another user's entry: their SID, DOMAIN\\name or name, letter case "
                     "aside. Their hive must be loaded. Another user's shortcut is not "
                     "parked, as the parking folders beside the program are shared.");
    return verb;
  };
  CLI::App* disable = add_entry_verb("disable",
                                     "Switch an entry off: it is parked, and Windows' "
                                     "own switch for it is set off.");
  CLI::App* enable = add_entry_verb("enable",
                                    "Switch an entry on: a parked one is restored, one "
                                    "switched off in Windows is switched on.");
  CLI::App* remove = add_entry_verb("remove", "Delete an entry for good.");
  remove->add_flag("--yes", request.yes, "Needed: remove without asking.")->required();

  CLI::App* check = app.add_subcommand(
      "check", "Compare the entries with a baseline saved earlier by list --json.");
  check->add_option("--baseline", request.baseline, "The file list --json wrote.")->required();
  check->add_flag("--verify", request.verify,
                  "Compare signatures, signers and hashes too; the baseline must have been "
                  "saved with list --verify. Without it, check verifies exactly when the "
                  "baseline was saved so.");
  check->add_flag("--all", request.all, "Print every difference, however long the output.");
  check->add_flag("--all-users", request.all_users,
                  "Compare every loaded user's entries too. Without it, check reads them "
                  "exactly when the baseline has an entry with a user, as list --all-users "
                  "saves them.");
  bool check_json = false;
  check->add_flag("--json", check_json, "The differences as a JSON array instead.");
  check->footer(
      "One line per difference: added, removed, or changed, naming what changed (enabled, "
      "command, program, signature, signer, hash); nothing else. Standard output stays within "
      "2,048 characters, ending with \"and N more\" when cut, unless --all.\nEnds with 0 when "
      "nothing differs, 1 when something does, and 2 for a usage error, a baseline that cannot "
      "be read, or a call of Windows that failed, so that a failure is never taken for a "
      "difference.");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  std::ostringstream out, err;
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error, out, err);
    return Parsed{std::nullopt, out.str() + err.str(), status == 0 ? 0 : 2};
  }
  if (list->parsed()) {
    request.verb = Verb::List;
    request.format = json ? Format::Json : csv ? Format::Csv : Format::Table;
  } else if (check->parsed()) {
    request.verb = Verb::Check;
    request.format = check_json ? Format::Json : Format::Table;
  } else {
    request.verb = disable->parsed()  ? Verb::Disable
                   : enable->parsed() ? Verb::Enable
                                      : Verb::Remove;
  }
  // Given, even empty, --place must name a place: an empty one is not "any".
  const bool place_given =
      std::any_of(place_options.begin(), place_options.end(),
                  [](const CLI::Option* option) { return option->count() > 0; });
  if (place_given) {
    request.place = place_named(place);
    if (!request.place) {
      return Parsed{std::nullopt,
                    "No place is named '" + place + "'. The places are: " + place_names() + ".\n",
                    2};
    }
  }
  return Parsed{request, {}, 0};
}

}  // namespace rw::cli
