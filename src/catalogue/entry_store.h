// Reading, writing and deleting one entry where its place keeps it: a Run
// value, a parked value in the settings store, or a shortcut file. The kind of
// the place chooses how; Exit and Remove go through here and nowhere else.
//
// Registry failures come back as statuses. File and settings-store failures
// raise PlatformError, as the platform raises them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/module1.h"

namespace rw {

// What an entry holds, to tell whether two entries of one name are the same.
struct Content {
  std::uint32_t type = regtype::kNone;  // a Run value's type; kNone for a shortcut
  // A string value's text (without its NUL), another value's bytes, or a
  // shortcut file's bytes.
  std::string data;
  bool operator==(const Content&) const = default;
};

// What the place holds under the name: kOk and nothing when no entry of that
// name (compared as Windows compares names) is there.
Status read_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name,
                  std::optional<Content>& out);

// Whether the entry could be deleted from its place, asked before anything is
// written: 0, or the status the deletion would fail with.
Status check_removable(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Stores `content` as the entry `name` of the place `to`. A shortcut is
// copied whole from its file in `from`.
Status write_entry(Catalogue& catalogue, const PlaceInfo& from, const PlaceInfo& to,
                   std::string_view name, const Content& content);

// Deletes the entry from its place. A Run value that is not there gives
// kFileNotFound; a missing shortcut or parked value raises, with status 2.
Status delete_entry(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Once the entry is deleted: removes what its place keeps beside it (the
// record of a parked value's type). Raises PlatformError when it cannot; what
// is left then does no harm, since the next parking of that name rewrites it.
void delete_side_record(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Where the entry lives, for messages: the key and value, or the file's path.
std::string entry_address(Catalogue& catalogue, const PlaceInfo& info, std::string_view name);

// Whether a Run-value kind of entry holds a command line that can be parked
// and restored; a shortcut always can.
bool is_movable(const PlaceInfo& info, const Content& content);

}  // namespace rw
