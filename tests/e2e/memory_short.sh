#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory too short for the computer's thinking (ulimit -v, where the window still opens but no
# thread can be started: what a first run takes, measured, and 4 MiB more; EKOBA_MEMORY_LIMIT in
# KiB overrides it): the program goes on. The computer's turn that cannot be thought tells
# the person, who plays that move in its place; H on the person's turn says in the hint's line
# that there is no hint this time, for want of memory.
source "$(dirname "$0")/lib.sh"
export EKOBARAMA_HINT_LOG=1
# The endgame table is built on several threads: the system would keep their stacks for the
# threads to come, and the computer's thread would then start without new memory. Kept stacks
# off, a thread always needs its own.
export GLIBC_TUNABLES=glibc.pthread.stack_cache_size=0

# The program's memory and threads, for the log.
memory_now() { # when
  echo "$1: $(awk '/^(VmSize|Threads):/ {printf "%s %s ", $1, $2}' "/proc/$GAME_PID/status")"
}

settle() { # what
  sleep 0.5
  wait_still 60 || fail "$1 did not settle"
  park_pointer
}

start_limited() { # KiB of virtual memory, none for no limit
  (
    [ "$1" = none ] || ulimit -v "$1"
    exec "${GAME_LOCALE[@]}" "$EKOBARAMA"
  ) >>"$ARTIFACTS/ekobarama.log" 2>&1 &
  GAME_PID=$!
  MAIN=$(wait_window Ekobarama 90) || fail "the window did not open under ulimit -v $1"
  wait_drawn "$MAIN" 60 || fail "the window did not settle under ulimit -v $1"
}

# Silent (the sound library itself does not stand short memory), player 2 the computer's, a new
# game: all that the window needs before the computer's first turn.
prepare() {
  grep -qsx 'sounds=off' "$XDG_CONFIG_HOME/ekobarama/preferences" || menu o b
  set_players 0 2
  menu j n
  settle "the new board"
}

# The limit: what the program takes once prepared, and a little more, but less than a thread's
# stack (8 MiB) or the search's tables.
# The endgame table's threads ("ekoba-table"), started with the window, build the small table at
# the program's priority and then read or build the stored one at the lowest, which a busy machine
# may keep waiting. The size is read once they have ended: their stacks are not what the window
# needs.
table_threads() {
  grep -lx 'ekoba-table' /proc/"$GAME_PID"/task/*/comm 2>/dev/null | wc -l
}

start_limited none
prepare
wait_for 60 eval '[ "$(table_threads)" -eq 0 ]' || fail "the table's threads did not end"
size=$(awk '/^VmSize:/ {print $2}' "/proc/$GAME_PID/status")
memory_now "unlimited"
kill "$GAME_PID"
wait "$GAME_PID" 2>/dev/null || true
LIMIT=${EKOBA_MEMORY_LIMIT:-$((size + 4096))}
echo "the window takes $size KiB: limit $LIMIT KiB"

# Waits for the hint's line to be logged: prints it.
wait_hint_line() {
  local i line
  for ((i = 0; i < 600; i++)); do
    line=$(grep '^hint: ' "$ARTIFACTS/ekobarama.log" | tail -1 || true)
    [ -n "$line" ] && { echo "$line"; return 0; }
    game_running || fail "the program ended: $(tail -5 "$ARTIFACTS/ekobarama.log")"
    sleep 0.1
  done
  return 1
}

start_limited "$LIMIT"
prepare
memory_now "limited, before the computer's turn"
double_click_pit 3
told=""
for ((i = 0; i < 600; i++)); do
  if xdotool search --onlyvisible --name '^Ekoba$' >/dev/null 2>&1; then told=box; break; fi
  if grep -q "L'ordinateur n'a pas pu choisir son coup (mémoire insuffisante)" \
    "$ARTIFACTS/ekobarama.log"; then told=line; break; fi
  game_running || fail "the program ended on the computer's turn"
  sleep 0.1
done
memory_now "after the computer's turn"
[ -n "$told" ] || fail "the computer's failure was not told"
if [ "$told" = box ]; then
  screenshot computer-failed
  answer Ekoba Return
  wait_no_window Ekoba 5 || fail "the message stayed open"
fi
settle "the computer's failed turn"
game_running || fail "the program ended"
echo "the computer's turn under short memory: told ($told)"
# The person plays player 2's move in the computer's place; then asks for a hint on his turn.
double_click_pit 9
settle "the move from pit 9"
focus_main
xdotool key h
line=$(wait_hint_line) || fail "no hint line"
echo "$line"
[ "${line#hint: pit * }" = "Pas de conseil cette fois (mémoire insuffisante)." ] ||
  fail "the hint's line: $line"
screenshot no-hint
sleep 1
game_running || fail "the program ended after H"
grep -q "Ressource temporairement" "$ARTIFACTS/ekobarama.log" && fail "the system's word was shown"
echo "H under short memory: told in the hint's line"
kill "$GAME_PID"
echo "PASS"
