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

start_game
focus_main
xdotool key ctrl+n
wait_still 60 || fail "the new board did not settle"
# The system's own Python, where the Debian package puts pyatspi.
/usr/bin/python3 "$(dirname "$0")/read_board.py" || fail "the board as a screen reader reads it"
client_shot screen-reader
