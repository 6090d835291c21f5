#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A scripted session with ekobarama-engine: it identifies itself, answers a search to a depth
# with a legal move and its line, answers "isready" while it thinks, stops a search without
# limits at once, and answers every bad line with an error line and goes on (bad lines are read
# while it thinks too). It takes a count of threads between searches, one in range, and refuses
# one while it thinks, and the rules likewise: by the complete ones a move that kills or that
# leaves a starving opponent unfed is refused, saying why, and the only move left is answered at
# once; by the standard ones the same move is taken. Its endgame table values positions worked out
# by hand, once built, and its analysis of a game gives a line a move.
set -u
engine=$1
out=$(
  {
    printf '%s\n' identify 'threads 0' 'threads 17' 'threads' 'threads 2' \
      'position start moves 3 9' show 'go depth 6' \
      bogus 'position pits 4 4 4' 'position pits 4 4 4 4 4 4 4 4 4 4 4 5 tomove 1 score 0 0' \
      'position start moves 7' 'position start moves 3 x' 'go depth 0' 'go ms' 'go fast' \
      'analyse depth 0' \
      'isready now' "$(head -c 70000 /dev/zero | tr '\0' 'a')"
    sleep 0.5 # the search to depth 6 is over
    printf '%s\n' 'position start' go isready 'threads 1' 'rules full'
    sleep 1
    printf '%s\n' stop 'position pits 0 0 0 0 0 1 0 0 0 0 1 1 tomove 1 score 20 25' 'go depth 3' \
      'rules' 'rules house' stop 'rules full' \
      'position pits 1 0 0 0 0 1 1 0 0 0 0 0 tomove 1 score 23 22 moves 6' \
      'position pits 1 0 0 0 0 1 0 0 0 0 0 0 tomove 1 score 23 23 moves 1' \
      'position pits 1 0 0 0 0 1 1 0 0 0 0 0 tomove 1 score 23 22' 'go depth 3' stop \
      'rules standard' 'position pits 1 0 0 0 0 1 1 0 0 0 0 0 tomove 1 score 23 22 moves 6' show \
      quit
  } | timeout 30 "$engine"
)
status=0
expect() {
  if ! grep -qxE -- "$1" <<<"$out"; then
    echo "no line matches: $1"
    status=1
  fi
}
expect 'id name Ekobarama [0-9.]+'
expect 'identified'
expect 'position pits 5 4 0 5 5 5 5 4 0 5 5 5 tomove 1 score 0 0'
expect 'bestmove [12456] depth 6 value -?[0-9]+ nodes [0-9]+ time [0-9]+ pv [12456]( [0-9]+){5}'
expect "error unknown command 'bogus'"
expect 'error position pits: 12 counts of seeds from 0 to 48 expected'
expect 'error position pits: the pits and the scores hold 49 seeds, not 48'
expect 'error position: move 1 \(pit 7\) is not legal there'
expect "error position: move 'x' is not a pit from 1 to 12"
expect 'error go depth: a depth from 1 to 64 expected'
expect 'error go ms: a time from 1 to 86400000 milliseconds expected'
expect "error go: 'depth N' or 'ms T' expected, not 'fast'"
expect 'error isready: nothing expected after it'
expect "error analyse: nothing or 'depth N' \(1 to 64\) expected"
expect 'error line longer than 65536 characters'
expect 'readyok'
if [ "$(grep -cx 'error still thinking: stop first' <<<"$out")" -ne 2 ]; then
  echo "threads and rules refused while thinking, not two refusals"
  status=1
fi
if [ "$(grep -cx "error rules: 'standard' or 'full' expected" <<<"$out")" -ne 2 ]; then
  echo "two bad rules lines, not two errors"
  status=1
