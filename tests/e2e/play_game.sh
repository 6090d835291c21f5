#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays a whole game on the real window with double-clicks, as two people would: the script
# keeps its own account of the board to choose among the playable pits, answers the
# end-of-game messages, and checks that the presentation picture comes back.
source "$(dirname "$0")/lib.sh"
# The moves are shown at full speed: no pacing, no pauses (every frame still drawn).
export EKOBARAMA_FAST_MOVES=2
start_game
screen_crop() { # name: the client area only
  local ox oy
  read -r ox oy < <(client_origin)
  import -window root -crop "637x470+$ox+$oy" +repage "$ARTIFACTS/$1.png"
}
screen_crop presentation-before
menu j n
wait_still 60 || fail "the new board did not settle"
screenshot new-board
read_screen
moon_reference

source "$(dirname "$0")/model.sh"
RANDOM=7

# Each move ends when the turn indicator shows the other player to move.
moves=0
while ! blocked; do
  [ $moves -lt 250 ] || fail "no end after $moves moves"
  play_random_pit
  pointer_away || true
  [ $moves -eq 1 ] && screenshot first-move
  if blocked; then break; fi
  wait_moon "$(moon_for "$player")" 60 || fail "move $moves did not end"
done
echo "game over after $moves moves in the script's account: ${score[1]} / ${score[2]}"
answer_end_of_game
wait_still 60 || true
screen_crop presentation-after
# The presentation comes back where the board lay, (1.5, -3.5) instead of (0, -2): one pixel
# to the right and one up.
convert "$ARTIFACTS/presentation-before.png" -crop 636x469+0+1 +repage "$ARTIFACTS/before-moved.png"
convert "$ARTIFACTS/presentation-after.png" -crop 636x469+1+0 +repage "$ARTIFACTS/after-moved.png"
! pictures_differ "$ARTIFACTS/before-moved.png" "$ARTIFACTS/after-moved.png" ||
  fail "the presentation picture is not back ($DIFFERING pixels differ)"
game_running || fail "the program ended"
echo "PASS"
