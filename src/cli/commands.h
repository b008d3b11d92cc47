// What runwarden-cli does with a request: the catalogue's own operations,
// run as the window runs them, with their words going to the console.
#pragma once

#include <functional>
#include <string_view>

#include "cli/command_line.h"
#include "platform/platform.h"

namespace rw::cli {

// Where the program's words go: the output, and the errors. Each returns 0
// when the text was written whole, or the OS's status when it was not (a full
// disk, a pipe whose reader has gone).
class Output {
 public:
  virtual ~Output() = default;
  virtual Status out(std::string_view text) = 0;
  virtual Status err(std::string_view text) = 0;
};

// Makes the platform a request runs over, around the dialogs it is given:
// runwarden-cli's own, which put every message on the errors and answer a
// question as the request says.
using PlatformWith = std::function<Platform(Dialogs& dialogs)>;

// Runs the request and returns the exit status: 0 done; 1 a call of the OS
// failed, and the errors name the entry, the key or path and the OS's words;
// 2 an unknown, ambiguous or colliding name, or one it cannot act on exactly.
// A write that fails ends a run that went well with 1, told on the errors.
// check instead: 0 nothing differs from the baseline; 1 something does; 2
// the baseline cannot be read, or a call of the OS or a write failed, so
// that a failure is never taken for a difference.
int run_request(const Request& request, const PlatformWith& platform_with, Output& output);

// The text of a command line that is no request (the help, the version, or
// what is wrong with it), on the output for status 0 and on the errors
// otherwise; returns the status to end with, 1 when help or version could
// not be written.
int print_parsed(const Parsed& parsed, Output& output, StatusText& status_text);

}  // namespace rw::cli
