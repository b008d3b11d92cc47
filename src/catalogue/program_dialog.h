// Choosing a program file, as Add and the entry dialog's Browse do.
// Private to the catalogue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace rw {

// The file dialog that picks a program: "Runwarden: Select application",
// programs first, all files second.
OpenFileRequest program_file_request(std::uint32_t flags);

// "path" -> "\"path\"" when the path has a space, so that Windows does not
// read C:\Program Files\... as C:\Program.exe.
std::string quoted_when_spaced(std::string_view path);

}  // namespace rw
