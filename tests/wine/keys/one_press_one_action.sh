#!/bin/sh
# Real key presses, sent from outside the program with xdotool on the Wine
# session's display, at the moments one of Runwarden's windows closes and the
# next one takes over. Each key is held past the keyboard's auto-repeat delay,
# as a finger or a slow machine between press and release may hold it, and
# must still act exactly once, in the window it went down in.
#   one_press_one_action.sh CASE PROGRAM WINE_DIR
# CASE is one of: file-dialog-to-prompt prompt-to-main message-box-to-main
# entry-dialog-to-main about-box-to-main. Exits 77 when xdotool is missing.
set -eu

case_name=$1
program_file=$2
wine_dir=$(cd "$3" && pwd)
command -v xdotool >/dev/null 2>&1 || { echo "xdotool is not installed"; exit 77; }

export WINEPREFIX="$wine_dir/prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
DISPLAY=$(cat "$wine_dir/display")
export DISPLAY

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
probe=KeysProbe # the entry each case adds or seeds, and removes again
main_title='^Runwarden v'
wait_limit=30 # seconds, for a slow machine; Wine alone may take two to close a window

scratch=$(mktemp -d "$wine_dir/keys.XXXXXX")
program_pid=""

finish() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  wine reg delete "$run_key" /v "$probe" /f >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAILED: $*"
  echo "windows shown: $(shown_titles)"
  exit 1
}

shown_titles() {
  xdotool search --onlyvisible --name 'Runwarden' getwindowname %@ 2>/dev/null |
    tr '\n' '|' || true
}

shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# The one shown window whose title matches, once it is there.
window_titled() {
  timeout "$wait_limit" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

still_shown() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -qx "$2"
}

# Polls a condition (a command) until it holds; false after the time limit.
eventually() {
  deadline=$(($(date +%s) + wait_limit))
  while ! "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

not() { ! "$@"; }

# There is no window manager: a window takes keys only once it has the X focus.
focus() { timeout 10 xdotool windowfocus --sync "$1" 2>/dev/null; }

# One press of a key, held past the X server's auto-repeat delay (660 ms), so
# that the key repeats before it is released.
press_held() {
  xdotool keydown "$1"
  sleep 1.2
  xdotool keyup "$1"
}

program_running() { kill -0 "$program_pid" 2>/dev/null; }

run_value() {
  wine reg query "$run_key" /v "$probe" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$probe *REG_[A-Z_]* *//p"
}

value_written() { [ -n "$(run_value)" ]; }

start_program() {
  cp "$program_file" "$scratch/Runwarden.exe"
  (cd "$scratch" && exec wine ./Runwarden.exe) >"$scratch/program.log" 2>&1 &
  program_pid=$!
  main=$(window_titled "$main_title")
  [ -n "$main" ] || fail "the main window did not open"
}

# The program's dialogs and message boxes: "Runwarden: ERROR", "Runwarden".
dialog_titles='^Runwarden(: .*)?$'

# Remembers the dialogs there are so far, shown or closing, so that one the
# program opens later stands out.
note_dialogs() {
  known=" $(xdotool search --name "$dialog_titles" 2>/dev/null | tr '\n' ' ') "
}

new_dialog_shown() {
  for id in $(xdotool search --onlyvisible --name "$dialog_titles" 2>/dev/null); do
    case "$known" in
      *" $id "*) ;;
      *) return 0 ;;
    esac
  done
  return 1
}

about_or_new_dialog_or_ended() {
  shown '^About Runwarden$' || new_dialog_shown || ! program_running
}

# Keys reach the program in the order they were pressed: once a key that
# opens the About box from the main window has done so, every key pressed
# before it has been handled, and none of them opened a dialog.
main_window_took_next_key() {
  program_running || return 1
  focus "$main" || true
  xdotool key alt+b
  eventually about_or_new_dialog_or_ended || return 1
  ! new_dialog_shown && shown '^About Runwarden$'
}

# Add up to its title prompt: the file dialog, the probe's path, one Enter.
open_title_prompt() {
  focus "$main" || fail "the main window took no focus"
  xdotool key Tab Tab Tab Return # Exit, the list, Remove, Add
  dialog=$(window_titled '^Runwarden: Select application$')
  [ -n "$dialog" ] || fail "Add opened no file dialog"
  cp "$program_file" "$scratch/$probe.exe"
  path=$(winepath -w "$scratch/$probe.exe" 2>/dev/null)
  focus "$dialog" || fail "the file dialog took no focus"
  # The file dialog takes typing only once its name box has the focus.
  xdotool key alt+n
  xdotool type --delay 20 "$path"
}

