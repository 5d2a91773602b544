#!/usr/bin/env bash
# Builds the Debian package build-package/classdiv_<version>_<arch>.deb: both
# programs, menu entries, icon, AppStream data, manual pages, the example year.
# Usage: scripts/package.sh [build folder]   (default: build-package)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-package}")
bash "$root/scripts/install-deps.sh"
source "$root/scripts/compiler-cache.sh"

# Debian's hardening flags; the prefix map in them is taken from the current folder.
cd "$root"
export CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
# Only the programs are built, not the tests: installing must not build everything.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLASSDIV_PACKAGE=ON -DCLASSDIV_BENCH=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target varmesto lintoraq packaging_files
rm -f "$build"/classdiv_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/classdiv_*.deb
