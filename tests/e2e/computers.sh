#!/usr/bin/env bash
# Both sides given to the computer at "Débutant" in the preferences panel: after "Nouvelle
# partie" the computer plays the whole game by itself, turn after turn, the end-of-game
# messages come, the presentation comes back, and "Quitter" ends the program with status 0.
source "$(dirname "$0")/lib.sh"
# The moves are shown at full speed: no pacing, no pauses (every frame still drawn).
export EKOBARAMA_FAST_MOVES=2
start_game
set_players 1 1
# The panel shows the choice made.
menu o p
window_shot computer-panel
xdotool key Escape
wait_drawn "$MAIN" || fail "the panel did not close"

menu j n
client_shot fresh-board
board_moved() { client_shot moved && pictures_differ "$ARTIFACTS/fresh-board.png" "$ARTIFACTS/moved.png"; }
wait_for 30 board_moved || fail "no move within 30 seconds"
window_shot computer-game
box=$(wait_window Ekoba 600) || fail "the game did not end by itself"
answer_end_of_game
quit_with_oui
echo "PASS"
