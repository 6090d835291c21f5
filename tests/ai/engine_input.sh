#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# ekobarama-engine on input it must survive, and its endgame table while it is built:
# - an endless line (/dev/zero: no end of line ever) is answered with one error line and costs no
#   memory: once the engine has read 256 MB of it, it is still running and its peak resident
#   memory is under 200 MB (keeping the line would take more than the 256 MB read);
# - a table asked for while the large one is built (12 seeds here, in an empty cache directory)
#   is "building" until it answers with values: never "none" for a position it will hold;
# - short of memory (its address space limited to what it holds), it answers the
#   commands that need more with error lines, and once it has memory again it plays (not in a
#   sanitizer build, whose address space is reserved in terabytes). One malloc arena: a second
#   one keeps address space in reserve, which an allocation would take without the limit seeing.
set -u
engine=$1
status=0
fail() {
  echo "$1"
  status=1
}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$engine" </dev/zero >"$dir/zero.out" &
pid=$!
field() { awk -v name="$1" '$1 == name {print $2}' "$2" 2>/dev/null; }
read=0 peak=0
# Until it has read 256 MB, or holds 200 MB, or has ended (60 s at most).
for _ in $(seq 600); do
  read=$(field rchar: "/proc/$pid/io")
  peak=$(field VmHWM: "/proc/$pid/status")
  [ -n "$read" ] && [ -n "$peak" ] || break
  [ "$read" -lt 268435456 ] && [ "$peak" -lt 204800 ] || break
  sleep 0.1
done
if kill "$pid" 2>/dev/null; then
  [ "${read:-0}" -ge 268435456 ] || fail "the engine read only ${read:-0} bytes of endless input"
  [ "${peak:-0}" -lt 204800 ] || fail "the engine holds ${peak:-?} kB on endless input"
else
  fail "on endless input the engine ended after ${read:-?} bytes read, with ${peak:-?} kB"
fi
wait "$pid" 2>/dev/null
out=$(cat "$dir/zero.out")
[ "$out" = "error line longer than 65536 characters" ] ||
  fail "on endless input the engine said: $(head -c 300 <<<"$out")"

cache=$dir/cache
coproc ENGINE { XDG_CACHE_HOME=$cache EKOBA_TABLE_SEEDS=12 timeout 500 "$engine"; }
# Bash forgets the coprocess's variables once it has ended: its process id kept here.
engine_pid=$ENGINE_PID
ask() { printf '%s\n' "$@" >&"${ENGINE[1]}"; }
# Twelve seeds, one pit of them: player 1 sows them round the board and harvests nothing.
ask 'position pits 12 0 0 0 0 0 0 0 0 0 0 0 tomove 1 score 18 18'
answers=()
# The two tables take 3 s, several times more in a sanitizer build, and far more on a busy
# machine: the large one is built at the lowest priority.
end=$((SECONDS + 480))
while [ "$SECONDS" -lt "$end" ]; do
  ask table
  IFS= read -r -t 20 line <&"${ENGINE[0]}" || break
  answers+=("$line")
  [ "$line" = "table building" ] || break
  sleep 0.05
done
ask quit
wait "$engine_pid"
[ "${answers[0]:-}" = "table building" ] || fail "first answer: '${answers[0]:-}', not building"
[[ "${answers[-1]:-}" == "table value "* ]] || fail "last answer: '${answers[-1]:-}', not the values"

coproc SHORT { XDG_CACHE_HOME=$cache EKOBA_TABLE_SEEDS=0 MALLOC_ARENA_MAX=1 exec timeout 60 "$engine"; }
pid=$(pgrep -P "$SHORT_PID" -x ekobarama-engin || true)
say() { printf '%s\n' "$@" >&"${SHORT[1]}"; }
hear() { line=""; IFS= read -r -t 20 line <&"${SHORT[0]}"; }
# The small table is built: the engine's memory grows no more by itself.
say 'position pits 0 0 0 0 0 1 2 0 0 0 0 0 tomove 1 score 20 25'
for _ in $(seq 300); do
  say table
  hear
  [ "$line" = "table building" ] || break
  sleep 0.1
done
size=$(field VmSize: "/proc/$pid/status")
if [ -n "$pid" ] && [ -n "$size" ] && [ "$size" -lt 67108864 ]; then
  prlimit --pid "$pid" --as=$((size * 1024)):
  say newgame 'go depth 4'
  hear
  [[ "$line" == "error the command failed: "* ]] || fail "newgame short of memory: '$line'"
  hear
  # The search's thread may find a stack the system kept from an earlier thread (the table's
  # builders), and pit 6 is the only move: then it answers without needing more memory.
  [[ "$line" == "error the command failed: "* || "$line" == "bestmove 6 "* ]] ||
    fail "go short of memory: '$line'"
  prlimit --pid "$pid" --as=unlimited:
  say newgame 'go depth 4'
  hear
  [[ "$line" == "bestmove 6 "* ]] || fail "go with memory again: '$line'"
fi
say quit
wait "$SHORT_PID"
exit "$status"
