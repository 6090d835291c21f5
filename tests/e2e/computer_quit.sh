#!/usr/bin/env bash
# While the computer thinks ("Expert" against a person), "Nouvelle partie" answered "Oui"
# brings the fresh board at once with no move of the left game played into it, and "Quitter"
# answered "Oui" ends the program at once with exit status 0 (under AddressSanitizer: no use
# of a destroyed object). Expert is given a minute a move, so that its search is still running
# when the commands come: they act at once only if they stop it.
source "$(dirname "$0")/lib.sh"
export EKOBARAMA_EXPERT_MS=60000

sanitizer_clean() {
  if grep -q "ERROR: AddressSanitizer\|runtime error" "$ARTIFACTS/ekobarama.log"; then
    cat "$ARTIFACTS/ekobarama.log" >&2
    fail "sanitizer report"
  fi
}
now_ms() { date +%s%3N; }

start_game
set_players 0 4
menu j n
wait_still 60 || fail "the new board did not settle"
client_shot fresh-board
fresh=$(xwd -id "$MAIN" -silent | md5sum | cut -d' ' -f1)
read_screen
moon_reference
# The person's move, then the computer's turn: a second into its search, the "Jeu" menu.
computer_thinking() {
  double_click_pit 3
  wait_moon up 60 || fail "the computer's turn did not come"
  sleep 1
  focus_main
  xdotool key alt+j
  sleep 0.3
}

# Oui, then the board as soon as the screen can be read.
answer_at_once() { # sets start to the time of the key
  local box
  box=$(wait_window "Quitter ?") || fail "no question"
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  start=$(now_ms)
  xdotool key Return
}
computer_thinking
xdotool key n
answer_at_once
# The window's picture, read quickly (a fingerprint, no conversion).
window_hash() { xwd -id "$MAIN" -silent | md5sum | cut -d' ' -f1; }
until [ "$(window_hash)" = "$fresh" ]; do
  [ $(($(now_ms) - start)) -lt 3000 ] || fail "not the fresh board 3 s after Oui"
done
elapsed=$(($(now_ms) - start))
echo "fresh board read within ${elapsed} ms of Oui"
[ "$elapsed" -le 300 ] || fail "the fresh board came only ${elapsed} ms after Oui"
# No move of the left game comes into the new one: the person is still to move.
sleep 2
client_shot still-fresh
! pictures_differ "$ARTIFACTS/fresh-board.png" "$ARTIFACTS/still-fresh.png" ||
  fail "the new board changed by itself ($DIFFERING pixels differ)"
game_running || fail "the program ended"

# Quit while the computer thinks about its first answer of the new game.
computer_thinking
xdotool key u
answer_at_once
wait_no_window Ekobarama 5 || fail "the window stayed after Oui"
elapsed=$(($(now_ms) - start))
echo "window gone ${elapsed} ms after Oui"
[ "$elapsed" -le 200 ] || fail "quitting took ${elapsed} ms"
wait_exit 60 || fail "the program did not end"
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"
sanitizer_clean
echo "PASS"
