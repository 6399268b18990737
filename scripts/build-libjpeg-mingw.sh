#!/usr/bin/env bash
# Builds the static libjpeg of the Windows cross build from Debian's
# libjpeg-turbo source package (Debian ships no mingw-w64 libjpeg) and caches
# it in the build tree:
#   <build dir>/_deps/libjpeg/{include,lib/libjpeg.a}
# The windows preset points JPEG_INCLUDE_DIR and JPEG_LIBRARY there. Nothing
# is done when the library is already in place.
#
# usage: scripts/build-libjpeg-mingw.sh [build dir, default build-windows]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
mkdir -p "$build"
build=$(cd "$build" && pwd)
deps=$build/_deps
prefix=$deps/libjpeg

if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
  echo "libjpeg: cached in $prefix"
  exit 0
fi

download=$deps/libjpeg-download
if ! ls "$download"/libjpeg-turbo_*.orig.tar.gz >/dev/null 2>&1; then
  # The source package comes from the mirror the system already uses, through
  # a list of our own: the system's apt configuration stays untouched.
  mkdir -p "$download/lists/partial"
  sources=/etc/apt/sources.list.d/debian.sources
  uri=$(sed -n 's/^URIs: *//p' "$sources" 2>/dev/null | sed -n 1p)
  if [ -z "$uri" ]; then
    uri=$(sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null | sed -n 1p)
  fi
  if [ -z "$uri" ]; then
    echo "libjpeg: no Debian mirror found in the apt sources" >&2
    exit 1
  fi
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main" > "$download/src.list"
  o=(-oDir::Etc::SourceList="$download/src.list" -oDir::Etc::SourceParts=/dev/null
     -oDir::State::Lists="$download/lists" -oDir::Cache="$download/cache")
  # apt fetches as its own unprivileged user when it can write the folder.
  if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
    chown -R _apt "$download"
  fi
  apt-get -qq "${o[@]}" update
  (cd "$download" && apt-get -qq "${o[@]}" source --download-only libjpeg-turbo)
  rm -rf "$download/lists" "$download/cache"
fi
tarballs=("$download"/libjpeg-turbo_*.orig.tar.gz)
tarball=${tarballs[0]}

src=$deps/libjpeg-src
rm -rf "$src" && mkdir -p "$src"
tar -xzf "$tarball" -C "$src" --strip-components=1

obj=$deps/libjpeg-build
rm -rf "$obj"
# SIMD would need nasm; the default c:/ install prefix breaks configuration.
cmake -S "$src" -B "$obj" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 >/dev/null
cmake --build "$obj" --target jpeg-static -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

# Only the library and its four public headers are needed; installing the
# whole project would build the command-line tools as well.
mkdir -p "$prefix/include" "$prefix/lib"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$obj/jconfig.h" "$prefix/include/"
cp "$obj/libjpeg.a" "$prefix/lib/libjpeg.a"
rm -rf "$src" "$obj"
echo "libjpeg: built into $prefix"
