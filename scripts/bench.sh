#!/usr/bin/env bash
# Builds the optimised program with the benchmark (build-bench/) and runs it:
# conversion time per page kind against the floor (reading the ink bytes and
# encoding the same pictures with libjpeg), the ratio of the two, peak memory
# of marovi-convert per page, a batch of typical pages against its floor in
# whole passes and through marovi-convert as one process, and one page as a
# whole process against cjpeg encoding its picture; then a notebook of 1,000
# memo pages converted with --index in memory, on the disk (build-bench/) and
# against Xournal++ making the same strokes into a PDF, and with --pdf against
# it too, 5,000 pages with --update and nothing to do, and 100,000 pages for
# the peak memory; then the handwriting reader on generated words and sketches
# (handwriting-bench, from ../shared/handwriting/kanjivg-strokes.tsv where it
# is). Exits 1 when a target is missed.
#
#   scripts/bench.sh [--repeat N] [--batch N]
#
# MAROVI_BENCH_QUICK=1 leaves out the 100,000 pages (about two minutes and
# 3 GB of memory), and with it their target.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
# cjpeg and djpeg for the whole-process comparison; zlib writes the
# compressed Xournal++ document.
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" libjpeg-turbo-progs zlib1g-dev
# Xournal++ is the notebook's peer; it wants a display, which xvfb-run gives
# it (xauth is what xvfb-run hands the display's key with). Without them the
# rest is measured all the same.
xournal_runner=()
if ! marovi_need_packages xournalpp xvfb xauth || ! command -v xournalpp >/dev/null; then
  echo "bench: Xournal++ could not be installed; the notebook is not compared with it" >&2
elif ! xvfb-run -a true >/dev/null 2>&1; then
  echo "bench: xvfb-run cannot start a display; the notebook is not compared with Xournal++" >&2
else
  xournal_runner=(xvfb-run -a)
fi

build=build-bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2 --target marovi-bench marovi-notebook-bench marovi-convert marovi_pdf handwriting-bench >"$build/bench-build.log" 2>&1 ||
  { tail -n 40 "$build/bench-build.log" >&2; exit 1; }

# On the memory file system when there is one: the disk's write-back would
# otherwise time itself into both sides, differently from run to run.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
work=$(mktemp -d "$scratch/marovi-bench.XXXXXX")
disk=$build/notebook-disk
trap 'rm -rf "$work" "$disk"' EXIT
status=0
"$build/bin/marovi-bench" --convert "$build/bin/marovi-convert" "$@" "$work" || status=1
echo "== a notebook: memo pages with --index, in memory, on the disk and against Xournal++; --update with nothing to do"
notebook=(--convert "$build/bin/marovi-convert" --disk "$disk")
[ "${MAROVI_BENCH_QUICK:-0}" != 0 ] && notebook+=(--large-pages 0)
[ ${#xournal_runner[@]} -eq 0 ] && notebook+=(--xournalpp none)
# Only Xournal++ needs the display; the X server's start is not in its times.
"${xournal_runner[@]}" "$build/bin/marovi-notebook-bench" "${notebook[@]}" "$work/notebook" || status=1

# KanjiVG's strokes (CC BY-SA 3.0, see the README beside them) are read where
# they lie; nothing of them is kept here.
strokes=../shared/handwriting/kanjivg-strokes.tsv
if [ -f "$strokes" ]; then
  echo "== handwriting: words written from KanjiVG's strokes and sketches, read with zinnia"
  handwriting=(/usr/share/tegaki/models/zinnia/handwriting-ja.model "$strokes")
  [ "${MAROVI_BENCH_QUICK:-0}" != 0 ] && handwriting+=(--words 300 --sketches 300)
  lexicon=/usr/share/mecab/dic/ipadic/Noun.csv
  [ -f "$lexicon" ] && handwriting+=(--lexicon "$lexicon")
  "$build/bin/handwriting-bench" "${handwriting[@]}" || status=1
else
  echo "bench: $strokes not found; the handwriting reader is not measured" >&2
fi
exit $status
