#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Games kept in files. A game of three moves saved with Ctrl+S through the file dialog (the
# path typed, then Return), the program quit; "ekobarama FILE" shows the same board. One more
# move, then the program is killed (SIGKILL) as by a power cut: started again it shows the
# presentation picture, and Ctrl+R ("Reprendre la partie") brings back the board of that last
# move. A damaged file opened with Ctrl+O gets a message naming the line and leaves the board
# as it was. Also takes the pictures of the Jeu menu and of the file dialog.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
saves=$(mktemp -d /tmp/ekoba-XXXXXX)
# A home of the test's own: the file dialog opens in its Documents folder and keeps its
# settings there.
HOME=$(mktemp -d /tmp/joueur-XXXXXX)
export HOME XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME/Documents"
trap 'cleanup; rm -rf "$saves" "$HOME"' EXIT

settle() { # what
  sleep 0.5
  wait_still 60 || fail "$1 did not settle"
  park_pointer
}
# Types a path into the file dialog of this title and accepts it with Return.
choose_file() { # title path [screenshot]
  local dialog x y w h
  dialog=$(wait_window "$1") || fail "no dialog \"$1\""
  sleep 0.5
  if [ $# -ge 3 ]; then
    read -r x y w h < <(geometry "$dialog")
    import -window root -crop "$((w + 2))x$((h + 24))+$((x - 1))+$((y - 23))" +repage \
      "$ARTIFACTS/$3.png"
  fi
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool key ctrl+a
  xdotool type --delay 20 "$2"
  sleep 0.3
  xdotool key Return
  wait_no_window "$1" 10 || fail "the dialog \"$1\" stayed open"
}

start_game
park_pointer
client_shot presentation
menu j n
settle "the new board"
for pit in 3 9 2; do
  model_play "$pit"
  double_click_pit "$pit"
  settle "the move from pit $pit"
done
client_shot played3

# The Jeu menu during a game, with taking back and the game files.
focus_main
xdotool key alt+j
sleep 0.6
window_shot jeu-menu
xdotool key Escape
sleep 0.3

focus_main
xdotool key ctrl+s
choose_file "Enregistrer la partie" "$saves/partie.ekoba" file-dialog
# The file is written once the dialog has gone: give it a moment.
for _ in $(seq 50); do [ -s "$saves/partie.ekoba" ] && break; sleep 0.2; done
[ -s "$saves/partie.ekoba" ] ||
  fail "no game file written (in $saves: $(ls "$saves" | xargs); in Documents: $(ls "$HOME/Documents" | xargs))"
! ls "$saves" | grep -v '^partie\.ekoba$' || fail "something else left beside the game file"
echo "saved: $(wc -l <"$saves/partie.ekoba") lines"
quit_with_oui

start_game "$saves/partie.ekoba"
settle "the opened game"
client_shot opened
same_shots played3 opened
echo "the saved game opens on the same board"

# One more move, then a power cut.
mapfile -t playable < <(playable_pits)
pit=${playable[0]}
model_play "$pit"
double_click_pit "$pit"
settle "the move from pit $pit"
client_shot played4
kill -KILL "$GAME_PID"
wait "$GAME_PID" 2>/dev/null || true
start_game
park_pointer
client_shot restarted
same_shots presentation restarted
focus_main
xdotool key ctrl+r
settle "the resumed game"
client_shot resumed
same_shots played4 resumed
echo "after SIGKILL the game resumes at its last move"

# A damaged file: a message naming the line, the board as it was.
{ head -n 3 "$saves/partie.ekoba"; printf '1. Z9 Q4\n'; } >"$saves/damaged.ekoba"
focus_main
xdotool key ctrl+o
choose_file "Ouvrir une partie" "$saves/damaged.ekoba"
box=$(wait_window Ekoba 10) || fail "no message about the damaged file"
screenshot damaged-message
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
wait_no_window Ekoba 5 || fail "the message stayed open"
park_pointer
client_shot after-damaged
same_shots played4 after-damaged
quit_with_oui
echo "PASS"
