#!/usr/bin/env bash
# The Windows program's acceptance check. Cross-builds Marovi.exe,
# ZEL640_IF.dll and marovi-convert.exe with mingw-w64, takes the Windows zip
# (dist/Marovi-<version>-win64.zip when it is newer than the cross build,
# otherwise one made by scripts/windows-zip.sh into out/windows/), unpacks it
# into a fresh folder and checks what is in it: the files, the programs'
# version resources, what they export and import, and a C program built
# against the zip's header and import library. Then the unpacked programs run
# under Wine on a virtual X screen, from their folder:
#   1. marovi-convert.exe converts the example pages, and their InkML as
#      the Linux build writes it; each HTML file must
#      equal the Linux build's byte for byte, each picture pixel for pixel;
#   2. test_win32.exe: the adapters and the program's windows against real
#      controls;
#   3. the walk through the real program with X input (scripts/windows-walk.sh),
#      started in the unpacked folder: ヘルプ must ask the shell to open the
#      manual in that folder; the example pages dropped and converted through
#      the save dialog must equal the Linux pages again;
#   4. two short walks under other locales, whose ANSI code page Wine takes
#      from the locale: a Western one (code page 1252) with a folder and a
#      page named with "é", and a Japanese one (code page 932) with "表",
#      whose second Shift_JIS byte is a backslash. Each page, saved under the
#      name the save dialog suggests, must equal the Linux page of an ink file
#      of the same name in that code page.
# Screenshots go to out/windows/. Every Wine call runs under a timeout, and
# the Wine server is stopped at the end, whatever happened.
#
# usage: scripts/windows-test.sh
# environment: MAROVI_WINDOWS_BUILD  cross build folder (default build-windows)
#              MAROVI_LINUX_BUILD    a Linux build holding bin/inkgen,
#                                    bin/marovi-convert, lib/libZEL640_IF.so
#                                    and, to make the zip, share/marovi with
#                                    the manual (default: build/, made through
#                                    the release preset)
set -euo pipefail

