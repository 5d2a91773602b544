#!/usr/bin/env bash
# Builds the libFuzzer targets (clang++, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for FUZZ_SECONDS (60) on a copy of its seeds in
# tests/fuzz/corpus/<target>/. A crash stops the script; its input is kept in
# build-fuzz/crashes/<target>/ to become a regression case of the core tests.
# Every target runs under a memory budget: an input that makes a reader take
# more than 512 MB, or ask for 256 MB at once, fails like a crash. The workbook
# fuzzer also starts from the hostile workbooks of tests/data/hostile/ (entity
# expansion, repeats, deep nesting, parts at the limit, overlapping entries),
# and a target with a dictionary tests/fuzz/<target>.dict uses it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seconds=${FUZZ_SECONDS:-60}
targets=(field_reader conditions_file numbers spread_columns workbook drafts_file separation_record)

bash "$root/scripts/install-deps.sh"
source "$root/scripts/compiler-cache.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCLASSDIV_FUZZ=ON -DCLASSDIV_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

seeds=$build/seeds/workbook
rm -rf "$seeds"
python3 "$root/tests/data/hostile/make_hostile.py" --seeds "$seeds"

# A smaller quarantine than AddressSanitizer's 256 MB, so that the memory limit
# measures the readers rather than the freed blocks the sanitizer holds back.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  echo "== fuzz_$target for ${seconds}s"
  corpus=$build/corpus/$target crashes=$build/crashes/$target
  mkdir -p "$corpus" "$crashes"
  flags=(-max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1
         -rss_limit_mb=512 -malloc_limit_mb=256 -artifact_prefix="$crashes/")
  [ -f "$root/tests/fuzz/$target.dict" ] && flags+=(-dict="$root/tests/fuzz/$target.dict")
  # New inputs go to the first folder; the seeds stay as they are.
  folders=("$corpus" "$root/tests/fuzz/corpus/$target")
  [ "$target" = workbook ] && folders+=("$seeds")
  "$build/tests/fuzz/fuzz_$target" "${flags[@]}" "${folders[@]}" 2>&1 |
    grep -vE '^#[0-9]+.*(NEW|REDUCE|pulse)|# Uses: ' || { echo "fuzz_$target failed: see $crashes"; exit 1; }
done
