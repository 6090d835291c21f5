#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The board shown larger is drawn from the art made for its pixels, not from the 100 % picture
# scaled up. Two ways to a larger board, one per run:
#   SCALE_BY=menu    "Options › Taille du plateau" at 200 % and then 150 % on an ordinary screen
#                    (the new game is also taken at 100 % first, for the comparison below), and
#                    back to 200 % while a move is shown;
#   SCALE_BY=screen  the board at 100 % on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2).
# At each larger scale, a new game and a move in progress are taken, and:
# - a piece of the carved board (the left rosette, which nothing covers) matches the
#   generator's art for that scale (assets/scaled-<percent>/plateau.jpg) within the JPEG
#   decoders' differences, and lies well away from the 100 % art scaled up to that size;
# - at twice the size, the picture is not a 100 % picture scaled up by 2: such a picture is made
#   of 2 x 2 blocks of one colour, and the shots have thousands of pixels that differ from their
#   block's first one, in the new game and in the part of the screen the moving hand changes;
#   and the 200 % new game differs from the 100 % one scaled up by 2.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/model.sh"
ASSETS=$(cd "$(dirname "$0")/../../assets" && pwd)

start_game
focus_main
xdotool key ctrl+n
wait_still 60 || fail "the new board did not settle"
park_pointer

# RMSE (0 to 1) of two pictures of the same size.
# (compare's status tells whether they differ: 1 is no error here.)
rmse() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'; }

# The left rosette's outer part, 48 x 64 of the board picture from (24, 211), where no hand
# ever passes (the hands reach no further left than x = 73): in a client shot the board
# picture lies at about (px 1, -(px 3)); the best of the nine places around is taken. Checks a
# shot at percent against the art of that scale and against the 100 % art scaled to it.
check_board_art() { # shot percent
  local shot=$ARTIFACTS/$1.png percent=$2 size x y dx dy near="" far value best=""
  size=$((48 * percent / 100))x$((64 * percent / 100))
  x=$((24 * percent / 100)) y=$((211 * percent / 100))
  convert "$ASSETS/scaled-$percent/plateau.jpg" -crop "$size+$x+$y" +repage \
    "$ARTIFACTS/art-$1.png"
  convert "$ASSETS/plateau.jpg" -filter Mitchell -resize "$percent%" \
    -crop "$size+$x+$y" +repage "$ARTIFACTS/up-$1.png"
  for dx in $(($(px 1) - 1)) $(px 1) $(($(px 1) + 1)); do
    for dy in $((-$(px 3) - 1)) $((-$(px 3))) $((-$(px 3) + 1)); do
      convert "$shot" -crop "$size+$((x + dx))+$((y + dy))" +repage "$ARTIFACTS/try.png"
      value=$(rmse "$ARTIFACTS/try.png" "$ARTIFACTS/art-$1.png")
      if [ -z "$near" ] || awk -v a="$value" -v b="$near" 'BEGIN { exit !(a < b) }'; then
        near=$value best="$dx $dy"
        cp "$ARTIFACTS/try.png" "$ARTIFACTS/rosette-$1.png"
      fi
    done
  done
  far=$(rmse "$ARTIFACTS/rosette-$1.png" "$ARTIFACTS/up-$1.png")
  echo "$1: rosette (at $best) against the art at $percent %: $near, against the 100 % art scaled: $far"
  awk -v n="$near" 'BEGIN { exit !(n < 0.005) }' ||
    fail "$1: the board is not the art drawn for $percent % (RMSE $near)"
  awk -v n="$near" -v f="$far" 'BEGIN { exit !(f > 0.01 && f > 5 * n) }' ||
    fail "$1: the board is as near the 100 % art scaled up ($far) as its own art ($near)"
}

# Pixels of a picture (or of a part of it) that differ from the first pixel of their 2 x 2
# block, the blocks counted from the picture's corner: 0 for a picture scaled up by 2.
block_pixels() { # picture [crop]
  local part=$ARTIFACTS/part.png
  if [ -n "${2:-}" ]; then convert "$1" -crop "$2" +repage "$part"; else cp "$1" "$part"; fi
  convert "$part" -sample 50% -sample 200% "$ARTIFACTS/blocks.png"
  { compare -metric AE "$part" "$ARTIFACTS/blocks.png" null: 2>&1 || true; } | cut -d' ' -f1
}
check_not_doubled() { # shot [crop]
  local n
  n=$(block_pixels "$ARTIFACTS/$1.png" "${2:-}")
  echo "$1: $n pixels differ from their 2 x 2 block"
  [ "$n" -gt 2000 ] || fail "$1 looks like a picture scaled up by 2 ($n pixels off their block)"
}

