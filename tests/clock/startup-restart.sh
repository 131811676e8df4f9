#!/bin/sh
# Start-up clocks across restarts, in the prefix in $WINEPREFIX (a fresh one
# per Windows family, from fresh-prefix.sh run): the simulated card becomes a
# driver that starts with the system, as the probe driver does, then the
# steps of clock_startup_test run in order with a restart between each two
# (tests/support/restart.sh), once ending the session normally first.
#
#   startup-restart.sh WINE WINESERVER BIN
#
# BIN holds clock_startup_test.exe, the libraries and zintrel.sys.
set -eu
wine=$1 wineserver=$2 bin=$3
restart=$(dirname "$0")/../support/restart.sh

# The driver lives as long as the wineserver: one that stays up.
"$wineserver" -p 2>/dev/null || {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  "$wineserver" -p
}
drivers=$("$wine" winepath -u 'C:\windows\system32\drivers' | tr -d '\r')
cp "$bin/zintrel.sys" "$drivers/zintrel.sys"
"$wine" sc create zintrel type= kernel start= auto binPath= 'C:\windows\system32\drivers\zintrel.sys' >/dev/null
"$wine" sc start zintrel >/dev/null

output=$(mktemp)
trap 'rm -f "$output"' EXIT
# A filter that names no test passes without running one: each step must
# report its one test passed.
step() {
  status=0
  "$wine" "$bin/clock_startup_test.exe" --gtest_filter="Restart.$1" >"$output" 2>&1 || status=$?
  cat "$output"
  [ "$status" = 0 ] && grep -q '^\[  PASSED  \] 1 test' "$output"
}

step ConfirmOnThePage
"$restart" "$wine" "$wineserver"
step SetAtLogon
"$restart" "$wine" "$wineserver" --end-session
step SetAgainAfterANormalEnd
"$restart" "$wine" "$wineserver"
step NotSetAgainAfterAHang
"$restart" "$wine" "$wineserver"
step AHealthyStart
"$restart" "$wine" "$wineserver"
step AnotherCard
"$restart" "$wine" "$wineserver"
step ACardThatIgnoresWrites
