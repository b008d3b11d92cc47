// An entry's id: the same for the same entry from one run to the next and
// from one computer to another, so that a list saved on one computer can be
// compared with the entries of another.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/places.h"

namespace rw {

// "<place>|<user>|<NAME>": the place's name, the user whose entry it is
// (empty for the machine's entries, and for the current user's own in a list
// of theirs alone), and the entry's name as Windows compares names (its name
// key, upper case on Windows), so that two names Windows takes for one give one id. Where the
// place tells its entries apart by a key instead of the name, the key stands
// in for the name. Neither a place's name nor an account's has a "|", so the
// id names one entry whatever its name holds.
std::string entry_id(TextRules& rules, const PlaceInfo& info, std::string_view user,
                     std::string_view name, std::string_view key = {});

}  // namespace rw
