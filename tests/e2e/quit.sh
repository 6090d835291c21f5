#!/usr/bin/env bash
# The main window opens centred with a 637 x 470 client area; "Quitter" then "Non" leaves the
# program running; closing the window then "Oui" ends it with exit status 0.
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

menu j u
answer "Quitter ?" Escape
sleep 0.5
game_running || fail "the program ended after Non"
wait_no_window "Quitter ?" || fail "the question stayed open"

"$WMCLOSE" "$MAIN"
answer "Quitter ?" Return
status=$(wait_exit) || fail "the program did not end after Oui"
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS"
