#!/bin/sh
# Builds both targets and runs every test: the native tests (catalogue and
# substitute platform, under AddressSanitizer and UBSan), then the Windows
# tests under Wine on a virtual display.
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset host
cmake --build --preset host
ctest --preset host
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
