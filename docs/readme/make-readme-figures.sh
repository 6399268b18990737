#!/bin/sh
# Draws the README's figures from the programs' own output:
#
#   make-readme-figures.sh BINDIR EXAMPLES OUTDIR [HANDWRITING]
#
# BINDIR holds marovi-convert and inkgen, EXAMPLES the keyboard and the memo
# page's script. OUTDIR receives pdf-page.png (the memo page as the first
# page of the notebook's PDF) and html5-page.png (its --html5 page with the
# --svg pictures, as a browser lays it out at a phone's width). Given
# HANDWRITING, a script fragment of a word written by hand, also
# handwriting.png: the word on a page read with --recognize, as --explain
# draws it (its cells boxed with their best candidate and score), enlarged.
# WEASYPRINT and PDFTOPPM name the programs when they are not on the PATH.
set -eu
bin=$1
examples=$2
out=$3
weasyprint=${WEASYPRINT:-weasyprint}
pdftoppm=${PDFTOPPM:-pdftoppm}

work=$out/work
rm -rf "$work"
mkdir -p "$work/keyboard" "$work/pages"
cp "$examples/softKB.skb" "$examples/keydef.skb" "$work/keyboard/"
"$bin/inkgen" --keyboard "$work/keyboard/softKB.skb" "$examples/memo.ink.txt" "$work/memo.ink"
if ! "$bin/marovi-convert" --svg --html5 --pdf "$work/notebook.pdf" --paper A5 -k "$work/keyboard" \
    -d "$work/pages" "$work/memo.ink" >"$work/convert.out" 2>&1; then
  cat "$work/convert.out" >&2
  exit 1
fi
"$pdftoppm" -r 110 -png -singlefile -f 1 -l 1 "$work/notebook.pdf" "$out/pdf-page"

# A page 360 CSS pixels wide (95.25 mm at 96 per inch), as tall as it needs.
printf '@page { size: 95.25mm 240mm; margin: 0 } html { background: white }\n' >"$work/phone.css"
"$weasyprint" -q -s "$work/phone.css" "$work/pages/memo.html5.html" "$work/html5.pdf"
"$pdftoppm" -r 192 -png -singlefile -f 1 -l 1 "$work/html5.pdf" "$out/html5-page"

[ $# -ge 4 ] || exit 0
{
  printf 'type かいぎの　メモ\nbr\n'
  cat "$4"
} >"$work/word.ink.txt"
"$bin/inkgen" --keyboard "$work/keyboard/softKB.skb" "$work/word.ink.txt" "$work/word.ink"
if ! "$bin/marovi-convert" --recognize --explain --text -k "$work/keyboard" -d "$work/pages" "$work/word.ink" \
    >"$work/convert.out" 2>&1; then
  cat "$work/convert.out" >&2
  exit 1
fi
# The explain picture is 0.1 mm a pixel: the part with the word, 14 to 44 mm
# from the left and 7 to 27 mm from the top, shown through a window.
cat >"$work/word.html" <<EOF
<!DOCTYPE html><html><head><style>
@page { size: 30mm 20mm; margin: 0 }
div { width: 30mm; height: 20mm; overflow: hidden }
img { width: 210mm; margin: -7mm 0 0 -14mm }
</style></head><body><div><img src="pages/word.explain.png"></div></body></html>
EOF
"$weasyprint" -q "$work/word.html" "$work/word.pdf"
"$pdftoppm" -r 400 -png -singlefile "$work/word.pdf" "$out/handwriting"
