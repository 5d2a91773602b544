#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then builds and runs the
# whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Build and test"
bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j "$jobs")

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
  bash "$root/scripts/build.sh" "$root/build-asan" -DCLASSDIV_SANITIZE=ON -DCLASSDIV_BENCH=OFF
  # Qt and fontconfig keep caches until exit; leaks are checked in the core tests only.
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs" -L core)
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs" -L gui)
fi
