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

STEP=
log() {
  STEP=$*
  printf '== %s\n' "$*"
}

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
  as_root timeout 1800 apt-get update -q
  as_root timeout 3600 env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Wine at the width meant. Where wine32:i386 is installed, the machine's
# `wine` starts everything through the 32-bit loader: reg, rundll32, cmd and
# the other builtins then come out 32-bit and write into the registry's and
# the system folder's 32-bit views, unseen by 64-bit programs, and a prefix
# made by 64-bit Wine alone no longer starts. So the scripts never call the
# machine's `wine`: use_wine puts a folder of commands first on PATH (wine,
# wineboot, winepath, wineserver) that start one width's own loader.
WINE64_LOADER=/usr/lib/wine/wine64
WINE_BIN=
use_wine() { # 64|32
  local width=$1 dir=$BUILD/wine$1/bin loader p
  if [ "$width" = 64 ]; then
    loader=$WINE64_LOADER
  else
    loader=$(wine32_loader) || return 1
  fi
  mkdir -p "$dir"
  # A 32-bit prefix is a win32 one: the 32-bit loader alone never makes
  # the 64-bit half of a WoW64 prefix.
  local arch=
  [ "$width" = 32 ] && arch="WINEARCH=win32 "
  write_command "$dir/wine" "${arch}WINELOADER='$loader' exec '$loader' \"\$@\""
  write_command "$dir/wineboot" "exec '$dir/wine' wineboot \"\$@\""
  write_command "$dir/winepath" "exec '$dir/wine' winepath \"\$@\""
  write_command "$dir/wineserver" "exec /usr/lib/wine/wineserver \"\$@\""
  # One width's folder at a time on PATH.
  local path=
  local IFS=:
  for p in $PATH; do
    case $p in "$BUILD"/wine32/bin | "$BUILD"/wine64/bin) ;; *) path+=${path:+:}$p ;; esac
  done
  export PATH=$dir:$path
  export WINELOADER=$loader
  WINE_BIN=$dir
}
write_command() { # file line
  local text
  text=$(printf '#!/bin/sh\n%s\n' "$2")
  [ "$(cat "$1" 2>/dev/null)" = "$text" ] && return 0
  printf '%s\n' "$text" >"$1"
  chmod 755 "$1"
}

# The 32-bit loader: the machine's own where wine32:i386 is installed,
# otherwise the one unpack_wine32 left in the tree.
WINE32_UNPACKED=$BUILD/wine32/unpacked
wine32_installed() {
  [ -x /usr/lib/wine/wine ] && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'
}
wine32_loader() {
  if wine32_installed; then
    echo /usr/lib/wine/wine
  elif [ -x "$WINE32_UNPACKED/usr/lib/wine/wine" ]; then
    echo "$WINE32_UNPACKED/usr/lib/wine/wine"
  else
    echo "no 32-bit Wine: wine32:i386 is neither installed nor unpacked in $WINE32_UNPACKED" >&2
    return 1
  fi
}

# Every Wine program a script starts has a time limit: a message box in a
# headless run waits for a click that never comes. When one runs out, the
# windows then open in the session are printed (title and texts) with the
# step it came from, before the program is ended.
WINE_SECONDS=${WINE_SECONDS:-300}
wine() { limit "$WINE_SECONDS" command wine "$@"; }
wineboot() { limit "$WINE_SECONDS" command wineboot "$@"; }
winepath() { limit 60 command winepath "$@"; }
wineserver() { limit 60 command wineserver "$@"; }
limit() { # seconds command...
  local seconds=$1 pid watcher rc=0 late
  shift
  late=$(mktemp)
  "$@" &
  pid=$!
  (
    # Its sleeps must not hold a pipe the caller reads to its end.
    exec </dev/null >&2
    waited=0
    while kill -0 "$pid" 2>/dev/null; do
      if [ "$waited" -ge "$seconds" ]; then
        echo "step \"$STEP\": '${*#command }' did not end within $seconds s" >&2
        show_windows >&2
        echo late >"$late"
        kill "$pid" 2>/dev/null
        sleep 5 >/dev/null 2>&1
        kill -9 "$pid" 2>/dev/null
        exit 0
      fi
      sleep 1 >/dev/null 2>&1
      waited=$((waited + 1))
    done
  ) &
  watcher=$!
  # Whoever ends this (a script's clean-up ending a program it started in
  # the background) ends the program and its watcher too.
  trap 'kill "$pid" "$watcher" 2>/dev/null; exit 143' TERM
  wait "$pid" || rc=$?
  trap - TERM
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  if [ -s "$late" ]; then rc=124; fi
  rm -f "$late"
  return "$rc"
}