prompt_shown_or_value_written() { shown '^Runwarden: ADD$' || value_written; }

file_dialog_to_prompt() {
  start_program
  open_title_prompt
  press_held Return
  eventually prompt_shown_or_value_written || fail "the file dialog's Enter led nowhere"
  value_written && fail "the Enter that closed the file dialog also answered the title prompt"
  prompt=$(window_titled '^Runwarden: ADD$')
  note_dialogs
  # Cancelled, the prompt must leave nothing behind: had the Enter answered it
  # first, its title is written now.
  focus "$prompt" || fail "the title prompt took no focus"
  xdotool key Escape
  eventually not still_shown '^Runwarden: ADD$' "$prompt" || fail "Escape left the prompt open"
  main_window_took_next_key || fail "the main window did not take the key after the prompt"
  ! value_written || fail "the Enter that closed the file dialog also answered the title prompt"
}

prompt_to_main() {
  start_program
  open_title_prompt
  xdotool key Return
  prompt=$(window_titled '^Runwarden: ADD$')
  [ -n "$prompt" ] || fail "the title prompt did not open"
  focus "$prompt" || fail "the title prompt took no focus"
  note_dialogs
  press_held Return
  eventually not still_shown '^Runwarden: ADD$' "$prompt" || fail "Enter left the prompt open"
  main_window_took_next_key ||
    fail "the Enter that confirmed the prompt also pressed Add in the main window"
  case "$(run_value)" in
    *"$probe.exe"*) ;;
    *) fail "the prompt's Enter did not write the entry (it holds '$(run_value)')" ;;
  esac
}

message_box_to_main() {
  start_program
  focus "$main" || fail "the main window took no focus"
  # Remove with nothing chosen only tells the user so.
  xdotool key Tab Tab Return # Exit, the list, Remove
  box=$(window_titled '^Runwarden: ERROR$')
  [ -n "$box" ] || fail "Remove with nothing chosen showed no message"
  focus "$box" || fail "the message box took no focus"
  note_dialogs
  press_held Return
  eventually not still_shown '^Runwarden: ERROR$' "$box" || fail "Enter left the message open"
  main_window_took_next_key ||
    fail "the Enter that closed the message also pressed Remove in the main window"
}

entry_dialog_to_main() {
  wine reg add "$run_key" /v "$probe" /d 'C:\windows\notepad.exe' /f >/dev/null 2>&1
  start_program
  focus "$main" || fail "the main window took no focus"
  # The probe chosen by typing its name into the list, and the focus moved on
  # to Remove, where the menu's right click leaves it.
  xdotool key Tab
  xdotool type "$probe"
  xdotool key Tab
  # The menu takes the keys pressed after the click, whenever it opens.
  xdotool mousemove --window "$main" 120 120 click 3
  xdotool key Down Down Down Return # Add, Remove, Modify
  dialog=$(window_titled '^Runwarden: MODIFY \[CURRENT USER\]$')
  [ -n "$dialog" ] || fail "the menu's Modify opened no entry dialog"
  focus "$dialog" || fail "the entry dialog took no focus"
  # OK, Cancel, then the command, whose text Tab selects.
  xdotool key Tab Tab
  xdotool type 'C:\windows\regedit.exe'
  xdotool key shift+Tab shift+Tab
  note_dialogs
  press_held Return
  eventually not still_shown '^Runwarden: MODIFY' "$dialog" || fail "Enter left the entry dialog open"
  main_window_took_next_key || fail "the Enter that pressed OK also acted in the main window"
  case "$(run_value)" in
    'C:\windows\regedit.exe') ;;
    '') fail "the entry is gone: the Enter that pressed OK also pressed Remove in the main window" ;;
    *) fail "the entry holds '$(run_value)' instead of the new command" ;;
  esac
}

about_box_to_main() {
  start_program
  focus "$main" || fail "the main window took no focus"
  xdotool key alt+b
  about=$(window_titled '^About Runwarden$')
  [ -n "$about" ] || fail "About opened no box"
  focus "$about" || fail "the About box took no focus"
  note_dialogs
  xdotool keydown alt
  press_held F4
  xdotool keyup alt
  eventually not still_shown '^About Runwarden$' "$about" || fail "Alt+F4 left the About box open"
  main_window_took_next_key || fail "the Alt+F4 that closed the About box also closed the main window"
}

case "$case_name" in
  file-dialog-to-prompt) file_dialog_to_prompt ;;
  prompt-to-main) prompt_to_main ;;
  message-box-to-main) message_box_to_main ;;
  entry-dialog-to-main) entry_dialog_to_main ;;
  about-box-to-main) about_box_to_main ;;
  *)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac
echo "passed: $case_name"
