#!/usr/bin/env bash
# Builds the Debian package (or takes the one given), installs it, checks the
# installed programs and files, then removes it again.
# Usage: scripts/test-package.sh [classdiv_<version>_<arch>.deb]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

tools=(dpkg-dev lintian desktop-file-utils appstream librsvg2-bin imagemagick xdotool xvfb xauth)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ $# -gt 0 ]; then
  deb=$(realpath "$1")
else
  bash "$root/scripts/package.sh" >&2
  deb=$(ls "$root"/build-package/classdiv_*.deb)
fi
version=$(dpkg-deb -f "$deb" Version)
echo "== $deb"

echo "== lintian"
status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v "running with root privileges" <<<"$report" || true
[ "$status" -eq 0 ] || { echo "lintian found errors"; exit 1; }

echo "== install"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get install -y -q --reinstall "$deb" >/dev/null

echo "== --version and --help without a display"
for program in varmesto lintoraq; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version)
  [ "$out" = "$program $version" ] || { echo "$program --version gave: $out"; exit 1; }
  env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help | grep -q "file.csv" || { echo "$program --help"; exit 1; }
  echo "$out"
done

echo "== desktop entries and AppStream data"
desktop-file-validate /usr/share/applications/varmesto.desktop /usr/share/applications/lintoraq.desktop
appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml

echo "== varmesto opens the import window on the example file"
# Started from / as a menu would, the import window (and no menu window) must
# come up with the example chosen in the file list. The list is found at its
# place in the window's layout (twips 3360,240 size 3015x1170 = 224,16 201x78
# px); its first row is the only .csv file. Chosen, that row is drawn in the
# selection colour, dark against the white list, whatever the style's colour:
# so the first row must be much darker than the white rows below it.
shot=$(mktemp --suffix=.png)
listing_before=$(ls -A /)
(cd / && xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  varmesto /usr/share/doc/classdiv/examples/nen1.csv & pid=$!
  trap "kill $pid 2>/dev/null" EXIT
  id=$(timeout 30 xdotool search --sync --name "^データ読み込み$" | head -n 1)
  [ -n "$id" ] || { echo "no import window"; exit 1; }
  if xdotool search --name "^Mｅｎｕ$" >/dev/null; then echo "the menu window is open too"; exit 1; fi
  for _ in $(seq 50); do
    import -window "$id" "$1"
    first=$(convert "$1" -crop 197x16+226+18 -colorspace gray -format "%[fx:mean]" info:)
    rest=$(convert "$1" -crop 197x50+226+40 -colorspace gray -format "%[fx:mean]" info:)
    if awk -v a="$first" -v b="$rest" "BEGIN { exit !(a < 0.8 && b > 0.95) }"; then
      echo "first row $first, rows below $rest: chosen"; exit 0
    fi
    sleep 0.2
  done
  echo "the file is not chosen (first row $first, rows below $rest); screenshot: $1"; exit 1
' _ "$shot")
[ "$(ls -A /)" = "$listing_before" ] || { echo "something was written into /"; exit 1; }
rm -f "$shot"

echo "== remove"
"${sudo_cmd[@]}" apt-get remove -y -q classdiv >/dev/null
[ ! -e /usr/bin/varmesto ] || { echo "/usr/bin/varmesto is still there"; exit 1; }
left=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | while read -r f; do [ ! -e "$f" ] || echo "$f"; done)
[ -z "$left" ] || { echo "left behind: $left"; exit 1; }
echo "package test passed"
