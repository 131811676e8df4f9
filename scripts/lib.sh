# Shared by scripts/test and scripts/demo: installs what is missing, builds
# the three trees and prepares a private Wine prefix with the simulated card.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BUILD:-$ROOT/build}
# The Wine tests always run in the test prefix, whichever script (the demo
# uses a prefix of its own) configured the build trees first.
TESTS_WINEPREFIX=$BUILD/wineprefix
TESTS_WINEPREFIX32=$BUILD/wineprefix32
export WINEPREFIX=${WINEPREFIX_OVERRIDE:-$TESTS_WINEPREFIX}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '== %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian packages the build, the tests and the demo need.
PACKAGES="cmake ninja-build g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev mingw-w64-i686-dev googletest wine wine64
  xvfb xauth x11-apps imagemagick xdotool"

ensure_packages() {
  install_missing $PACKAGES
}

install_missing() { # package...
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_tree() { # name toolchain-file-or-empty source-dir [target...]
  local dir=$BUILD/$1 toolchain=$2 source=$3 prefix=$TESTS_WINEPREFIX
  shift 3
  local args=(-S "$source" -B "$dir" -G Ninja)
  # The 32-bit tests have a prefix of their own and may run on a software
  # CPU, several times slower than the host.
  if [ "$(basename "$dir")" = i686 ]; then
    prefix=$TESTS_WINEPREFIX32
    args+=(-DVANTREL_TEST_TIMEOUT=1800)
  fi
  args+=(-DVANTREL_WINEPREFIX="$prefix")
  if [ -n "$toolchain" ]; then
    args+=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain")
    # CMake keeps the compiler a tree was first configured with: a tree
    # from before its toolchain file named another one starts afresh.
    local wanted found
    wanted=$(sed -n 's/^set(CMAKE_CXX_COMPILER *\(.*\))$/\1/p' "$ROOT/cmake/$toolchain")
    wanted=${wanted//'${TOOL_PREFIX}'/$(sed -n 's/^set(TOOL_PREFIX \(.*\))$/\1/p' "$ROOT/cmake/$toolchain")}
    found=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null | head -1 || true)
    [ -n "$found" ] && [ "$(basename "$found")" != "$wanted" ] && rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles" "$dir/build.ninja"
  fi
  # A tree configured otherwise (another prefix, by an older demo) is set
  # right.
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/configured-with" 2>/dev/null)" != "${args[*]}" ]; then
    cmake "${args[@]}" >/dev/null
    echo "${args[*]}" >"$dir/configured-with"
  fi
  cmake --build "$dir" ${1:+--target "$@"}
}

build_all() {
  log "building the 32-bit deliverables"
  build_tree i686 mingw-i686.cmake "$ROOT" Quillan Serrafin Morvask
  log "building the 64-bit test build"
  build_tree x64 mingw-x86_64.cmake "$ROOT"
  log "building the native property tests"
  build_tree native "" "$ROOT/tests/native"
}

# A private prefix: no Mono or Gecko installers, no X display needed.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# The simulated card lives in winedevice, which lives as long as the
# wineserver: keep one running while the card is in use. The driver and
# cardctl come from the given tree (the 64-bit one unless told).
start_card() { # [tree]
  local drivers="$WINEPREFIX/drive_c/windows/system32/drivers" bin=$BUILD/${1:-x64}/bin
  # A wineserver already running for the prefix cannot be made persistent:
  # replace it with one that is.
  wineserver -p 2>/dev/null || {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wineserver -p
  }
  cp "$bin/zintrel.sys" "$drivers/zintrel.sys"
  wine sc create zintrel type= kernel 'binPath=' 'C:\windows\system32\drivers\zintrel.sys' >/dev/null 2>&1 || true
  wine sc start zintrel >/dev/null 2>&1 || true
  wine "$bin/cardctl.exe" reset || {
    echo "the simulated card did not start" >&2
    return 1
  }
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}

# Screenshots: Wine draws on X only with its X11 driver, everything else
# here runs with the null driver. start_screen starts Xvfb on a free display
# (exported as DISPLAY) and switches the prefix to X11; stop_screen switches
# it back and ends Xvfb. Both restart the wineserver.
SCREEN_XVFB=
set_graphics() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$1" /f >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
start_screen() {
  local n display=
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
  done
  [ -n "$display" ] || { echo "no free X display number" >&2; return 1; }
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  SCREEN_XVFB=$!
  export DISPLAY=$display
  set_graphics x11
}
stop_screen() {
  set_graphics null
  [ -n "$SCREEN_XVFB" ] && kill "$SCREEN_XVFB" 2>/dev/null || true
  SCREEN_XVFB=
}
