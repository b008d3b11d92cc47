// Runwarden's benchmarks: each figure is printed on a line of its own, side
// by side with its floor (the same OS calls done alone) measured in the same
// run, and the ratio of the two. Timings are never asserted; only a wrong
// result (an entry not listed or not moved) makes the exit status non-zero.
//
//   runwarden_bench [scan] [exit] [start] [size] [signatures]
//                   [--sizes 100,1000,...] [--runwarden PATH] [--allow-real-system]
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/floors.h"
#include "bench/pe_imports.h"
#include "bench/processes.h"
#include "bench/seeding.h"
#include "catalogue/entry_store.h"
#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "cli/commands.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "signed_programs.h"
#include "support/wine_support.h"
#include "ui/form1.h"

namespace rw::bench {

namespace {

using win32::narrow;
using win32::widen;

// Exit may tell the user something; a benchmark has nobody to ask, so every
// message counts as a fault of the run.
class RecordingDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int, std::string_view) override {
    messages.emplace_back(prompt);
    return mb::kResultOk;
  }
  std::string input_box(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
  std::vector<std::string> messages;
};

// A table that only appends: the scan's cost without any list's sorting.
class AppendingTable final : public EntryList {
 public:
  int insert(const NewItem& item) override {
    items_.push_back({std::string(item.text), item.tag, item.checked, item.off, item.locked,
                      std::string(item.key)});
    return count() - 1;
  }
  int count() const override { return static_cast<int>(items_.size()); }
  std::string text(int index) const override { return items_.at(index).text; }
  std::int32_t tag(int index) const override { return items_.at(index).tag; }
  OffReason off(int index) const override { return items_.at(index).off; }
  bool locked(int index) const override { return items_.at(index).locked; }
  std::string key(int index) const override { return items_.at(index).key; }
  bool checked(int index) const override { return items_.at(index).checked; }
  void set_checked(int index, bool checked) override { items_.at(index).checked = checked; }
  int current() const override { return -1; }
  void set_current(int) override {}
  void remove(int index) override { items_.erase(items_.begin() + index); }
  void begin_batch() override {}
  void end_batch() override {}

