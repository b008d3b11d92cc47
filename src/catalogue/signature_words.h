// How a program file's signature is put into words: the line an entry's
// details show, and the value of the console's `signature` field.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw {

// "valid", "not signed", "not trusted", "not valid" or "not checked".
std::string_view signature_field(SignatureState state);

// "Signed by NAME", "Not signed", "Signature not valid (the file was changed
// after it was signed)" or "Signed by NAME, whose certificate this computer
// does not trust". Empty for a file that was not checked, of which the
// details say nothing.
std::string signature_line(const Signature& signature);

}  // namespace rw
