#!/usr/bin/env bash
# Puts the sample skin into the Wine prefix in $WINEPREFIX, as a Windows
# user would: the pictures into C:\Vantrel\Skin, then sample.reg merged with
# regedit. With "deutsch", the German texts (deutsch.reg) as well.
#
#   WINEPREFIX=build/wineprefix skins/sample/install.sh [deutsch]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$(winepath -u 'C:\Vantrel\Skin' 2>/dev/null | tr -d '\r')
mkdir -p "$folder"
cp "$here/background.bmp" "$here/logo.bmp" "$folder/"
wine regedit /s "$(winepath -w "$here/sample.reg" | tr -d '\r')"
if [ "${1:-}" = deutsch ]; then
  wine regedit /s "$(winepath -w "$here/deutsch.reg" | tr -d '\r')"
fi
