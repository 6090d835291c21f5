#!/usr/bin/env bash
# A person (player 1) plays a whole game with double-clicks against the computer at "Moyen"
# (player 2), chosen in the preferences panel. The script keeps its own account of the board
# (model.sh); it learns the computer's move by looking, as the person does: the moon comes up
# when the computer's turn begins, and the one pit of the computer's that held seeds and shows
# none is the one it played. The computer's pits cannot be picked, and the end-of-game
# messages come.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
RANDOM=11

start_game
set_players 0 2
menu j n
wait_still 60 || fail "the new board did not settle"

read_screen
moon_reference

# The cursor over a pit of the computer's is the forbidden sign: a double-click does nothing.
double_click_pit 9
sleep 1
read_screen
moon_up && fail "a double-click on the computer's pit played it"

moves=0
while :; do
  [ $moves -lt 250 ] || fail "no end after $moves moves"
  # The person's move.
  play_random_pit
  blocked && break
  # The computer's turn begins when the person's move has ended.
  wait_moon up || fail "move $moves: the computer's turn did not come"
  [ $moves -eq 1 ] && screenshot computer-thinking
  see_computer_move || fail "move $moves: no move of the computer's seen"
  moves=$((moves + 1))
  blocked && break
  # The person's turn again once the computer's move has ended.
  wait_moon down || fail "move $moves: the computer's move did not end"
  sleep 0.3
done
echo "game over after $moves moves in the script's account: ${score[1]} / ${score[2]}"
answer_end_of_game
quit_with_oui
echo "PASS"
