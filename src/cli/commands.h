// What runwarden-cli does with a request: the catalogue's own operations,
// run as the window runs them, with their words going to the console.
#pragma once

#include <string_view>

#include "cli/command_line.h"
#include "platform/platform.h"

namespace rw::cli {

// Where the program's words go: the output, and the errors.
class Output {
 public:
  virtual ~Output() = default;
  virtual void out(std::string_view text) = 0;
  virtual void err(std::string_view text) = 0;
};

// Runs the request over the platform (whose dialogs it does not use) and
// returns the exit status: 0 done; 1 a call of the OS failed, and the errors
// name the entry, the key or path and the OS's words; 2 an unknown,
// ambiguous or colliding name, or one it cannot act on exactly.
int run_request(const Request& request, Platform& platform, Output& output);

}  // namespace rw::cli