fi
expect "error position: move 1 \(pit 6\) is not legal there \(it would take all of the opponent's seeds\)"
expect 'error position: move 1 \(pit 1\) is not legal there \(the opponent has no seed and it gives him none\)'
expect 'bestmove 1 depth 0 value 0 nodes 0 time [0-9]+ pv 1'
expect 'position pits 1 0 0 0 0 0 0 0 0 0 0 0 tomove 2 score 25 22'
if [ "$(grep -cx 'error threads: a number of threads from 1 to 16 expected' <<<"$out")" -ne 3 ]; then
  echo "three counts of threads refused, not three"
  status=1
fi
# The search without limits answers once stopped (the engine is stopped by timeout otherwise), then
# the one to depth 3 answers at once: pit 6 is the only move; so does the one by the complete rules.
if [ "$(grep -c '^bestmove ' <<<"$out")" -ne 4 ]; then
  echo "four searches, not four answers"
  status=1
fi
expect 'bestmove [1-6] depth [0-9]+ value -?[0-9]+ nodes [0-9]+ time [0-9]+ pv [1-6]( [0-9]+)*'
expect 'bestmove 6 depth 0 value 0 nodes 0 time [0-9]+ pv 6'
# The table, asked until built: the opening position has more seeds than it holds. Pit 6 sows
# into pit 7, player 2 sows on and player 1 is left with nothing: one seed lost. Then pit 6
# harvests pit 7's three seeds and the board is empty. Two single seeds: the game is over.
coproc ENGINE { timeout 60 "$engine"; }
# Bash forgets the coprocess's variables once it has ended: its process id kept here.
engine_pid=$ENGINE_PID
ask() { printf '%s\n' "$@" >&"${ENGINE[1]}"; }
answer() { IFS= read -r -t 20 line <&"${ENGINE[0]}" && out+=$'\n'$line; }
line=""
ask table
answer
ask 'position pits 0 0 0 0 0 1 0 0 0 0 0 0 tomove 1 score 20 27'
for _ in $(seq 300); do
  ask table
  answer || break
  [ "$line" = "table building" ] || break
  sleep 0.1
done
ask 'position pits 0 0 0 0 0 1 2 0 0 0 0 0 tomove 1 score 20 25' table
answer
ask 'position pits 0 0 0 0 0 1 1 0 0 0 0 0 tomove 1 score 20 26' table
answer
# The analysis of the moves given: from the table where it holds the position, else searched.
ask 'position pits 0 0 0 0 0 1 2 0 0 0 0 0 tomove 1 score 20 25 moves 6' analyse
answer && answer
ask 'position start moves 3 9' 'analyse depth 4'
answer && answer && answer
ask quit
wait "$engine_pid"
expect 'table none'
expect 'table value -8 pit 6 -8'
expect 'table value 24 pit 6 24'
expect 'table value 0'
expect 'move 1 pit 6 value 24 best 6 bestvalue 24 loss 0 exact'
expect 'analysed 1'
expect 'move 1 pit 3 value -?[0-9]+ best [1-6] bestvalue -?[0-9]+ loss [0-9]+ searched'
expect 'move 2 pit 9 value -?[0-9]+ best ([7-9]|1[0-2]) bestvalue -?[0-9]+ loss [0-9]+ searched'
expect 'analysed 2'
# Each move's loss is what it is worth less than the best, and only a best move loses nothing.
while read -r _ _ _ pit _ value _ best _ bestvalue _ loss _; do
  if [ "$loss" -ne $((bestvalue - value)) ] || [ "$loss" -lt 0 ] ||
    { [ "$loss" -eq 0 ] && [ "$best" -ne "$pit" ]; } || { [ "$loss" -gt 0 ] && [ "$best" -eq "$pit" ]; }; then
    echo "an analysis line that does not add up: pit $pit value $value best $best $bestvalue loss $loss"
    status=1
  fi
done < <(grep '^move ' <<<"$out")
[ "$status" -eq 0 ] || printf 'the session said:\n%s\n' "$out"
exit "$status"