if [ "${1:-}" = "--on-screen" ]; then
  # Second stage, inside xvfb-run: $2 is the work folder, $3 the screenshots,
  # $4 the unpacked zip's folder.
  work=$2
  shots=$3
  app=$4
  root=$(cd "$(dirname "$0")/.." && pwd)
  source "$root/scripts/setup.sh"
  # What the screen showed when it failed, and no Wine left running.
  marovi_before_fail() {
    timeout 30 import -window root "$shots/failure.png" 2>/dev/null || true
    timeout 30 wineserver -k 2>/dev/null || true
  }
  timeout 180 wineboot -i >/dev/null 2>&1 || fail "wineboot did not finish"
  timeout 60 wine regedit "$work/wine.reg" >/dev/null 2>&1 || fail "regedit failed"
  timeout 60 wineserver -w || true

  echo "== marovi-convert.exe on the example pages"
  (cd "$work/wine-convert" && timeout 120 wine "$app/marovi-convert.exe" --force -k keyboard -d . ./*.ink) ||
    fail "marovi-convert.exe failed"
  echo "== marovi-convert.exe on the InkML of the example pages"
  (cd "$work/wine-inkml" && timeout 120 wine "$app/marovi-convert.exe" --force -k keyboard -d . ./*.inkml) ||
    fail "marovi-convert.exe failed on InkML"

  echo "== test_win32.exe: adapters and windows against real controls"
  (cd "$work/run" && timeout 300 wine test_win32.exe >"$work/test_win32.log" 2>&1) ||
    { cat "$work/test_win32.log"; fail "test_win32.exe failed"; }
  grep -E '^\[  (PASSED|FAILED) ' "$work/test_win32.log" || true

  bash "$root/scripts/windows-walk.sh" full "$work" "$shots" "$app" || fail "the walk through the program failed"
  timeout 30 wineserver -k || true

  # Each locale walk in a fresh Wine server, so every process takes the
  # locale's code page. The save dialog is to open in the program's folder,
  # so the folder the last walk saved in is forgotten first.
  for walk in en ja; do
    case $walk in
      en) locale=en_US.UTF-8 name=José folder=dé ;;
      ja) locale=ja_JP.UTF-8 name=表 folder=表 ;;
    esac
    echo "== walk under $locale: $folder/$name.ink"
    timeout 60 wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f \
      >/dev/null 2>&1 || true
    timeout 30 wineserver -w || true
    LOCPATH="$work/locales" LC_ALL=$locale bash "$root/scripts/windows-walk.sh" page "$work" "$shots" "$app" \
      "$work/walk-$walk" "$work/walk-$walk/$folder/$name.ink" || fail "the walk under $locale failed"
    timeout 30 wineserver -k || true
  done
  timeout 30 wineserver -k || true
  exit 0
fi

cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/setup.sh
# Installed with their recommended packages: Wine draws text through the X
# render extension libraries and its own fonts, which are recommendations.
packages=("${MAROVI_BASE_PACKAGES[@]}" g++-mingw-w64-x86-64 googletest wine wine64 fonts-wine xvfb xauth
  xdotool imagemagick fonts-ipafont-gothic libx11-dev locales python3 unzip)
marovi_need_packages --with-recommends "${packages[@]}"

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
  timeout 900 cmake --build --preset release -j "$jobs" --target inkgen marovi-convert ZEL640_IF
  echo "time: Linux build $(elapsed "$t")"
fi

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
  "$work/walk" "$work/wine-slash/keyboard" "$work/consumer"
cc -O2 -o "$work/bin/xdnd-drop" tests/platform/win32/xdnd_drop.c -lX11

echo "== the Windows zip"
bin=$wbuild/bin
for f in Marovi.exe ZEL640_IF.dll marovi-convert.exe test_win32.exe ui-probe.exe; do
  [ -f "$bin/$f" ] || fail "$bin/$f was not built"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$wbuild/CMakeCache.txt" | sed -n 1p)
[ -n "$version" ] || fail "$wbuild/CMakeCache.txt names no project version"
# The packaged zip, unless something it was made from is newer.
zip=$root/dist/Marovi-$version-win64.zip
for f in "$bin/Marovi.exe" "$bin/ZEL640_IF.dll" "$bin/marovi-convert.exe" "$wbuild/lib/ZEL640_IF.lib" \
  inklib/ZEL640_IF.h docs/windows/hajimeni.txt; do
  [ -f "$zip" ] && [ ! "$f" -nt "$zip" ] || { zip=; break; }
done
if [ -n "$zip" ]; then
  echo "taken from scripts/package.sh: $zip"
else
  # The Linux build's share/marovi, brought up to date: the sheet and the
  # manual are built with everything else, the manual only with WeasyPrint
  # and the build's option for it.
  share=$lbuild/share/marovi
  if [ -z "${MAROVI_LINUX_BUILD:-}" ]; then
    t=$(seconds)
    if [ ! -f "$share/SKBmanual.pdf" ]; then
      marovi_need_packages weasyprint
      cmake --preset release -DMAROVI_MANUAL=ON >/dev/null
    fi
    timeout 900 cmake --build --preset release -j "$jobs" >/dev/null
    echo "time: Linux build of share/marovi $(elapsed "$t")"
  fi
  [ -f "$share/SKBmanual.pdf" ] ||
    fail "no zip to test: dist/Marovi-$version-win64.zip is missing or older than the cross build, and" \
      "$share/SKBmanual.pdf, which a new one needs, was not built (configure $lbuild with -DMAROVI_MANUAL=ON," \
      "or run scripts/package.sh)"
  bash scripts/windows-zip.sh "$lbuild" "$wbuild" "$shots" >/dev/null
  zip=$shots/Marovi-$version-win64.zip
  echo "made by scripts/windows-zip.sh: $zip"
fi
unzip -l "$zip"

# Unpacked by Python's zipfile, which reads the UTF-8 flag whatever the locale.
app=$work/unpacked/Marovi-$version
python3 - "$zip" "$work/unpacked" "Marovi-$version" <<'PYTHON' || fail "$zip is not as shipped"
import sys, zipfile

path, target, folder = sys.argv[1:]
files = {"Marovi.exe", "marovi-convert.exe", "ZEL640_IF.dll", "ZEL640_IF.lib", "ZEL640_IF.h", "softKB.skb",
         "keydef.skb", "softKB-sheet.pdf", "SKBmanual.pdf", "はじめに.txt"}
with zipfile.ZipFile(path) as archive:
    names = set(archive.namelist())
    expected = {f"{folder}/"} | {f"{folder}/{name}" for name in files}
    if names != expected:
        sys.exit(f"entries {sorted(names)}, not {sorted(expected)}")
    notes = archive.getinfo(f"{folder}/はじめに.txt")
    if not notes.flag_bits & 0x800:
        sys.exit("はじめに.txt: the name is not flagged UTF-8")
    data = archive.read(notes)
    text = data.decode("cp932")
    if data.count(b"\n") != data.count(b"\r\n") or not data.endswith(b"\r\n"):
        sys.exit("はじめに.txt: lines do not all end in CR LF")
    for name in ("Marovi.exe", "SKBmanual.pdf", "softKB-sheet.pdf", "marovi-convert.exe", "ZEL640_IF.lib"):
        if name not in text:
            sys.exit(f"はじめに.txt does not mention {name}")
    archive.extractall(target)
print(f"{len(files)} files in {folder}/; はじめに.txt: Shift_JIS, CR LF, "
      f"{text.count(chr(10))} lines, its name flagged UTF-8")
PYTHON

echo "== the deliverables, as unpacked"
# The version resources as the resource compiler reads them back.
IFS=. read -r major minor patch <<<"$version"
for f in Marovi.exe ZEL640_IF.dll marovi-convert.exe; do
  x86_64-w64-mingw32-windres -i "$app/$f" -O rc >"$work/resources.rc" 2>/dev/null ||
    fail "$f: its resources cannot be read"
  python3 - "$f" "$version" "$major, $minor, $patch, 0" "$work/resources.rc" <<'PYTHON' || fail "$f: wrong version resource"
import re, sys

name, version, numbers, rc = sys.argv[1:]
text = open(rc, encoding="utf-8", errors="replace").read()
block = re.search(r"^\d+ VERSIONINFO\n(.*?)^END", text, re.M | re.S)
if not block:
    sys.exit(f"{name}: no VERSIONINFO")
block = block.group(1)
def value(key):
    found = re.search(r'VALUE "%s", (L?)"((?:[^"\\]|\\.)*)"' % key, block)
    if not found:
        return None
    raw = found.group(2)
    return re.sub(r"\\x([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)), raw) if found.group(1) else raw
problems = [f"{field} is not {numbers}" for field in ("FILEVERSION", "PRODUCTVERSION")
            if not re.search(rf"^ *{field} {numbers}$", block, re.M)]
if 'BLOCK "041103a4"' not in block or not re.search(r'VALUE "Translation", 0x411, 932', block):
    problems.append("the strings are not Japanese in code page 932 (041103a4)")
wanted = {"FileVersion": version, "ProductVersion": version, "ProductName": "Marovi", "OriginalFilename": name}
problems += [f"{key} is {value(key)!r}, not {want!r}" for key, want in wanted.items() if value(key) != want]
if not value("FileDescription"):
    problems.append("no FileDescription")
if name == "Marovi.exe" and f'name=""Marovi"" version=""{numbers.replace(", ", ".")}""' not in text:
    problems.append(f"the manifest does not give the version {numbers.replace(', ', '.')}")
if problems:
    sys.exit(f"{name}: " + "; ".join(problems))
print(f"{name}: VERSIONINFO {numbers.replace(', ', '.')}, 041103a4 (Japanese, code page 932): "
      + ", ".join(f"{key} {value(key)}" for key in ("FileDescription", "FileVersion", "ProductVersion",
                                                   "ProductName", "OriginalFilename")))
PYTHON
done

exports=$(x86_64-w64-mingw32-objdump -p "$app/ZEL640_IF.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '$NF ~ /^ZEL640_/ { print $NF }' | sort)
expected=$(printf '%s\n' ZEL640_Open ZEL640_Close ZEL640_GetHeader ZEL640_GetStrokeSize ZEL640_GetStrokes \
  ZEL640_RotateStrokes ZEL640_SetStrokesBuffer ZEL640_AnalyzeAndLock ZEL640_Free ZEL640_GetLastError \
  ZEL640_Version | sort)
[ "$exports" = "$expected" ] || fail "ZEL640_IF.dll exports $(echo $exports), not the eleven functions"
echo "ZEL640_IF.dll exports:" $exports
imports=$(x86_64-w64-mingw32-objdump -p "$app/Marovi.exe" |
  sed -n '/DLL Name: ZEL640_IF.dll/,/^$/p' | awk '$NF ~ /^ZEL640_[A-Za-z]+$/ { print $NF }' | sort)
[ -n "$imports" ] || fail "Marovi.exe does not import from ZEL640_IF.dll"
[ -z "$(comm -23 <(echo "$imports") <(echo "$expected"))" ] || fail "Marovi.exe imports unknown ZEL640_ names"
echo "Marovi.exe imports from ZEL640_IF.dll:" $imports
# Only the system's DLLs and ZEL640_IF.dll: no runtime of the cross compiler.
for f in Marovi.exe ZEL640_IF.dll marovi-convert.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$app/$f" | awk '/DLL Name:/ { print $3 }')
  others=$(echo "$dlls" | grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|msvcrt|ZEL640_IF)\.dll$' || true)
  [ -z "$others" ] || fail "$f needs $(echo $others) beside it"
  echo "$f needs:" $dlls
done

# A C caller built with nothing but the zip's header and import library,
# beside a copy of the zip's DLL; it is run under Wine once the prefix is up.
# Its twin, built from the same source against the Linux library, gives the
# lines it must print.
x86_64-w64-mingw32-gcc -std=c11 -O2 -Wall -Werror -I "$app" -o "$work/consumer/zel640_consumer.exe" \
  tests/platform/win32/zel640_consumer.c "$app/ZEL640_IF.lib" || fail "no C program builds against ZEL640_IF.lib"
cp "$app/ZEL640_IF.dll" "$work/consumer/"
cc -std=c11 -O2 -Wall -Werror -I inklib -o "$work/bin/zel640_consumer" tests/platform/win32/zel640_consumer.c \
  -L "$lbuild/lib" -lZEL640_IF -Wl,-rpath,"$lbuild/lib"

# The example pages, made once with the Linux inkgen and converted by both
# builds, each on a fresh copy of the example keyboard: the calibration page
# rewrites softKB.skb, and the next page is read with the new marks.
cp examples/softKB.skb examples/keydef.skb "$work/pages/keyboard/"
for script in examples/*.ink.txt; do
  timeout 60 "$lbuild/bin/inkgen" --keyboard "$work/pages/keyboard/softKB.skb" "$script" \
    "$work/pages/$(basename "$script" .txt)"
done
pages=$(cd "$work/pages" && ls ./*.ink)
cp examples/softKB.skb examples/keydef.skb "$work/linux/keyboard/"
for dir in linux wine-convert wine-slash; do
  [ "$dir" = linux ] || cp "$app/softKB.skb" "$app/keydef.skb" "$work/$dir/keyboard/"
  cp "$work"/pages/*.ink "$work/$dir/"
done
echo "== the example pages converted by the Linux build, with their InkML"
(cd "$work/linux" && timeout 60 "$lbuild/bin/marovi-convert" --force --inkml -k keyboard -d . $pages)
# The InkML, read on Windows, must give the same pages again.
mkdir -p "$work/wine-inkml/keyboard"
cp "$app/softKB.skb" "$app/keydef.skb" "$work/wine-inkml/keyboard/"
cp "$work"/linux/*.inkml "$work/wine-inkml/"
# The test tools stay in a folder of their own, with the build's DLL.
cp "$bin/ZEL640_IF.dll" "$bin/test_win32.exe" "$bin/ui-probe.exe" "$work/run/"
cp examples/softKB.skb examples/keydef.skb "$work"/pages/*.ink "$work/run/"

# The locale walks. Their locales are built into the work folder (Wine
# finds them through LOCPATH), so the system's locales stay as they are. Each
# walk's folder holds a fresh example keyboard and the memo page under a name
# beyond ASCII; its Linux page is made from an ink file whose name holds the
# bytes that name has in the walk's ANSI code page, as the program sees it.
mkdir -p "$work/locales"
for locale in en_US ja_JP; do
  timeout 120 localedef -i "$locale" -f UTF-8 "$work/locales/$locale.UTF-8" 2>/dev/null ||
    [ -d "$work/locales/$locale.UTF-8" ] || fail "the locale $locale.UTF-8 could not be built"
done
for walk in en ja; do
  case $walk in
    en) name=José folder=dé codepage=CP1252 ;;
    ja) name=表 folder=表 codepage=CP932 ;;
  esac
  mkdir -p "$work/walk-$walk/$folder" "$work/linux-$walk/keyboard"
  cp examples/softKB.skb examples/keydef.skb "$work/walk-$walk/"
  cp "$work/pages/memo.ink" "$work/walk-$walk/$folder/$name.ink"
  cp examples/softKB.skb examples/keydef.skb "$work/linux-$walk/keyboard/"
  native=$(printf '%s' "$name" | iconv -f UTF-8 -t "$codepage")
  cp "$work/pages/memo.ink" "$work/linux-$walk/$native.ink"
  (cd "$work/linux-$walk" && timeout 60 "$lbuild/bin/marovi-convert" --force -k keyboard -d . "./$native.ink" \
    >/dev/null 2>&1) || fail "the Linux build did not convert the page of the $walk walk"
done

# The dialog font has no Windows original here: IPA P Gothic stands in. The
# file must be UTF-16 (a REGEDIT4 file is read as ANSI and mangles the
# full-width font name). Wine draws the window frames itself, as there is no
# window manager on the virtual screen. The shell opens a .pdf with a
# command that only writes down the document it was asked to open.
reg_path() { printf 'Z:%s' "$1" | sed 's|/|\\\\|g'; }
printf '%s\r\n' \
  'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
  '"ＭＳ Ｐゴシック"="IPAPGothic"' \
  '"MS Shell Dlg"="IPAPGothic"' \
  '"Tahoma"="IPAPGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
  '"Decorated"="N"' '' \
  '[HKEY_CLASSES_ROOT\.pdf]' \
  '@="Marovi.TestDocument"' '' \
  '[HKEY_CLASSES_ROOT\Marovi.TestDocument\shell\open\command]' \
  '@="C:\\windows\\system32\\cmd.exe /c echo %1>>\"'"$(reg_path "$work/shell-open.txt")"'\""' \
  | iconv -f UTF-8 -t UTF-16 > "$work/wine.reg"

t=$(seconds)
timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-screen "$work" "$shots" "$app" ||
  fail "the run under Wine failed (time $(elapsed "$t"))"
echo "time: Wine run $(elapsed "$t")"

# Pages equal byte for byte; pictures decoded and compared pixel by pixel, so
# a libjpeg of another build or version would still pass with the same image.
# A fourth argument is the code page of the Linux file names, which Wine
# writes in UTF-8. Names beyond ASCII are linked as they are on Windows and
# percent-encoded on Linux, so the Linux page is compared with its picture
# links decoded.
compare_pages() {
  local name=$1 got=$2 want=$3 codepage=${4:-} n=0 identical=0
  for html in "$want"/*.html; do
    local page
    if [ -z "$codepage" ]; then
      page=$(basename "$html")
      cmp -s "$html" "$got/$page" || fail "$name: $page differs from the Linux page"
    else
      page=$(basename "$html" | iconv -f "$codepage" -t UTF-8)
      perl -pe 's{(src="[^"]*")}{my $l = $1; $l =~ s/%([0-9A-F]{2})/chr hex $1/ge; $l}ge' "$html" |
        cmp -s - "$got/$page" || fail "$name: $page differs from the Linux page"
    fi
  done
  for picture in "$want"/*.files/*; do
    local other
    other=$got/$(printf '%s' "${picture#"$want"/}" | iconv -f "${codepage:-UTF-8}" -t UTF-8)
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
compare_pages "marovi-convert.exe on InkML" "$work/wine-inkml" "$work/linux"

# Paths given with "/" on Windows: the pages go into a folder that does not
# exist yet, and every picture link must resolve from the page's folder. The
# Wine prefix is ready from the run above; a console program needs no screen.
(cd "$work/wine-slash" && timeout 120 wine "$app/marovi-convert.exe" --force -k keyboard -d sub/pages/ $pages \
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

# The C caller prints what its Linux twin prints for each example page.
for page in $pages; do
  (cd "$work/pages" && timeout 60 wine "$work/consumer/zel640_consumer.exe" "$page" >"$work/consumer.out" \
    2>&1) || { cat "$work/consumer.out"; fail "zel640_consumer.exe $page failed"; }
  (cd "$work/pages" && "$work/bin/zel640_consumer" "$page") | cmp -s - <(tr -d '\r' <"$work/consumer.out") ||
    { cat "$work/consumer.out"; fail "zel640_consumer.exe $page prints other lines than on Linux"; }
  echo "zel640_consumer.exe $page (built against the zip's ZEL640_IF.h and ZEL640_IF.lib):"
  tr -d '\r' <"$work/consumer.out" | sed 's/^/  /'
done

# The Windows build cannot draw: --explain is refused before any page is made.
explain_status=0
(cd "$work/wine-slash" && timeout 120 wine "$app/marovi-convert.exe" --explain -k keyboard -d explained $pages \
  >/dev/null 2>"$work/wine-explain.log") || explain_status=$?
[ "$explain_status" -eq 2 ] && grep -a "this build cannot draw" "$work/wine-explain.log" >/dev/null &&
  [ ! -e "$work/wine-slash/explained" ] ||
  { cat "$work/wine-explain.log"; fail "marovi-convert.exe --explain: exit $explain_status, not refused with 2"; }
echo "marovi-convert.exe --explain: refused (this build cannot draw)"

# A folder as a notebook: --update --index converts it; the next run finds
# every page up to date and writes no file; the index lists every page.
notebook=$work/wine-notebook
mkdir -p "$notebook/notes" "$notebook/keyboard"
cp "$app/softKB.skb" "$app/keydef.skb" "$notebook/keyboard/"
cp "$work"/pages/*.ink "$notebook/notes/"
page_count=$(ls "$notebook"/notes/*.ink | wc -l)
for run in first again; do
  [ "$run" = again ] && touch "$notebook/marker" && sleep 1
  (cd "$notebook" && timeout 120 wine "$app/marovi-convert.exe" --update --index -k keyboard -d html notes \
    >"$notebook/$run.out" 2>"$notebook/$run.err") ||
    { cat "$notebook/$run.err"; fail "marovi-convert.exe --update --index ($run run) failed"; }
done
[ "$(grep -ac $'\t変換済み\t' "$notebook/first.out")" -eq "$page_count" ] ||
  { cat "$notebook/first.out"; fail "marovi-convert.exe --update --index: not every page converted"; }
[ "$(grep -ac $'\t最新\t' "$notebook/again.out")" -eq "$page_count" ] ||
  { cat "$notebook/again.out"; fail "marovi-convert.exe --update: not every page up to date"; }
[ -z "$(find "$notebook/html" -newer "$notebook/marker" -print -quit)" ] ||
  fail "marovi-convert.exe --update wrote files with nothing to do: $(find "$notebook/html" -newer "$notebook/marker")"
[ "$(grep -ac '<li class="page">' "$notebook/html/index.html")" -eq "$page_count" ] ||
  fail "marovi-convert.exe --index: index.html does not list the $page_count pages"
echo "marovi-convert.exe --update --index: $page_count pages, then all up to date with nothing written"
compare_pages "Marovi.exe" "$work/walk" "$work/linux"
compare_pages "Marovi.exe under en_US.UTF-8, dé/José.ink" "$work/walk-en" "$work/linux-en" CP1252
compare_pages "Marovi.exe under ja_JP.UTF-8, 表/表.ink" "$work/walk-ja" "$work/linux-ja" CP932
echo "time: windows-test $(elapsed "$started")"
