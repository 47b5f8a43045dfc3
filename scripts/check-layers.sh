#!/usr/bin/env bash
# Fails when an application folder includes a folder that comes after it in
# the layer order that ARCHITECTURE.md gives ("Application layers"), or a
# feature folder includes another feature folder. Reads the order from there.
set -euo pipefail
cd "$(dirname "$0")/.."

# The order: the line "Layer order: `a` → `b` → ..." in ARCHITECTURE.md; the
# feature folders share one rank and never include each other.
line=$(grep -m1 '^Layer order:' ARCHITECTURE.md) || { echo "check-layers: no 'Layer order:' line in ARCHITECTURE.md" >&2; exit 1; }
features=$(grep -m1 '^Feature folders:' ARCHITECTURE.md | grep -o '`[a-z]*`' | tr -d '`' || true)
declare -A rank
r=0
for f in $(echo "$line" | grep -o '`[a-z]*`' | tr -d '`'); do
  if [ "$f" = "features" ]; then
    for g in $features; do rank[$g]=$r; done
  else
    rank[$f]=$r
  fi
  r=$((r + 1))
done
is_feature() { local x; for x in $features; do [ "$x" = "$1" ] && return 0; done; return 1; }

status=0
for dir in app/*/; do
  folder=$(basename "$dir")
  [ "$folder" = resources ] && continue
  if [ -z "${rank[$folder]+x}" ]; then
    echo "check-layers: app/$folder is not in the layer order of ARCHITECTURE.md" >&2
    status=1
    continue
  fi
  while IFS=: read -r file _ inc; do
    target=$(echo "$inc" | sed -n 's/^#include "\([a-z]*\)\/.*/\1/p')
    [ -z "$target" ] && continue
    [ -z "${rank[$target]+x}" ] && continue  # core headers, checked below
    if [ "$target" != "$folder" ]; then
      if (( rank[$target] > rank[$folder] )); then
        echo "check-layers: $file includes $target/, which comes after $folder/" >&2
        status=1
      elif is_feature "$folder" && is_feature "$target"; then
        echo "check-layers: $file includes $target/; feature folders never include each other" >&2
        status=1
      fi
    fi
  done < <(grep -rn '^#include "' "$dir" || true)
done

# The core headers the application may include (ARCHITECTURE.md, dependency rule).
while IFS=: read -r file _ inc; do
  case "$inc" in
    *'"interface/QuorixCoreAPI.h"'*|*'"interface/QuorixCoreTypes.h"'*|*'"video/PictureConverter.h"'*|*'"control/FreeMessageCodes.h"'*) ;;
    *) echo "check-layers: $file includes a core header the application may not use: $inc" >&2; status=1 ;;
  esac
done < <(grep -rn '^#include "\(interface\|video\|control\|audio\|network\|crypto\|tessel\|common\|datamanager\)/' app || true)

[ $status -eq 0 ] && echo "check-layers: application folders include one way"
exit $status
