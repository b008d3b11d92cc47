#include "catalogue/scan.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "catalogue/entry_store.h"
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

std::vector<PlatformError> walk_places(Catalogue& catalogue, bool with_contents,
                                       const std::function<void(const ScannedEntry&)>& found) {
  Platform& platform = catalogue.platform;
  catalogue.folders = PlaceFolders::resolve(platform.folders);
  std::vector<PlatformError> problems;
  // A policy that cannot be read is told, and keeps no list from starting.
  const ListPolicies policies = list_policies_in_force(catalogue);
  if (policies.failure) problems.push_back(*policies.failure);
  for (const PlaceInfo* info : places_in_scan_order()) {
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
                         entry.content ? &*entry.content : nullptr});
    }
  }
  return problems;
}

ScanResult run_scan(Catalogue& catalogue) {
  ScanResult result;
  result.caption = main_window_caption();
  {
    // Tens of thousands of entries: sorted once at the end, not one by one.
    const EntryBatch adding(catalogue.list);
    result.problems = walk_places(catalogue, false, [&](const ScannedEntry& entry) {
      catalogue.list.add(NewItem{entry.name, static_cast<std::int32_t>(entry.place->location),
                                 starts(*entry.place, entry.off), entry.off,
                                 !lock_reason(*entry.place, entry.off).empty(), entry.key});
    });
  }
  catalogue.list.set_current(-1);
  return result;
}

}  // namespace rw