 private:
  struct Item {
    std::string text;
    std::int32_t tag;
    bool checked;
    OffReason off;
    bool locked;
    std::string key;
  };
  std::vector<Item> items_;
};

struct Options {
  bool scan = false, exit = false, start = false, size = false, signatures = false;
  std::vector<int> sizes = {100, 1000, 10000, 40000};
  std::string runwarden;  // empty: next to the build's bench folder
  bool allow_real_system = false;
};

int failures = 0;

void line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void line(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
  std::putchar('\n');
  std::fflush(stdout);
}

void failure(const std::string& text) {
  ++failures;
  line("FAILED %s", text.c_str());
}

const char* aim(bool met) { return met ? "met" : "MISSED"; }

std::string full_path(const std::string& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = ::GetFullPathNameW(widen(path).c_str(), MAX_PATH * 4, buffer, nullptr);
  return length == 0 || length >= MAX_PATH * 4 ? path : narrow(std::wstring_view(buffer, length));
}

bool file_exists(const std::string& path) {
  const DWORD found = ::GetFileAttributesW(widen(path).c_str());
  return found != INVALID_FILE_ATTRIBUTES && !(found & FILE_ATTRIBUTE_DIRECTORY);
}

std::string folder_of_file(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// A scan or Exit in this process, on the real Win32 layer and into the list
// of the real main window, created but not shown, as at start-up.
struct Session {
  Session() {
    if (!form.create()) throw std::runtime_error("the main window cannot be created");
  }
  win32::Win32Services services;
  RecordingDialogs dialogs;
  Platform platform = services.platform(dialogs);
  ui::Form1 form{platform, ui::Form1::Options{.quit_when_closed = false}};
  Catalogue& catalogue = form.catalogue();
};

bool is_seeded_name(const std::string& text) {
  return text.starts_with(kSeedPrefix) || text.starts_with(kSeedListFolder);
}

// Every seeded entry must be listed exactly once, with its place as the tag
// and the checkbox of that place; one that Windows' flag switches off is
// listed unticked and marked so.
std::string check_listed(const EntryList& list, const std::vector<SeededEntry>& seeded) {
  std::unordered_map<std::string, const SeededEntry*> expected;
  for (const SeededEntry& entry : seeded) expected.emplace(entry.name, &entry);
  std::unordered_map<std::string, int> seen;
  int wrong_place = 0, wrong_flag = 0, unknown = 0;
  std::string first;
  for (int index = 0, count = list.count(); index < count; ++index) {
    const std::string text = list.text(index);
    if (!is_seeded_name(text)) continue;
    const auto found = expected.find(text);
    if (found == expected.end()) {
      if (unknown++ == 0 && first.empty()) first = "'" + text + "' was never seeded";
      continue;
    }
    ++seen[text];
    const SeededEntry& entry = *found->second;
    const PlaceInfo& info = place(entry.location);
    const bool off = info.active && entry.switched_off();
    if (list.tag(index) != static_cast<std::int32_t>(info.location)) {
      if (wrong_place++ == 0 && first.empty())
        first = "'" + text + "' listed with tag " + std::to_string(list.tag(index)) +
                " instead of " + std::to_string(static_cast<int>(info.location));
    } else if (list.checked(index) != (info.active && !off) ||
               (list.off(index) == OffReason::SwitchedOffInWindows) != off) {
      if (wrong_flag++ == 0 && first.empty())
        first = "'" + text + "' listed " + (list.checked(index) ? "ticked" : "unticked") +
                (list.off(index) != OffReason::None ? ", switched off" : "") + " in place " +
                std::to_string(static_cast<int>(info.location)) + " with flag " +
                std::to_string(entry.flag);
    }
  }
  int missing = 0, twice = 0;
  for (const SeededEntry& entry : seeded) {
    const int times = seen[entry.name];
    if (times == 0 && missing++ == 0 && first.empty()) first = "'" + entry.name + "' not listed";
    if (times > 1) ++twice;
  }
  if (missing + twice + wrong_place + wrong_flag + unknown == 0) return {};
  return std::to_string(missing) + " missing, " + std::to_string(twice) + " listed twice, " +
         std::to_string(wrong_place) + " with a wrong place, " + std::to_string(wrong_flag) +
         " with a wrong checkbox or flag, " + std::to_string(unknown) + " unknown; first: " + first;
}

// runwarden-cli's output, kept to be checked.
class KeptOutput final : public cli::Output {
 public:
  Status out(std::string_view text) override {
    out_text += text;
    return status::kOk;
  }
  Status err(std::string_view text) override {
    err_text += text;
    return status::kOk;
  }
  std::string out_text, err_text;
};

// "list --json" must have listed every seeded entry once, as the scan does.
std::string check_json_list(int status, const KeptOutput& output,
                            const std::vector<SeededEntry>& seeded) {
  if (status != 0) return "ended with " + std::to_string(status) + ": " + output.err_text;
  std::unordered_map<std::string, int> seen;
  for (const auto& entry : nlohmann::json::parse(output.out_text)) {
    ++seen[entry["name"].get<std::string>()];
  }
  int missing = 0;
  for (const SeededEntry& entry : seeded) missing += seen[entry.name] == 0;
  if (missing == 0) return {};
  return std::to_string(missing) + " seeded entries not listed";
}

// The text saved as a file in the temporary folder, for check --baseline;
// empty when it cannot be.
std::wstring saved_baseline(const std::string& text) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring path = std::wstring(temp, length) + L"RunwardenBenchBaseline.json";
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    failure("check --baseline: the baseline cannot be written to " + narrow(path));
    return {};
  }
  return path;
}

// The floor must have done the work it stands for: seen every seeded entry
// and read every seeded flag.
std::string check_floor(const Enumerated& counts, const std::vector<SeededEntry>& seeded) {
  std::size_t flags = 0, off = 0;
  for (const SeededEntry& entry : seeded) {
    if (entry.flag != flag::kNone) ++flags;
    if (entry.switched_off()) ++off;
  }
  if (counts.entries >= seeded.size() && counts.flags >= flags && counts.switched_off >= off)
    return {};
  return "saw " + std::to_string(counts.entries) + " entries, " + std::to_string(counts.flags) +
         " flags (" + std::to_string(counts.switched_off) + " off) of " +
         std::to_string(seeded.size()) + ", " + std::to_string(flags) + " (" + std::to_string(off) +
         ")";
}

