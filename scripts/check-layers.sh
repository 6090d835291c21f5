#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file includes a header from a folder that its own folder may not use: the
# allowed folder-to-folder includes are the table of scripts/layers.txt. Reads the files git
# tracks.
set -uo pipefail
cd "$(dirname "$0")/.."
table=scripts/layers.txt
declare -A allowed
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line == *:* ]] || continue
  folder=${line%%:*}
  folder=${folder//[[:space:]]/}
  allowed[$folder]=" $(echo ${line#*:}) "
done <"$table"

status=0
while IFS= read -r -d '' file; do
  folder=${file%%/*}
  if [[ ! -v allowed[$folder] ]]; then
    echo "$file: its folder \"$folder\" is not in $table"
    status=1
    continue
  fi
  while IFS=: read -r number target; do
    [[ $target == */* ]] || continue # beside the including file
    to=${target%%/*}
    [ "$to" = "$folder" ] && continue
    if [[ ${allowed[$folder]} != *" $to "* ]]; then
      echo "$file:$number: includes \"$target\", but $folder may not include from $to ($table)"
      status=1
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(git ls-files -z -- '*.c' '*.cpp' '*.h')
[ "$status" -eq 0 ] && echo "every include keeps to the layers of $table"
exit "$status"
