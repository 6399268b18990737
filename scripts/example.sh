#!/usr/bin/env bash
# Installs what is missing, builds Marovi, draws the printed keyboard and
# converts the example pages into HTML in out/, each with its explanation.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" "${MAROVI_SHEET_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)"
mkdir -p out

# The example pages converted as the program converts them. The keyboard is a
# fresh copy, because the calibration page rewrites the softKB.skb it is read
# with, and examples/softKB.skb must stay as shipped.
rm -rf out/keyboard
mkdir -p out/keyboard
cp examples/softKB.skb examples/keydef.skb out/keyboard/

# The paper keyboard these pages are written on, to print at 100 %.
build/bin/marovi-sheet -k out/keyboard -o out/softKB-sheet.pdf
build/bin/marovi-sheet -k out/keyboard -o out/softKB-sheet.png
pages=()
for script in examples/*.ink.txt; do
  page="out/$(basename "$script" .txt)"
  build/bin/inkgen --keyboard out/keyboard/softKB.skb "$script" "$page"
  pages+=("$page")
done
build/bin/marovi-convert --force --explain -k out/keyboard -d out "${pages[@]}"
echo "HTML pages, and how each was read (.explain.txt, .explain.png):"
for script in examples/*.ink.txt; do
  echo "  $PWD/out/$(basename "$script" .ink.txt).html"
done
