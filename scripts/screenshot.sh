#!/usr/bin/env bash
# Starts a program under Xvfb, lets it settle and saves a screenshot.
# Usage: scripts/screenshot.sh output.png [program] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
program=${2:-varmesto}
wait=${3:-2}
cd "$root/examples"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
  '$root/build/$program' & pid=\$!
  sleep $wait
  import -window root '$out'
  kill \$pid"
echo "saved $out"
