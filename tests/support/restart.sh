#!/bin/sh
# A restart of the Wine prefix in $WINEPREFIX, as Windows restarts: the
# session ends (every program in it goes, as at a power cut or a hang;
# with --end-session it first ends normally, as at a log off or shut down:
# every top-level window hears WM_QUERYENDSESSION and WM_ENDSESSION before
# its program goes), then a new one starts and runs what Windows runs at
# boot and logon, in this order: the [rename] section of WININIT.INI, the
# pending file-rename list, RunOnce, then the machine's and the user's Run
# entries. The session that Wine starts by itself for any program does the
# renames but not the Run entries: only a plain `wineboot` is a logon.
#
#   restart.sh WINE WINESERVER [--end-session]
#
# The new session's wineserver stays up (-p) so that what the Run entries
# start, and the simulated card's driver, outlive the wineboot that started
# them. Gives wineboot at most VANTREL_RESTART_SECONDS (default 300).
set -eu
wine=$1 wineserver=$2
if [ "${3:-}" = --end-session ]; then
  timeout -k 10 120 "$wine" wineboot --end-session --shutdown
fi
"$wineserver" -k 2>/dev/null || true
timeout 60 "$wineserver" -w 2>/dev/null || true
"$wineserver" -p
timeout -k 10 "${VANTREL_RESTART_SECONDS:-300}" "$wine" wineboot
