#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# ekobarama-engine on input it must survive, and its endgame table while it is built:
# - an endless line (/dev/zero: no end of line ever) is answered with one error line and costs no
#   memory: the engine is still running when the time is up, within a limit of 600 MB of address
#   space (it would need gigabytes to keep the line);
# - a table asked for while the large one is built (12 seeds here, in an empty cache directory)
#   is "building" until it answers with values: never "none" for a position it will hold.
set -u
engine=$1
status=0
fail() {
  echo "$1"
  status=1
}

out=$( (ulimit -v 600000 && timeout 5 "$engine" </dev/zero))
code=$?
[ "$code" -eq 124 ] || fail "on endless input the engine ended with status $code before the time was up"
[ "$out" = "error line longer than 65536 characters" ] ||
  fail "on endless input the engine said: $(head -c 300 <<<"$out")"

cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
coproc ENGINE { XDG_CACHE_HOME=$cache EKOBA_TABLE_SEEDS=12 timeout 60 "$engine"; }
ask() { printf '%s\n' "$@" >&"${ENGINE[1]}"; }
# Twelve seeds, one pit of them: player 1 sows them round the board and harvests nothing.
ask 'position pits 12 0 0 0 0 0 0 0 0 0 0 0 tomove 1 score 18 18'
answers=()
for _ in $(seq 600); do
  ask table
  IFS= read -r -t 20 line <&"${ENGINE[0]}" || break
  answers+=("$line")
  [ "$line" = "table building" ] || break
  sleep 0.05
done
ask quit
wait "$ENGINE_PID"
[ "${answers[0]:-}" = "table building" ] || fail "first answer: '${answers[0]:-}', not building"
[[ "${answers[-1]:-}" == "table value "* ]] || fail "last answer: '${answers[-1]:-}', not the values"
exit "$status"
