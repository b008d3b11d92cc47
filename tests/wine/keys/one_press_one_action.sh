#!/bin/sh
# Real key presses, sent from outside the program with xdotool on the Wine
# session's display, at the moments one of Runwarden's windows hands over to
# the next. A key closes (or opens) a window, and a second key goes down
# before the next window is there. The first must act once, in its window;
# the second in no window at all: the window it went down in is gone, and
# the user has not seen the next one.
#   one_press_one_action.sh HAND_OVER.HOW PROGRAM WINE_DIR
# HAND_OVER is one of: file-dialog-to-prompt prompt-to-main
# message-box-to-main remove-question (Remove of a machine entry, which asks
# first) remove-question-to-main entry-dialog-to-main about-box-to-main.
# HOW is how the keys come:
#   held   one key held past the keyboard's auto-repeat delay, as a finger or
#          a slow machine between press and release may hold it: its repeats
#          are the second presses;
#   quick  two quick presses, the second while the window closes (with no
#          window manager, Wine keeps a closing window on the screen for two
#          seconds). A window that opens is there a few milliseconds after
#          its key: no quick press comes before it;
#   busy   two presses while the program is held still, as a loaded machine
#          holds it, so that it reads both only after the first has acted.
# Exits 77 when xdotool is missing.
set -eu

hand_over_name=${1%.*}
how=${1##*.}
program_file=$2
wine_dir=$(cd "$3" && pwd)
command -v xdotool >/dev/null 2>&1 || { echo "xdotool is not installed"; exit 77; }

export WINEPREFIX="$wine_dir/prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
DISPLAY=$(cat "$wine_dir/display")
export DISPLAY

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
machine_run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
probe=KeysProbe # the entry each case adds or seeds, and removes again
main_title='^Runwarden v'
wait_limit=30 # seconds, for a slow machine; Wine alone may take two to close a window

scratch=$(mktemp -d "$wine_dir/keys.XXXXXX")
program_pid=""
windows_pid="" # the Linux process that runs the program, which "busy" holds still

finish() {
  [ -z "$windows_pid" ] || kill -CONT "$windows_pid" 2>/dev/null || true
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  wine reg delete "$run_key" /v "$probe" /f >/dev/null 2>&1 || true
  wine reg delete "$machine_run_key" /v "$probe" /f >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAILED ($how): $*"
  echo "windows shown: $(shown_titles)"
  exit 1
}

shown_titles() {
  xdotool search --onlyvisible --name 'Runwarden' getwindowname %@ 2>/dev/null |
    tr '\n' '|' || true
}

# xdotool search, run again when it gave up: this xdotool ends on the X error
# it gets when a window goes away while it looks (a closing dialog's, say),
# which would read as "no such window".
search_windows() {
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    if found=$(xdotool search "$@" 2>"$scratch/search.err"); then
      printf '%s\n' "$found"
      return 0
    fi
    [ -s "$scratch/search.err" ] || return 1 # nothing matched
  done
  return 1
}

shown() { search_windows --onlyvisible --name "$1" >/dev/null; }

# The one shown window whose title matches, once it is there.
window_titled() {
  eventually shown "$1" || return 0
  search_windows --onlyvisible --name "$1" | head -n 1
}

still_shown() { search_windows --onlyvisible --name "$1" | grep -qx "$2"; }

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

# One press of a key (or chord, "alt+F4"), held past the X server's
# auto-repeat delay (660 ms), so that the key repeats before it is released.
press_held() {
  xdotool keydown "$1"
  sleep 1.2
  xdotool keyup "$1"
}

program_stopped() { [ "$(ps -o state= -p "$windows_pid" 2>/dev/null)" = T ]; }

# Runs a command while the program is held still: the keys it sends wait in
# its X connection unread, and it reads them all once it runs again.
while_busy() {
  kill -STOP "$windows_pid"
  eventually program_stopped || fail "the program could not be held still"
  "$@"
  kill -CONT "$windows_pid"
}

# The key that makes the window in front hand over ($1), then, but for "held",
# a second key ($2) pressed before the next window is there.
hand_over() {
  case "$how" in
    held) press_held "$1" ;;
    quick) xdotool key --delay 200 "$1" "$2" ;;
    busy) while_busy xdotool key "$1" "$2" ;;
    *) fail "unknown way to press keys: $how" ;;
  esac
}

program_running() { kill -0 "$program_pid" 2>/dev/null; }

value_in() {
  wine reg query "$1" /v "$probe" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$probe *REG_[A-Z_]* *//p"
}

run_value() { value_in "$run_key"; }

value_written() { [ -n "$(run_value)" ]; }

machine_value_kept() { [ -n "$(value_in "$machine_run_key")" ]; }

start_program() {
  cp "$program_file" "$scratch/Runwarden.exe"
  (cd "$scratch" && exec wine ./Runwarden.exe) >"$scratch/program.log" 2>&1 &
  program_pid=$!
  main=$(window_titled "$main_title")
  [ -n "$main" ] || fail "the main window did not open"
  # Wine names the Linux process on each of its X windows.
  windows_pid=$(xdotool getwindowpid "$main")
  [ -n "$windows_pid" ] || fail "the program's process is not known"
}