# The windows open in the session, with their texts: what a headless run
# waits for when it hangs. deskctl comes from the width's own tree.
show_windows() {
  local deskctl=$BUILD/${DESKCTL_TREE:-x64}/bin/deskctl.exe
  [ -f "$deskctl" ] || return 0
  echo "windows open in the Wine session (step \"$STEP\"):"
  timeout -k 5 30 "$WINE_BIN/wine" "$deskctl" windows 2>&1 | tr -d '\r' | sed 's/^/   /' || true
}

build_tree() { # name toolchain-file-or-empty source-dir [target...]
  local dir=$BUILD/$1 toolchain=$2 source=$3 prefix=$TESTS_WINEPREFIX
  shift 3
  local args=(-S "$source" -B "$dir" -G Ninja)
  # The 32-bit tests have a prefix of their own and may run on a software
  # CPU, several times slower than the host.
  local width=64
  if [ "$(basename "$dir")" = i686 ]; then
    prefix=$TESTS_WINEPREFIX32 width=32
    args+=(-DVANTREL_TEST_TIMEOUT=1800)
  fi
  # Each tree's tests start their programs with that width's Wine.
  args+=(-DVANTREL_WINEPREFIX="$prefix" -DWINE_PROGRAM="$BUILD/wine$width/bin/wine"
    -DWINESERVER_PROGRAM="$BUILD/wine$width/bin/wineserver")
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
  timeout 3600 cmake --build "$dir" ${1:+--target "$@"}
}

build_all() {
  log "building the 32-bit deliverables"
  build_tree i686 mingw-i686.cmake "$ROOT" Quillan Serrafin Morvask
  log "building the 64-bit test build"
  build_tree x64 mingw-x86_64.cmake "$ROOT"
  log "building the native property tests"
  build_tree native "" "$ROOT/tests/native"
}

# A private prefix: no Mono or Gecko installers, no X display needed. It
# records the Wine it was made with and is made again when that changes: a
# prefix made by another Wine, or at the other width, may not start at all.
wine_made_with() {
  echo "$(command wine --version 2>/dev/null) $(basename "$(dirname "$WINE_BIN")")"
}
prepare_prefix() {
  local made_with before
  made_with=$(wine_made_with)
  before=$(cat "$WINEPREFIX/made-with" 2>/dev/null || echo "a Wine it did not record")
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$before" != "$made_with" ]; then
    log "making the Wine prefix $WINEPREFIX again: it was made with $before, this is $made_with"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX ($made_with)"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] && echo "$made_with" >"$WINEPREFIX/made-with"
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
  # On a busy machine winedevice may not have the driver up yet when the
  # first request comes: a few tries before giving up.
  local try
  for try in 1 2 3 4 5; do
    wine sc start zintrel >/dev/null 2>&1 || true
    wine "$bin/cardctl.exe" reset 2>/dev/null && return 0
    sleep 2
  done
  echo "the simulated card did not start" >&2
  return 1
}

stop_wine() {
  wineserver -k 2>/dev/null || true
}

# Screenshots: Wine draws on X only with its X11 driver, everything else
# here runs with the null driver. start_screen starts Xvfb on a free display
# (exported as DISPLAY) and switches the prefix to X11; stop_screen switches
# it back and ends Xvfb. Both restart the wineserver.
SCREEN_XVFB=
import() { limit 60 command import "$@"; }
xdotool() { limit 60 command xdotool "$@"; }
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

use_wine 64
