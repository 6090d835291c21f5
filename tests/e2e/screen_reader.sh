#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The board read and played over the AT-SPI accessibility bus, as a screen reader such as Orca
# reads it (read_board.py): on a session bus of the test's own, with the accessibility bus
# started from it, and the program told to expose its tree without a screen reader running.
if [ -z "${EKOBA_OWN_BUS:-}" ]; then
  exec env EKOBA_OWN_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT
: "${ENGINE:?path of ekobarama-engine}"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ENGINE

# The system's own Python, where the Debian package puts pyatspi.
reader() { /usr/bin/python3 "$(dirname "$0")/read_board.py" "$@"; }

start_game
focus_main
xdotool key ctrl+n
wait_still 60 || fail "the new board did not settle"
reader || fail "the board as a screen reader reads it"
client_shot screen-reader
focus_main
reader hint || fail "the hint's line as a screen reader hears it"
menu o p
reader panel || fail "the preferences' fields as a screen reader reads them"
xdotool key Escape
quit_with_oui

# Against the computer, whose only move leaves the person one move, which ends the game: player
# 1's pit 6 gives player 2 his only seed, each side then holds one.
games=$(mktemp -d)
trap 'cleanup; rm -rf "$games"' EXIT
cat >"$games/end.ekoba" <<EOF
[Game "Ekoba"]
[Player1 "Amina"]
[Player1By "personne"]
[Player2 "Kofi"]
[Player2By "debutant"]
[Position "1 0 0 0 1 1 / 0 0 0 0 0 1 / 2 / 22 22"]
[Result "*"]
*
EOF
start_game "$games/end.ekoba"
reader final || fail "the final move as a screen reader hears it"
answer_end_of_game
quit_with_oui
echo PASS
