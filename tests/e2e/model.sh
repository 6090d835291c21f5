# The scripts' own account of the board, kept move by move as a person keeps it by looking:
# the seeds of pits 1 to 12, the player to move and the harvested scores.
seeds=(0 4 4 4 4 4 4 4 4 4 4 4 4)
player=1
score=(0 0 0)
side() { local s=0 i from=$(( $1 == 1 ? 1 : 7 )); for ((i = from; i < from + 6; i++)); do s=$((s + seeds[i])); done; echo $s; }
next_pit() { local b=$(($1 + 1)); [ $b -eq 13 ] && b=1; if [ $b -eq "$2" ]; then b=$((b + 1)); [ $b -eq 13 ] && b=1; fi; echo $b; }
owner() { [ "$1" -gt 6 ] && echo 2 || echo 1; }
# The move from pit i in the script's own account.
model_play() {
  local i=$1 n=${seeds[$1]} a=$1
  seeds[$i]=0
  while [ "$n" -gt 0 ]; do a=$(next_pit "$a" "$i"); seeds[$a]=$((seeds[a] + 1)); n=$((n - 1)); done
  while { [ "${seeds[$a]}" -eq 2 ] || [ "${seeds[$a]}" -eq 3 ]; } && [ "$(owner "$a")" -ne "$player" ]; do
    score[$player]=$((score[player] + seeds[a])); seeds[$a]=0
    a=$((a - 1)); [ $a -eq 0 ] && a=12
  done
  player=$((3 - player))
}
blocked() {
  local s1 s2 sp
  s1=$(side 1); s2=$(side 2); sp=$(side "$player")
  [ "$sp" -eq 0 ] || { [ "$s1" -eq 1 ] && [ "$s2" -eq 1 ]; }
}
# The pits of the player to move that hold seeds, in the account.
playable_pits() {
  local from=$(( player == 1 ? 1 : 7 )) i
  for ((i = from; i < from + 6; i++)); do [ "${seeds[$i]}" -gt 0 ] && echo "$i"; done
  return 0
}

# A person's move: a random playable pit of the player to move, played in the script's account
# and by a double-click on the window; counts it in moves.
play_random_pit() {
  local playable
  mapfile -t playable < <(playable_pits)
  pit=${playable[$((RANDOM % ${#playable[@]}))]}
  model_play "$pit"
  moves=$((moves + 1))
  double_click_pit "$pit"
}

# The computer's move, learnt by looking: the one pit of the player to move that held seeds and
# shows none (pit_empty, lib.sh) is the one it played; played in the account. Fails when no such
# pit shows within half a minute.
see_computer_move() {
  local candidates i t played=""
  mapfile -t candidates < <(playable_pits)
  for ((t = 0; t < 300; t++)); do
    read_screen
    for i in "${candidates[@]}"; do
      if pit_empty "$i"; then played=$i; fi
    done
    [ -z "$played" ] || break
    sleep 0.1
  done
  [ -n "$played" ] || return 1
  model_play "$played"
  echo "the computer played pit $played"
}
