// How the catalogue tells the user things: titles, names put into words,
// and the one way a failure is told, with the entry, the key or path, and
// the OS's words and number.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "catalogue/places.h"
#include "platform/platform.h"

namespace rw {

// A title for message boxes and dialogs: "Runwarden" + suffix.
std::string titled(std::string_view suffix);

// A critical message titled "Runwarden: ERROR".
void show_error(Platform& platform, std::string_view prompt);

// The name as a message can show it: a NUL as "␀", a lone surrogate as "�".
// Always valid UTF-8, since names of the registry and of files need not be.
std::string shown_name(std::string_view name);

// Why an entry whose name is not exact (see is_exact_name) is left alone,
// after its name: "'X' has a name with ...".
std::string inexact_name_words();

// Why an entry's checkbox cannot be changed, as the details and the
// window's tip say it: "Cannot be switched here: <reason>".
std::string cannot_switch_words(std::string_view reason);

// What a value of a type that is not a string holds: "binary data".
std::string type_words(std::uint32_t type);

// The words of any failure: a PlatformError's call, what it was called on
// and the OS's words and number; anything else's own words.
std::string failure_text(StatusText& text, const std::exception& error);

// The one message for an operation on an entry that failed: `headline`
// (what was being done and to which entry, with its own separator, such as
// "Can't create Tool !\n\n"), the failure's words, and, when the OS refused
// an entry of all users, that changing one needs administrator rights.
// `number_told`: the headline gives the status number already.
std::string entry_failure(StatusText& text, std::string_view headline, const std::exception& error,
                          const PlaceInfo* place = nullptr, bool number_told = false);

}  // namespace rw
