// Starting a Windows program the way a user does and watching for its main
// window: the cold-start and memory figures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rw::bench {

struct WindowShown {
  bool shown = false;
  std::string failure;               // why not, when not shown
  double milliseconds = 0.0;         // from CreateProcess to the window being visible
  std::size_t peak_working_set = 0;  // bytes, read once the window is shown
  std::vector<std::string> modules;  // the DLLs it has loaded by then, in lower case, sorted
};

// Starts the program, waits until it is idle and its main window is visible
// (a top-level window of its first thread that is not a dialog), notes the
// DLLs it has loaded, then closes that window and waits for the program to
// end. `settle_ms` is waited before the working set is read, so that the
// first paint is counted in it. `arguments` follow the program's own name on
// its command line.
WindowShown start_until_window_shown(const std::wstring& program, int settle_ms = 0,
                                     const std::wstring& arguments = {});

}  // namespace rw::bench