double scan_at_scale(const std::string& bench_folder, int values) {
  Seeder seeder(bench_folder);
  seeder.seed(kRunValuePlaces, values, Flags::SomeSwitchedOff);
  seeder.seed(kShortcutPlaces, values / 10, Flags::SomeSwitchedOff);
  // Some in every other registry place, the same whatever the scale.
  seeder.seed(kMoreValuePlaces, 80);
  seeder.seed_program_lists(10);
  seeder.seed_packaged_tasks(5);
  const int total = static_cast<int>(seeder.entries().size());
  int switched_off = 0;
  for (const SeededEntry& entry : seeder.entries()) switched_off += entry.switched_off();
  const int rounds = values <= 1000 ? 7 : values <= 10000 ? 3 : 1;
  std::vector<double> scans, floors, unlisted, flag_reads, flag_floors, cli_lists, program_checks;
  std::vector<double> checks;  // check --baseline, at the size that has an aim
  std::wstring baseline;       // what list --json wrote in the first round, for them
  int listed = 0;
  for (int round = 0; round < rounds; ++round) {
    {
      const Stopwatch clock;
      const Enumerated counts = enumerate_places(seeder.places());
      floors.push_back(clock.milliseconds());
      if (round == 0) {
        const std::string fault = check_floor(counts, seeder.entries());
        if (!fault.empty()) failure("scan floor " + std::to_string(values) + ": " + fault);
      }
    }
    {
      // The same scan into a table that only appends: what the list adds.
      // As at the window's start, the tasks are not part of it.
      win32::Win32Services services;
      RecordingDialogs dialogs;
      Platform platform = services.platform(dialogs);
      AppendingTable table;
      Catalogue catalogue{platform, table};
      const Stopwatch clock;
      run_scan(catalogue, Places::Now);
      unlisted.push_back(clock.milliseconds());
      // Windows' flags alone, as the scan reads them and as the floor does.
      const Stopwatch flag_clock;
      for (const PlaceInfo& info : kPlaces) {
        if (info.active) switched_off_entries(catalogue, info);
      }
      flag_reads.push_back(flag_clock.milliseconds());
    }
    {
      const Stopwatch clock;
      read_flag_keys();
      flag_floors.push_back(clock.milliseconds());
    }
    {
      const Stopwatch clock;
      if (check_programs(seeder.places(), seeder.entries()) != seeder.entries().size())
        failure("program checks floor: the shell link cannot be made");
      program_checks.push_back(clock.milliseconds());
    }
    {
      // What runwarden-cli does for "list --json", but its process's start.
      win32::Win32Services services;
      KeptOutput output;
      const Stopwatch clock;
      cli::Request request;
      request.format = cli::Format::Json;
      const int status = cli::run_request(
          request, [&](Dialogs& dialogs) { return services.platform(dialogs); }, output);
      cli_lists.push_back(clock.milliseconds());
      if (round == 0) {
        const std::string fault = check_json_list(status, output, seeder.entries());
        if (!fault.empty()) failure("list --json " + std::to_string(values) + ": " + fault);
        if (fault.empty() && values == 10000) baseline = saved_baseline(output.out_text);
      }
    }
    if (!baseline.empty()) {
      // Nothing changed since the baseline was saved: nothing may differ.
      win32::Win32Services services;
      KeptOutput output;
      cli::Request request;
      request.verb = cli::Verb::Check;
      request.baseline = narrow(baseline);
      const Stopwatch clock;
      const int status = cli::run_request(
          request, [&](Dialogs& dialogs) { return services.platform(dialogs); }, output);
      checks.push_back(clock.milliseconds());
      if (status != 0)
        failure("check --baseline " + std::to_string(values) + ": ended with " +
                std::to_string(status) + ": " + output.out_text.substr(0, 300) + output.err_text);
    }
    Session session;
    const Stopwatch clock;
    const ScanResult result = session.form.scan();
    scans.push_back(clock.milliseconds());
    if (round > 0) continue;
    listed = session.catalogue.list.count();
    for (const PlatformError& problem : result.problems)
      failure("scan: " + std::string(problem.what()));
    const std::string fault = check_listed(session.catalogue.list, seeder.entries());
    if (!fault.empty())
      failure("scan " + std::to_string(values) + ": " + fault);
    else
      line(
          "scan %d values + %d shortcuts: all %d seeded entries listed once with their place "
          "and checkbox, %d of them unticked by Windows' flag (%d items in the list)",
          values, values / 10, total, switched_off, listed);
  }
  const double scan = median(scans), floor = median(floors);
  line("scan %d values + %d shortcuts: %.1f ms, floor %.1f ms, ratio %.2fx%s", values, values / 10,
       scan, floor, scan / floor,
       values == 10000 ? (std::string(" (aim <= 1.5x: ") + aim(scan / floor <= 1.5) + ")").c_str()
                       : "");
  line(
      "scan %d values + %d shortcuts into a plain table instead of the list: %.1f ms, "
      "ratio %.2fx",
      values, values / 10, median(unlisted), median(unlisted) / floor);
  line(
      "scan %d values + %d shortcuts, reading Windows' flags alone: %.1f ms, floor %.1f ms, "
      "ratio %.2fx",
      values, values / 10, median(flag_reads), median(flag_floors),
      median(flag_reads) / median(flag_floors));
  const double cli = median(cli_lists);
  line(
      "runwarden-cli list --json, %d values + %d shortcuts: %.1f ms, floor (the scan's) %.1f ms, "
      "ratio %.2fx%s",
      values, values / 10, cli, floor, cli / floor,
      values == 10000 ? (std::string(" (aim <= 1.5x: ") + aim(cli / floor <= 1.5) + ")").c_str()
                      : "");
  // The fields program and program_missing need one question of the disk
  if (!checks.empty()) {
    ::DeleteFileW(baseline.c_str());
    const double check = median(checks);
    line(
        "runwarden-cli check --baseline, %d values + %d shortcuts against a baseline of as many: "
        "%.1f ms, floor (list --json of the same entries) %.1f ms, ratio %.2fx (aim <= 1.5x: %s)",
        values, values / 10, check, cli, check / cli, aim(check / cli <= 1.5));
  }
  // per entry, which the scan never asks: its own floor beside the scan's.
  const double details_floor = floor + median(program_checks);
  line(
      "runwarden-cli list --json, %d values + %d shortcuts: floor (the scan's and each program "
      "file or shortcut asked about, %.1f ms of it) %.1f ms, ratio %.2fx",
      values, values / 10, median(program_checks), details_floor, cli / details_floor);
  return scan;
}

