#!/usr/bin/env bash
# Installs what is missing, builds Marovi and runs it on the shipped example.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)"
mkdir -p out
build/bin/inkdump --make-example out/example.ink
build/bin/inkdump out/example.ink
