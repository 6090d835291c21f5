#!/usr/bin/env bash
# "Joué par" during a game. Two persons start; while player 1's first move is shown, the
# preferences panel is opened and player 2 handed to the computer at "Moyen": the names cannot
# be changed then, who plays can. After OK the computer plays player 2's turn by itself. Player
# 2 is then taken back by a person: the computer no longer plays it, a double-click on player
# 2's pit plays it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
RANDOM=7
moves=0

# In the open panel: player 2's "Joué par" list, at (348, 152) in the "Joueurs" group at
# (0, 48), opened with a click; the item is chosen with the keys from the first one.
choose_player2() { # item (0 a person, 2 the computer at "Moyen")
  local ox oy
  read -r ox oy < <(client_origin)
  xdotool mousemove --sync $((ox + 348 + 80)) $((oy + 200 + 12)) click 1
  sleep 0.5
  xdotool key Home
  [ "$1" -eq 0 ] || xdotool key --delay 50 --repeat "$1" Down
  xdotool key Return
  sleep 0.3
}
# The panel covers the board: at (600, 440) of the client area its grey face shows (red and blue
# within 40 levels), not the brown wood (red far above blue).
panel_shown() {
  local ox oy rgb
  read -r ox oy < <(client_origin)
  read_screen
  rgb=$(convert "$ARTIFACTS/screen.png" -crop "1x1+$((ox + 600))+$((oy + 440))" +repage \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
  awk -v c="$rgb" 'BEGIN { split(c, v, " "); d = v[1] - v[3]; exit !(d < 40 && d > -40) }'
}
click_ok() {
  local ox oy
  read -r ox oy < <(client_origin)
  xdotool mousemove --sync $((ox + 202 + 56)) $((oy + 429 + 12)) click 1
  sleep 0.3
}

start_game
menu j n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference

# Player 1's move; the panel opens while it is shown.
play_random_pit
sleep 0.3
menu o p
panel_shown || fail "the panel did not open during the move"
# Enter in the open list chooses the item there; the panel stays open.
choose_player2 2
panel_shown || fail "choosing in the list closed the panel"
screenshot panel-during-move
click_ok
# The person's move ends, then the computer plays player 2's turn without any input.
wait_moon up 60 || fail "player 2's turn did not come"
see_computer_move || fail "the computer did not play player 2's turn"
wait_moon down 60 || fail "the computer's move did not end"
sleep 0.3

# Player 2 taken back by a person, on player 1's turn.
menu o p
choose_player2 0
panel_shown || fail "choosing in the list closed the panel"
screenshot panel-taken-back
click_ok
wait_still 60 || fail "the board did not settle"
play_random_pit
wait_moon up 60 || fail "player 2's turn did not come"
wait_still 60 || fail "player 1's move did not end"
before=$(screen_hash)
sleep 3
[ "$(screen_hash)" = "$before" ] || fail "something played player 2's turn by itself"
read_screen
moon_up || fail "player 2's turn went by without a person"
# A person's double-click on one of player 2's pits plays it.
play_random_pit
wait_moon down 60 || fail "the person's double-click on player 2's pit did not play it"
wait_still 60 || fail "player 2's move did not end"
quit_with_oui
echo "PASS"