void bench_scan(const std::string& bench_folder, const std::vector<int>& sizes) {
  std::unordered_map<int, double> times;
  for (int values : sizes) times[values] = scan_at_scale(bench_folder, values);
  if (times.count(1000) && times.count(10000)) {
    const double growth = times[10000] / times[1000];
    line("scan growth from 1000 to 10000 values: %.1fx (aim <= 12x: %s)", growth,
         aim(growth <= 12.0));
  }
}

// Unticks every seeded active entry and ticks every seeded parked one.
void flip_seeded(EntryList& list) {
  for (int index = 0, count = list.count(); index < count; ++index) {
    if (is_seeded_name(list.text(index))) list.set_checked(index, !list.checked(index));
  }
}

// Every entry at its partner place and gone from its own; every parked one
// switched off by Windows' flag too, so that its program cannot start it.
std::string check_moved(const Seeder& seeder) {
  int unmoved = 0, doubled = 0, unflagged = 0;
  std::string first;
  for (const SeededEntry& entry : seeder.entries()) {
    const bool at_source = seeder.places().holds(entry.location, entry.name);
    const bool at_partner = seeder.places().holds(*place(entry.location).partner, entry.name);
    if (!at_partner && unmoved++ == 0) first = "'" + entry.name + "' not at its partner place";
    if (at_partner && at_source && doubled++ == 0 && first.empty())
      first = "'" + entry.name + "' left at its old place too";
    if (place(entry.location).active &&
        (seeder.places().flag_now(entry.location, entry.name) & 1) == 0 && unflagged++ == 0 &&
        first.empty())
      first = "'" + entry.name + "' parked without Windows' off flag";
  }
  if (unmoved + doubled + unflagged == 0) return {};
  return std::to_string(unmoved) + " not moved, " + std::to_string(doubled) + " in both places, " +
         std::to_string(unflagged) + " parked without the off flag; first: " + first;
}

void bench_exit(const std::string& bench_folder) {
  constexpr int kEach = 1000;  // to park, and as many to restore
  constexpr int kShortcuts = kEach / 10;
  Seeder seeder(bench_folder);
  const StartupLocation active_values[] = {StartupLocation::AllUsersRun,
                                           StartupLocation::CurrentUserRun,
                                           StartupLocation::AllUsersRun32};
  const StartupLocation active_shortcuts[] = {StartupLocation::AllUsersStartup,
                                              StartupLocation::CurrentUserStartup};
  const StartupLocation parked_values[] = {StartupLocation::CurrentUserRunParked,
                                           StartupLocation::AllUsersRunParked,
                                           StartupLocation::AllUsersRun32Parked};
  const StartupLocation parked_shortcuts[] = {StartupLocation::CurrentUserStartupParked,
                                              StartupLocation::AllUsersStartupParked};
  seeder.seed(active_values, kEach - kShortcuts);
  seeder.seed(active_shortcuts, kShortcuts);
  seeder.seed(parked_values, kEach - kShortcuts);
  seeder.seed(parked_shortcuts, kShortcuts);

  std::vector<double> exits, floors;
  bool checked = false;
  for (int round = 0; round < 3; ++round) {
    {
      const Stopwatch clock;
      const std::size_t moved = move_to_partners(seeder.places(), seeder.entries());
      floors.push_back(clock.milliseconds());
      if (moved != seeder.entries().size())
        failure("exit floor: only " + std::to_string(moved) + " of " +
                std::to_string(seeder.entries().size()) + " moves went through");
    }
    seeder.reset();
    {
      Session session;
      session.form.scan();
      flip_seeded(session.catalogue.list);
      const Stopwatch clock;
      apply_changes_on_exit(session.catalogue);
      exits.push_back(clock.milliseconds());
      for (const std::string& message : session.dialogs.messages) failure("exit: " + message);
    }
    if (!checked) {
      checked = true;
      const std::string fault = check_moved(seeder);
      if (!fault.empty())
        failure("exit: " + fault);
      else
        line(
            "exit: all %d entries moved to their partner place and gone from the old one, the "
            "parked ones switched off by Windows' flag",
            2 * kEach);
    }
    seeder.reset();
  }
  const double exit = median(exits), floor = median(floors);
  line(
      "exit %d to park + %d to restore (%d of each are shortcuts): %.1f ms, floor %.1f ms, "
      "ratio %.2fx",
      kEach, kEach, kShortcuts, exit, floor, exit / floor);
}

