#!/usr/bin/env bash
# Installs what is missing, builds the plain and the sanitizer build, and runs
# every test in both. Ends with CTest's summary. The plain build also makes
# the manual, build/share/marovi/SKBmanual.pdf.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" "${MAROVI_SHEET_PACKAGES[@]}" "${MAROVI_MANUAL_PACKAGES[@]}" \
  "${MAROVI_BROWSER_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
status=0
for preset in release asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
