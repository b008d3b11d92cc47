#!/bin/sh
# Installs, with apt-get, whatever the build and the tests need (the list is
# tools/packages) and this machine lacks. Safe to run again: it installs
# nothing when all is there.
set -eu

need=""
while read -r package check what; do
  case "$package" in '' | '#'*) continue ;; esac
  case "$check" in
    command) command -v "$what" >/dev/null 2>&1 && continue ;;
    file) [ -e "$what" ] && continue ;;
    *)
      echo "tools/packages: $package: '$check' is neither command nor file" >&2
      exit 1
      ;;
  esac
  need="$need $package"
done <"$(dirname "$0")/packages"

if [ -n "$need" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$need"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $need
fi
