#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The game's sheet and the review. A game of 30 moves is played on the window against the
# computer at "Débutant" (its choices fixed, the moves at full speed): the script plays player 1
# with double-clicks on pits of its own account of the rules, and learns the computer's moves from
# the board the sheet's log shows. The sheet (Ctrl+L) opens beside the board and lists the moves as
# they are played; the review runs from the Jeu menu and marks every move, and its curve is drawn;
# a click on the curve at move 10 shows on the screen the board as it was shown when move 10 was
# played, and Enter on a line of the list goes there likewise. The game saved after the review
# keeps it: opened again, the sheet shows it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
export EKOBARAMA_SHEET_LOG=1 EKOBARAMA_BEGINNER_SEED=11 EKOBARAMA_FAST_MOVES=2
RANDOM=5
dir=$(mktemp -d)
trap 'cleanup; rm -rf "$dir"' EXIT

# What the sheet said last.
sheet_line() { grep '^sheet:' "$ARTIFACTS/ekobarama.log" | tail -n 1; }
sheet_says() { sheet_line | grep -q -- "$1"; }
# Whether the sheet said it at any time.
sheet_said() { grep '^sheet:' "$ARTIFACTS/ekobarama.log" | grep -q -- "$1"; }
account() { # the script's account as the sheet's log writes the board
  local IFS=,
  echo "board ${seeds[*]:1} to-move $player score ${score[1]},${score[2]}"
}
# The pit the computer played: the one whose move in the script's account gives the board the
# sheet shows; played in the account.
computer_played() {
  local pit kept_seeds=("${seeds[@]}") kept_score=("${score[@]}") kept_player=$player
  for pit in $(playable_pits); do
    model_play "$pit"
    if sheet_says "$(account)"; then
      echo "$pit"
      return 0
    fi
    seeds=("${kept_seeds[@]}") score=("${kept_score[@]}") player=$kept_player
  done
  return 1
}
# The board as the client area shows it, the pointer away.
board_shot() { # name
  park_pointer
  wait_drawn "$MAIN" || fail "the board did not settle"
  client_shot "$1"
}

# In English with GAME_LANGUAGE=en, up to the picture of the review (the README's).
title="Feuille de partie" game_menu=j review_item=l
[ "${GAME_LANGUAGE-fr}" != en ] || title="Move list" game_menu=g review_item=v

start_game
set_players 0 1
menu $game_menu n
wait_still 60 || fail "the new board did not settle"
read_screen
moon_reference
focus_main
xdotool key ctrl+l
SHEET=$(wait_window "$title" 30) || fail "the sheet did not open"
wait_for 30 sheet_says "moves 0 current 0 " || fail "the sheet does not show the new game: $(sheet_line)"
read -r mx _ mw _ < <(geometry "$MAIN")
read -r sx _ _ _ < <(geometry "$SHEET")
[ "$sx" -ge $((mx + mw)) ] || fail "the sheet is not at the right of the board ($sx, $mx + $mw)"

declare -a boards
ply=0 moves=0
boards[0]=$(account)
while [ $ply -lt 30 ]; do
  ! blocked || fail "the game ended after $ply moves"
  if [ "$player" -eq 1 ]; then
    focus_main
    play_random_pit
    pointer_away || true
    ply=$((ply + 1))
  else
    wait_for 60 sheet_says "moves $((ply + 1)) " || fail "the computer did not play: $(sheet_line)"
    wait_for 10 computer_played >/dev/null ||
      fail "no move of the computer's gives the board the sheet shows: $(sheet_line), from ${boards[$ply]}"
    ply=$((ply + 1))
    # The person's turn once the move is over: the moon is out.
    wait_moon down 60 || fail "move $ply did not end"
  fi
  boards[$ply]=$(account)
  # (The computer may have answered already: any line of the log.)
  wait_for 30 sheet_said "moves $ply current $ply reviewed 0 .*${boards[$ply]}" ||
    fail "the sheet did not show move $ply as played: $(sheet_line) / ${boards[$ply]}"
  [ $ply -ne 10 ] || board_shot board-10
  [ $ply -ne 12 ] || board_shot board-12
done
echo "30 moves played: ${score[1]} / ${score[2]}"

menu $game_menu $review_item
wait_for 180 sheet_says "reviewed 30 " || fail "the review did not end: $(sheet_line)"
line=$(sheet_line)
echo "$line"
[[ $line =~ marks\ ([-?,]+)\ curve\ 31\ points\ at\ ([0-9]+),([0-9]+)\ ([0-9]+)x([0-9]+) ]] ||
  fail "no marks or no curve of 31 points: $line"
marks=${BASH_REMATCH[1]} cx=${BASH_REMATCH[2]} cy=${BASH_REMATCH[3]} cw=${BASH_REMATCH[4]}
ch=${BASH_REMATCH[5]}
[ "$(tr ',' '\n' <<<"$marks" | wc -l)" -eq 30 ] || fail "not 30 marks: $marks"
# The board and the sheet side by side, with their title bars.
read -r mx my mw mh < <(geometry "$MAIN")
read -r x y w h < <(geometry "$SHEET")
top=$(( (my < y ? my : y) - 24 )) bottom=$(( my + mh > y + h ? my + mh : y + h ))
import -window root -crop "$((x + w - mx))x$((bottom - top))+$mx+$top" "$ARTIFACTS/reviewed.png"
echo "screenshot: $ARTIFACTS/reviewed.png"
[ "${GAME_LANGUAGE-fr}" != en ] || { echo PASS; exit 0; }

# A click on the curve at move 10: the board shows the position after it, on the screen as when
# the move was played.
xdotool mousemove --sync $((cx + (cw * 10 + 15) / 30)) $((cy + ch / 2)) click 1
wait_for 30 sheet_says "current 10 " || fail "the click on the curve did not go to move 10: $(sheet_line)"
sheet_says "${boards[10]}" || fail "the board at move 10 is not the game's: $(sheet_line) / ${boards[10]}"
board_shot back-10
same_shots board-10 back-10
# Two lines down in the list and Enter: move 12.
xdotool key Down Down Return
wait_for 30 sheet_says "current 12 " || fail "Enter did not go to move 12: $(sheet_line)"
sheet_says "${boards[12]}" || fail "the board at move 12 is not the game's: $(sheet_line)"
board_shot back-12
same_shots board-12 back-12
echo "the curve and the list go to the moves chosen"

# Back to the last move (Ctrl+End, Enter), saved, and opened again: the sheet, remembered open, shows
# the same marks.
xdotool key ctrl+End Return
wait_for 30 sheet_says "current 30 " || fail "Ctrl+End and Enter did not go to the last move"
focus_main
xdotool key ctrl+s
dialog=$(wait_window "Enregistrer la partie" 30) || fail "no file dialog"
wait_drawn "$dialog" || true
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key ctrl+a
xdotool type --delay 20 "$dir/revue.ekoba"
sleep 0.3
xdotool key Return
wait_for 30 test -s "$dir/revue.ekoba" || fail "the game was not saved"
[ "$(grep -o '{review: ' "$dir/revue.ekoba" | wc -l)" -eq 30 ] ||
  fail "the saved game does not hold 30 reviews: $(cat "$dir/revue.ekoba")"
quit_with_oui
start_game "$dir/revue.ekoba"
wait_window "$title" 30 >/dev/null || fail "the sheet did not open again"
wait_for 30 sheet_says "moves 30 current 30 reviewed 30 marks $marks curve 31 points" ||
  fail "the review read back differs: $(sheet_line), marks were $marks"
echo "the review saved with the game is shown again when it is opened"
game_running || fail "the program ended"
echo "PASS"
