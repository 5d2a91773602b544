# Sourced by the scripts that run the Windows build under Wine: a Japanese
# Wine (code page 932) in a prefix of its own, a virtual X screen, and the
# IPA fonts standing in for the Windows fonts that Wine does not have.
# Needs $root (the repository) set by the caller.

build=${build:-$root/build-windows}
cache=${CLASSDIV_CACHE:-$HOME/.cache/classdiv}
qt=$cache/qt-6.4.2-mingw64

# Wine takes its code page from the locale, which must exist.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q "install ok installed" || {
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends locales
  }
  "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all WINEARCH=win64
# No .NET or HTML engine: Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"

# The Windows path of a Linux path, on Wine's drive Z:.
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

# A prefix made and set up once. A Japanese Windows has the fonts the layouts
# name; Wine has none of them, so the prefix gets the IPA fonts, which were
# drawn to the same designs and metrics, under those names. (A substitution
# alone is not enough: Qt lists the fonts the system enumerates, and falls back
# to the first font it knows when the name is missing.)
wine_prefix() {
  export WINEPREFIX=$1
  [ -f "$WINEPREFIX/.classdiv-ready" ] && return 0
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  /usr/bin/python3 - "$WINEPREFIX/drive_c/windows/Fonts" <<'EOF'
import sys
from fontTools.ttLib import TTFont

fonts = sys.argv[1]
for source, english, japanese in (
        ("ipafont-mincho/ipamp.ttf", "MS PMincho", "ＭＳ Ｐ明朝"),
        ("ipafont-mincho/ipam.ttf", "MS Mincho", "ＭＳ 明朝"),
        ("ipafont-gothic/ipagp.ttf", "MS PGothic", "ＭＳ Ｐゴシック"),
        ("ipafont-gothic/ipag.ttf", "MS Gothic", "ＭＳ ゴシック"),
        ("ipafont-gothic/ipagp.ttf", "MS UI Gothic", "MS UI Gothic")):
    font = TTFont("/usr/share/fonts/opentype/" + source)
    names = font["name"]
    for record in list(names.names):
        if record.nameID in (1, 4, 6, 16, 17, 18):
            names.removeNames(nameID=record.nameID)
    for name_id in (1, 4):
        names.setName(english, name_id, 3, 1, 0x409)
        names.setName(japanese, name_id, 3, 1, 0x411)
    names.setName(english.replace(" ", "-"), 6, 3, 1, 0x409)
    font.save(f"{fonts}/{english.replace(' ', '').lower()}.ttf")
EOF
  # The glyphs of the title bars' buttons, which this Wine does not find by itself.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  touch "$WINEPREFIX/.classdiv-ready"
}

# A virtual X screen for the rest of the script.
start_screen() {
  local display
  for display in $(seq 91 120); do
    [ -e "/tmp/.X$display-lock" ] || break
  done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  screen_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "Xvfb did not start"; return 1
}
stop_screen() { [ -z "${screen_pid:-}" ] || kill "$screen_pid" 2>/dev/null || true; }
