#!/usr/bin/env bash
# Makes the release packages in dist/ and checks them:
#   marovi_<version>_amd64.deb   the programs, the library and its
#   libzel640-if1_<version>_amd64.deb      development files: through CPack
#   libzel640-if-dev_<version>_amd64.deb   from the `package` preset
#                                (build-package/), checked by lintian (no
#                                error, no warning), installed with dpkg -i,
#                                the programs run from /usr/bin and their
#                                manual pages shown, a C program built against
#                                the library, removed again (purged: no trace
#                                of them stays behind);
#   Marovi-<version>-win64.zip   the cross build (build-windows/) and the
#                                Linux build's data folder, by
#                                scripts/windows-zip.sh.
#
# usage: scripts/package.sh
# environment (for work on one part, never for a release):
#   MAROVI_PACKAGE_WITHOUT_MANUAL=1   package without SKBmanual.pdf
#   MAROVI_PACKAGE_WITHOUT_WINDOWS=1  make the Debian packages only
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/setup.sh
without_manual=${MAROVI_PACKAGE_WITHOUT_MANUAL:-0}
without_windows=${MAROVI_PACKAGE_WITHOUT_WINDOWS:-0}
windows_packages=()
[ "$without_windows" = 1 ] || windows_packages=("${MAROVI_WINDOWS_ARCHIVE_PACKAGES[@]}")
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" "${MAROVI_SHEET_PACKAGES[@]}" \
  "${MAROVI_MANUAL_PACKAGES[@]}" "${MAROVI_PACKAGE_PACKAGES[@]}" "${windows_packages[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
lbuild=$root/build-package
mkdir -p dist

echo "== the Linux build ($lbuild)"
t=$(seconds)
manual=()
[ "$without_manual" = 1 ] && manual=(-DMAROVI_MANUAL=OFF)
timeout 300 cmake --preset package "${manual[@]}" >/dev/null
timeout 1200 cmake --build --preset package -j "$jobs"
echo "time: Linux build $(elapsed "$t")"
data=$lbuild/share/marovi
for f in softKB.skb keydef.skb softKB-sheet.pdf; do
  [ -s "$data/$f" ] || fail "$data/$f was not made"
done
if [ ! -s "$data/SKBmanual.pdf" ]; then
  [ "$without_manual" = 1 ] || fail "$data/SKBmanual.pdf was not built (MAROVI_MANUAL=ON needs weasyprint)"
  echo "package: WARNING: packaging without the manual (MAROVI_PACKAGE_WITHOUT_MANUAL=1)" >&2
fi

echo "== the Debian packages"
t=$(seconds)
rm -rf "$lbuild/_cpack"
timeout 300 cpack --config "$lbuild/CPackConfig.cmake" -G DEB -B "$lbuild/_cpack" >"$lbuild/cpack.log" 2>&1 ||
  { cat "$lbuild/cpack.log"; fail "cpack failed"; }
packages=(marovi libzel640-if1 libzel640-if-dev)
debs=()
version=
for p in "${packages[@]}"; do
  deb=$(find "$lbuild/_cpack" -maxdepth 1 -name "${p}_*_amd64.deb")
  [ -n "$deb" ] || { cat "$lbuild/cpack.log"; fail "cpack wrote no ${p}_*_amd64.deb"; }
  rm -f dist/"${p}"_*_amd64.deb
  cp "$deb" dist/
  deb=$root/dist/$(basename "$deb")
  version=${version:-$(dpkg-deb -f "$deb" Version)}
  [ "$(basename "$deb")" = "${p}_${version}_amd64.deb" ] || fail "$deb is not named after version $version"
  dpkg-deb --info "$deb"
  dpkg-deb --contents "$deb"
  debs+=("$deb")
done
echo "time: cpack $(elapsed "$t")"

echo "== lintian"
# Informational and pedantic tags are shown by neither.
timeout 300 lintian --fail-on error,warning "${debs[@]}" || fail "lintian finds errors or warnings in the packages"

echo "== the Debian packages installed"
t=$(seconds)
work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    timeout 120 dpkg -P "${packages[@]}" >/dev/null || echo "package: WARNING: dpkg -P ${packages[*]} failed" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT
timeout 300 dpkg -i "${debs[@]}" || fail "dpkg -i ${debs[*]} failed"
installed=1
line=$(timeout 30 /usr/bin/marovi-convert --version) || fail "/usr/bin/marovi-convert --version failed"
[ "$line" = "marovi-convert $version" ] || fail "/usr/bin/marovi-convert --version says '$line', not $version"
echo "$line"
line=$(timeout 30 /usr/bin/marovi-sheet --version) || fail "/usr/bin/marovi-sheet --version failed"
[ "$line" = "marovi-sheet $version" ] || fail "/usr/bin/marovi-sheet --version says '$line', not $version"
echo "$line"
for page in marovi-convert.1 marovi-sheet.1 softKB.skb.5; do
  section=${page##*.}
  [ "$(man -w "$section" "${page%.*}" 2>/dev/null)" = "/usr/share/man/man$section/$page.gz" ] || fail "man does not find $page"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' timeout 30 man --warnings -l "/usr/share/man/man$section/$page.gz" 2>&1 >/dev/null) ||
    fail "man cannot show $page"
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done
for program in marovi-convert marovi-sheet; do
  [ -s "/usr/share/bash-completion/completions/$program" ] || fail "no bash completion for $program"
done
# A user's keyboard folder is a copy of the installed one (reading a keyboard
# leaves a lock file beside it).
mkdir "$work/keyboard" "$work/pages"
cp /usr/share/marovi/softKB.skb /usr/share/marovi/keydef.skb "$work/keyboard/"
timeout 60 /usr/bin/marovi-sheet -k "$work/keyboard" -o "$work/sheet.pdf" || fail "/usr/bin/marovi-sheet failed"
[ -s "$work/sheet.pdf" ] || fail "/usr/bin/marovi-sheet wrote no sheet"
timeout 60 "$lbuild/bin/inkgen" --keyboard "$work/keyboard/softKB.skb" examples/memo.ink.txt "$work/memo.ink" >/dev/null
timeout 60 /usr/bin/marovi-convert --explain --pdf "$work/pages/memo.pdf" -k "$work/keyboard" -d "$work/pages" \
  "$work/memo.ink" || fail "/usr/bin/marovi-convert --explain --pdf failed"
for f in memo.html memo.explain.txt memo.explain.png memo.pdf; do
  [ -s "$work/pages/$f" ] || fail "/usr/bin/marovi-convert --explain --pdf wrote no $f"
done
# A C reader built against the installed library, found by pkg-config.
# shellcheck disable=SC2046 # the flags are words
timeout 60 cc tests/install/consumer.c $(pkg-config --cflags --libs zel640_if) -o "$work/consumer" ||
  fail "no C program builds against the installed ZEL640_IF"
timeout 30 "$work/consumer" "$work/memo.ink" || fail "the C reader built against the package failed"
timeout 120 dpkg -P "${packages[@]}" || fail "dpkg -P ${packages[*]} failed"
installed=0
for f in /usr/bin/marovi-convert /usr/lib/x86_64-linux-gnu/libZEL640_IF.so.1 /usr/include/ZEL640_IF.h; do
  [ ! -e "$f" ] || fail "$f is still there after dpkg -P"
done
echo "time: deb check $(elapsed "$t")"

echo "== the Windows archive"
if [ "$without_windows" = 1 ]; then
  echo "package: WARNING: no Windows archive (MAROVI_PACKAGE_WITHOUT_WINDOWS=1)" >&2
  ls -l dist
  exit 0
fi
[ -f scripts/windows-zip.sh ] || fail "scripts/windows-zip.sh is missing: no Windows archive"
t=$(seconds)
wbuild=$root/build-windows
timeout 600 bash scripts/build-libjpeg-mingw.sh "$wbuild"
timeout 300 cmake --preset windows >/dev/null
timeout 1200 cmake --build "$wbuild" -j "$jobs"
echo "time: cross build $(elapsed "$t")"
timeout 300 bash scripts/windows-zip.sh "$lbuild" "$wbuild" dist || fail "scripts/windows-zip.sh failed"
ls -l dist
