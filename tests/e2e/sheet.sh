#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The game's sheet and the review. A game of 30 moves, written by the script from its own
# account of the rules, is opened; the sheet (Ctrl+L) opens beside the board and lists the 30
# moves; the review runs from the Jeu menu and marks every move, and its curve is drawn; a click
# on the curve at move 10, then Enter on a line of the list, show the board there as the script's
# account has it. The game saved after the review keeps it: opened again, the sheet shows it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
export EKOBARAMA_SHEET_LOG=1
dir=$(mktemp -d)
trap 'cleanup; rm -rf "$dir"' EXIT

# What the sheet said last.
sheet_line() { grep '^sheet:' "$ARTIFACTS/ekobarama.log" | tail -n 1; }
sheet_says() { sheet_line | grep -q -- "$1"; }
account() { # the script's account as the sheet's log writes the board
  local IFS=,
  echo "board ${seeds[*]:1} to-move $player score ${score[1]},${score[2]}"
}

# 30 moves: each time the pit of the player to move holding the most seeds.
declare -a boards
text="" ply=0
boards[0]=$(account)
while [ $ply -lt 30 ]; do
  best=0
  for pit in $(playable_pits); do
    [ "$best" -ne 0 ] && [ "${seeds[$pit]}" -le "${seeds[$best]}" ] || best=$pit
  done
  [ "$best" -ne 0 ] || fail "the script's game ended before 30 moves"
  letter=$(printf "\\x$(printf %x $((97 + (best - 1) % 6)))")
  [ "$player" -eq 1 ] && text+="$((ply / 2 + 1)). $letter " || text+="$letter "
  model_play "$best"
  ply=$((ply + 1))
  boards[$ply]=$(account)
  ! blocked || fail "the script's game ended before 30 moves"
done
printf '[Game "Ekoba"]\n[Player1 "Ama"]\n[Player2 "Kofi"]\n[Result "*"]\n\n%s*\n' "$text" \
  >"$dir/partie.ekoba"

start_game "$dir/partie.ekoba"
focus_main
xdotool key ctrl+l
# In English with GAME_LANGUAGE=en, up to the picture of the review (the README's).
title="Feuille de partie" game_menu=j review_item=l
[ "${GAME_LANGUAGE-fr}" != en ] || title="Move list" game_menu=g review_item=v
SHEET=$(wait_window "$title" 30) || fail "the sheet did not open"
wait_for 30 sheet_says "moves 30 current 30 " || fail "the sheet does not list 30 moves: $(sheet_line)"
read -r mx _ mw _ < <(geometry "$MAIN")
read -r sx _ _ _ < <(geometry "$SHEET")
[ "$sx" -ge $((mx + mw)) ] || fail "the sheet is not at the right of the board ($sx, $mx + $mw)"

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

# A click on the curve at move 10: the board shows the position after it.
xdotool mousemove --sync $((cx + (cw * 10 + 15) / 30)) $((cy + ch / 2)) click 1
wait_for 30 sheet_says "current 10 " || fail "the click on the curve did not go to move 10: $(sheet_line)"
sheet_says "${boards[10]}" || fail "the board at move 10 is not the game's: $(sheet_line) / ${boards[10]}"
# Two lines down in the list and Enter: move 12.
xdotool key Down Down Return
wait_for 30 sheet_says "current 12 " || fail "Enter did not go to move 12: $(sheet_line)"
sheet_says "${boards[12]}" || fail "the board at move 12 is not the game's: $(sheet_line)"
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
