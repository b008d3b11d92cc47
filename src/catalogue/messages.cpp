#include "catalogue/messages.h"

namespace rw {

std::string titled(std::string_view suffix) {
  return std::string(kProgramTitle) + std::string(suffix);
}

void show_error(Platform& platform, std::string_view prompt) {
  platform.dialogs.message_box(prompt, mb::kCritical, titled(": ERROR"));
}

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

std::string cannot_switch_words(std::string_view reason) {
  return "Cannot be switched here: " + std::string(reason);
}

std::string inexact_name_words() {
  return "has a name with a character that Windows cannot be asked for exactly (a NUL "
         "character or a lone surrogate); acting on it would reach another entry, so it is left "
         "as it is.";
}

std::string type_words(std::uint32_t type) {
  switch (type) {
    case regtype::kBinary:
      return "binary data";
    case regtype::kDword:
      return "a number";
    case regtype::kMultiSz:
      return "a list of strings";
    default:
      return "data of type " + std::to_string(type);
  }
}

std::string failure_text(StatusText& text, const std::exception& error) {
  if (const auto* failure = dynamic_cast<const PlatformError*>(&error)) {
    return failure_words(text, *failure);
  }
  return error.what();
}

std::string entry_failure(StatusText& text, std::string_view headline, const std::exception& error,
                          const PlaceInfo* place, bool number_told) {
  const auto* failure = dynamic_cast<const PlatformError*>(&error);
  std::string message(headline);
  message += failure != nullptr ? failure_words(text, *failure, !number_told) : error.what();
  // The OS's words end with their own full stop; the number follows them.
  if (failure == nullptr || !number_told) message += ".";
  if (failure != nullptr && failure->code() == status::kAccessDenied && place != nullptr &&
      place->scope == Scope::AllUsers) {
    message += " Changing an entry for all users needs administrator rights.";
  }
  return message;
}

}  // namespace rw
