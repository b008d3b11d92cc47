// The pieces the operations share: one Run value reached through Module1's
// key, the record of a parked value's type, and the words of messages.
// Private to the catalogue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/module1.h"
#include "catalogue/shown_names.h"
#include "platform/settings_store.h"

namespace rw {

// A failure that concerns one entry only: a registry call of the catalogue,
// or a check made before anything was written. Raised like file and
// settings-store failures, so that every one is told in the same words; but
// where those end Exit's walk, this one ends only its entry's move.
class EntryFailure : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// "HKEY_CURRENT_USER\Software\...", and which view when it is the 32-bit one.
std::string key_words(Hive hive, std::string_view path, std::uint32_t view = 0);

// Each opens Module1's key, does one thing and closes the key again; every
// status goes to LastStatus, and a failure raises EntryFailure naming the
// call and the key (and value). A value is read whole, whatever its length;
// one that is not there reads as nothing. `view` is added to each access.
std::optional<RegValue> read_value_at(Catalogue& catalogue, Hive hive, std::string_view path,
                                      std::string_view name, std::uint32_t view = 0);
// Opens the key (creating it when missing) and stores the value.
void write_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                    std::uint32_t type, const std::vector<std::uint8_t>& data,
                    std::uint32_t view = 0);
// Raises with status 2 when there is no such value.
void delete_value_at(Catalogue& catalogue, Hive hive, std::string_view path, std::string_view name,
                     std::uint32_t view = 0);
// Opens the key for writing and closes it again: whether values may be
// deleted there, asked before anything is written.
void check_key_writable(Catalogue& catalogue, Hive hive, std::string_view path,
                        std::uint32_t view = 0);
// The key's values with their data, in one pass; none when the key does not exist.
std::vector<std::pair<std::string, RegValue>> values_at(Catalogue& catalogue, Hive hive,
                                                        std::string_view path,
                                                        std::uint32_t view = 0);
// The names of the key's values; none when the key does not exist.
std::vector<std::string> value_names_at(Catalogue& catalogue, Hive hive, std::string_view path,
                                        std::uint32_t view = 0);

// The type a value parked in `parking` had in its Run key. The parking
// section holds plain strings only, so expandable strings are recorded beside
// it. Settings-store failures raise PlatformError.
std::uint32_t parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name);
// Records the type to restore later; a plain string leaves no record (and
// clears one left from before).
void record_parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name,
                        std::uint32_t type);
void forget_parked_type(SettingsStore& store, const PlaceInfo& parking, std::string_view name);

// What a value of a type that is not a string holds, for messages.
std::string type_words(std::uint32_t type);

// A critical message titled "Runwarden: ERROR".
void show_error(Platform& platform, std::string_view prompt);

// The file dialog that picks a program: "Runwarden: Select application",
// programs first, all files second.
OpenFileRequest program_file_request(std::uint32_t flags);

// "path" -> "\"path\"" when the path has a space, so that Windows does not
// read C:\Program Files\... as C:\Program.exe.
std::string quoted_when_spaced(std::string_view path);

}  // namespace rw
