#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A whole game played from the keyboard only, against the computer at "Débutant": no mouse
# event at all. Player 2 is given to the computer in the preferences panel by keyboard (Alt+O,
# P, Tab to player 2's "Joué par", Down, Return), with the counts in sight; Ctrl+N starts the
# game. The person's moves alternate between the figure keys and the ring moved with Home and
# Right and played with Return or Space. The ring is seen on the screen once the keys are used,
# on the person's turn, on the pit the keys put it on, and never on the computer's turn. The
# end-of-game messages come.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
trap cleanup EXIT
RANDOM=23
# The beginner's choices fixed too: the same game, of the same length, at every run.
export EKOBARAMA_BEGINNER_SEED=7

start_game
# PLAY_AT_PERCENT: the same game on a board of that size, chosen first from the keyboard.
[ "${PLAY_AT_PERCENT:-100}" -eq 100 ] || board_size "$PLAY_AT_PERCENT"
# Whether the ring lights exactly pit i (or no pit, given nothing) on a new reading of the screen.
ring_on() { read_screen && [ "$(lit_pits | xargs)" = "${1:-}" ]; }
# The panel by keyboard: the focus opens on the sound switch; six Tabs reach player 2's
# "Joué par" (OK, Annuler, the two names, player 1's "Joué par" on the way).
xdotool key alt+o
wait_for 30 menu_popup >/dev/null || fail "the Options menu did not open"
xdotool key p
sleep 0.6
xdotool key --delay 120 Tab Tab Tab Tab Tab Tab Down Tab space
sleep 0.4
client_shot panel-keyboard
xdotool key Return
sleep 0.4
xdotool key ctrl+n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference
moon_up && fail "the computer's moon is up before any move"

# No ring before the board's keys are used; Right shows it, moved from the first playable pit
# to the next one.
[ -z "$(lit_pits)" ] || fail "a ring shows before the keys are used: $(lit_pits | xargs)"
xdotool key Right
wait_for 10 ring_on 2 || fail "Right did not move the ring to pit 2: $(lit_pits | xargs)"
client_shot keyboard-mark

moves=0
while :; do
  [ $moves -lt 250 ] || fail "no end after $moves moves"
  mapfile -t playable < <(playable_pits)
  j=$((RANDOM % ${#playable[@]}))
  pit=${playable[$j]}
  if [ $((moves % 2)) -eq 0 ]; then
    xdotool key "$pit" # player 1's pit k is his k-th from the left
  else
    xdotool key Home
    [ "$j" -eq 0 ] || xdotool key --delay 60 --repeat "$j" Right
    wait_for 10 ring_on "$pit" || fail "move $moves: the ring is on $(lit_pits | xargs), not on $pit"
    [ $((moves % 4)) -eq 1 ] && xdotool key Return || xdotool key space
  fi
  model_play "$pit"
  moves=$((moves + 1))
  echo "the person played pit $pit"
  blocked && break
  wait_moon up || fail "move $moves: the computer's turn did not come"
  [ -z "$(lit_pits)" ] || fail "move $moves: a ring shows on the computer's turn"
  see_computer_move || fail "move $moves: no move of the computer's seen"
  moves=$((moves + 1))
  blocked && break
  wait_moon down || fail "move $moves: the computer's move did not end"
  wait_still 60 || fail "move $moves: the board did not settle"
  read_screen
  [ -n "$(lit_pits)" ] || fail "move $moves: no ring on the person's turn"
done
echo "game over after $moves moves in the script's account: ${score[1]} / ${score[2]}"
# The end-of-game messages, answered with Return.
for _ in 1 2 3; do
  answer Ekoba Return
done
wait_no_window Ekoba 30 || fail "an end-of-game message stayed open"
game_running || fail "the program ended"
# Ctrl+Q and Return ("Oui") end the program.
xdotool key ctrl+q
answer "Quitter ?" Return
wait_exit 30 || fail "the program did not end"
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"
echo "PASS"
