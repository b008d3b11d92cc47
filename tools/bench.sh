#!/bin/sh
# Builds the Windows target and runs the benchmarks under Wine, in the
# build's own prefix (never ~/.wine). Arguments go to runwarden_bench, e.g.
#   tools/bench.sh scan --sizes 1000,10000     tools/bench.sh start size
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target runwarden_bench Runwarden
wine_dir="$PWD/build/windows/wine"
started=""
if [ ! -f "$wine_dir/display" ]; then
  tools/wine-session.sh start "$wine_dir"
  started=yes
fi
status=0
build/windows/wine-run.sh build/windows/bench/runwarden_bench.exe "$@" || status=$?
if [ -n "$started" ]; then tools/wine-session.sh stop "$wine_dir"; fi
exit $status
