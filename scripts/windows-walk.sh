#!/usr/bin/env bash
# Walks through the real Marovi.exe under Wine with X input, as a user would;
# run by scripts/windows-test.sh inside xvfb-run, with WINEPREFIX set up, the
# program in APP (the unpacked zip's folder), ui-probe.exe and the pages in
# WORK/run, xdnd-drop in WORK/bin.
#
#   full WORK SHOTS APP
#       the program started in APP, which holds the example keyboard and the
#       manual: the main window; ヘルプ, which must ask the shell to open
#       APP's SKBmanual.pdf (the test's .pdf association writes what it is
#       asked to open into WORK/shell-open.txt); the main window moved by a
#       free spot; Keyboard Setup with the example keyboard's 150 rows; the
#       key edit window by a double-click on a row, and for a locked key; the
#       example pages dropped onto the list (XDND, as a file manager drops),
#       converted through the save dialog into WORK/walk; then everything is
#       closed and the process must have ended.
#   page WORK SHOTS APP FOLDER INKFILE
#       the program started in FOLDER (which holds the keyboard), INKFILE
#       dropped onto the list and saved under the name the save dialog
#       suggests, in the folder it opens in (FOLDER); then closed. The Wine
#       locale, and with it the ANSI code page, is the caller's.
#
# Screenshots go to SHOTS. Every Wine call runs under a timeout.
set -euo pipefail

mode=$1
work=$2
shots=$3
app=$4
main_title="Veda-Rovodad for Inkora"

source "$(dirname "$0")/setup.sh"
# What the screen showed when it failed, and no Wine left running.
marovi_before_fail() {
  timeout 30 import -window root "$shots/failure.png" 2>/dev/null || true
  timeout 30 wineserver -k 2>/dev/null || true
}
probe() { timeout 30 wine "$work/run/ui-probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Waits for a visible window whose title matches, prints its id; $2 is the
# number of half seconds to wait (default 60).
wait_window() {
  local title=$1 id
  for _ in $(seq 1 "${2:-60}"); do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | tail -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.5
  done
  return 1
}
wait_gone() {
  local title=$1
  for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name "$title" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  return 1
}
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort || true; }
# Waits for a visible window that is not among $1 (a sorted list of ids).
wait_new_window() {
  local before=$1 id
  for _ in $(seq 1 60); do
    id=$(comm -13 <(echo "$before") <(visible_windows) | sed -n 1p)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.5
  done
  return 1
}
# Waits until a list of the window titled $1 shows $3 rows.
wait_rows() {
  for _ in $(seq 1 20); do
    [ "$(probe rows "$1" "$2")" = "$3" ] && return 0
    sleep 0.5
  done
  return 1
}
# The window alone, cut out of a picture of the whole screen (the window
# decorations are Wine's own, so they are part of the screen picture).
shoot() {
  local id=$1 file=$2 X Y WIDTH HEIGHT
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  timeout 30 import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$file"
  echo "screenshot: $shots/$file (${WIDTH}x${HEIGHT})"
}
press() {
  local id=$1; shift
  timeout 5 xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  sleep 0.3
  for key in "$@"; do xdotool key "$key"; sleep 0.3; done
}
# Left click (count 2: double click) at offset dx, dy inside a control;
# negative offsets count from the centre.
click_control() {
  local title=$1 control=$2 dx=${3:--1} dy=${4:--1} count=${5:-1} x y w h
  read -r x y w h < <(probe rect "$title" "$control") || return 1
  [ -n "${h:-}" ] || return 1
  [ "$dx" -ge 0 ] || dx=$((w / 2))
  [ "$dy" -ge 0 ] || dy=$((h / 2))
  xdotool mousemove $((x + dx)) $((y + dy))
  sleep 0.2
  xdotool click --repeat "$count" --delay 120 1
  sleep 0.5
}
# The nine slot texts of key $1 as the example keyboard holds them, one a
# line, UTF-8; "<NOKEY>" is an empty slot.
key_texts() {
  grep -av '^#' "$app/softKB.skb" | sed -n "$(($1 + 4))p" | iconv -f CP932 -t UTF-8 |
    tr -d '\r' | sed -e 's/^"//' -e 's/"$//' -e 's/","/\n/g' | tail -n 9 | sed 's/^<NOKEY>$//'
}
check_fields() {
  local shown
  shown=$(for id in 1012 1013 1014 1015 1016 1017 1018 1019 1020; do probe text "編集" "$id"; done)
  [ "$shown" = "$(key_texts "$1")" ] ||
    fail "the key edit window shows [$(echo $shown)], not the texts of key $1: [$(echo $(key_texts "$1"))]"
}

