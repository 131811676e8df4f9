#!/usr/bin/env bash
# Writes the sample skin of the clock page into the registry of the Wine
# prefix in $WINEPREFIX (or the default one): the pictures beside this
# script (drawn by mkskin.py), caption and value fonts, text colours and a
# one-pixel text shadow. On Windows, set the same values under
# HKCU\Software\Vantrel\ATI Radeon Tachyra by hand.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root='HKCU\Software\Vantrel\ATI Radeon Tachyra'
add() { # key value type data
  wine reg add "$root$1" /v "$2" /t "$3" /d "$4" /f >/dev/null
}

add '' BackgroundBitmap REG_SZ "$(winepath -w "$here/background.bmp")"
add '' LogoBitmap REG_SZ "$(winepath -w "$here/logo.bmp")"

# Colours are 0x00BBGGRR: night blue text, the outer frame in deep red.
add '\Colours' default REG_DWORD 0x00602010
add '\Colours' 1441 REG_DWORD 0x00181890
add '\Colours' Shadow REG_DWORD 1

add '\Fonts\Definitions\Captions' Font REG_SZ Tahoma
add '\Fonts\Definitions\Captions' ID REG_DWORD 1
add '\Fonts\Definitions\Captions' FontHeight REG_DWORD 13
add '\Fonts\Definitions\Captions' FontWeight REG_DWORD 700
add '\Fonts\Definitions\Values' Font REG_SZ Tahoma
add '\Fonts\Definitions\Values' ID REG_DWORD 2
add '\Fonts\Definitions\Values' FontHeight REG_DWORD 11
add '\Fonts\Definitions\Values' FontWeight REG_DWORD 400
for frame in 1441 1458 1459 1465 1469 1470 1418 1483 1484; do
  add '\Fonts\Controls' $frame REG_DWORD 1
done
add '\Fonts\Controls' Default REG_DWORD 2
