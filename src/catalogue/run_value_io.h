// The pieces the operations share to read, write and delete one Run value
// through Module1's key, to keep the types of parked values, and to word
// failures for the user. Private to the catalogue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/module1.h"
#include "platform/settings_store.h"

namespace rw {

// "Access is denied. (error 5)": the OS's words, then the number.
std::string status_words(StatusText& text, Status code);
// "Kill failed for "C:\x.lnk": Access is denied. (error 5)"
std::string failure_words(StatusText& text, const PlatformError& error);
// What a value of a type that is not a string holds, for messages.
std::string type_words(std::uint32_t type);

// The name as a message can show it: a NUL as "␀", a lone surrogate as "�".
std::string shown_name(std::string_view name);
// Why an entry whose name is not exact (see is_exact_name) is left alone.
std::string inexact_name_words();

// A critical message titled "Runwarden: ERROR".
void show_error(Platform& platform, std::string_view prompt);

// The file dialog that picks a program: "Runwarden: Select application",
// programs first, all files second.
OpenFileRequest program_file_request(std::uint32_t flags);

// "path" -> "\"path\"" when the path has a space, so that Windows does not
// read C:\Program Files\... as C:\Program.exe.
std::string quoted_when_spaced(std::string_view path);

// Each opens Module1's key, does one thing and closes the key again; every
// registry status goes to LastStatus and the first failing one is returned.
// A value of any length is read whole.
Status read_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                     RegValue& out);
// Opens the key (creating it when missing) and stores the value.
Status write_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                      std::uint32_t type, const std::vector<std::uint8_t>& data);
Status delete_value_at(Catalogue& catalogue, Hive hive, std::string_view path,
                       std::string_view name);

// The type a parked value of `hive` had in its Run key. The parking section
// holds plain strings only, so expandable strings are recorded beside it.
// Settings-store failures raise PlatformError.
std::uint32_t parked_type(SettingsStore& store, Hive hive, std::string_view name);
// Records the type to restore later; a plain string leaves no record (and
// clears one left from before).
void record_parked_type(SettingsStore& store, Hive hive, std::string_view name, std::uint32_t type);
void forget_parked_type(SettingsStore& store, Hive hive, std::string_view name);

}  // namespace rw