struct Program {
  std::string path;
  std::string arguments;  // after its name on the command line
  std::string label;      // as the figures name it
};

struct Started {
  double milliseconds = 0.0;         // the median of the counted rounds
  std::vector<std::string> modules;  // the DLLs it had loaded at its window, last round
};

// The programs are started in turns, round after round, so that a slow
// spell of the machine falls on each of them alike. Each figure is the
// median of its rounds after the first, which is not counted: the first
// start of a program loads its image from disk, which is not what this
// measures. Empty when one of them did not show its window (`fault` says
// which and why).
std::vector<Started> start_times(const std::vector<Program>& programs, std::string& fault) {
  constexpr int kRounds = 11;
  std::vector<std::vector<double>> times(programs.size());
  std::vector<Started> started(programs.size());
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t which = 0; which < programs.size(); ++which) {
      const Program& program = programs[which];
      WindowShown shown =
          start_until_window_shown(widen(program.path), 0, widen(program.arguments));
      if (!shown.shown) {
        fault = program.label + ": " + shown.failure;
        return {};
      }
      if (round > 0) times[which].push_back(shown.milliseconds);
      started[which].modules = std::move(shown.modules);
    }
  }
  for (std::size_t which = 0; which < programs.size(); ++which)
    started[which].milliseconds = median(times[which]);
  return started;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

// The DLLs that only Add's file dialog, an entry's details, a signature
// check or the reading of scheduled tasks need, which the program loads on
// first use: its import table must not name them.
constexpr const char* kLoadedOnFirstUse[] = {"comdlg32.dll", "ole32.dll",    "oleaut32.dll",
                                             "version.dll",  "wintrust.dll", "crypt32.dll",
                                             "bcrypt.dll"};
// Those a start must not have loaded at its main window. COM (ole32 and
// oleaut32) is not among them: the tasks are read on a thread of their own
// as soon as the shown window first has nothing to do, so COM may be loaded
// by the time the window is seen from here.
constexpr const char* kNotLoadedAtWindow[] = {"comdlg32.dll", "version.dll", "wintrust.dll",
                                              "crypt32.dll", "bcrypt.dll"};

// What Runwarden.exe has loaded at its main window that the same window
// without the program does not, and whether any of it is a DLL that only
// Add's file dialog or an entry's details need.
void report_extra_modules(const Started& runwarden, const Started& floor, const char* floor_name) {
  std::vector<std::string> extra;
  std::set_difference(runwarden.modules.begin(), runwarden.modules.end(), floor.modules.begin(),
                      floor.modules.end(), std::back_inserter(extra));
  line("DLLs Runwarden.exe has loaded at its main window beyond those of %s: %s", floor_name,
       joined(extra).c_str());
  for (const char* later : kNotLoadedAtWindow) {
    if (std::find(extra.begin(), extra.end(), later) != extra.end())
      failure(std::string("cold start: Runwarden.exe loads ") + later +
              " before its main window shows; only Add, an entry's details or a signature "
              "check need it");
  }
}

void bench_start(const std::string& bench_folder, const std::string& runwarden) {
  // The main window with its controls and nothing else says what the
  // program adds; the empty window is the least any window costs. The main
  // window with as many plain entries, inserted without a scan, tells how
  // much of that is the list's own cost of showing them.
  const std::string controls_window = bench_folder + "\\controls_window.exe";
  const Program controls{controls_window, "", "controls_window.exe"};
  const Program empty{bench_folder + "\\empty_window.exe", "", "empty_window.exe"};
  const Program controls_with_entries{controls_window, "50",
                                      "controls_window.exe, 50 plain entries"};
  std::string fault;
  if (!file_exists(runwarden)) {
    const std::vector<Program> floors = {controls, empty};
    const std::vector<Started> started = start_times(floors, fault);
    if (!fault.empty()) return failure("cold start " + fault);
    for (std::size_t which = 0; which < floors.size(); ++which)
      line("cold start %s (floor): %.1f ms", floors[which].label.c_str(),
           started[which].milliseconds);
    line("cold start Runwarden.exe: not built (%s)", runwarden.c_str());
    return;
  }
  Seeder seeder(folder_of_file(runwarden));
  // 50 in all: one in each place of the other registry places, one in each list,
  // three packaged apps' startup tasks.
  seeder.seed(kRunValuePlaces, 29);
  seeder.seed(kShortcutPlaces, 5);
  seeder.seed(kMoreValuePlaces, 8);
  seeder.seed_program_lists(1);
  seeder.seed_packaged_tasks(3);
  // Read after the window shows, on a thread of their own, as they are at
  // every start.
  seeder.seed_tasks(5);
  const std::vector<Program> programs = {
      {runwarden, "", "Runwarden.exe"}, controls, empty, controls_with_entries};
  const std::vector<Started> started = start_times(programs, fault);
  if (!fault.empty()) return failure("cold start " + fault);
  const double start = started[0].milliseconds;
  for (std::size_t which = 1; which <= 2; ++which) {
    const double ratio = start / started[which].milliseconds;
    line(
        "cold start Runwarden.exe, 50 entries, to main window shown: %.1f ms, floor (%s) %.1f ms, "
        "ratio %.2fx%s",
        start, programs[which].label.c_str(), started[which].milliseconds, ratio,
        which == 1 ? (std::string(" (aim <= 1.3x: ") + aim(ratio <= 1.3) + ")").c_str() : "");
  }
  line(
      "cold start controls_window.exe, 50 plain entries and no scan, to window shown: %.1f ms, "
      "floor (controls_window.exe) %.1f ms, ratio %.2fx",
      started[3].milliseconds, started[1].milliseconds,
      started[3].milliseconds / started[1].milliseconds);
  report_extra_modules(started[0], started[1], controls.label.c_str());
}

