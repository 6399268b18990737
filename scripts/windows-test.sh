#!/usr/bin/env bash
# Cross-builds the Windows program and drives it under Wine on a virtual X
# screen: the main window, Keyboard Setup (by the keyboard: Tab to "設定",
# Space) and the key edit window (Down selects the first key, Tab to "編集",
# Space); Escape closes them one after the other and the program must end.
# Screenshots of the three windows go to out/windows/.
#
# usage: scripts/windows-test.sh
set -euo pipefail

if [ "${1:-}" = "--on-screen" ]; then
  # Second stage, inside xvfb-run: $2 is the work folder with the program.
  work=$2
  shots=$3
  fail() { echo "windows-test: $*" >&2; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }

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
  # The window alone, cut out of a picture of the whole screen (the window
  # decorations are Wine's own, so they are part of the screen picture).
  shoot() {
    local id=$1 file=$2 X Y WIDTH HEIGHT
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$file"
    echo "screenshot: $shots/$file (${WIDTH}x${HEIGHT})"
  }
  press() {
    local id=$1; shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.3
    for key in "$@"; do xdotool key "$key"; sleep 0.3; done
  }

  timeout 180 wineboot -i >/dev/null 2>&1 || fail "wineboot did not finish"
  timeout 60 wine regedit "$work/wine.reg" >/dev/null 2>&1 || fail "regedit failed"
  timeout 60 wineserver -w || true

  cd "$work/run"
  # The adapters of the platform interfaces against real controls first.
  if [ -f test_win32.exe ]; then
    timeout 180 wine test_win32.exe >"$work/test_win32.log" 2>&1 || { cat "$work/test_win32.log"; fail "test_win32.exe failed"; }
    tail -n 1 "$work/test_win32.log"
  fi

  wine Marovi.exe >"$work/marovi.log" 2>&1 &
  program=$!

  main=$(wait_window "^Veda-Rovodad for Inkora$") || fail "the main window did not appear"
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

  press "$main" Tab Tab Tab space
  setup=$(wait_window "^Keyboard Setup$") || fail "Keyboard Setup did not open"
  shoot "$setup" keyboard-setup.png

  press "$setup" Down Tab space
  edit=$(wait_window "^編集$") || fail "the key edit window did not open"
  shoot "$edit" key-edit.png

  press "$edit" Escape
  wait_gone "^編集$" || fail "the key edit window did not close"
  press "$setup" Escape
  wait_gone "^Keyboard Setup$" || fail "Keyboard Setup did not close"
  press "$main" Escape
  for _ in $(seq 1 40); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$program" 2>/dev/null; then
    fail "Marovi.exe is still running after its main window was closed"
  fi
  wait "$program" || true
  timeout 30 wineserver -k || true
  echo "windows-test: the program ended with its main window"
  exit 0
fi

cd "$(dirname "$0")/.."
root=$(pwd)
# Installed with their recommended packages: Wine draws text through the X
# render extension libraries and its own fonts, which are recommendations.
packages=(cmake make g++-mingw-w64-x86-64 googletest wine wine64 fonts-wine xvfb xauth xdotool imagemagick
  fonts-ipafont-gothic)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f s", b - a }'; }

t=$(seconds)
bash scripts/build-libjpeg-mingw.sh "$root/build-windows"
echo "time: libjpeg $(elapsed "$t")"

t=$(seconds)
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc 2>/dev/null || echo 2)"
echo "time: cross build $(elapsed "$t")"

shots=$root/out/windows
mkdir -p "$shots"
rm -f "$shots"/*.png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run"
cp build-windows/bin/Marovi.exe build-windows/bin/*.dll "$work/run/"
cp build-windows/bin/test_win32.exe "$work/run/" 2>/dev/null || true
cp examples/softKB.skb examples/keydef.skb "$work/run/" 2>/dev/null || true

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

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
t=$(seconds)
status=0
timeout 420 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-screen "$work" "$shots" || status=$?
echo "time: Wine run $(elapsed "$t")"
exit $status
