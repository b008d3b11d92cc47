#!/bin/sh
# Starts or ends what the Windows tests run in: a virtual X display, a Wine
# prefix of the build's own and a persistent wineserver (so each test process
# starts in a fraction of a second instead of seconds).
#   wine-session.sh start DIR    wine-session.sh stop DIR
set -eu
action=$1
dir=$2
mkdir -p "$dir"
# Wine takes only an absolute WINEPREFIX.
dir=$(cd "$dir" && pwd)
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8

start_display() {
  n=91
  while :; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
    pid=$!
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
      sleep 0.1
      i=$((i + 1))
    done
    # Another build's session may have taken the same display a moment earlier.
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
    n=$((n + 1))
    [ $n -lt 200 ] || { echo "no free X display" >&2; exit 1; }
  done
  echo "$pid" >"$dir/xvfb.pid"
  echo ":$n" >"$dir/display"
}

case "$action" in
  start)
    "$0" stop "$dir" >/dev/null 2>&1 || true
    start_display
    DISPLAY=$(cat "$dir/display")
    export DISPLAY
    mkdir -p "$WINEPREFIX"
    # The persistent server must come first: once a Wine program has started
    # a server of its own, "wineserver -p" refuses to start a second one.
    wineserver -p </dev/null >"$dir/wineserver.log" 2>&1
    # The first program makes a new prefix, or brings a kept one up to date,
    # and starts the service manager. No "wineboot -i" of its own: in a
    # session where Wine has made the prefix it starts a second service
    # manager, and every service start then times out or finds the database
    # locked (Task Scheduler among them).
    # Windows lists a file named only ".lnk"; Wine hides dot-files unless told.
    wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >"$dir/wineboot.log" 2>&1 ||
      { cat "$dir/wineboot.log"; exit 1; }
    # The tests read and switch scheduled tasks: the service must run.
    wine net start schedule >"$dir/schedule.log" 2>&1 || true
    grep -q "started successfully\|already been started" "$dir/schedule.log" ||
      { cat "$dir/schedule.log" >&2; echo "Task Scheduler did not start" >&2; exit 1; }
    echo "wine session ready on $DISPLAY in $WINEPREFIX"
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    if [ -f "$dir/xvfb.pid" ]; then
      kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
      rm -f "$dir/xvfb.pid"
    fi
    rm -f "$dir/display"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
