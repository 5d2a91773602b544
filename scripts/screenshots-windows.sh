#!/usr/bin/env bash
# Pictures of the Windows build under Wine for docs/screenshots/windows/: the
# four windows, the menu 調整, the chart, the class lists and the rules
# dialog, taken by make_screenshots.exe run from a copy of the ZIP's folder
# (its DLLs, plugins, qt.conf and translations) in a Wine desktop of
# 1024 x 768, where Wine draws the window frames.
# Usage: scripts/screenshots-windows.sh   (after scripts/build-windows.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

version=$(sed -n 's/^project(ClassDivision VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
stage=$build/package/classdiv-$version-windows-x64
[ -f "$build/make_screenshots.exe" ] && [ -d "$stage" ] || bash "$root/scripts/build-windows.sh"

work=$(mktemp -d)
trap 'stop_screen; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$stage" "$work/app"
cp "$build/make_screenshots.exe" "$qt/bin/Qt6Test.dll" "$work/app/"
start_screen
wine_prefix "$build/wine"

wine explorer /desktop=classdiv,1024x768 "$work/app/make_screenshots.exe" "$(winpath "$work/shots")"
wineserver -w
# Wine's desktop hands back no exit status: a picture missing tells of a failure.
for name in form1 form4 form2 form3 form3-menu chart classlists spreaddialog; do
  [ -f "$work/shots/$name.png" ] || { echo "make_screenshots.exe did not take $name.png"; exit 1; }
done
out=$root/docs/screenshots/windows
mkdir -p "$out"
rm -f "$work/shots/classlists.pdf" "$work/shots/posted-lists.pdf" # the same pages as on Linux
cp "$work/shots"/*.png "$out/"
ls -l "$out"
