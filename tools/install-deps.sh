#!/bin/sh
# Installs, with apt-get, whatever the build and the tests need and this
# machine lacks. Safe to run again: it installs nothing when all is there.
set -eu

need=""
have_cmd() { command -v "$1" >/dev/null 2>&1; }
want() { need="$need $1"; }

have_cmd cmake || want cmake
have_cmd ninja || want ninja-build
have_cmd g++ || want g++
have_cmd x86_64-w64-mingw32-g++-posix || want g++-mingw-w64-x86-64-posix
have_cmd x86_64-w64-mingw32-windres || want binutils-mingw-w64-x86-64
have_cmd wine || want wine
[ -x /usr/lib/wine/wine64 ] || want wine64
have_cmd Xvfb || want xvfb
have_cmd xauth || want xauth
have_cmd import || want imagemagick
have_cmd xdotool || want xdotool
[ -f /usr/src/googletest/CMakeLists.txt ] || want googletest
[ -f /usr/include/nlohmann/json.hpp ] || want nlohmann-json3-dev
[ -f /usr/include/CLI/CLI.hpp ] || want libcli11-dev
[ -f /usr/include/rapidxml/rapidxml.hpp ] || want librapidxml-dev
have_cmd openssl || want openssl
have_cmd osslsigncode || want osslsigncode

if [ -n "$need" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$need"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $need
fi