# The program's dialogs and message boxes: "Runwarden: ERROR", "Runwarden".
dialog_titles='^Runwarden(: .*)?$'

# Remembers the dialogs there are so far, shown or closing, so that one the
# program opens later stands out.
note_dialogs() {
  known=" $(search_windows --name "$dialog_titles" | tr '\n' ' ') "
}

new_dialog_shown() {
  for id in $(search_windows --onlyvisible --name "$dialog_titles"); do
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
  hand_over Return Return
  eventually prompt_shown_or_value_written || fail "the file dialog's Enter led nowhere"
  value_written && fail "an Enter pressed in the file dialog answered the title prompt"
  prompt=$(window_titled '^Runwarden: ADD$')
  note_dialogs
  # Cancelled, the prompt must leave nothing behind: had the Enter answered it
  # first, its title is written now.
  focus "$prompt" || fail "the title prompt took no focus"
  xdotool key Escape
  eventually not still_shown '^Runwarden: ADD$' "$prompt" || fail "Escape left the prompt open"
  main_window_took_next_key || fail "the main window did not take the key after the prompt"
  ! value_written || fail "an Enter pressed in the file dialog answered the title prompt"
}

prompt_to_main() {
  start_program
  open_title_prompt
  xdotool key Return
  prompt=$(window_titled '^Runwarden: ADD$')
  [ -n "$prompt" ] || fail "the title prompt did not open"
  focus "$prompt" || fail "the title prompt took no focus"
  note_dialogs
  hand_over Return Return
  eventually not still_shown '^Runwarden: ADD$' "$prompt" || fail "Enter left the prompt open"
  main_window_took_next_key ||
    fail "an Enter pressed in the prompt pressed Add in the main window"
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
  hand_over Return Return
  eventually not still_shown '^Runwarden: ERROR$' "$box" || fail "Enter left the message open"
  main_window_took_next_key ||
    fail "an Enter pressed in the message pressed Remove in the main window"
}

# The probe, an entry of the machine's Run key, chosen by typing its name into
# the list, and the focus moved on to Remove.
choose_machine_probe() {
  wine reg add "$machine_run_key" /v "$probe" /d 'C:\windows\notepad.exe' /f >/dev/null 2>&1
  start_program
  focus "$main" || fail "the main window took no focus"
  xdotool key Tab
  xdotool type "$probe"
  xdotool key Tab
}

question_shown_or_value_gone() { shown '^Runwarden: WARNING$' || ! machine_value_kept; }

# Answers the question No ("&No"), which leaves the entry where it is.
answer_no() {
  focus "$1" || true
  xdotool key n
  eventually not still_shown '^Runwarden: WARNING$' "$1" || fail "No left the question open"
}

remove_question() {
  choose_machine_probe
  note_dialogs
  hand_over Return Return
  eventually question_shown_or_value_gone || fail "Remove asked nothing"
  question=$(window_titled '^Runwarden: WARNING$')
  [ -z "$question" ] || answer_no "$question"
  # Once the main window takes keys again, whatever Remove did is done.
  settled=true
  main_window_took_next_key || settled=false
  machine_value_kept || fail "the machine's entry is gone: an Enter answered a question not yet shown"
  [ -n "$question" ] || fail "Remove asked nothing"
  $settled || fail "the main window did not take the key after the question"
}

remove_question_to_main() {
  choose_machine_probe
  xdotool key Return
  question=$(window_titled '^Runwarden: WARNING$')
  [ -n "$question" ] || fail "Remove asked nothing"
  focus "$question" || fail "the question took no focus"
  note_dialogs
  hand_over n Return
  eventually not still_shown '^Runwarden: WARNING$' "$question" || fail "No left the question open"
  main_window_took_next_key ||
    fail "an Enter pressed as the question closed pressed Remove in the main window"
  machine_value_kept || fail "the machine's entry is gone although the question was answered No"
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
  hand_over Return Return
  eventually not still_shown '^Runwarden: MODIFY' "$dialog" || fail "Enter left the entry dialog open"
  main_window_took_next_key || fail "an Enter pressed in the entry dialog acted in the main window"
  case "$(run_value)" in
    'C:\windows\regedit.exe') ;;
    '') fail "the entry is gone: an Enter pressed in the entry dialog pressed Remove in the main window" ;;
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
  hand_over alt+F4 alt+F4
  eventually not still_shown '^About Runwarden$' "$about" || fail "Alt+F4 left the About box open"
  main_window_took_next_key || fail "an Alt+F4 pressed in the About box closed the main window"
}

case "$hand_over_name" in
  file-dialog-to-prompt) file_dialog_to_prompt ;;
  prompt-to-main) prompt_to_main ;;
  message-box-to-main) message_box_to_main ;;
  remove-question) remove_question ;;
  remove-question-to-main) remove_question_to_main ;;
  entry-dialog-to-main) entry_dialog_to_main ;;
  about-box-to-main) about_box_to_main ;;
  *)
    echo "unknown hand-over: $hand_over_name" >&2
    exit 2
    ;;
esac
echo "passed: $hand_over_name, $how"
