#!/usr/bin/env bash
# Checks a 32-bit deliverable without running it: PE32 for i386, GUI
# subsystem and OS version 4.0, exactly the expected exports by name and
# ordinal, and imports only from system DLLs and only functions on the list
# of ANSI entry points that Windows 9x and NT 4 already have.
#
#   check-pe.sh OBJDUMP FILE ALLOWED-IMPORTS [ORDINAL:NAME ...]
#
# An executable exports nothing: give it no ORDINAL:NAME at all.
set -uo pipefail
objdump=$1 file=$2 allowed=$3
shift 3
fail=0
problem() { echo "$(basename "$file"): $*"; fail=1; }

headers=$("$objdump" -p "$file") || { echo "cannot read $file"; exit 1; }
grep -q 'file format pei-i386' <<<"$headers" || problem "not a 32-bit i386 PE file"
field() { awk -v k="$1" '$1 == k { print $2; exit }' <<<"$headers"; }
[ "$(field MajorSubsystemVersion)" = 4 ] && [ "$(field MinorSubsystemVersion)" = 0 ] ||
  problem "subsystem version is $(field MajorSubsystemVersion).$(field MinorSubsystemVersion), not 4.0"
[ "$(field MajorOSystemVersion)" = 4 ] && [ "$(field MinorOSystemVersion)" = 0 ] ||
  problem "OS version is $(field MajorOSystemVersion).$(field MinorOSystemVersion), not 4.0"
grep -q '^Subsystem[[:space:]]*00000002' <<<"$headers" || problem "subsystem is not Windows GUI"
# Each deliverable fits on a floppy with room to spare: under 64 KiB.
size=$(stat -c %s "$file")
echo "$(basename "$file"): $size bytes (limit 65536)"
[ "$size" -lt 65536 ] || problem "is $size bytes, over the 64 KiB limit"

# Exports: "[Ordinal/Name Pointer] Table" lists "[index] name" with the
# ordinal as index + base.
base=$(awk '/^Ordinal Base/ { print $3 }' <<<"$headers")
actual=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
              on && /^\t\[/ { sub(/^\t\[ */, ""); sub(/\]/, ""); print $1 " " $2; next }
              on { on = 0 }' <<<"$headers" |
         while read -r index name; do echo "$((index + base)):$name"; done | sort)
expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
if [ "$actual" != "$expected" ]; then
  problem "exports differ"
  diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
fi

# Imports: "DLL Name: X" followed by "hint name" rows.
imports=$(awk '/DLL Name:/ { dll = toupper($3); next }
               dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll " " $3; next }
               /^$/ { dll = "" }' <<<"$headers" | sort -u)
[ -n "$imports" ] || problem "no imports found"
while read -r dll function; do
  [ -z "$dll" ] && continue
  grep -qix "$dll $function" <(sed 's/#.*//; s/[[:space:]]*$//' "$allowed") ||
    problem "imports $dll!$function, which is not on the list of allowed imports"
done <<<"$imports"
echo "$(basename "$file"): $(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')"
exit $fail
