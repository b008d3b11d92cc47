// What the program should show as its version: the project's own, as CMake
// hands it to the tests, so that a caption or box that drifts from it fails.
#pragma once

#include <string>

namespace rw::testing {

// "Runwarden v1.3" for the project version 1.3.0.
inline std::string expected_caption() {
  const std::string version = RUNWARDEN_PROJECT_VERSION;
  return "Runwarden v" + version.substr(0, version.rfind('.'));
}

}  // namespace rw::testing
