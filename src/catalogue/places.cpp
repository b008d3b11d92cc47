#include "catalogue/places.h"

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

std::string scope_caption(Scope scope) {
  return scope == Scope::AllUsers ? "ALL USERS" : "CURRENT USER";
}

}  // namespace rw
