#!/usr/bin/env bash
# Packs the Windows program into OUTDIR/Marovi-<version>-win64.zip, every file
# in one folder Marovi-<version>/:
#   from WINDOWS_BUILD (the mingw-w64 cross build): Marovi.exe,
#     marovi-convert.exe, ZEL640_IF.dll and its import library ZEL640_IF.lib;
#   from LINUX_BUILD/share/marovi: softKB.skb, keydef.skb, softKB-sheet.pdf and
#     the manual SKBmanual.pdf (built with MAROVI_MANUAL=ON);
#   inklib/ZEL640_IF.h, and はじめに.txt made from docs/windows/hajimeni.txt
#     (UTF-8, LF) as Windows Notepad reads it: Shift_JIS (code page 932), CR LF.
# The programs and the DLL go in stripped of the debugging information their
# static runtime brings (half their size). The version is the cross build's
# project version. Every entry, and the stripped binaries' headers, carry the
# time of the last commit (or SOURCE_DATE_EPOCH), so the same inputs give the
# same zip. The Japanese entry name is stored as UTF-8 and flagged so.
#
# usage: scripts/windows-zip.sh LINUX_BUILD WINDOWS_BUILD OUTDIR
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/setup.sh"
[ $# -eq 3 ] || fail "usage: scripts/windows-zip.sh LINUX_BUILD WINDOWS_BUILD OUTDIR"
lbuild=$1
wbuild=$2
outdir=$3
marovi_need_packages python3 binutils-mingw-w64-x86-64

project_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null | sed -n 1p
}
version=$(project_version "$wbuild")
[ -n "$version" ] || fail "$wbuild/CMakeCache.txt names no project version: is $wbuild a configured cross build?"
linux_version=$(project_version "$lbuild")
[ -z "$linux_version" ] || [ "$linux_version" = "$version" ] ||
  fail "the Linux build $lbuild is of version $linux_version, the cross build $wbuild of $version"

share=$lbuild/share/marovi
inputs=(
  "Marovi.exe=$wbuild/bin/Marovi.exe"
  "marovi-convert.exe=$wbuild/bin/marovi-convert.exe"
  "ZEL640_IF.dll=$wbuild/bin/ZEL640_IF.dll"
  "ZEL640_IF.lib=$wbuild/lib/ZEL640_IF.lib"
  "ZEL640_IF.h=$root/inklib/ZEL640_IF.h"
  "softKB.skb=$share/softKB.skb"
  "keydef.skb=$share/keydef.skb"
  "softKB-sheet.pdf=$share/softKB-sheet.pdf"
  "SKBmanual.pdf=$share/SKBmanual.pdf"
  "はじめに.txt=$root/docs/windows/hajimeni.txt"
)
missing=()
for input in "${inputs[@]}"; do
  [ -f "${input#*=}" ] || missing+=("${input#*=}")
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'windows-zip: missing: %s\n' "${missing[@]}" >&2
  case " ${missing[*]} " in
    *"/SKBmanual.pdf "*) echo "windows-zip: the manual is built by a Linux build configured with -DMAROVI_MANUAL=ON" >&2 ;;
  esac
  exit 1
fi

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
for i in "${!inputs[@]}"; do
  name=${inputs[$i]%%=*}
  case $name in
    *.exe | *.dll)
      SOURCE_DATE_EPOCH=$epoch x86_64-w64-mingw32-strip -o "$staging/$name" "${inputs[$i]#*=}" ||
        fail "$name cannot be stripped"
      inputs[$i]="$name=$staging/$name" ;;
  esac
done
mkdir -p "$outdir"
zip=$outdir/Marovi-$version-win64.zip
python3 - "$zip" "Marovi-$version" "$version" "$epoch" "${inputs[@]}" <<'EOF'
import os, sys, time, zipfile

zip_path, folder, version, epoch = sys.argv[1:5]
# Zip times have a two-second step and nothing before 1980.
stamp = time.gmtime(max(int(epoch), 315532800))[:6]

def entry(name, is_folder=False):
    info = zipfile.ZipInfo(f"{folder}/{name}", date_time=stamp)
    info.create_system = 3
    info.external_attr = ((0o40755 << 16) | 0x10) if is_folder else (0o100644 << 16)
    info.compress_type = zipfile.ZIP_STORED if is_folder else zipfile.ZIP_DEFLATED
    return info

partial = zip_path + ".partial"
with zipfile.ZipFile(partial, "w") as archive:
    archive.writestr(entry("", True), b"")
    for item in sys.argv[5:]:
        name, path = item.split("=", 1)
        with open(path, "rb") as f:
            data = f.read()
        if name.endswith(".txt"):
            text = data.decode("utf-8").replace("@VERSION@", version)
            # Strict: a character beyond code page 932 stops the packing.
            data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")
        archive.writestr(entry(name), data, compresslevel=9)
os.replace(partial, zip_path)
EOF
echo "windows-zip: $zip"
