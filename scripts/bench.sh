#!/usr/bin/env bash
# Builds the optimised program with the benchmark (build-bench/) and runs it:
# conversion time per page kind against the floor (reading the ink bytes and
# encoding the same pictures with libjpeg), the ratio of the two, peak memory
# of marovi-convert per page, a batch of typical pages against its floor in
# whole passes and through marovi-convert as one process, and one page as a
# whole process against cjpeg encoding its picture; then a folder of 1,000
# and of 5,000 pages converted as a notebook (--index, then --update with
# nothing to do). Exits 1 when a target is missed.
#
#   scripts/bench.sh [--repeat N] [--batch N]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
# cjpeg and djpeg for the whole-process comparison.
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" libjpeg-turbo-progs

build=build-bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 --target marovi-bench marovi-notebook-bench marovi-convert >"$build/bench-build.log" 2>&1 ||
  { tail -n 40 "$build/bench-build.log" >&2; exit 1; }

# On the memory file system when there is one: the disk's write-back would
# otherwise time itself into both sides, differently from run to run.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
work=$(mktemp -d "$scratch/marovi-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
"$build/bin/marovi-bench" --convert "$build/bin/marovi-convert" "$@" "$work" || status=1
echo "== a notebook: a folder of typical pages with --index, then --update with nothing to do"
"$build/bin/marovi-notebook-bench" --convert "$build/bin/marovi-convert" "$work/notebook" || status=1
exit $status
