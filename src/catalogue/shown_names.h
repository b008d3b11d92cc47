// How a name is put into words for the user, whatever it holds: the window's
// messages and runwarden-cli's output show names through here.
#pragma once

#include <string>
#include <string_view>

namespace rw {

// The name as a message can show it: a NUL as "␀", a lone surrogate as "�".
// Always valid UTF-8, since names of the registry and of files need not be.
std::string shown_name(std::string_view name);

// Why an entry whose name is not exact (see is_exact_name) is left alone,
// after its name: "'X' has a name with ...".
std::string inexact_name_words();

}  // namespace rw
