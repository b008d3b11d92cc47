#include "catalogue/entry_id.h"

namespace rw {

std::string entry_id(TextRules& rules, const PlaceInfo& info, std::string_view user,
                     std::string_view name, std::string_view key) {
  std::string id(info.name);
  id += '|';
  id += user;
  id += '|';
  id += rules.name_key(key.empty() ? name : key);
  return id;
}

}  // namespace rw
