#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file includes a header from a folder that its own folder may not use: the
# allowed folder-to-folder includes are the table of scripts/layers.txt. Reads every C and C++
# file git tracks, and both forms of include: "folder/file.h", and <folder/file.h> when it names
# a file of the project. A path is read as the compiler finds it, with its "." and ".." taken
# out: "..." first beside the including file ("../game/Game.h" from rules/ names game/Game.h),
# then from the project's root ("rules/../game/Game.h" names game/Game.h too); a path that
# leaves the project is refused. Fails too when it finds no file to read (outside a git
# checkout).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
table=scripts/layers.txt
declare -A allowed
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line == *:* ]] || continue
  folder=${line%%:*}
  folder=${folder//[[:space:]]/}
  allowed[$folder]=" $(echo ${line#*:}) "
done <"$table"

list=$(mktemp)
trap 'rm -f "$list"' EXIT
if ! git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.cxx' '*.h' '*.hh' '*.hpp' '*.hxx' >"$list"; then
  echo "check-layers: cannot list the files git tracks in $PWD"
  exit 1
fi
mapfile -d '' -t files <"$list"
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-layers: no C or C++ file to read in $PWD"
  exit 1
fi
declare -A tracked
for file in "${files[@]}"; do tracked[$file]=1; done

# The path with its "." and ".." segments taken out, in $normal; fails when it leaves the root.
normalise() {
  local -a parts=()
  local segment
  IFS=/ read -r -a segments <<<"$1"
  for segment in "${segments[@]}"; do
    case $segment in
    '' | .) ;;
    ..)
      [ "${#parts[@]}" -eq 0 ] && return 1
      unset 'parts[-1]'
      ;;
    *) parts+=("$segment") ;;
    esac
  done
  normal=$(
    IFS=/
    echo "${parts[*]}"
  )
}

status=0
includes=0
for file in "${files[@]}"; do
  # A folder's subfolder may have a line of its own (tools/engine), narrower than its folder's.
  folder=${file%%/*}
  sub=${file#*/}
  sub=$folder/${sub%%/*}
  [[ $file == */*/* && -v allowed[$sub] ]] && folder=$sub
  if [[ ! -v allowed[$folder] ]]; then
    echo "$file: its folder \"$folder\" is not in $table"
    status=1
    continue
  fi
  dir=${file%/*}
  [[ $file == */* ]] || dir=.
  while IFS=: read -r number form target; do
    [ "$form" = '<' ] && shown="<$target>" || shown="\"$target\""
    # "..." is looked for beside the including file first.
    if [ "$form" = '"' ] && normalise "$dir/$target" && [[ -v tracked[$normal] ]]; then
      path=$normal
    elif [[ $target != */* ]]; then
      continue # a header made beside the including file by the build
    elif normalise "$target"; then
      path=$normal
      # <...> names a header of the project only when the project has that file.
      [ "$form" = '<' ] && [[ ! -v tracked[$path] ]] && continue
    else
      echo "$file:$number: includes $shown, which leaves the project"
      status=1
      continue
    fi
    includes=$((includes + 1))
    to=${path%%/*}
    [ "$to" = "$folder" ] && continue
    [ "${path%/*}" = "$folder" ] && continue
    if [[ ${allowed[$folder]} != *" $to "* ]]; then
      [ "$path" = "$target" ] || shown="$shown (that is $path)"
      echo "$file:$number: includes $shown, but $folder may not include from $to ($table)"
      status=1
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" |
    sed -E 's/^([0-9]+):[^<"]*([<"])([^>"]+)[>"].*/\1:\2:\3/')
done
[ "$status" -eq 0 ] &&
  echo "every include keeps to the layers of $table (${#files[@]} files, $includes includes of the project's headers)"
exit "$status"
