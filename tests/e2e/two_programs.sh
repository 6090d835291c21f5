#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two programs running at once on one state directory: the first owns the unfinished game
# (current.ekoba), the second is told so and keeps its own apart (current-2.ekoba). Each plays;
# the second's "Quitter la partie" leaves the first's game as it was. Both are killed (SIGKILL):
# started again, the first program resumes the first game with Ctrl+R and a second one, told
# again, resumes the second game.
source "$(dirname "$0")/lib.sh"
state="$XDG_STATE_HOME/ekobarama"
work=$(mktemp -d)
PIDS=()
trap 'for p in "${PIDS[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; cleanup; rm -rf "$work"' EXIT

settle() { # what
  sleep 0.5
  wait_still 60 || fail "$1 did not settle"
  park_pointer
}

# Starts one more program: GAME_PID and MAIN become its own, WINDOW_OF[pid] its window. The
# first window goes to the screen's top left corner, the second beside it, lower down.
declare -A WINDOW_OF
start_another() { # first|second
  local i id=""
  "${GAME_LOCALE[@]}" "$EKOBARAMA" >>"$ARTIFACTS/ekobarama.log" 2>&1 &
  GAME_PID=$!
  PIDS+=("$GAME_PID")
  for ((i = 0; i < 900; i++)); do
    id=$(xdotool search --all --onlyvisible --pid "$GAME_PID" --name '^Ekobarama$' 2>/dev/null |
      head -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "the window of program $GAME_PID did not open"
  MAIN=$id
  WINDOW_OF[$GAME_PID]=$id
  if [ "$1" = first ]; then set -- 0 0; else set -- 637 487; fi
  timeout 5 xdotool windowmove --sync "$id" "$1" "$2" || true
  wait_drawn "$id" 60 || fail "the window of program $GAME_PID did not settle"
}
use() { GAME_PID=$1; MAIN=${WINDOW_OF[$1]}; } # pid

# The notice of a program that finds the unfinished game taken; none for one that owns it.
told_apart() { answer Ekoba Return; }
not_told() { ! wait_window Ekoba 2 >/dev/null || fail "a message where none was due"; }

play() { # pit
  double_click_pit "$1"
  settle "the move from pit $1"
}

start_another first
first=$GAME_PID
not_told
menu j n
settle "the first board"
play 3
client_shot first-played
[ -s "$state/current.ekoba" ] || fail "the first game is not kept"
cp "$state/current.ekoba" "$work/first.ekoba"

start_another second
second=$GAME_PID
told_apart
menu j n
settle "the second board"
play 5
[ -s "$state/current-2.ekoba" ] || fail "the second game is not kept apart"
cmp -s "$state/current.ekoba" "$work/first.ekoba" || fail "the second program wrote the first's game"

# Left in the second program: its own game goes, the first's stays.
menu j q
answer "Quitter ?" Return
[ ! -e "$state/current-2.ekoba" ] || fail "the second game is still kept after it was left"
cmp -s "$state/current.ekoba" "$work/first.ekoba" || fail "leaving the second game touched the first's"
menu j n
settle "the second board again"
play 4
play 9
client_shot second-played
echo "two programs keep two games"

use "$first"
play 8
client_shot first-played
cmp -s "$state/current.ekoba" "$work/first.ekoba" && fail "the first game's last move is not kept"
kill -KILL "$first" "$second"
wait "$first" "$second" 2>/dev/null || true
PIDS=()

start_another first
not_told
focus_main
xdotool key ctrl+r
settle "the first game resumed"
client_shot first-resumed
same_shots first-played first-resumed
start_another second
told_apart
focus_main
xdotool key ctrl+r
settle "the second game resumed"
client_shot second-resumed
same_shots second-played second-resumed
echo "after SIGKILL both games resume"
echo "PASS"
