#!/usr/bin/env bash
# Both sides given to the computer at "Débutant" in the preferences panel: after "Nouvelle
# partie" the computer plays the whole game by itself, turn after turn, the end-of-game
# messages come, the presentation comes back, and "Quitter" ends the program with status 0.
source "$(dirname "$0")/lib.sh"
start_game
set_players 1 1
# The panel shows the choice made.
menu o p
window_shot computer-panel
xdotool key Escape
sleep 0.3

menu j n
client_shot fresh-board
sleep 3
client_shot after-3s
pictures_differ "$ARTIFACTS/fresh-board.png" "$ARTIFACTS/after-3s.png" ||
  fail "no move after three seconds"
window_shot computer-game
box=$(wait_window Ekoba 600) || fail "the game did not end by itself"
answer_end_of_game
quit_with_oui
echo "PASS"