# The union of two windows, cut out of a picture of the whole screen.
shoot_both() {
  local a=$1 b=$2 file=$3 X Y WIDTH HEIGHT
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$a" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  local left=$X top=$Y right=$((X + WIDTH)) bottom=$((Y + HEIGHT))
  eval "$(xdotool getwindowgeometry --shell "$b" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  [ "$X" -lt "$left" ] && left=$X
  [ "$Y" -lt "$top" ] && top=$Y
  [ $((X + WIDTH)) -gt "$right" ] && right=$((X + WIDTH))
  [ $((Y + HEIGHT)) -gt "$bottom" ] && bottom=$((Y + HEIGHT))
  timeout 30 import -window root -crop "$((right - left))x$((bottom - top))+${left}+${top}" +repage "$shots/$file"
  echo "screenshot: $shots/$file ($((right - left))x$((bottom - top)))"
}
# Starts Marovi.exe in the current folder; sets program and main.
start_program() {
  timeout 300 wine "$app/Marovi.exe" >>"$work/marovi.log" 2>&1 &
  program=$!
  # The first start under another locale can take Wine well over half a
  # minute on a loaded machine.
  main=$(wait_window "^$main_title$" 240) || fail "the main window did not appear within two minutes"
}
# Drops the files onto the list and waits until it shows $1 rows.
drop_files() {
  local rows=$1 lx ly lw lh
  shift
  read -r lx ly lw lh < <(probe rect "$main_title" 1002) || fail "no file list"
  timeout 30 "$work/bin/xdnd-drop" "$main" $((lx + lw / 2)) $((ly + lh / 2)) "$@" || fail "the drop onto the list failed"
  wait_rows "$main_title" 1002 "$rows" || fail "the dropped pages are not listed"
}
wait_dialog_gone() {
  for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name '' 2>/dev/null | grep -x "$1" >/dev/null || return 0
    sleep 0.5
  done
  return 1
}
# The run's closing message, then the main window closed and the process gone.
finish_run_and_close() {
  local box
  box=$(wait_window "^Marovi$") || fail "the run did not end with its message"
  [ -z "${1:-}" ] || shoot "$box" "$1"
  press "$box" Return
  wait_gone "^Marovi$" || fail "the message box did not close"
  [ -z "${2:-}" ] || shoot "$main" "$2"
  press "$main" Escape
  for _ in $(seq 1 40); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$program" 2>/dev/null; then
    fail "Marovi.exe is still running after its main window was closed"
  fi
  wait "$program" || true
}

if [ "$mode" = page ]; then
  folder=$5
  ink=$6
  cd "$folder"
  start_program
  drop_files 1 "$ink"
  known=$(visible_windows)
  click_control "$main_title" 1000 || fail "no conversion button"
  dialog=$(wait_new_window "$known") || fail "no save dialog for $ink"
  # The suggested name, in the folder the dialog opens in.
  press "$dialog" Return
  wait_dialog_gone "$dialog" || fail "the save dialog did not close"
  finish_run_and_close "" "main-$(basename "$folder").png"
  echo "windows-walk: $ink converted under the suggested name"
  exit 0
fi

echo "== the program, in $app"
cd "$app"
start_program
wait_rows "$main_title" 1002 7 || fail "the file list does not show the six empty rows and the hint"
shoot "$main" main.png

# ヘルプ: the manual in the folder the program was started in.
known=$(visible_windows)
rm -f "$work/shell-open.txt"
click_control "$main_title" 57670 || fail "no help button"
for _ in $(seq 1 40); do
  [ -s "$work/shell-open.txt" ] && break
  sleep 0.5
