#include "catalogue/shown_names.h"

namespace rw {

std::string shown_name(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte == 0) {
      shown += "\xE2\x90\x80";  // U+2400, the symbol for NUL
    } else if (byte == 0xED && i + 2 < name.size() &&
               (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0xA0) {
      shown += "\xEF\xBF\xBD";  // U+FFFD for the surrogate's three bytes
      i += 2;
    } else {
      shown.push_back(name[i]);
    }
  }
  return shown;
}

std::string inexact_name_words() {
  return "has a name with a character that Windows cannot be asked for exactly (a NUL "
         "character or a lone surrogate); acting on it would reach another entry, so it is left "
         "as it is.";
}

}  // namespace rw