void report_size(const std::string& program, const char* label) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(widen(program).c_str(), GetFileExInfoStandard, &data))
    return line("size %s: not built (%s)", label, program.c_str());
  const unsigned long long bytes =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  const Imports imports = read_imports(widen(program));
  if (!imports.read) return failure(std::string("imports of ") + label + ": " + imports.failure);
  std::string dlls, foreign;
  for (const std::string& dll : imports.dlls) dlls += (dlls.empty() ? "" : ", ") + dll;
  for (const std::string& dll : imports.delayed)
    dlls += (dlls.empty() ? "" : ", ") + dll + " (delayed)";
  for (const std::string& dll : imports.dlls) {
    if (!is_windows_own_dll(dll)) foreign += (foreign.empty() ? "" : ", ") + dll;
  }
  for (const std::string& dll : imports.delayed) {
    if (!is_windows_own_dll(dll)) foreign += (foreign.empty() ? "" : ", ") + dll;
  }
  line("size %s: %llu bytes (%.2f MiB)%s", label, bytes, bytes / 1048576.0,
       std::string(label) == "Runwarden.exe"
           ? (std::string(" (aim <= 1 MiB: ") + aim(bytes <= 1048576) + ")").c_str()
           : "");
  line("imports %s: %s", label, dlls.c_str());
  line("runtime DLLs beyond Windows' own in %s: %s", label,
       foreign.empty() ? "none" : foreign.c_str());
  if (std::string(label) != "Runwarden.exe") return;
  for (std::string dll : imports.dlls) {
    std::transform(dll.begin(), dll.end(), dll.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (std::find(std::begin(kLoadedOnFirstUse), std::end(kLoadedOnFirstUse), dll) !=
        std::end(kLoadedOnFirstUse))
      failure("imports of Runwarden.exe: " + dll + " is named, so every start loads it");
  }
}

void bench_size(const std::string& bench_folder, const std::string& runwarden) {
  report_size(runwarden, "Runwarden.exe");
  report_size(bench_folder + "\\controls_window.exe", "controls_window.exe");
  report_size(bench_folder + "\\empty_window.exe", "empty_window.exe");

  const WindowShown empty =
      start_until_window_shown(widen(bench_folder + "\\empty_window.exe"), 300);
  if (!empty.shown) return failure("peak working set of empty_window.exe: " + empty.failure);
  if (!file_exists(runwarden)) {
    line("peak working set empty_window.exe (floor): %.1f MiB", empty.peak_working_set / 1048576.0);
    line("peak working set Runwarden.exe, 10000 values + 1000 shortcuts: not built");
    return;
  }
  Seeder seeder(folder_of_file(runwarden));
  seeder.seed(kRunValuePlaces, 10000);
  seeder.seed(kShortcutPlaces, 1000);
  const WindowShown shown = start_until_window_shown(widen(runwarden), 300);
  if (!shown.shown) return failure("peak working set of Runwarden.exe: " + shown.failure);
  line(
      "peak working set Runwarden.exe, 10000 values + 1000 shortcuts: %.1f MiB, floor "
      "(empty_window.exe) %.1f MiB, ratio %.2fx",
      shown.peak_working_set / 1048576.0, empty.peak_working_set / 1048576.0,
      static_cast<double>(shown.peak_working_set) / static_cast<double>(empty.peak_working_set));
}

// The signed test programs in turn, as many as `list --verify` of 50 entries
// checks, copied to a folder of their own; empty when they cannot be.
struct ProgramsToCheck {
  std::wstring folder;
  std::vector<std::wstring> files;
  std::vector<signed_programs::Kind> kinds;
};

