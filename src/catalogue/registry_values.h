// One registry value or key at a time, for the places that keep their
// entries in the registry. Each call opens a key of its own and closes it
// before it returns. A key or value that is not there reads as none; every
// other failure raises EntryFailure naming the call and the key (and value).
// Private to the catalogue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/places.h"
#include "platform/platform.h"

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
std::string key_words(const RegistryKey& key);

// A value whole, whatever its length.
std::optional<RegValue> read_value_at(Registry& registry, const RegistryKey& key,
                                      std::string_view name);
// Opens the key (creating it when missing) and stores the value.
void write_value_at(Registry& registry, const RegistryKey& key, std::string_view name,
                    std::uint32_t type, const std::vector<std::uint8_t>& data);
// Raises with status 2 when there is no such value.
void delete_value_at(Registry& registry, const RegistryKey& key, std::string_view name);
// Opens the key for writing and closes it again: whether values may be
// deleted there, asked before anything is written.
void check_key_writable(Registry& registry, const RegistryKey& key);
// The key's values with their data, in one pass.
std::vector<std::pair<std::string, RegValue>> values_at(Registry& registry, const RegistryKey& key);

}  // namespace rw
