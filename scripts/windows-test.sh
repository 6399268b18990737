#!/usr/bin/env bash
# The Windows program's acceptance check. Cross-builds Marovi.exe,
# ZEL640_IF.dll and marovi-convert.exe with mingw-w64, checks what they export
# and import, and runs them under Wine on a virtual X screen:
#   1. marovi-convert.exe converts the example pages; each HTML file must
#      equal the Linux build's byte for byte, each picture pixel for pixel;
#   2. test_win32.exe: the adapters and the program's windows against real
#      controls;
#   3. a walk through the real program with X input: the main window, moved
#      by a free spot; Keyboard Setup with the example keyboard's 150 rows; the
#      key edit window by a double-click on a row, and for a locked key; the
#      example pages dropped onto the list (XDND, as a file manager drops),
#      converted through the save dialog and compared with the Linux pages
#      again; then everything is closed and the process must have ended.
# Screenshots go to out/windows/. Every Wine call runs under a timeout, and
# the Wine server is stopped at the end, whatever happened.
#
# usage: scripts/windows-test.sh
# environment: MAROVI_WINDOWS_BUILD  cross build folder (default build-windows)
#              MAROVI_LINUX_BUILD    a Linux build holding bin/inkgen and
#                                    bin/marovi-convert (default: build/, made
#                                    through the release preset)
set -euo pipefail