ProgramsToCheck lay_out_signed_programs(int count) {
  ProgramsToCheck laid_out;
  const std::wstring made = wine_support::signed_programs_folder();
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  laid_out.folder = std::wstring(temp, length) + L"RunwardenBenchSignatures";
  wine_support::remove_tree(laid_out.folder);
  ::CreateDirectoryW(laid_out.folder.c_str(), nullptr);
  for (int i = 0; i < count; ++i) {
    const signed_programs::File& file =
        signed_programs::kFiles[i % std::size(signed_programs::kFiles)];
    const std::wstring path = laid_out.folder + L"\\program " + std::to_wstring(i) + L".exe";
    if (!::CopyFileW((made + L"\\" + widen(file.name)).c_str(), path.c_str(), FALSE)) {
      failure("signatures: " + narrow(path) + " cannot be copied from " + narrow(made));
      laid_out.files.clear();
      return laid_out;
    }
    laid_out.files.push_back(path);
    laid_out.kinds.push_back(file.kind);
  }
  return laid_out;
}

// The floor must have found what each program is, named every signer and
// hashed every file.
std::string check_signature_floor(const SignaturesChecked& found, const ProgramsToCheck& checked) {
  std::size_t valid = 0, not_valid = 0, not_trusted = 0, not_signed = 0;
  for (signed_programs::Kind kind : checked.kinds) {
    switch (signed_programs::file_of(kind).state) {
      case SignatureState::kValid:
        ++valid;
        break;
      case SignatureState::kNotValid:
        ++not_valid;
        break;
      case SignatureState::kNotTrusted:
        ++not_trusted;
        break;
      default:
        ++not_signed;
    }
  }
  const std::size_t files = checked.files.size();
  if (found.valid == valid && found.not_valid == not_valid && found.not_trusted == not_trusted &&
      found.not_signed == not_signed && found.named == files - not_signed && found.hashed == files)
    return {};
  return "found " + std::to_string(found.valid) + " valid, " + std::to_string(found.not_valid) +
         " not valid, " + std::to_string(found.not_trusted) + " not trusted, " +
         std::to_string(found.not_signed) + " not signed, " + std::to_string(found.other) +
         " else, named " + std::to_string(found.named) + ", hashed " +
         std::to_string(found.hashed) + " of " + std::to_string(files);
}

// The platform's checks of one round: what each file was found to be, and
// the first that was not what it should be.
std::string check_with_platform(const ProgramsToCheck& checked) {
  win32::Win32Programs programs;
  std::string first;
  for (std::size_t i = 0; i < checked.files.size(); ++i) {
    const std::string path = narrow(checked.files[i]);
    const Signature found = programs.signature(path);
    const std::optional<std::string> hash = programs.sha256(path);
    const Signature expected =
        signed_programs::expected_signature(signed_programs::file_of(checked.kinds[i]));
    if (first.empty() && (found != expected || !hash || hash->size() != 64))
      first = path + " found " + std::to_string(static_cast<int>(found.state)) + " by " +
              found.signer.value_or("nobody") + ", hash " + hash.value_or("none");
  }
  return first;
}

// list --verify must have found each seeded entry's program for what it is.
std::string check_verified_list(int status, const KeptOutput& output,
                                const ProgramsToCheck& checked) {
  if (status != 0) return "ended with " + std::to_string(status) + ": " + output.err_text;
  std::unordered_map<std::string, std::string> found;  // the signature by name
  for (const auto& entry : nlohmann::json::parse(output.out_text))
    found[entry["name"].get<std::string>()] = entry["signature"].get<std::string>();
  static constexpr std::pair<SignatureState, std::string_view> kWords[] = {
      {SignatureState::kValid, "valid"},
      {SignatureState::kNotValid, "not valid"},
      {SignatureState::kNotTrusted, "not trusted"},
      {SignatureState::kNotSigned, "not signed"}};
  for (std::size_t i = 0; i < checked.kinds.size(); ++i) {
    const SignatureState state = signed_programs::file_of(checked.kinds[i]).state;
    const std::string name = std::string(kSeedPrefix) + std::to_string(i);
    const auto words = std::find_if(std::begin(kWords), std::end(kWords),
                                    [&](const auto& each) { return each.first == state; });
    if (found[name] != words->second)
      return "'" + name + "' found " + found[name] + ", not " + std::string(words->second);
  }
  return {};
}

