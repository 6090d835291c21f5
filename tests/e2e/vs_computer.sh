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
wait_still 20 || fail "the new board did not settle"

read_screen
moon_reference
# An empty pit shows a dark smooth hole: in the middle of its picture the grey is dark (mean
# 0.2, not the light hand passing over it) and varies about half as much as under a single
# seed (standard deviation 0.08 against 0.18 and more).
pit_empty() { # i
  local x y stats
  read -r x y < <(pit_point "$1")
  stats=$(convert "$ARTIFACTS/screen.png" -crop "24x24+$((x - 12))+$((y - 12))" +repage \
    -colorspace gray -format '%[fx:mean] %[fx:standard_deviation]' info:)
  awk -v s="$stats" 'BEGIN { split(s, v, " "); exit !(v[1] < 0.3 && v[2] < 0.12) }'
}

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
  mapfile -t candidates < <(playable_pits)
  played=""
  for ((t = 0; t < 300; t++)); do
    read_screen
    for i in "${candidates[@]}"; do
      if pit_empty "$i"; then played=$i; fi
    done
    [ -z "$played" ] || break
    sleep 0.1
  done
  [ -n "$played" ] || fail "move $moves: no move of the computer's seen"
  model_play "$played"
  moves=$((moves + 1))
  echo "the computer played pit $played"
  blocked && break
  # The person's turn again once the computer's move has ended.
  wait_moon down || fail "move $moves: the computer's move did not end"
  sleep 0.3
done
echo "game over after $moves moves in the script's account: ${score[1]} / ${score[2]}"
answer_end_of_game
quit_with_oui
echo "PASS"
