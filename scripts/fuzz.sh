#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one job
# at a time at low priority. Seeds are made from the example pages and
# keyboard (scripts/fuzz-seeds.sh); an input worth keeping goes into
# fuzz/seeds/{ink,softkb,keydef,inkml}/, where the sanitizer build replays it as a
# test. What the fuzzers find is kept in build-fuzz/fuzz-corpus and grows
# from run to run. Exits non-zero when a target found a crash or a violated
# property; the input is then in build-fuzz/fuzz-artifacts/TARGET/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# With MAROVI_FUZZ_RUNS=N each target instead runs N inputs from a fixed
# random seed: on a fresh checkout (seeds only) the run is the same every
# time, which suits a CI gate.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" clang
# libFuzzer and the sanitizer runtimes come with the clang release installed.
clang_major=$(clang -dumpversion | cut -d. -f1)
marovi_need_packages "libclang-rt-$clang_major-dev"

seconds=${1:-30}
shift || true
all_targets=(fuzz_inklib fuzz_softkb fuzz_keydef fuzz_page fuzz_inkml)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

root=$PWD
build=$root/build-fuzz
cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz -j 2 --target fuzz_seeds "${targets[@]}" >"$build/fuzz-build.log" 2>&1 ||
  { tail -n 40 "$build/fuzz-build.log" >&2; exit 1; }

bin=$build/bin
# Made by the build (scripts/fuzz-seeds.sh), the same seeds the sanitizer
# build replays as tests.
seeds=$build/fuzz-seeds

status=0
summary=()
for target in "${targets[@]}"; do
  case $target in
    fuzz_inklib) seed=ink; args=(-max_len=20000 -dict="$root/fuzz/ink.dict") ;;
    fuzz_page) seed=ink; args=(-max_len=20000 -dict="$root/fuzz/ink.dict") ;;
    fuzz_softkb) seed=softkb; args=(-max_len=8192 -dict="$root/fuzz/softkb.dict") ;;
    fuzz_keydef) seed=keydef; args=(-max_len=2048) ;;
    fuzz_inkml) seed=inkml; args=(-max_len=20000 -dict="$root/fuzz/inkml.dict") ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  logs=$build/fuzz-logs/$target
  mkdir -p "$corpus" "$artifacts" "$logs"
  if [ -n "${MAROVI_FUZZ_RUNS:-}" ]; then
    limit=(-runs="$MAROVI_FUZZ_RUNS" -seed=1)
    echo "== $target: $MAROVI_FUZZ_RUNS runs"
  else
    limit=(-max_total_time="$seconds")
    echo "== $target: $seconds s"
  fi
  # -jobs=1 runs the fuzzer in a child whose output goes to fuzz-0.log.
  rc=0
  (cd "$logs" && rm -f fuzz-0.log &&
    nice -n 15 "$bin/$target" -jobs=1 "${limit[@]}" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "${args[@]}" "$corpus" "$seeds/$seed" \
      >/dev/null 2>&1) || rc=$?
  log=$logs/fuzz-0.log
  # The log is read once into a variable; a fuzzer that wrote none failed.
  if [ -r "$log" ]; then
    text=$(<"$log")
  else
    text=""
    rc=1
    echo "   FAILED: $target wrote no log ($log)" >&2
  fi
  last=$(grep -E '^#[0-9]+' <<<"$text" | tail -n 1 || true)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' <<<"$text" | tail -n 1 || true)
  echo "   ${last:-no progress line}"
  if [ "$rc" -ne 0 ] || grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error|fuzz property violated' <<<"$text"; then
    status=1
    echo "   FAILED: see $log and $artifacts" >&2
    grep -E 'ERROR|runtime error|fuzz property violated|Test unit written' <<<"$text" | head -n 5 >&2 || true
  fi
  summary+=("$target execs=${execs:-?} $(echo "$last" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9/]+[a-zA-Z]*' || true)")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
