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
# The moves are shown at full speed: no pacing, no pauses (every frame still drawn).
export EKOBARAMA_FAST_MOVES=2
saves=$(mktemp -d /tmp/ekoba-XXXXXX)
# A home of the test's own: the file dialog opens in its Documents folder and keeps its
# settings there.
HOME=$(mktemp -d /tmp/joueur-XXXXXX)
export HOME XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME/Documents"
trap 'cleanup; rm -rf "$saves" "$HOME"' EXIT

settle() { # what
  wait_still 60 || fail "$1 did not settle"
  park_pointer
}
# Plays pit i in the script's account and on the window, and waits for the move's end.
play() { # i
  model_play "$1"
  play_pit "$1" "$(moon_for "$player")"
  park_pointer
}
# Types a path into the file dialog of this title and accepts it with Return.
choose_file() { # title path [screenshot]
  local dialog x y w h
  dialog=$(wait_window "$1") || fail "no dialog \"$1\""
  wait_drawn "$dialog" || fail "the dialog \"$1\" did not settle"
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
  wait_no_window "$1" 30 || fail "the dialog \"$1\" stayed open"
}

start_game
park_pointer
client_shot presentation
menu j n
settle "the new board"
read_screen
moon_reference
for pit in 3 9 2; do
  play "$pit"
done
client_shot played3

# The Jeu menu during a game, with taking back and the game files.
focus_main
xdotool key alt+j
wait_for 30 menu_popup >/dev/null || fail "the Jeu menu did not open"
popup=$(menu_popup)
wait_drawn "$popup" || fail "the Jeu menu did not settle"
window_shot jeu-menu
xdotool key Escape
sleep 0.3

focus_main
xdotool key ctrl+s
choose_file "Enregistrer la partie" "$saves/partie.ekoba" file-dialog
# The file is written once the dialog has gone.
wait_for 30 test -s "$saves/partie.ekoba" ||
  fail "no game file written (in $saves: $(ls "$saves" | xargs); in Documents: $(ls "$HOME/Documents" | xargs))"
! ls "$saves" | grep -v '^partie\.ekoba$' || fail "something else left beside the game file"
echo "saved: $(wc -l <"$saves/partie.ekoba") lines"
quit_with_oui

start_game "$saves/partie.ekoba"
park_pointer
wait_shot_like played3 opened
echo "the saved game opens on the same board"

# One more move, then a power cut.
mapfile -t playable < <(playable_pits)
pit=${playable[0]}
play "$pit"
client_shot played4
kill -KILL "$GAME_PID"
wait "$GAME_PID" 2>/dev/null || true
start_game
park_pointer
wait_shot_like presentation restarted
focus_main
xdotool key ctrl+r
park_pointer
wait_shot_like played4 resumed
echo "after SIGKILL the game resumes at its last move"

# A damaged file: a message naming the line, the board as it was.
{ head -n 3 "$saves/partie.ekoba"; printf '1. Z9 Q4\n'; } >"$saves/damaged.ekoba"
focus_main
xdotool key ctrl+o
choose_file "Ouvrir une partie" "$saves/damaged.ekoba"
box=$(wait_window Ekoba 30) || fail "no message about the damaged file"
screenshot damaged-message
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
wait_no_window Ekoba 30 || fail "the message stayed open"
park_pointer
client_shot after-damaged
same_shots played4 after-damaged
quit_with_oui
echo "PASS"
