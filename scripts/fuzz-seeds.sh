#!/usr/bin/env bash
# Makes the seed inputs of the fuzz targets in OUTDIR/{ink,softkb,keydef,inkml}:
# ink files from the example pages and fuzz/seeds/*.ink.txt (written with
# INKGEN), variants of the example keyboard files, and every input kept in
# fuzz/seeds/{ink,softkb,keydef}/ (what a fuzzer once found) as it is. The
# fuzz build runs it for scripts/fuzz.sh; the sanitizer build replays the
# seeds as tests.
#
#   scripts/fuzz-seeds.sh INKGEN OUTDIR
set -euo pipefail
cd "$(dirname "$0")/.."
inkgen=$1
seeds=$2

rm -rf "$seeds"
mkdir -p "$seeds/ink" "$seeds/softkb" "$seeds/keydef" "$seeds/inkml"
for script in examples/*.ink.txt fuzz/seeds/*.ink.txt; do
  name=$(basename "$script" .ink.txt)
  "$inkgen" --keyboard examples/softKB.skb "$script" "$seeds/ink/$name.ink" >/dev/null
done
cp examples/softKB.skb "$seeds/softkb/full.skb"
head -n 12 examples/softKB.skb >"$seeds/softkb/short.skb"
grep -av -m 6 '^#' examples/softKB.skb | tr -d '\r' >"$seeds/softkb/lf.skb"
cp examples/keydef.skb "$seeds/keydef/full.skb"
head -n 3 examples/keydef.skb >"$seeds/keydef/short.skb"
for kind in ink softkb keydef inkml; do
  if [ -d "fuzz/seeds/$kind" ]; then
    cp fuzz/seeds/"$kind"/* "$seeds/$kind/"
  fi
done
