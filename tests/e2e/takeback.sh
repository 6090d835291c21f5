#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Taking moves back with the keyboard. Between two people: three moves, Ctrl+Z twice and
# Ctrl+Shift+Z once show at once the board after the first move, then after the second, as the
# real moves left it (every pixel of the board, the scores and the turn), and the script's own
# account of the rules agrees (the empty pits, the player to move). Against the computer: one
# Ctrl+Z gives the person's previous turn back, over the computer's answer, and the computer
# does not play again until the person has.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"

# The window shows what the script's account says: the empty pits and the player to move.
board_as_account() { # label
  local i
  read_screen
  for i in $(seq 1 12); do
    if [ "${seeds[$i]}" -eq 0 ]; then
      pit_empty "$i" || fail "$1: pit $i should be empty"
    else
      ! pit_empty "$i" || fail "$1: pit $i should hold ${seeds[$i]} seeds"
    fi
  done
  if moon_up; then [ "$player" -eq 2 ] || fail "$1: player 2's turn shown"; else
    [ "$player" -eq 1 ] || fail "$1: player 1's turn not shown"; fi
}
keys() { # xdotool key names
  focus_main
  xdotool key "$@"
  park_pointer
}

start_game
menu j n
wait_still 60 || fail "the new board did not settle"
park_pointer
read_screen
moon_reference
client_shot ply0

# Three moves between two people: 3 (player 1), 9 (player 2), 2 (player 1).
ply=0
for pit in 3 9 2; do
  model_play "$pit"
  play_pit "$pit" "$(moon_for "$player")"
  park_pointer
  ply=$((ply + 1))
  client_shot "ply$ply"
  board_as_account "after move $ply"
  [ $ply -ne 1 ] || after1=("${seeds[@]}" "$player")
done

keys ctrl+z
wait_shot_like ply2 undo1
keys ctrl+z
wait_shot_like ply1 undo2
seeds=("${after1[@]:0:13}") player=${after1[13]}
board_as_account "after two take-backs"
keys ctrl+shift+z
wait_shot_like ply2 redo1
echo "three moves, two take-backs and one move played again: the board as the rules say"

# A move after a take-back drops the move that followed: nothing is left to play again.
play_pit 5 up
park_pointer
client_shot new-branch
# Nothing may change: a second is given to a change that should not come.
keys ctrl+shift+z
sleep 1
client_shot new-branch-redo
same_shots new-branch new-branch-redo

# Against the computer at "Moyen", player 2 (chosen between games).
menu j q
answer "Quitter ?" Return
set_players 0 2
menu j n
wait_still 60 || fail "the new board did not settle"
park_pointer
seeds=(0 4 4 4 4 4 4 4 4 4 4 4 4) player=1 score=(0 0 0)
person_then_computer() { # pit
  double_click_pit "$1"
  pointer_away || true
  wait_moon up 60 || fail "the computer's turn did not come"
  wait_moon down 60 || fail "the computer's move did not end"
  park_pointer
}
person_then_computer 4
client_shot person-turn-1
person_then_computer 2
client_shot person-turn-2
keys ctrl+z
wait_shot_like person-turn-1 computer-undo
# The person is to move: the computer stays still.
sleep 2
client_shot computer-undo-still
same_shots person-turn-1 computer-undo-still
echo "against the computer one take-back gives the person's previous turn back"
game_running || fail "the program ended"
echo "PASS"
