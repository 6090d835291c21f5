#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The "?" menu's windows on the real program: "Règle du jeu" and "Crédits" open centred on the
# main window (classic outer corner, halves to the even neighbour), every use opens one more
# window, and the board still takes a double-click while a rules window is open.
source "$(dirname "$0")/lib.sh"
start_game
menu j n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference

count_windows() { xdotool search --onlyvisible --name "$(name_pattern "$1")" 2>/dev/null | wc -l; }

read -r ox oy < <(client_origin)
left=$((ox - 3))
top=$((oy - 40))

help_item r
rules=$(wait_window "Règle du jeu") || fail "no rules window"
# Outer 780 x 514 on the main window's 643 x 513: -68.5 goes to -68, -0.5 to 0; the client lies
# 4 pixels right of and 23 below the outer corner (once the window manager has framed it).
placed() { # window-id "width height" "x y"
  read -r x y w h < <(geometry "$1")
  [ "$w $h" = "$2" ] && [ "$x $y" = "$3" ]
}
wait_for 10 placed "$rules" "772 487" "$((left - 68 + 4)) $((top + 0 + 23))" ||
  fail "rules client $w x $h at $x,$y"
wait_drawn "$rules" || fail "the rules window did not settle"
import -window "$rules" "$ARTIFACTS/rules.png" && echo "screenshot: $ARTIFACTS/rules.png"

# The rules window covers the board: put it aside, as a person would, and play pit 1.
xdotool windowmove --sync "$rules" 700 560
read -r px py < <(pit_point 1)
read -r x y w h < <(geometry "$rules")
[ "$px" -lt "$x" ] || fail "pit 1 is still under the rules window"
before=$(screen_hash)
import -window root -crop "637x470+$ox+$oy" +repage "$ARTIFACTS/board-before.png"
play_pit 1 up
import -window root -crop "637x470+$ox+$oy" +repage "$ARTIFACTS/board-after.png"
[ "$(screen_hash)" != "$before" ] || fail "the double-click did not play while the rules were open"
[ "$(count_windows "Règle du jeu")" -eq 1 ] || fail "the rules window went away"
screenshot played-with-rules-open

help_item r
two_rules() { [ "$(count_windows "Règle du jeu")" -eq 2 ]; }
wait_for 30 two_rules || fail "a second use did not open a second window"

help_item c
credits=$(wait_window "A propos d'Ekobarama ...") || fail "no credits window"
# Outer 690 x 263: -23.5 goes to -24, 125 stays; the client lies 3 right of and 22 below.
wait_for 10 placed "$credits" "684 238" "$((left - 24 + 3)) $((top + 125 + 22))" ||
  fail "credits client $w x $h at $x,$y"
wait_drawn "$credits" || fail "the credits window did not settle"
import -window "$credits" "$ARTIFACTS/credits.png" && echo "screenshot: $ARTIFACTS/credits.png"
game_running || fail "the program ended"
echo "PASS"
