#!/usr/bin/env bash
# Tests the Windows build (scripts/build-windows.sh, run first when missing)
# under a Japanese Wine in a virtual X screen:
#   1. every core test program, and the window tests on the offscreen platform;
#   2. the road through varmesto's windows with fixed draw numbers: the result
#      file must be byte for byte the one the Linux build saves;
#   3. varmesto.exe from the ZIP's folder: its start window appears and is drawn;
#   4. the installer, silently into a fresh Wine prefix: files, Start menu,
#      "Open with", a CSV given as "Open with" gives it, then the uninstaller.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

version=$(sed -n 's/^project(ClassDivision VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
stage=$build/package/classdiv-$version-windows-x64
setup=$build/classdiv-$version-setup.exe
[ -f "$setup" ] || bash "$root/scripts/build-windows.sh"

work=$(mktemp -d)
cleanup() { stop_screen; wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
start_screen
wine_prefix "$build/wine"

echo "== Core and window tests under Wine"
# The test programs take Qt's and MinGW's DLLs from where they were built.
export WINEPATH="$(winpath "$qt/bin");$(winpath "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")");$(winpath /usr/x86_64-w64-mingw32/lib)"
(cd "$build" && ctest --output-on-failure -j "$(nproc)" -L core)
# Qt Test writes its report to a file here: under Wine its standard output stays empty.
# The offscreen platform reads fonts from files: the prefix's, with the Windows
# names. (Wine hands no QT_ variable to Windows programs, only WINEQT_ ones.)
export WINEQT_QPA_FONTDIR='C:\windows\Fonts'
failed=0
for test in "$build"/tests/tst_*.exe; do
  name=$(basename "$test" .exe)
  wine "$test" -o "$(winpath "$work/$name.txt"),txt" >/dev/null 2>&1 || failed=1
  tr -d '\r' <"$work/$name.txt" | grep -aE "^(FAIL!|Totals)" -A3 | sed "s/^/$name: /"
done
[ "$failed" -eq 0 ] || { echo "window tests failed under Wine"; exit 1; }

echo "== The road with fixed draw numbers: the same bytes as on Linux"
cmake --build "$root/build" --target drive_road >/dev/null 2>&1 ||
  { bash "$root/scripts/build.sh" "$root/build" >/dev/null; }
mkdir "$work/linux" "$work/windows"
QT_QPA_PLATFORM=offscreen "$root/build/tests/drive_road" "$work/linux" 2>/dev/null
wine "$build/tests/drive_road.exe" "$(winpath "$work/windows")" 2>/dev/null # offscreen
cmp "$work/linux/kekka.csv" "$work/windows/kekka.csv"
echo "kekka.csv: $(wc -c <"$work/windows/kekka.csv") bytes, the same on both; lines end in CR LF:" \
  "$(grep -c $'\r$' "$work/windows/kekka.csv") of $(wc -l <"$work/windows/kekka.csv")"
unset WINEPATH

# Waits for a top-level window of the exact title; prints its id.
window_titled() { timeout "${2:-60}" xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# The window's picture must be more than one colour: a blank or black one
# fails. Wine maps the window before the program has drawn it, so ask again.
check_drawn() {
  local spread=0
  for _ in $(seq 40); do
    import -window "$1" "$2"
    spread=$(convert "$2" -colorspace gray -format "%[fx:standard_deviation]" info:)
    if awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }'; then
      echo "$(basename "$2"): drawn (spread of grey $spread)"
      return 0
    fi
    sleep 0.5
  done
  echo "$2 looks blank (spread $spread)"
  return 1
}

echo "== varmesto.exe from the ZIP's folder"
(wine "$stage/varmesto.exe" >/dev/null 2>&1 &) # ended by wineserver -k below
id=$(window_titled "Mｅｎｕ" 90)
[ -n "$id" ] || { echo "no start window"; exit 1; }
check_drawn "$id" "$build/varmesto-start.png"
wineserver -k

echo "== The installer in a fresh Wine prefix"
wine_prefix "$work/prefix"
wine "$setup" /S
wineserver -w
home=$WINEPREFIX/drive_c/users/$(id -un)
installed=$home/AppData/Local/Programs/classdiv
menu="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
(cd "$stage" && find . -type f) | while read -r f; do
  [ -f "$installed/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in uninstall.exe; do [ -f "$installed/$f" ] || { echo "no $f"; exit 1; }; done
for link in "クラス分け.lnk" "クラス分け（固定画面）.lnk"; do
  [ -f "$menu/$link" ] || { echo "no Start menu entry $link"; exit 1; }
done
wine reg query 'HKCU\Software\Classes\Applications\varmesto.exe\shell\open\command' | grep -q 'varmesto.exe" "%1"' ||
  { echo "varmesto is not in Open with"; exit 1; }
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\classdiv' /v DisplayName >/dev/null
echo "installed: $(cd "$installed" && find . -type f | wc -l) files, 2 Start menu entries, Open with, Apps entry"

# As "Open with" starts it: the CSV's import window first, the file chosen.
cp "$root/examples/nen1.csv" "$work/sample.csv"
(wine "$installed/varmesto.exe" "$(winpath "$work/sample.csv")" >/dev/null 2>&1 &)
id=$(window_titled "データ読み込み" 90)
[ -n "$id" ] || { echo "a CSV given at start does not open the import window"; exit 1; }
check_drawn "$id" "$build/varmesto-open-with.png"
wineserver -k

# A file the teacher saved beside the example stays, with its folder.
echo "kept" >"$installed/examples/kekka.csv"
wine "$installed/uninstall.exe" /S
for _ in $(seq 60); do [ -e "$installed/uninstall.exe" ] || break; sleep 1; done
wineserver -w
left=$(cd "$installed" 2>/dev/null && find . -type f | sort | tr '\n' ' ')
[ "$left" = "./examples/kekka.csv " ] || { echo "after uninstalling, left: $left"; exit 1; }
for link in "クラス分け.lnk" "クラス分け（固定画面）.lnk"; do
  [ ! -e "$menu/$link" ] || { echo "Start menu entry left: $link"; exit 1; }
done
if wine reg query 'HKCU\Software\Classes\Applications\varmesto.exe' >/dev/null 2>&1 ||
   wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\classdiv' >/dev/null 2>&1; then
  echo "registry keys left after uninstalling"; exit 1
fi
echo "uninstalled: only the teacher's own file is left"
echo "Windows tests passed"