if [ "${1:-}" = "--on-screen" ]; then
  # Second stage, inside xvfb-run: $2 is the work folder, $3 the screenshots.
  work=$2
  shots=$3
  fail() {
    echo "windows-test: $*" >&2
    timeout 30 import -window root "$shots/failure.png" 2>/dev/null || true
    timeout 30 wineserver -k 2>/dev/null || true
    exit 1
  }
  probe() { timeout 30 wine "$work/run/ui-probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

  # Waits for a visible window whose title matches, prints its id.
  wait_window() {
    local title=$1 id
    for _ in $(seq 1 60); do
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
    grep -av '^#' "$work/run/softKB.skb" | sed -n "$(($1 + 4))p" | iconv -f CP932 -t UTF-8 |
      tr -d '\r' | sed -e 's/^"//' -e 's/"$//' -e 's/","/\n/g' | tail -n 9 | sed 's/^<NOKEY>$//'
  }
  check_fields() {
    local shown
    shown=$(for id in 1012 1013 1014 1015 1016 1017 1018 1019 1020; do probe text "編集" "$id"; done)
    [ "$shown" = "$(key_texts "$1")" ] ||
      fail "the key edit window shows [$(echo $shown)], not the texts of key $1: [$(echo $(key_texts "$1"))]"
  }

  timeout 180 wineboot -i >/dev/null 2>&1 || fail "wineboot did not finish"
  timeout 60 wine regedit "$work/wine.reg" >/dev/null 2>&1 || fail "regedit failed"
  timeout 60 wineserver -w || true

  echo "== marovi-convert.exe on the example pages"
  (cd "$work/wine-convert" && timeout 120 wine marovi-convert.exe --force -k keyboard -d . ./*.ink) ||
    fail "marovi-convert.exe failed"

  echo "== test_win32.exe: adapters and windows against real controls"
  (cd "$work/run" && timeout 300 wine test_win32.exe >"$work/test_win32.log" 2>&1) ||
    { cat "$work/test_win32.log"; fail "test_win32.exe failed"; }
  grep -E '^\[  (PASSED|FAILED) ' "$work/test_win32.log" || true

  echo "== the program"
  main_title="Veda-Rovodad for Inkora"
  cd "$work/run"
  timeout 300 wine Marovi.exe >"$work/marovi.log" 2>&1 &
  program=$!

  main=$(wait_window "^$main_title$") || fail "the main window did not appear"
  wait_rows "$main_title" 1002 7 || fail "the file list does not show the six empty rows and the hint"
  shoot "$main" main.png

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
  read -r lx ly lw lh < <(probe rect "$main_title" 1002) || fail "no file list"
  timeout 30 "$work/bin/xdnd-drop" "$main" $((lx + lw / 2)) $((ly + lh / 2)) \
    "$work/run/calibrated.ink" "$work/run/memo.ink" || fail "the drop onto the list failed"
  wait_rows "$main_title" 1002 2 || fail "the dropped pages are not listed"
  shoot "$main" main-dropped.png

  # Each page gets its save dialog; the pages go into walk/.
  known=$(visible_windows)
  click_control "$main_title" 1000 || fail "no conversion button"
  walk="Z:$(echo "$work/walk" | tr / '\\')"
  first=1
  for page in calibrated memo; do
    dialog=$(wait_new_window "$known") || fail "no save dialog for $page"
    [ $first = 1 ] && shoot "$dialog" save-dialog.png
    first=0
    press "$dialog" End shift+Home
    xdotool type --delay 20 "$walk\\$page.html"
    sleep 0.3
    xdotool key Return
    for _ in $(seq 1 40); do
      xdotool search --onlyvisible --name '' 2>/dev/null | grep -x "$dialog" >/dev/null || break
      sleep 0.5
    done
  done
  box=$(wait_window "^Marovi$") || fail "the run did not end with its message"
  shoot "$box" message.png
  press "$box" Return
  wait_gone "^Marovi$" || fail "the message box did not close"
  shoot "$main" main-converted.png

  press "$main" Escape
  for _ in $(seq 1 40); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$program" 2>/dev/null; then
    fail "Marovi.exe is still running after its main window was closed"
  fi
  wait "$program" || true
  echo "windows-test: the program ended with its main window"
  timeout 30 wineserver -k || true
  exit 0
fi

cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/setup.sh
# Installed with their recommended packages: Wine draws text through the X
# render extension libraries and its own fonts, which are recommendations.
packages=("${MAROVI_BASE_PACKAGES[@]}" g++-mingw-w64-x86-64 googletest wine wine64 fonts-wine xvfb xauth
  xdotool imagemagick fonts-ipafont-gothic libx11-dev)
marovi_need_packages --with-recommends "${packages[@]}"

seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f s", b - a }'; }
fail() { echo "windows-test: $*" >&2; exit 1; }
jobs=$(nproc 2>/dev/null || echo 2)
started=$(seconds)

wbuild=${MAROVI_WINDOWS_BUILD:-$root/build-windows}
t=$(seconds)
timeout 600 bash scripts/build-libjpeg-mingw.sh "$wbuild"
echo "time: libjpeg $(elapsed "$t")"

t=$(seconds)
if [ "$wbuild" = "$root/build-windows" ]; then
  cmake --preset windows >/dev/null
else
  cmake --preset windows -B "$wbuild" -DJPEG_INCLUDE_DIR="$wbuild/_deps/libjpeg/include" \
    -DJPEG_LIBRARY="$wbuild/_deps/libjpeg/lib/libjpeg.a" >/dev/null
fi
timeout 1200 cmake --build "$wbuild" -j "$jobs"
echo "time: cross build $(elapsed "$t")"

if [ -n "${MAROVI_LINUX_BUILD:-}" ]; then
  lbuild=$MAROVI_LINUX_BUILD
else
  t=$(seconds)
  lbuild=$root/build
  cmake --preset release >/dev/null
  timeout 900 cmake --build --preset release -j "$jobs" --target inkgen marovi-convert
  echo "time: Linux build $(elapsed "$t")"
fi

echo "== the deliverables"
bin=$wbuild/bin
for f in Marovi.exe ZEL640_IF.dll marovi-convert.exe test_win32.exe ui-probe.exe; do
  [ -f "$bin/$f" ] || fail "$bin/$f was not built"
done
exports=$(x86_64-w64-mingw32-objdump -p "$bin/ZEL640_IF.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '$NF ~ /^ZEL640_/ { print $NF }' | sort)
expected=$(printf '%s\n' ZEL640_Open ZEL640_Close ZEL640_GetHeader ZEL640_GetStrokeSize ZEL640_GetStrokes \
  ZEL640_RotateStrokes ZEL640_SetStrokesBuffer ZEL640_AnalyzeAndLock ZEL640_Free ZEL640_GetLastError \
  ZEL640_Version | sort)
[ "$exports" = "$expected" ] || fail "ZEL640_IF.dll exports $(echo $exports), not the eleven functions"
echo "ZEL640_IF.dll exports:" $exports
imports=$(x86_64-w64-mingw32-objdump -p "$bin/Marovi.exe" |
  sed -n '/DLL Name: ZEL640_IF.dll/,/^$/p' | awk '$NF ~ /^ZEL640_[A-Za-z]+$/ { print $NF }' | sort)
[ -n "$imports" ] || fail "Marovi.exe does not import from ZEL640_IF.dll"
[ -z "$(comm -23 <(echo "$imports") <(echo "$expected"))" ] || fail "Marovi.exe imports unknown ZEL640_ names"
echo "Marovi.exe imports from ZEL640_IF.dll:" $imports
# Only the system's DLLs and ZEL640_IF.dll: no runtime of the cross compiler.
for f in Marovi.exe ZEL640_IF.dll marovi-convert.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$bin/$f" | awk '/DLL Name:/ { print $3 }')
  others=$(echo "$dlls" | grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|msvcrt|ZEL640_IF)\.dll$' || true)
  [ -z "$others" ] || fail "$f needs $(echo $others) beside it"
  echo "$f needs:" $dlls
done

shots=$root/out/windows
mkdir -p "$shots"
rm -f "$shots"/*.png
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/bin" "$work/pages/keyboard" "$work/linux/keyboard" "$work/wine-convert/keyboard" "$work/run" \
  "$work/walk" "$work/wine-slash/keyboard"
cc -O2 -o "$work/bin/xdnd-drop" tests/platform/win32/xdnd_drop.c -lX11

# The example pages, made once with the Linux inkgen and converted by both
# builds, each on a fresh copy of the example keyboard: the calibration page
# rewrites softKB.skb, and the next page is read with the new marks.
cp examples/softKB.skb examples/keydef.skb "$work/pages/keyboard/"
for script in examples/*.ink.txt; do
  timeout 60 "$lbuild/bin/inkgen" --keyboard "$work/pages/keyboard/softKB.skb" "$script" \
    "$work/pages/$(basename "$script" .txt)"
done
pages=$(cd "$work/pages" && ls ./*.ink)
for dir in linux wine-convert wine-slash; do
  cp examples/softKB.skb examples/keydef.skb "$work/$dir/keyboard/"
  cp "$work"/pages/*.ink "$work/$dir/"
done
echo "== the example pages converted by the Linux build"
(cd "$work/linux" && timeout 60 "$lbuild/bin/marovi-convert" --force -k keyboard -d . $pages)
cp "$bin/marovi-convert.exe" "$bin/ZEL640_IF.dll" "$work/wine-convert/"
cp "$bin/marovi-convert.exe" "$bin/ZEL640_IF.dll" "$work/wine-slash/"
cp "$bin/Marovi.exe" "$bin/ZEL640_IF.dll" "$bin/test_win32.exe" "$bin/ui-probe.exe" "$work/run/"
cp examples/softKB.skb examples/keydef.skb "$work"/pages/*.ink "$work/run/"

# The dialog font has no Windows original here: IPA P Gothic stands in. The
# file must be UTF-16 (a REGEDIT4 file is read as ANSI and mangles the
# full-width font name). Wine draws the window frames itself, as there is no
# window manager on the virtual screen.
printf '%s\r\n' \
  'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
  '"ＭＳ Ｐゴシック"="IPAPGothic"' \
  '"MS Shell Dlg"="IPAPGothic"' \
  '"Tahoma"="IPAPGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
  '"Decorated"="N"' \
  | iconv -f UTF-8 -t UTF-16 > "$work/wine.reg"

t=$(seconds)
timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-screen "$work" "$shots" ||
  fail "the run under Wine failed (time $(elapsed "$t"))"
echo "time: Wine run $(elapsed "$t")"

# Pages equal byte for byte; pictures decoded and compared pixel by pixel, so
# a libjpeg of another build or version would still pass with the same image.
compare_pages() {
  local name=$1 got=$2 want=$3 n=0 identical=0
  for html in "$want"/*.html; do
    cmp -s "$html" "$got/$(basename "$html")" || fail "$name: $(basename "$html") differs from the Linux page"
  done
  for picture in "$want"/*.files/*; do
    local other=$got/${picture#"$want"/}
    [ -f "$other" ] || fail "$name: ${picture#"$want"/} is missing"
    local differing
    differing=$(compare -metric AE "$picture" "$other" null: 2>&1) || true
    [ "$differing" = 0 ] || fail "$name: ${picture#"$want"/} differs in $differing pixels"
    n=$((n + 1))
    cmp -s "$picture" "$other" && identical=$((identical + 1))
  done
  [ "$n" -gt 0 ] || fail "$name: the Linux pages have no pictures"
  echo "$name: $(ls "$want"/*.html | wc -l) pages equal byte for byte;" \
    "$n pictures equal pixel for pixel, $identical of them byte for byte"
}
compare_pages "marovi-convert.exe" "$work/wine-convert" "$work/linux"

# Paths given with "/" on Windows: the pages go into a folder that does not
# exist yet, and every picture link must resolve from the page's folder. The
# Wine prefix is ready from the run above; a console program needs no screen.
(cd "$work/wine-slash" && timeout 120 wine marovi-convert.exe --force -k keyboard -d sub/pages/ $pages \
  >/dev/null 2>"$work/wine-slash.log") || { cat "$work/wine-slash.log"; fail "marovi-convert.exe -d sub/pages/ failed"; }
slash_pages=0 slash_links=0
for html in "$work"/wine-slash/sub/pages/*.html; do
  slash_pages=$((slash_pages + 1))
  for src in $(grep -ao '<img src="[^"]*"' "$html" | sed -e 's/^<img src="//' -e 's/"$//'); do
    [ -f "$(dirname "$html")/$src" ] ||
      fail "marovi-convert.exe -d sub/pages/: $(basename "$html") shows $src, which is not there"
    slash_links=$((slash_links + 1))
  done
done
[ "$slash_links" -gt 0 ] || fail "marovi-convert.exe -d sub/pages/: no picture links in $slash_pages pages"
echo "marovi-convert.exe -d sub/pages/: $slash_pages pages, all $slash_links picture links resolve"

# The Windows build cannot draw: --explain is refused before any page is made.
explain_status=0
(cd "$work/wine-slash" && timeout 120 wine marovi-convert.exe --explain -k keyboard -d explained $pages \
  >/dev/null 2>"$work/wine-explain.log") || explain_status=$?
[ "$explain_status" -eq 2 ] && grep -a "this build cannot draw" "$work/wine-explain.log" >/dev/null &&
  [ ! -e "$work/wine-slash/explained" ] ||
  { cat "$work/wine-explain.log"; fail "marovi-convert.exe --explain: exit $explain_status, not refused with 2"; }
echo "marovi-convert.exe --explain: refused (this build cannot draw)"
compare_pages "Marovi.exe" "$work/walk" "$work/linux"
echo "time: windows-test $(elapsed "$started")"
