#include "catalogue/scan.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "catalogue/entry_store.h"
#include "catalogue/messages.h"
#include "version.h"

namespace rw {

namespace {

// The places in the order the scan walks them. The list sorts its items, so
// the order decides only the order of adding.
std::array<const PlaceInfo*, kPlaces.size()> places_in_scan_order() {
  std::array<const PlaceInfo*, kPlaces.size()> order{};
  std::transform(kPlaces.begin(), kPlaces.end(), order.begin(),
                 [](const PlaceInfo& info) { return &info; });
  std::sort(order.begin(), order.end(),
            [](const PlaceInfo* a, const PlaceInfo* b) { return a->scan_order < b->scan_order; });
  return order;
}

}  // namespace

std::string main_window_caption() {
  return std::string(kProgramTitle) + " v" + std::to_string(RUNWARDEN_VERSION_MAJOR) + "." +
         std::to_string(RUNWARDEN_VERSION_MINOR);
}

std::string scan_problems_message(StatusText& text, const ScanResult& result) {
  if (result.problems.empty()) return {};
  std::string message = "Some startup places could not be read, so the list may be incomplete:";
  for (const PlatformError& problem : result.problems) {
    message += "\n\n" + failure_words(text, problem) + ".";
  }
  return message;
}

namespace {

bool is_read(const PlaceInfo& info, Places places) {
  return places == Places::All || info.read_later == (places == Places::Later);
}

// Another user's places are those of their hive, and their Startup folder
// when it could be found.
bool is_read_for(const UserHive* user, const PlaceInfo& info) {
  if (user == nullptr || user->current) return true;
  return info.each_user && (info.folder.csidl == 0 || user->startup_folder);
}

}  // namespace

std::vector<PlatformError> walk_places(Catalogue& catalogue, bool with_contents,
                                       const std::function<void(const ScannedEntry&)>& found,
                                       Places places) {
  Platform& platform = catalogue.platform;
  catalogue.folders = PlaceFolders::resolve(platform.folders);
  std::vector<PlatformError> problems;
  // A policy that cannot be read is told, and keeps no list from starting.
  const ListPolicies policies = list_policies_in_force(catalogue);
  if (policies.failure) problems.push_back(*policies.failure);
  if (catalogue.user && catalogue.user->no_folder) problems.push_back(*catalogue.user->no_folder);
  for (const PlaceInfo* info : places_in_scan_order()) {
    if (!is_read(*info, places) || !is_read_for(catalogue.user, *info)) continue;
    Listing listing = list_entries(catalogue, *info, with_contents);
    // What could not be read is missing from the list, so the user is told.
    if (listing.failure) problems.push_back(std::move(*listing.failure));
    const bool list_off = policies.keep_off(*info);
    // An entry whose flag cannot be read is listed as starting, and the user told.
    SwitchedOff off;
    if (info->active && !list_off && !listing.entries.empty()) {
      off = switched_off_entries(catalogue, *info);
    }
    if (off.failure) problems.push_back(std::move(*off.failure));
    // Looked up by key: a place may hold tens of thousands of entries.
    std::unordered_set<std::string> off_keys;
    for (const std::string& name : off.names) off_keys.insert(platform.text_rules.name_key(name));
    for (const Found& entry : listing.entries) {
      OffReason reason = entry.off;
      if (list_off) {
        reason = OffReason::SwitchedOffByPolicy;
      } else if (!off_keys.empty() && off_keys.contains(platform.text_rules.name_key(entry.name))) {
        reason = OffReason::SwitchedOffInWindows;
      }
      found(ScannedEntry{info, entry.name, entry.key, reason,
                         entry.content ? &*entry.content : nullptr, entry.scope});
    }
  }
  return problems;
}

ScanResult run_scan(Catalogue& catalogue, Places places) {
  ScanResult result;
  result.caption = main_window_caption();
  {
    // Tens of thousands of entries: sorted once at the end, not one by one.
    const EntryBatch adding(catalogue.list);
    result.problems = walk_places(
        catalogue, false,
        [&](const ScannedEntry& entry) {
          catalogue.list.add(NewItem{entry.name, static_cast<std::int32_t>(entry.place->location),
                                     starts(*entry.place, entry.off), entry.off,
                                     !lock_reason(*entry.place, entry.off).empty(), entry.key});
        },
        places);
  }
  catalogue.list.set_current(-1);
  return result;
}

namespace {

// "Task Scheduler", or several such joined by "or".
std::string later_places_words() {
  std::string words;
  for (const PlaceInfo& info : kPlaces) {
    if (info.read_later) words += (words.empty() ? "" : " or ") + std::string(info.where);
  }
  return words;
}

std::string unread_words(StatusText& text, const std::exception& first, std::size_t count) {
  std::string words =
      "Not everything in " + later_places_words() +
      " could be read, so the list may lack some of it: " + failure_text(text, first) + ".";
  if (count > 1) words += " (And " + std::to_string(count - 1) + " more problems.)";
  return words;
}

}  // namespace

LaterEntries read_later_places(Platform& platform) noexcept {
  LaterEntries later;
  try {
    // A list of its own: the window's belongs to the window's thread.
    SortedEntryList list(platform.text_rules);
    Catalogue catalogue{platform, list};
    const ScanResult scan = run_scan(catalogue, Places::Later);
    for (int index = 0; index < list.count(); ++index) {
      later.items.push_back(ListItem{list.text(index),
                                     {},
                                     list.tag(index),
                                     list.checked(index),
                                     list.off(index),
                                     list.locked(index),
                                     list.key(index)});
    }
    later.startup_tasks = std::move(catalogue.startup_tasks);
    if (!scan.problems.empty()) {
      later.unread =
          unread_words(platform.status_text, scan.problems.front(), scan.problems.size());
    }
  } catch (const std::exception& error) {
    try {
      later.unread = unread_words(platform.status_text, error, 1);
    } catch (...) {
      later.unread = "Not everything could be read, so the list may be incomplete.";
    }
  } catch (...) {
    later.unread = "Not everything could be read, so the list may be incomplete.";
  }
  return later;
}

void list_later_places(Catalogue& catalogue, LaterEntries later) {
  catalogue.startup_tasks = std::move(later.startup_tasks);
  // One batch: the list's current and focused items stay on their entries.
  const EntryBatch adding(catalogue.list);
  for (const ListItem& item : later.items) {
    catalogue.list.add(NewItem{item.text, item.tag, item.checked, item.off, item.locked, item.key});
  }
  if (!later.unread.empty()) {
    catalogue.list.add(NewItem{later.unread, kNoteTag, false, OffReason::None, true});
  }
}

}  // namespace rw
