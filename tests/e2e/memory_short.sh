#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory too short for the computer's thinking (ulimit -v, where the window still opens but no
# thread can be started): the program goes on. The computer's turn that cannot be thought tells
# the person, who plays that move in its place; H on the person's turn says in the hint's line
# that there is no hint this time, for want of memory.
source "$(dirname "$0")/lib.sh"
export EKOBARAMA_HINT_LOG=1
# Virtual memory in KiB: enough for the window, not for a thread's stack as well.
LIMIT=${EKOBA_MEMORY_LIMIT:-150000}

settle() { # what
  sleep 0.5
  wait_still 60 || fail "$1 did not settle"
  park_pointer
}

start_short() {
  (
    ulimit -v "$LIMIT"
    exec "${GAME_LOCALE[@]}" "$EKOBARAMA"
  ) >>"$ARTIFACTS/ekobarama.log" 2>&1 &
  GAME_PID=$!
  MAIN=$(wait_window Ekobarama 30) || fail "the window did not open under ulimit -v $LIMIT"
  sleep 0.3
}

# Waits for the hint's line to be logged: prints it.
wait_hint_line() {
  local i line
  for ((i = 0; i < 100; i++)); do
    line=$(grep '^hint: ' "$ARTIFACTS/ekobarama.log" | tail -1 || true)
    [ -n "$line" ] && { echo "$line"; return 0; }
    game_running || fail "the program ended: $(tail -5 "$ARTIFACTS/ekobarama.log")"
    sleep 0.1
  done
  return 1
}

start_short
# Silent: the sound library itself does not stand short memory.
menu o b
# Player 2 is the computer's; the computer's turn that cannot be thought is told, in a message
# box or, when even the box cannot be made, on the standard error.
set_players 0 2
menu j n
settle "the new board"
double_click_pit 3
told=""
for ((i = 0; i < 100; i++)); do
  if xdotool search --onlyvisible --name '^Ekoba$' >/dev/null 2>&1; then told=box; break; fi
  if grep -q "L'ordinateur n'a pas pu choisir son coup (mémoire insuffisante)" \
    "$ARTIFACTS/ekobarama.log"; then told=line; break; fi
  game_running || fail "the program ended on the computer's turn"
  sleep 0.1
done
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
