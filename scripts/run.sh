#!/usr/bin/env bash
# Installs what is missing, builds, and starts varmesto in the example folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build"
cd "$root/examples"
exec "$root/build/${1:-varmesto}"
