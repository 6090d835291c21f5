#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main window opens centred with a 637 x 470 client area. "Jeu › Quitter" asks once:
# "Non" leaves the program running with every menu command working, "Oui" ends it with exit
# status 0, answered with the keyboard (O, Alt+O, Return) or the mouse, from the presentation
# or during a game; the close box asks the same question.
source "$(dirname "$0")/lib.sh"
start_game
read -r sw sh < <(xdotool getdisplaygeometry)
read -r x y w h < <(geometry "$MAIN")
left=$(( (sw - 643) / 2 )); [ $(( (sw - 643) % 2 )) -ne 0 ] && [ $(( left % 2 )) -ne 0 ] && left=$((left + 1))
top=$(( (sh - 513) / 2 )); [ $(( (sh - 513) % 2 )) -ne 0 ] && [ $(( top % 2 )) -ne 0 ] && top=$((top + 1))
[ "$w" -eq 637 ] || fail "client width $w"
[ "$x" -eq $((left + 3)) ] || fail "left edge $x, expected $((left + 3))"
[ $((y + h)) -eq $((top + 40 + 470)) ] || fail "bottom edge $((y + h)), expected $((top + 510))"
[ "$(xdotool search --onlyvisible --name '^Ekobarama$' | wc -l)" -eq 1 ] || fail "more than one window"
screenshot start

# "Non", by Escape and by N: the program goes on, and every command of the menus works.
menu j u
answer "Quitter ?" Escape
wait_no_window "Quitter ?" || fail "the question stayed open"
menu j u
answer "Quitter ?" n
wait_no_window "Quitter ?" || fail "N did not answer the question"
game_running || fail "the program ended after Non"
menu j n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference
play_pit 3 up
menu j q
answer "Quitter ?" o
wait_no_window "Quitter ?" || fail "O did not answer the question"
menu o p
sleep 0.3
xdotool key Escape
sleep 0.3
menu o b
help_item r
rules=$(wait_window "Règle du jeu") || fail "no rules window"
"$WMCLOSE" "$rules"
wait_no_window "Règle du jeu" || fail "the rules window did not close"
help_item c
credits=$(wait_window "A propos d'Ekobarama ...") || fail "no credits window"
"$WMCLOSE" "$credits"
wait_no_window "A propos d'Ekobarama ..." || fail "the credits window did not close"
game_running || fail "the program ended while its menus were used"
screenshot after-non

# The close box asks the same question; "Non" keeps the program.
"$WMCLOSE" "$MAIN"
answer "Quitter ?" Escape
wait_no_window "Quitter ?" || fail "the question stayed open"
game_running || fail "the program ended after Non to the close box"

# "Oui" with Alt+O from the presentation: one question, and the program ends.
menu j u
answer "Quitter ?" alt+o
wait_exit || fail "the program did not end after Oui (a second question?)"
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"

# "Oui" with the mouse, from a game: the menu opened and the question answered by clicks.
start_game
menu j n
wait_still 60 || fail "the new board did not settle"
focus_main
click_last_menu_item 15
box=$(wait_window "Quitter ?") || fail "no question"
click_answer "$box" Oui
wait_exit || fail "the program did not end after Oui (a second question?)"
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"

# The close box, then Return on "Oui".
start_game
"$WMCLOSE" "$MAIN"
answer "Quitter ?" Return
wait_exit || fail "the program did not end after Oui"
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"
echo "PASS"