# The fingerprint of player 2's moon in a client shot.
shot_moon() { # name
  convert "$ARTIFACTS/$1.png" -crop "$(px 70)x$(px 70)+$(px 155)+$(px 20)" +repage rgb:- | md5sum
}

# A move from pit i taken while the hand is on the board: the first shot that differs from the
# board before it, before the move has ended (player 2's moon in that very shot as it was: a
# second look at the screen may come after a short move's end on a busy machine).
shot_move() { # pit before-shot name
  local x y i moon
  moon=$(shot_moon "$2")
  read -r x y < <(pit_point "$1")
  xdotool mousemove --sync "$x" "$y"
  sleep 0.1
  xdotool click --repeat 2 --delay 80 1
  pointer_away || true
  for ((i = 0; i < 200; i++)); do
    client_shot "$3"
    if pictures_differ "$ARTIFACTS/$2.png" "$ARTIFACTS/$3.png"; then
      [ "$(shot_moon "$3")" = "$moon" ] || fail "$3: the move was over before a shot of it was taken"
      model_play "$1"
      return 0
    fi
    sleep 0.05
  done
  fail "no move shown after the double-click on pit $1"
}

# The part of a shot a move changed: the bounding box of the pixels that differ from before,
# widened to even corners so that its 2 x 2 blocks are those of the whole shot.
changed_box() { # before after
  local w h x y
  compare "$ARTIFACTS/$1.png" "$ARTIFACTS/$2.png" -compose Src -highlight-color white \
    -lowlight-color black "$ARTIFACTS/changed.png" 2>/dev/null || true
  IFS='x+' read -r w h x y < <(convert "$ARTIFACTS/changed.png" -format '%@' info:)
  echo "$(((w + x % 2 + 1) / 2 * 2))x$(((h + y % 2 + 1) / 2 * 2))+$((x / 2 * 2))+$((y / 2 * 2))"
}

case ${SCALE_BY:-menu} in
menu)
  client_shot new-100
  board_size 200
  client_shot new-200
  check_board_art new-200 200
  check_not_doubled new-200
  convert "$ARTIFACTS/new-100.png" -sample 200% "$ARTIFACTS/new-100-doubled.png"
  pictures_differ "$ARTIFACTS/new-100-doubled.png" "$ARTIFACTS/new-200.png" ||
    fail "the 200 % board is the 100 % board scaled up by 2"
  echo "new-200 differs from new-100 scaled up by 2 in $DIFFERING pixels"
  shot_move 1 new-200 move-200
  box=$(changed_box new-200 move-200)
  echo "move-200: the move changed $box"
  check_not_doubled move-200 "$box"
  check_board_art move-200 200
  MOON_UNLIT=$(shot_moon move-200) # player 1 moving: the moon unlit
  wait_moon up 60 || fail "the move did not end"
  wait_still 60 || fail "the board did not settle after the move"
  board_size 150
  park_pointer
  client_shot board-150
  check_board_art board-150 150
  # Player 2 plays at 150 %; while the hand is on its way the board goes to 200 %: the move
  # goes on at the new size and ends there.
  mapfile -t playable < <(playable_pits)
  shot_move "${playable[0]}" board-150 move-150
  check_board_art move-150 150
  board_size 200
  wait_still 60 || fail "the move changed to 200 % did not end"
  park_pointer
  client_shot after-resize-200
  check_board_art after-resize-200 200
  game_running || fail "the program ended when the size changed during a move"
  ;;
screen)
  [ "${QT_SCALE_FACTOR:-}" = 2 ] || fail "SCALE_BY=screen needs QT_SCALE_FACTOR=2"
  read -r _ _ w _ < <(geometry "$MAIN")
  [ "$w" -eq 1274 ] || fail "the window is $w pixels wide on a screen of ratio 2, not 1274"
  client_shot new-screen2
  check_board_art new-screen2 200
  check_not_doubled new-screen2
  shot_move 1 new-screen2 move-screen2
  box=$(changed_box new-screen2 move-screen2)
  echo "move-screen2: the move changed $box"
  check_not_doubled move-screen2 "$box"
  ;;
*) fail "SCALE_BY is menu or screen" ;;
esac
game_running || fail "the program ended"
echo "PASS"