done
[ -s "$work/shell-open.txt" ] || fail "ヘルプ asked the shell to open no document"
request=$(tr -d '\r' <"$work/shell-open.txt" | sed -n 1p)
manual="Z:$(printf '%s' "$app/SKBmanual.pdf" | tr / '\\')"
[ "$(printf '%s' "$request" | tr -d '"' | tr / '\\')" = "$manual" ] ||
  fail "ヘルプ asked the shell to open $request, not $manual"
echo "ヘルプ: the shell was asked to open $request"
for _ in $(seq 1 20); do
  [ "$(visible_windows)" = "$known" ] && break
  sleep 0.5
done

# A press on the free spot below the exit button drags the whole window.
eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
before="$X,$Y"
xdotool mousemove $((X + WIDTH - 80)) $((Y + HEIGHT - 40)) mousedown 1
sleep 0.3
xdotool mousemove $((X + WIDTH - 120)) $((Y + HEIGHT - 60))
sleep 0.3
xdotool mousemove $((X + WIDTH - 140)) $((Y + HEIGHT - 70)) mouseup 1
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(X|Y)=')"
[ "$X,$Y" != "$before" ] || fail "dragging a free spot did not move the main window"
echo "moved: main window from $before to $X,$Y"

click_control "$main_title" 1001 || fail "no button 1001"
setup=$(wait_window "^Keyboard Setup$") || fail "Keyboard Setup did not open"
rows=$(probe rows "Keyboard Setup" 1009)
[ "$rows" = 150 ] || fail "Keyboard Setup lists $rows rows, not 150"
shoot "$setup" keyboard-setup.png

# A double-click on the first row edits key 0.
click_control "Keyboard Setup" 1009 40 6 2 || fail "no key list"
edit=$(wait_window "^編集$") || fail "a double-click on a row did not open the key edit window"
check_fields 0
[ "$(probe enabled "編集" 1012 1013 1014 1015 1016 1017 1018 1019 1020)" = "1 1 1 1 1 1 1 1 1" ] ||
  fail "fields of key 0, which keydef.skb leaves free, are disabled"
shoot "$edit" key-edit.png
press "$edit" Escape
wait_gone "^編集$" || fail "the key edit window did not close"

# Key 55 is locked in every slot: down the list from the first row, then Edit.
click_control "Keyboard Setup" 1009 40 6 1
xdotool key --repeat 55 --delay 30 Down
click_control "Keyboard Setup" 1011 || fail "no edit button"
edit=$(wait_window "^編集$") || fail "the edit button did not open the key edit window"
check_fields 55
[ "$(probe enabled "編集" 1012 1013 1014 1015 1016 1017 1018 1019 1020)" = "0 0 0 0 0 0 0 0 0" ] ||
  fail "the locked fields of key 55 are enabled"
shoot "$edit" key-edit-locked.png
press "$edit" Escape
wait_gone "^編集$" || fail "the key edit window did not close"
press "$setup" Escape
wait_gone "^Keyboard Setup$" || fail "Keyboard Setup did not close"

# The example pages dropped onto the list as a file manager drops them.
drop_files 2 "$work/run/calibrated.ink" "$work/run/memo.ink"
shoot "$main" main-dropped.png

# Each page gets its save dialog; the pages go into walk/. The first dialog
# is moved below the main window, so the picture shows the row being saved
# highlighted although the list has lost the focus.
known=$(visible_windows)
click_control "$main_title" 1000 || fail "no conversion button"
walk="Z:$(echo "$work/walk" | tr / '\\')"
first=1
for page in calibrated memo; do
  dialog=$(wait_new_window "$known") || fail "no save dialog for $page"
  if [ $first = 1 ]; then
    eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    xdotool windowmove "$dialog" "$X" $((Y + HEIGHT - 30)) 2>/dev/null || true
    shoot_both "$main" "$dialog" save-dialog.png
  fi
  first=0
  press "$dialog" End shift+Home
  xdotool type --delay 20 "$walk\\$page.html"
  sleep 0.3
  xdotool key Return
  wait_dialog_gone "$dialog" || fail "the save dialog for $page did not close"
done
finish_run_and_close message.png main-converted.png
echo "windows-walk: the program ended with its main window"
