#include "catalogue/places.h"

#include <algorithm>

#include "platform/settings_store.h"

namespace rw {

namespace {

// Rows in the order of their numbers, so that a tag is found by halving.
constexpr bool rows_in_number_order() {
  for (std::size_t index = 1; index < kPlaces.size(); ++index) {
    if (kPlaces[index - 1].location >= kPlaces[index].location) return false;
  }
  return kPlaces.front().location > StartupLocation{0};
}
static_assert(rows_in_number_order());

struct ScopeText {
  std::string_view caption;
  std::string_view words;
};
constexpr ScopeText kScopeText[] = {
    {"ALL USERS", "all users"},        // Scope::AllUsers
    {"CURRENT USER", "current user"},  // Scope::CurrentUser
};

struct OffReasonText {
  std::string_view field;
  std::string_view words;
};
constexpr OffReasonText kOffReasonText[] = {
    {"", ""},                                                                  // None
    {"parked", "parked by Runwarden"},                                         // Parked
    {"switched off in Windows", "switched off in Windows' startup settings"},  // by its flag
    {"switched off by a policy", "switched off by a policy"},                // SwitchedOffByPolicy
    {"switched off in Windows", "switched off in Settings, Apps, Startup"},  // in Settings
    {"switched off in Task Scheduler", "switched off in Task Scheduler"},    // a task
};

}  // namespace

std::size_t row_index(const PlaceInfo& info) {
  return static_cast<std::size_t>(&info - kPlaces.data());
}

const PlaceInfo* find_place(std::int32_t tag) {
  const auto row = std::lower_bound(kPlaces.begin(), kPlaces.end(), tag,
                                    [](const PlaceInfo& info, std::int32_t wanted) {
                                      return static_cast<std::int32_t>(info.location) < wanted;
                                    });
  return row != kPlaces.end() && static_cast<std::int32_t>(row->location) == tag ? &*row : nullptr;
}

const PlaceInfo& place(StartupLocation location) {
  return *find_place(static_cast<std::int32_t>(location));
}

const PlaceInfo* partner_of(const PlaceInfo& info) {
  return info.partner ? &place(*info.partner) : nullptr;
}

RegistryKey key_of(const PlaceInfo& info) {
  if (info.storage == Storage::ParkedValues) {
    return RegistryKey{kHkeyCurrentUser,
                       SettingsStore::section_key_path(kProgramTitle, info.section)};
  }
  return RegistryKey{info.hive, std::string(info.key_path), info.view};
}

RegistryKey type_record_key_of(const PlaceInfo& info) {
  return RegistryKey{kHkeyCurrentUser,
                     SettingsStore::section_key_path(kProgramTitle, info.type_section)};
}

std::string_view scope_caption(Scope scope) {
  return kScopeText[static_cast<std::size_t>(scope)].caption;
}

std::string_view scope_words(Scope scope) {
  return kScopeText[static_cast<std::size_t>(scope)].words;
}

std::string_view off_reason_field(OffReason reason) {
  return kOffReasonText[static_cast<std::size_t>(reason)].field;
}

std::string_view off_reason_words(OffReason reason) {
  return kOffReasonText[static_cast<std::size_t>(reason)].words;
}

std::string_view lock_reason(const PlaceInfo& info, OffReason off) {
  if (info.actions.read_only()) return info.actions.refusal;
  if (off == OffReason::SwitchedOffByPolicy) {
    return "a policy keeps Windows from starting this whole list; change it in Group Policy";
  }
  return {};
}

}  // namespace rw
