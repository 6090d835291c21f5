#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# In the middle of a move, the program ends cleanly (exit status 0, one question; under
# AddressSanitizer no use of a destroyed object) when "Quitter" is answered "Oui", when the
# close box is answered "Oui", and when another program destroys the window.
source "$(dirname "$0")/lib.sh"

sanitizer_clean() {
  if grep -q "ERROR: AddressSanitizer\|runtime error" "$ARTIFACTS/ekobarama.log"; then
    cat "$ARTIFACTS/ekobarama.log" >&2
    fail "sanitizer report"
  fi
}

# Starts the program, a game and the opening move from pit 3, and runs the given way of
# quitting while the hand sows.
quit_during_move() { # name command...
  local name=$1
  shift
  start_game
  menu j n
  wait_still 60 || fail "$name: the new board did not settle"
  double_click_pit 3
  sleep 0.4
  screenshot "during-move-$name"
  "$@"
  wait_exit 60 || fail "$name: the program did not end"
  [ "$STATUS" -eq 0 ] || fail "$name: exit status $STATUS"
  sanitizer_clean
}

by_menu() {
  menu j u
  answer "Quitter ?" Return
}
by_close_box() {
  "$WMCLOSE" "$MAIN"
  answer "Quitter ?" Return
}
by_destroying_the_window() { "$WMCLOSE" --destroy "$MAIN"; }

quit_during_move menu by_menu
quit_during_move close-box by_close_box
quit_during_move destroyed by_destroying_the_window
echo "PASS"
