// The DLLs a Windows program needs, read from its PE import tables.
#pragma once

#include <string>
#include <vector>

namespace rw::bench {

struct Imports {
  bool read = false;
  std::string failure;               // why the file could not be read, when not read
  std::vector<std::string> dlls;     // loaded at start, in table order
  std::vector<std::string> delayed;  // loaded on first use
};

Imports read_imports(const std::wstring& path);

// True for the DLLs that every Windows installation has: the system DLLs and
// the C runtimes that ship with Windows. A compiler's runtime (libstdc++,
// libgcc, winpthread, the Visual C++ redistributable), or anything this list
// does not know, is not.
bool is_windows_own_dll(const std::string& name);

}  // namespace rw::bench
