#include "catalogue/places.h"

#include "platform/settings_store.h"

namespace rw {

const PlaceInfo* find_place(std::int32_t tag) {
  for (const PlaceInfo& info : kPlaces) {
    if (static_cast<std::int32_t>(info.location) == tag) return &info;
  }
  return nullptr;
}

const PlaceInfo& place(StartupLocation location) {
  return kPlaces[static_cast<std::size_t>(location) - 1];
}

std::string parking_section(Hive hive) {
  return "Disabled\\" + std::to_string(static_cast<std::int32_t>(hive));
}

std::string parked_type_section(Hive hive) {
  return "Types\\" + std::to_string(static_cast<std::int32_t>(hive));
}

std::string parking_section_key_path(Hive hive) {
  return SettingsStore::section_key_path(kProgramTitle, parking_section(hive));
}

std::string scope_caption(Scope scope) {
  return scope == Scope::AllUsers ? "ALL USERS" : "CURRENT USER";
}

}  // namespace rw
