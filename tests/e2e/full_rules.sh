#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The complete rules on the real window, in positions opened from game files. By the complete
# rules the title names them, and a pit whose move would take all of the opponent's seeds, or
# leave an opponent without seeds unfed, is refused by a double-click (the move of another pit
# is then played, and the refused pit still holds its seed) with a tool-tip saying why. By the
# standard rules, in the same position, the same pit is played: the opponent is left without a
# seed and the game ends.
source "$(dirname "$0")/lib.sh"
export EKOBARAMA_FAST_MOVES=2
games=$(mktemp -d /tmp/ekoba-XXXXXX)
trap 'cleanup; rm -rf "$games"' EXIT

write_game() { # file position [rules]
  {
    printf '[Game "Ekoba"]\n[Player1 "Amina"]\n[Player2 "Kofi"]\n'
    [ -z "${3:-}" ] || printf '[Rules "%s"]\n' "$3"
    printf '[Position "%s"]\n[Result "*"]\n*\n' "$2"
  } >"$1"
}
open_game() { # file title
  "${GAME_LOCALE[@]}" "$EKOBARAMA" "$1" >>"$ARTIFACTS/ekobarama.log" 2>&1 &
  GAME_PID=$!
  MAIN=$(wait_window "$2" 60) || fail "no main window titled \"$2\""
  wait_still 60 || fail "the board did not settle"
  park_pointer
  read_screen
  moon_reference
}
end_program() {
  kill "$GAME_PID" 2>/dev/null || true
  wait "$GAME_PID" 2>/dev/null || true
  GAME_PID=""
}

# name position refused-pit other-pit
check() {
  local name=$1 position=$2 refused=$3 other=$4 x y
  write_game "$games/$name-full.ekoba" "$position" full
  open_game "$games/$name-full.ekoba" "Ekobarama – règles complètes"
  client_shot "$name-before-hover"
  read -r x y < <(pit_point "$refused")
  xdotool mousemove --sync "$x" "$y"
  wait_for 10 client_changed "$name-before-hover" "$name-tooltip" ||
    fail "$name: no tool-tip over pit $refused"
  wait_drawn "$MAIN" || true
  client_shot "$name-tooltip"
  double_click_pit "$refused"
  double_click_pit "$other"
  pointer_away || true
  wait_moon up 60 || fail "$name: pit $other was not played after pit $refused"
  ! xdotool search --onlyvisible --name '^Ekoba$' >/dev/null 2>&1 ||
    fail "$name: the game ended: pit $refused was played"
  read_screen
  ! pit_empty "$refused" || fail "$name: pit $refused was played by the complete rules"
  pit_empty "$other" || fail "$name: pit $other is not empty after its move"
  echo "$name: pit $refused refused by the complete rules, pit $other played"
  end_program

  write_game "$games/$name-standard.ekoba" "$position"
  open_game "$games/$name-standard.ekoba" "Ekobarama"
  double_click_pit "$refused"
  pointer_away || true
  answer_end_of_game
  echo "$name: pit $refused played by the standard rules, the game over"
  end_program
}

# Pit f (6) sows its seed into player 2's only pit, which then holds 2: the harvest would take
# them all. Pit a (1) sows into pit 2.
check killing "1 0 0 0 0 1 / 1 0 0 0 0 0 / 1 / 23 22" 6 1
# Player 2 has no seed: pit a (1) sows into pits 2 and 3 and gives him none; pit f (6) does.
check feeding "2 0 0 0 0 1 / 0 0 0 0 0 0 / 1 / 23 22" 1 6
echo "PASS"
