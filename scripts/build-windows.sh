#!/usr/bin/env bash
# Builds the Windows programs on Debian with MinGW-w64 and packs them:
#   build-windows/classdiv-<version>-windows-x64.zip   (unzip anywhere, start varmesto.exe)
#   build-windows/classdiv-<version>-setup.exe         (per-user installer, no administrator rights)
# The core tests are built as .exe too; scripts/test-windows.sh runs them under Wine.
#
# Qt for Windows is cross-built once from Debian's own qt6-base source into
# $CLASSDIV_CACHE/qt-6.4.2-mingw64 (default ~/.cache/classdiv), outside the
# repository, and reused from there (2,200 to 3,400 CPU-seconds the first time);
# zlib and libxlsxwriter the same way into $CLASSDIV_CACHE/libs-mingw64.
# Usage: scripts/build-windows.sh [qt]     (qt: build only the Qt cache)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${CLASSDIV_CACHE:-$HOME/.cache/classdiv}
qt_version=6.4.2
qt_source_version=6.4.2+dfsg-10
qt=$cache/qt-$qt_version-mingw64
toolchain=$root/packaging/windows/mingw-w64-x86_64.cmake
build=$root/build-windows
jobs=$(nproc)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# --- what the cross build needs from Debian -----------------------------------
bash "$root/scripts/install-deps.sh"
# Wine, its own fonts (window frames), fontTools and locales for the tests under Wine.
packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 wine wine64 fonts-wine nsis
          ninja-build dpkg-dev xz-utils python3-fonttools locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# --- Qt for Windows, built once -------------------------------------------------
# What the programs do not use is left out: ICU (the code page goes through
# Win32), D-Bus, SQL, network, Vulkan, OpenGL (software drawing only) and the
# Direct2D platform plugin (a second copy of the Windows one; without it the
# DirectWrite 3 font database must go too, or the Windows plugin does not
# link). FreeType stays for the offscreen platform of the window tests.
# INPUT_opengl=no rather than FEATURE_opengl=OFF: the latter still compiles
# the OpenGL parts of the windows platform plugin. Debian's tarball has no
# wintab.h, so tablet events are off.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_icu=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_androiddeployqt=OFF -DFEATURE_macdeployqt=OFF -DFEATURE_windeployqt=OFF
)
stamp="$qt_source_version ${qt_options[*]} $(sha256sum "$toolchain" | cut -c1-16)"
if [ "$(cat "$qt/.classdiv-stamp" 2>/dev/null)" != "$stamp" ]; then
  # apt-get source needs a deb-src entry for the same mirror as the packages.
  grep -rqsE "^Types:.*deb-src|^deb-src " /etc/apt/sources.list /etc/apt/sources.list.d/ || {
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      echo "Adding the Debian source entry (debian-src.sources)"
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    else
      echo "Adding the Debian source entry (debian-src.list)"
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.list >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -q
  }
  src=$cache/src
  mkdir -p "$src"
  (cd "$src" && { [ -f "qt6-base_$qt_source_version.dsc" ] || apt-get source --download-only "qt6-base=$qt_source_version"; } &&
     rm -rf qtbase && dpkg-source -x "qt6-base_$qt_source_version.dsc" qtbase >"$src/unpack.log" 2>&1) ||
    { cat "$src/unpack.log" 2>/dev/null; echo "could not get Debian's qt6-base $qt_source_version"; exit 1; }
  rm -rf "$src/build" "$qt"
  echo "== Building Qt $qt_version for Windows into $qt (20 to 30 minutes on 2 free cores, up to an hour on busy ones)"
  start=$(date +%s)
  cmake -S "$src/qtbase" -B "$src/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$qt" "${qt_options[@]}" >"$src/configure.log" 2>&1 ||
    { tail -40 "$src/configure.log"; exit 1; }
  nice -n 10 cmake --build "$src/build" -j "$jobs" >"$src/build.log" 2>&1 || { tail -40 "$src/build.log"; exit 1; }
  cmake --install "$src/build" >/dev/null
  echo "$stamp" >"$qt/.classdiv-stamp"
  echo "Qt built in $(( $(date +%s) - start )) s"
  rm -rf "$src/build" "$src/qtbase"
fi
[ "${1:-}" = qt ] && exit 0

