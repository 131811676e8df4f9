#!/usr/bin/env bash
# Folders include in one direction only: the pages (clock/, modes/) and the
# remover use the kit (frame/, skin/), which uses the registry helpers
# (cfg/). Fails when a file of the kit or of the registry helpers includes a
# header from a page's folder or the remover's, or when the registry helpers
# include one of the kit's.
#
#   check-includes.sh SOURCE-DIR
set -uo pipefail
root=$1
fail=0
check() { # folder forbidden-folder...
  local folder=$1 file line target dir
  shift
  for file in "$root/$folder"/*; do
    [ -f "$file" ] || continue
    while IFS= read -r line; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$line")
      # A bare name is found beside the file first; a path leads where it says.
      dir=$(cd "$(dirname "$file")/$(dirname "$target")" 2>/dev/null && pwd) || dir=
      for forbidden in "$@"; do
        if [ "$dir" = "$(cd "$root/$forbidden" && pwd)" ] ||
          { [ "$dir" = "$(cd "$root/$folder" && pwd)" ] && [ ! -e "$dir/$(basename "$target")" ] &&
            [ -e "$root/$forbidden/$(basename "$target")" ]; }; then
          echo "${file#"$root"/} includes $target from $forbidden/"
          fail=1
        fi
      done
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done
}
check frame clock modes remover
check skin clock modes remover
check cfg clock modes remover frame skin
[ "$fail" = 0 ] && echo "includes go from the pages to the kit to the registry helpers only"
exit "$fail"
