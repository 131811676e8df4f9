#!/bin/sh
# A fresh Wine prefix per Windows family for the install round trip. The
# template is made once per test run with wineboot; each family's prefix is
# a copy of it, which takes a few seconds where wineboot takes half a minute.
#
#   fresh-prefix.sh WINE WINESERVER template DIR
#   fresh-prefix.sh WINE WINESERVER run TEMPLATE DIR VERSION PROGRAM PHASE...
#
# run copies TEMPLATE to DIR, has Wine report VERSION (win98, winxp, ...) to
# every program in it, and runs the test PROGRAM once for each PHASE (a
# --gtest_filter), with a restart as Windows restarts between two phases
# (tests/support/restart.sh). The program runs in DIR, beside drive C, where
# a phase leaves what the next one reads. It stops at the first phase that
# fails, and takes the prefix down again; the prefix of a failed run stays
# for a look.
set -eu
wine=$1 wineserver=$2 mode=$3
shift 3
restart=$(cd "$(dirname "$0")/../support" && pwd)/restart.sh

stop() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
}

case $mode in
template)
  export WINEPREFIX=$1
  stop
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  # Windows, dialogs and property sheets without an X display.
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  # A machine that has started before: the first logon makes keys of its
  # own (the 32-bit Run key of a 64-bit prefix), which a test's restart
  # would otherwise find new.
  "$restart" "$wine" "$wineserver"
  stop
  test -f "$WINEPREFIX/system.reg"
  ;;
run)
  template=$1 version=$3 program=$4
  export WINEPREFIX=$2
  shift 4
  stop
  rm -rf "$WINEPREFIX"
  cp -a "$template" "$WINEPREFIX"
  "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null
  cd "$WINEPREFIX"
  status=0 first=yes
  for phase in "$@"; do
    if [ "$first" = no ]; then
      "$restart" "$wine" "$wineserver" || { status=$?; break; }
    fi
    first=no
    "$wine" "$program" --gtest_filter="$phase" || { status=$?; break; }
  done
  stop
  cd /
  if [ "$status" = 0 ]; then rm -rf "$WINEPREFIX"; fi
  exit "$status"
  ;;
*)
  echo "usage: $0 WINE WINESERVER template DIR | run TEMPLATE DIR VERSION PROGRAM PHASE..." >&2
  exit 2
  ;;
esac