// Checking the signatures of 50 program files and hashing them, beside the
// same calls of Windows alone. Wine checks embedded signatures for real and
// has no catalogues.
void bench_signatures() {
  constexpr int kPrograms = 50;
  if (wine_support::signed_programs_folder().empty())
    return line("signatures: no signed test programs (openssl or osslsigncode was missing)");
  const ProgramsToCheck checked = lay_out_signed_programs(kPrograms);
  if (checked.files.empty()) return;
  const wine_support::TrustedTestRoot root;
  if (!root.trusted()) {
    wine_support::remove_tree(checked.folder);
    return failure("signatures: the test root cannot be trusted in this prefix");
  }
  {
    // Loading the roots Windows trusts: once in a process, before any check.
    win32::Win32Programs programs;
    const Stopwatch clock;
    programs.signature(narrow(checked.files[0]));
    line("signatures: the first check in a process: %.1f ms", clock.milliseconds());
  }
  // The same files as the programs of as many entries, for list --verify.
  seeding::Seeder entries{std::string(kSeedPrefix)};
  for (std::size_t i = 0; i < checked.files.size(); ++i)
    entries.text(StartupLocation::CurrentUserRun, std::string(kSeedPrefix) + std::to_string(i),
                 "\"" + narrow(checked.files[i]) + "\" /background");
  std::vector<double> floors, checks, lists;
  for (int round = 0; round < 7; ++round) {
    {
      const Stopwatch clock;
      const SignaturesChecked found = check_signatures(checked.files);
      floors.push_back(clock.milliseconds());
      const std::string fault = round == 0 ? check_signature_floor(found, checked) : "";
      if (!fault.empty()) failure("signatures floor: " + fault);
    }
    {
      const Stopwatch clock;
      const std::string fault = check_with_platform(checked);
      checks.push_back(clock.milliseconds());
      if (!fault.empty() && round == 0) failure("signatures: " + fault);
    }
    win32::Win32Services services;
    KeptOutput output;
    cli::Request request;
    request.format = cli::Format::Json;
    request.verify = true;
    const Stopwatch clock;
    const int status = cli::run_request(
        request, [&](Dialogs& dialogs) { return services.platform(dialogs); }, output);
    lists.push_back(clock.milliseconds());
    const std::string fault = round == 0 ? check_verified_list(status, output, checked) : "";
    if (!fault.empty()) failure("list --verify: " + fault);
  }
  wine_support::remove_tree(checked.folder);
  const double check = median(checks), floor = median(floors);
  line(
      "signatures and SHA-256 of %d program files (valid, changed after signing, untrusted and "
      "unsigned in turn) through the platform: %.1f ms, floor (the same calls of Windows alone) "
      "%.1f ms, ratio %.2fx",
      kPrograms, check, floor, check / floor);
  const double list = median(lists);
  line(
      "runwarden-cli list --verify --json, %d entries whose programs are those files: %.1f ms, "
      "floor (the same calls of Windows alone) %.1f ms, ratio %.2fx (aim <= 1.5x: %s)",
      kPrograms, list, floor, list / floor, aim(list / floor <= 1.5));
}

std::vector<int> parse_sizes(const std::string& text) {
  std::vector<int> sizes;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = text.find(',', from);
    const int value = std::atoi(text.substr(from, comma - from).c_str());
    if (value > 0) sizes.push_back(value);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return sizes;
}

bool parse(int argc, char** argv, Options& options) {
  bool any = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "scan")
      any = options.scan = true;
    else if (argument == "exit")
      any = options.exit = true;
    else if (argument == "start")
      any = options.start = true;
    else if (argument == "size")
      any = options.size = true;
    else if (argument == "signatures")
      any = options.signatures = true;
    else if (argument == "--sizes" && i + 1 < argc)
      options.sizes = parse_sizes(argv[++i]);
    else if (argument == "--runwarden" && i + 1 < argc)
      options.runwarden = argv[++i];
    else if (argument == "--allow-real-system")
      options.allow_real_system = true;
    else {
      std::fprintf(stderr, "unknown argument: %s\n", argument.c_str());
      return false;
    }
  }
  if (!any) options.scan = options.exit = options.start = options.size = options.signatures = true;
  return true;
}

}  // namespace

int run(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) return 2;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (!wine_support::running_under_wine() && !options.allow_real_system) {
    std::fprintf(stderr,
                 "runwarden_bench writes tens of thousands of entries into this computer's Run "
                 "keys and Startup folders. It is meant for a throwaway Wine prefix "
                 "(tools/bench.sh); pass --allow-real-system to run it here anyway.\n");
    return 2;
  }
  const std::string bench_folder = win32::Win32Folders().program_folder();
  const std::string runwarden =
      full_path(options.runwarden.empty() ? bench_folder + "\\..\\src\\ui\\Runwarden.exe"
                                          : options.runwarden);
  try {
    if (options.scan) bench_scan(bench_folder, options.sizes);
    if (options.exit) bench_exit(bench_folder);
    if (options.start) bench_start(bench_folder, runwarden);
    if (options.size) bench_size(bench_folder, runwarden);
    if (options.signatures) bench_signatures();
  } catch (const PlatformError& error) {
    failure(std::string(error.operation()) + " " + error.subject() + ": status " +
            std::to_string(error.code()));
  } catch (const std::exception& error) {
    failure(error.what());
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace rw::bench

int main(int argc, char** argv) { return rw::bench::run(argc, argv); }
