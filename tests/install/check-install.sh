#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere (a
# prefix is chosen at install time and must not be baked into anything), and
# uses it as others would: two C programs built against the library, one
# through find_package(ZEL640_IF) and one through pkg-config, each reading an
# ink page; and the installed marovi-convert converting that page with its
# explanation and its PDF, which need the library and the drawing modules found from the
# moved prefix, and which it draws without exporting any symbol of its own.
#
# usage: check-install.sh BUILD_DIR INKGEN EXAMPLES_DIR C_COMPILER CAN_DRAW [SANITIZER_FLAGS]
#   CAN_DRAW: 1 where marovi-sheet and the drawing modules are built, else 0
set -euo pipefail
build=$1 inkgen=$2 examples=$3 cc=$4 can_draw=$5 sanitize=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/staged" >"$work/install.log" || { cat "$work/install.log"; fail "install failed"; }
mv "$work/staged" "$work/prefix"
prefix=$work/prefix
"$inkgen" --keyboard "$examples/softKB.skb" "$examples/memo.ink.txt" "$work/memo.ink" >/dev/null

expect_page() {
  local line
  line=$("$@") || fail "$1 failed on the page"
  echo "$line"
  [[ $line =~ ^ZEL640_IF\ 1\.1:\ [1-9][0-9]*\ samples,\ [1-9][0-9]*\ strokes$ ]] || fail "$1: unexpected: $line"
  results+=("$line")
}
results=()

echo "== find_package(ZEL640_IF)"
cmake -S "$here/consumer" -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/cmake-consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "the find_package consumer did not build"; }
expect_page "$work/cmake-consumer/consumer" "$work/memo.ink"

echo "== pkg-config zel640_if"
pc_dir=$(dirname "$(find "$prefix" -name zel640_if.pc)")
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs zel640_if) || fail "pkg-config does not know zel640_if"
libdir=$(PKG_CONFIG_PATH=$pc_dir pkg-config --variable=libdir zel640_if)
# shellcheck disable=SC2086 # the flags are words
"$cc" $sanitize "$here/consumer.c" $flags -o "$work/pc-consumer" || fail "the pkg-config consumer did not build"
expect_page env LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" "$work/memo.ink"
[ "${results[0]}" = "${results[1]}" ] || fail "the two consumers read the page differently"

echo "== installed marovi-convert"
mkdir "$work/keyboard" "$work/pages"
cp "$prefix"/share/marovi/softKB.skb "$prefix"/share/marovi/keydef.skb "$work/keyboard/"
outputs=(memo.html)
explain=()
if [ "$can_draw" = 1 ]; then
  outputs+=(memo.explain.txt memo.explain.png memo.pdf)
  explain=(--explain --pdf "$work/pages/memo.pdf")
  [ -s "$prefix/share/marovi/softKB-sheet.pdf" ] || fail "no printed sheet in share/marovi"
fi
"$prefix/bin/marovi-convert" "${explain[@]}" -k "$work/keyboard" -d "$work/pages" "$work/memo.ink" ||
  fail "the installed marovi-convert failed"
for file in "${outputs[@]}"; do
  [ -s "$work/pages/$file" ] || fail "the installed marovi-convert wrote no $file"
done
# It exports nothing of its own (the explain module carries its own code),
# only the C library's data it copies in. A sanitizer build is not checked:
# there the program also exports the C++ library it carries, to the
# sanitizers' runtime, which is built against the shared one.
if [ -z "$sanitize" ]; then
  own=$(nm -D --defined-only "$prefix/bin/marovi-convert" | awk '$3 !~ /@/ { print $3 }')
  [ -z "$own" ] || fail "the installed marovi-convert exports symbols of its own:" $own
fi

echo "== manual pages and bash completion"
pages=(man1/marovi-convert.1 man5/softKB.skb.5)
[ "$can_draw" = 1 ] && pages+=(man1/marovi-sheet.1)
for page in "${pages[@]}"; do
  [ -f "$build/share/man/$page.gz" ] || continue  # built where scdoc is installed
  [ -s "$prefix/share/man/$page.gz" ] || fail "no $page.gz in share/man"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -l "$prefix/share/man/$page.gz" 2>&1 >/dev/null) ||
    fail "man cannot show $page"
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done
# Every option of --help is offered, and values are offered by their kind.
programs=(marovi-convert)
[ "$can_draw" = 1 ] && programs+=(marovi-sheet)
mkdir -p "$work/complete/notes" && touch "$work/complete/a.ink" "$work/complete/b.txt"
(
  cd "$work/complete"
  # shellcheck source=/dev/null
  source "$prefix/share/bash-completion/completions/marovi-convert"
  offered() {
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
    _marovi_complete "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
  }
  for program in "${programs[@]}"; do
    [ -f "$prefix/share/bash-completion/completions/$program" ] || fail "no bash completion for $program"
    help=$("$prefix/bin/$program" --help | grep -oE '(^|[ ,])--?[a-z0-9-]+' | tr -d ' ,' | sort -u | paste -sd' ')
    [ "$(offered "$program" -)" = "$help" ] || fail "$program: completion offers '$(offered "$program" -)', --help has '$help'"
  done
  while IFS='|' read -r expected words; do
    # shellcheck disable=SC2086 # the words are words
    got=$(offered marovi-convert $words '')
    [ "$got" = "$expected" ] || fail "completing 'marovi-convert $words': '$got', not '$expected'"
  done <<'TABLE'
a.ink notes|
a.ink notes|-f --
notes|-k
notes|--output-dir
a.ink b.txt notes|-o
TABLE
) || exit 1

echo "the installed prefix works where it was moved"
