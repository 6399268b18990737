#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one job
# at a time at low priority. Seeds are made from the example pages and
# keyboard; what the fuzzers find is kept in build-fuzz/fuzz-corpus and grows
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
marovi_need_packages "${MAROVI_BASE_PACKAGES[@]}" clang libclang-rt-14-dev

seconds=${1:-30}
shift || true
all_targets=(fuzz_inklib fuzz_softkb fuzz_keydef fuzz_page)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

root=$PWD
build=$root/build-fuzz
cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz -j 2 --target inkgen "${targets[@]}" >"$build/fuzz-build.log" 2>&1 ||
  { tail -n 40 "$build/fuzz-build.log" >&2; exit 1; }

bin=$build/bin
seeds=$build/fuzz-seeds
rm -rf "$seeds"
mkdir -p "$seeds/ink" "$seeds/softkb" "$seeds/keydef"
for script in examples/*.ink.txt fuzz/seeds/*.ink.txt; do
  name=$(basename "$script" .ink.txt)
  "$bin/inkgen" --keyboard examples/softKB.skb "$script" "$seeds/ink/$name.ink" >/dev/null
done
cp examples/softKB.skb "$seeds/softkb/full.skb"
head -n 12 examples/softKB.skb >"$seeds/softkb/short.skb"
grep -av -m 6 '^#' examples/softKB.skb | tr -d '\r' >"$seeds/softkb/lf.skb"
cp examples/keydef.skb "$seeds/keydef/full.skb"
head -n 3 examples/keydef.skb >"$seeds/keydef/short.skb"

status=0
summary=()
for target in "${targets[@]}"; do
  case $target in
    fuzz_inklib) seed=ink; args=(-max_len=20000 -dict="$root/fuzz/ink.dict") ;;
    fuzz_page) seed=ink; args=(-max_len=20000 -dict="$root/fuzz/ink.dict") ;;
    fuzz_softkb) seed=softkb; args=(-max_len=8192 -dict="$root/fuzz/softkb.dict") ;;
    fuzz_keydef) seed=keydef; args=(-max_len=2048) ;;
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
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "   ${last:-no progress line}"
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error|fuzz property violated' "$log"; then
    status=1
    echo "   FAILED: see $log and $artifacts" >&2
    grep -E 'ERROR|runtime error|fuzz property violated|Test unit written' "$log" | head -n 5 >&2 || true
  fi
  summary+=("$target execs=${execs:-?} $(echo "$last" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9/]+[a-zA-Z]*' || true)")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
