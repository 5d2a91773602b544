#!/usr/bin/env bash
# Builds the libFuzzer targets (clang++, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for FUZZ_SECONDS (60) on a copy of its seeds in
# tests/fuzz/corpus/<target>/. A crash stops the script; its input is kept in
# build-fuzz/crashes/<target>/ to become a regression case of the core tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seconds=${FUZZ_SECONDS:-60}
targets=(field_reader conditions_file numbers spread_columns workbook drafts_file)

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCLASSDIV_FUZZ=ON -DCLASSDIV_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  echo "== fuzz_$target for ${seconds}s"
  corpus=$build/corpus/$target crashes=$build/crashes/$target
  mkdir -p "$corpus" "$crashes"
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$corpus" "$root/tests/fuzz/corpus/$target" 2>&1 |
    grep -vE '^#[0-9]+.*(NEW|REDUCE|pulse)|# Uses: ' || { echo "fuzz_$target failed: see $crashes"; exit 1; }
done
