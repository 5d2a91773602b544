# Sourced by the build scripts. Compiles through ccache when it is there. Its
# cache sits beside the Qt-for-Windows cache (CLASSDIV_CACHE, default
# ~/.cache/classdiv), so a machine that keeps that folder rebuilds only the
# files a change touched, in each of the five builds (tests, sanitizers,
# fuzzing, package, Windows). Paths are taken relative to the tree, so a
# fresh clone in another folder finds the same entries.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_DIR=${CCACHE_DIR:-${CLASSDIV_CACHE:-$HOME/.cache/classdiv}/ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-4G}
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
