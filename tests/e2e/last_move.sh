#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What just happened, and how fast. A person (player 1) plays one move with the mouse against
# the computer at "Débutant": once the computer has answered, the pit it played is marked on
# the screen and the person's pit is not any more, and no keyboard ring shows (the keyboard was
# not used). Then the computer plays a whole game against itself at "Débutant", once at
# "Normale" and once "Sans animation", each from a fresh start with the beginner's choices
# fixed, so that both games are the same: the second is at least five times quicker (about
# fifteen times on an idle machine; the moves at "Normale" are paced by the clock, so a loaded
# machine only brings the figures closer).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
RANDOM=5
moves=0
export EKOBARAMA_BEGINNER_SEED=11

# Whether the last move's pale ring frames pit i on the screen read last: on the ring's line
# above and left of the pit (a few pixels either way), blue well above red, where the wood is
# brown and the keyboard's ring brass.
marked() { # i
  local x y d format="" values v best_top=-255 best_left=-255 n=0
  read -r x y < <(pit_point "$1")
  for d in 31 32 33 34 35; do
    format+="%[fx:int(255*(p{$((x + 1)),$((y - d))}.b-p{$((x + 1)),$((y - d))}.r))] "
    format+="%[fx:int(255*(p{$((x - d)),$((y + 1))}.b-p{$((x - d)),$((y + 1))}.r))] "
  done
  read -r -a values < <(convert "$ARTIFACTS/screen.png" -format "$format" info:)
  for v in "${values[@]}"; do
    if [ $((n % 2)) -eq 0 ]; then
      [ "$v" -gt "$best_top" ] && best_top=$v
    else
      [ "$v" -gt "$best_left" ] && best_left=$v
    fi
    n=$((n + 1))
  done
  [ "$best_top" -gt 30 ] && [ "$best_left" -gt 30 ]
}

start_game
set_players 0 1
menu j n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
  marked "$i" && fail "pit $i is marked before any move"
done
play_random_pit
pointer_away || true
mine=$pit
wait_moon up || fail "the computer's turn did not come"
computer=$(see_computer_move) || fail "no move of the computer's seen"
computer=${computer##* }
wait_moon down || fail "the computer's move did not end"
wait_still 60 || fail "the board did not settle"
read_screen
window_shot last-move
marked "$computer" || fail "the computer's pit $computer is not marked"
marked "$mine" && fail "the person's pit $mine is still marked"
[ -z "$(lit_pits)" ] || fail "a keyboard ring shows though only the mouse played: $(lit_pits | xargs)"
quit_with_oui

# One whole game of the computer against itself at the speed chosen from the menu (its item's
# letter): TAKEN, its seconds from "Nouvelle partie" to the first end-of-game message.
TAKEN=""
timed_game() { # letter
  local start
  start_game
  menu o v
  xdotool key "$1"
  sleep 0.3
  start=$(date +%s.%N)
  menu j n
  wait_window Ekoba 900 >/dev/null || fail "the game did not end"
  TAKEN=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  answer_end_of_game
  quit_with_oui
}
start_game
set_players 1 1
quit_with_oui
timed_game n
normal=$TAKEN
timed_game s
none=$TAKEN
ratio=$(awk -v a="$normal" -v b="$none" 'BEGIN { printf "%.1f", a / b }')
echo "a whole game: $normal s at \"Normale\", $none s \"Sans animation\": $ratio times quicker"
awk -v r="$ratio" 'BEGIN { exit !(r >= 5) }' || fail "\"Sans animation\" is not five times quicker"
echo "PASS"
