// Paths as the wide API wants them.
#pragma once

#include <string>
#include <string_view>

namespace rw::win32 {

// The path in UTF-16, with the \\?\ prefix when it is absolute and too long
// for the plain API, so that folders and shortcuts deeper than MAX_PATH can
// still be listed, copied and deleted.
std::wstring api_path(std::string_view path);

}  // namespace rw::win32
