#!/bin/sh
# Draws the manual's figures from the programs' own output:
#
#   make-figures.sh BINDIR EXAMPLES SOURCE OUTDIR
#
# BINDIR holds marovi-sheet, marovi-convert and inkgen, EXAMPLES the keyboard
# (softKB.skb, keydef.skb), SOURCE the figure page's script and the style of
# its browser view. OUTDIR receives sheet.png (the printed sheet),
# sheet-keys.png (its legend and first keys, enlarged), explain.png (what
# --explain draws for the figure page) and page.png (the converted page as a
# browser shows it). WEASYPRINT and PDFTOPPM name the programs when they are
# not on the PATH.
set -eu
bin=$1
examples=$2
source=$3
out=$4
weasyprint=${WEASYPRINT:-weasyprint}
pdftoppm=${PDFTOPPM:-pdftoppm}

# A fresh copy of the keyboard: converting may rewrite the softKB.skb it reads.
work=$out/work
rm -rf "$work"
mkdir -p "$work/keyboard"
cp "$examples/softKB.skb" "$examples/keydef.skb" "$work/keyboard/"

"$bin/marovi-sheet" -k "$work/keyboard" -o "$work/sheet.pdf" >/dev/null
"$pdftoppm" -r 200 -png -singlefile "$work/sheet.pdf" "$out/sheet"
# The legend and the first five key columns: 6 to 100 mm from the left edge,
# 79 to 130 mm from the top, at 300 dots per inch.
"$pdftoppm" -r 300 -png -singlefile -x 71 -y 933 -W 1110 -H 602 "$work/sheet.pdf" "$out/sheet-keys"

"$bin/inkgen" --keyboard "$work/keyboard/softKB.skb" "$source/figure-page.ink.txt" "$work/memo.ink"
if ! "$bin/marovi-convert" --force --explain -k "$work/keyboard" -d "$work" "$work/memo.ink" \
    >"$work/convert.out" 2>&1; then
  cat "$work/convert.out" >&2
  exit 1
fi
cp "$work/memo.explain.png" "$out/explain.png"

# The page as a browser lays it out: its font tags and pictures at CSS pixels.
"$weasyprint" -q --presentational-hints -s "$source/page-view.css" "$work/memo.html" "$work/page.pdf"
"$pdftoppm" -r 150 -png -singlefile -f 1 -l 1 "$work/page.pdf" "$out/page"