# --- zlib and libxlsxwriter for Windows, built once ------------------------------
# The workbook reader inflates with zlib, the result workbook is written by
# libxlsxwriter (with the minizip it bundles). Both are built as static
# libraries from Debian's own source packages into their own cache folder with
# its own stamp, so that a change here never rebuilds Qt. zlib is the version
# of bookworm's main archive (the security update's source is not on every
# mirror; it mends only contrib/minizip, which is not built).
zlib_source_version=1:1.2.13.dfsg-1
xlsxwriter_source_version=1.1.4-2
libs=$cache/libs-mingw64
libs_stamp="zlib=$zlib_source_version xlsxwriter=$xlsxwriter_source_version dtoa $(sha256sum "$toolchain" | cut -c1-16)"
if [ "$(cat "$libs/.classdiv-stamp" 2>/dev/null)" != "$libs_stamp" ]; then
  src=$cache/src-libs
  rm -rf "$src" "$libs"
  mkdir -p "$src" "$libs/lib" "$libs/include"
  echo "== Building zlib and libxlsxwriter for Windows into $libs"
  (cd "$src" && apt-get source --download-only "zlib=$zlib_source_version" "libxlsxwriter=$xlsxwriter_source_version" &&
     dpkg-source -x zlib_"${zlib_source_version#*:}".dsc zlib && dpkg-source -x libxlsxwriter_"$xlsxwriter_source_version".dsc xlsxwriter) \
    >"$src/unpack.log" 2>&1 || { tail -20 "$src/unpack.log"; echo "could not get Debian's zlib and libxlsxwriter sources"; exit 1; }
  cmake -S "$src/zlib" -B "$src/zlib-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    >"$src/build.log" 2>&1 && cmake --build "$src/zlib-build" -j "$jobs" --target zlibstatic >>"$src/build.log" 2>&1 ||
    { tail -40 "$src/build.log"; exit 1; }
  cp "$src/zlib-build/libzlibstatic.a" "$libs/lib/libz.a"
  cp "$src/zlib/zlib.h" "$src/zlib-build/zconf.h" "$libs/include/"
  # The locale-independent number printing, so that no C locale can put a comma in a number.
  cmake -S "$src/xlsxwriter" -B "$src/xlsxwriter-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$libs" -DBUILD_SHARED_LIBS=OFF -DUSE_DTOA_LIBRARY=ON \
    -DZLIB_LIBRARY="$libs/lib/libz.a" -DZLIB_INCLUDE_DIR="$libs/include" >>"$src/build.log" 2>&1 &&
    cmake --build "$src/xlsxwriter-build" -j "$jobs" >>"$src/build.log" 2>&1 &&
    cmake --install "$src/xlsxwriter-build" >>"$src/build.log" 2>&1 || { tail -40 "$src/build.log"; exit 1; }
  # Their licences travel with the programs that contain them.
  mkdir -p "$libs/licenses"
  cp "$src/zlib/LICENSE" "$libs/licenses/zlib.txt"
  cp "$src/xlsxwriter/License.txt" "$libs/licenses/libxlsxwriter.txt"
  echo "$libs_stamp" >"$libs/.classdiv-stamp"
  rm -rf "$src"
fi

# --- the programs and the core tests ---------------------------------------------
source "$root/scripts/compiler-cache.sh"
version=$(sed -n 's/^project(ClassDivision VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLASSDIV_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine --no-warn-unused-cli \
  -DZLIB_LIBRARY="$libs/lib/libz.a" -DZLIB_INCLUDE_DIR="$libs/include" \
  -DXLSXWRITER_LIBRARY="$libs/lib/libxlsxwriter.a" -DXLSXWRITER_INCLUDE_DIR="$libs/include" >/dev/null
cmake --build "$build" -j "$jobs"

# --- the folder of the ZIP --------------------------------------------------------
name=classdiv-$version-windows-x64
package=$build/package
stage=$package/$name
rm -rf "$package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/examples"
cxx=x86_64-w64-mingw32-g++-posix

# Copies the DLLs a program or library imports, and theirs, from Qt's and
# MinGW's folders; Windows' own DLLs are found in neither and stay behind.
deploy() {
  local dll path
  for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    [ -e "$stage/$dll" ] && continue
    if [ -f "$qt/bin/$dll" ]; then
      path=$qt/bin/$dll
    else
      path=$($cxx -print-file-name="$dll")
      [ "$path" != "$dll" ] || continue
    fi
    cp "$path" "$stage/$dll"
    deploy "$stage/$dll"
  done
}
cp "$build/varmesto.exe" "$build/lintoraq.exe" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
for binary in "$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll; do
  deploy "$binary"
done
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll
# Qt looks for its plugins and translations beside the programs.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
mkdir -p "$stage/licenses"
cp "$libs"/licenses/*.txt "$stage/licenses/"
cp "$root/examples/nen1.csv" "$root/examples/nen1.csvJYOKEN.TXT" "$root/examples/nen1.csvBUNKATSU.TXT" "$stage/examples/"
readme=はじめにお読みください.txt
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/packaging/windows/$readme" | iconv -f UTF-8 -t CP932 >"$stage/$readme"

# The ZIP, its names marked as UTF-8 so that Explorer shows the Japanese one.
zip=$build/$name.zip
rm -f "$zip"
(cd "$package" && python3 -m zipfile -c "$zip" "$name")

# --- the installer ----------------------------------------------------------------
# The uninstaller removes exactly the files installed, then the folders left empty:
# files a teacher saved in examples/ stay.
uninstall=$package/uninstall-files.nsh
(cd "$stage" && find . -type f | sort | sed -e 's|^\./||' -e 's|/|\\|g' -e 's|.*|  Delete "$INSTDIR\\&"|'
               find . -mindepth 1 -type d | sort -r | sed -e 's|^\./||' -e 's|/|\\|g' -e 's|.*|  RMDir "$INSTDIR\\&"|') >"$uninstall"
setup=$build/classdiv-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DICON="$build/classdiv.ico" \
  -DUNINSTALL_LIST="$uninstall" -DOUTFILE="$setup" "$root/packaging/windows/installer.nsi"

ls -l "$zip" "$setup"
