# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the end-to-end tests: the real ekobarama under Xvfb, driven with xdotool as a
# person would drive it. Each test script runs on a desktop of its own (desktop.sh: Xvfb and
# openbox; see CMakeLists.txt).
set -euo pipefail
: "${EKOBARAMA:?path of the ekobarama executable}"
: "${WMCLOSE:?path of wmclose}"
ARTIFACTS=${ARTIFACTS:-$(mktemp -d)}
mkdir -p "$ARTIFACTS"
# What the program prints, from every start of it in this run.
: >"$ARTIFACTS/ekobarama.log"
GAME_PID=""
# The game kept for the player (the unfinished one) goes to a state directory of the test's
# own, never into the real home; every start of the program in one script shares it.
XDG_STATE_HOME=$(mktemp -d)
export XDG_STATE_HOME
# The preferences likewise, in a configuration directory of the test's own.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
# The program speaks French, its own language, whose texts the tests check: LANGUAGE, which Qt
# reads before LC_ALL, LC_MESSAGES and LANG, says so. Only the program gets it, and the locale
# of the environment stays: a French locale the system has not generated would leave the program
# without its character set.
GAME_LOCALE=(env LANGUAGE="${GAME_LANGUAGE-fr}")
# How many screen pixels stand for a hundred of the board's: its size chosen in the menu
# (BOARD_PERCENT, 100 unless a test sets it, see board_size) times the device pixel ratio Qt is
# given (QT_SCALE_FACTOR, a whole number here). Every point and rectangle of the board below is
# in the board's own coordinates (637 x 470) and goes through px.
BOARD_PERCENT=${BOARD_PERCENT:-100}
screen_percent() { echo $((BOARD_PERCENT * ${QT_SCALE_FACTOR:-1})); }
px() { # length in the board's coordinates (0 or more): the same on the screen
  echo $((($1 * $(screen_percent) + 50) / 100))
}

fail() {
  echo "FAIL: $*" >&2
  screenshot "failure" || true
  exit 1
}

screenshot() { # name
  import -window root "$ARTIFACTS/$1.png" 2>/dev/null && echo "screenshot: $ARTIFACTS/$1.png"
}

# The exact-name pattern of a window title for xdotool search.
name_pattern() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$?+(){}|]/\\&/g')"; }

# Waits until a visible window with this exact name exists; prints its id.
wait_window() { # name [seconds]
  local name limit=${2:-30} i
  name=$(name_pattern "$1")
  for ((i = 0; i < limit * 10; i++)); do
    local id
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

wait_no_window() { # name [seconds]
  local name limit=${2:-30} i
  name=$(name_pattern "$1")
  for ((i = 0; i < limit * 10; i++)); do
    xdotool search --onlyvisible --name "$name" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

start_game() { # [FILE]
  "${GAME_LOCALE[@]}" "$EKOBARAMA" "$@" >>"$ARTIFACTS/ekobarama.log" 2>&1 &
  GAME_PID=$!
  MAIN=$(wait_window Ekobarama 60) || fail "the main window did not open"
  wait_drawn "$MAIN" || fail "the main window did not settle"
}

# Waits until a window's picture (or the whole screen's, for "root") stays the same for 0.3 s:
# drawn, and done changing.
wait_drawn() { # window-id|root [seconds]
  local limit=${2:-30} start=$SECONDS a b which=(-id "$1")
  [ "$1" != root ] || which=(-root)
  a=$(xwd "${which[@]}" -silent 2>/dev/null | md5sum)
  while [ $((SECONDS - start)) -lt "$limit" ]; do
    sleep 0.3
    b=$(xwd "${which[@]}" -silent 2>/dev/null | md5sum)
    [ "$a" = "$b" ] && return 0
    a=$b
  done
  return 1
}

# Waits until a condition (a command) holds, checking it every tenth of a second.
wait_for() { # seconds command...
  local limit=$1 start=$SECONDS
  shift
  while [ $((SECONDS - start)) -lt "$limit" ]; do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

game_running() { kill -0 "$GAME_PID" 2>/dev/null; }

# Waits for the program to end and sets STATUS to its exit status. Not to be run in a
# subshell: only the shell that started the program can collect its status.
STATUS=""
wait_exit() { # [seconds]
  local limit=${1:-60} i
  for ((i = 0; i < limit * 10; i++)); do
    if ! game_running; then
      STATUS=0
      wait "$GAME_PID" || STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

focus_main() {
  xdotool windowactivate --sync "$MAIN" 2>/dev/null || xdotool windowfocus --sync "$MAIN"
}

# The open menus: the visible windows of the program's that the window manager does not frame
# (override-redirect) and that are not tool-tips; prints their ids (menu_popup: the first). (Its name, "Ekoba", is only in
# _NET_WM_NAME, which xdotool's search does not read, and Qt does not always mark it a menu.)
open_menu_ids() {
  local id
  for id in $(xdotool search --onlyvisible --class '^Ekoba$' 2>/dev/null); do
    [[ $(xwininfo -id "$id" 2>/dev/null) == *"Override Redirect State: yes"* ]] || continue
    [[ $(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null) != *TOOLTIP* ]] || continue
    echo "$id"
  done
}
menu_popup() {
  local ids
  ids=$(open_menu_ids)
  [ -n "$ids" ] && head -n 1 <<<"$ids"
}

# How many menus are open (a menu and its submenu are two).
open_menus() { open_menu_ids | grep -c . || true; } # prints the count
menus_open() { [ "$(open_menus)" -ge "$1" ]; } # count

# Opens a menu by its accelerator and chooses an item by its accelerator.
menu() { # menu-letter item-letter
  focus_main
  xdotool key "alt+$1"
  wait_for 30 menu_popup >/dev/null || fail "the menu alt+$1 did not open"
  xdotool key "$2"
  sleep 0.3
}

# The "?" menu has no accelerator: reach it from "&Options" with the arrow key.
help_item() { # item-letter
  focus_main
  xdotool key alt+o
  wait_for 30 menu_popup >/dev/null || fail "the Options menu did not open"
  xdotool key Right
  sleep 0.3
  xdotool key "$1"
  sleep 0.5
}

# Opens the menu whose title lies x pixels into the menu bar with a click, and clicks its last
# item (the menu is the one visible window named "Ekoba", the application's name).
click_last_menu_item() { # x
  local x y w h id popup=""
  read -r x y w h < <(geometry "$MAIN")
  xdotool mousemove --sync $((x + $1)) $((y + (h - $(px 470)) / 2)) click 1
  wait_for 30 menu_popup >/dev/null || fail "the menu did not open"
  popup=$(menu_popup)
  wait_drawn "$popup" || fail "the menu did not settle"
  read -r x y w h < <(geometry "$popup")
  xdotool mousemove --sync $((x + w / 2)) $((y + h - 12)) click 1
  sleep 0.3
}

# Clicks a question box's button: "Oui" and "Non" sit side by side at its bottom right.
click_answer() { # box-id Oui|Non
  local x y w h dx
  read -r x y w h < <(geometry "$1")
  [ "$2" = Oui ] && dx=148 || dx=52
  xdotool mousemove --sync $((x + w - dx)) $((y + h - 23)) click 1
  sleep 0.3
}

# Answers a message box: Return presses the default button ("Oui" or "OK"), Escape "Non".
answer() { # caption Return|Escape
  local box
  box=$(wait_window "$1") || fail "no message box \"$1\""
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key "$2"
  sleep 0.3
}

# Whether two pictures of the same size differ: status 0 when they do (DIFFERING is then the
# number of pixels that differ), 1 when they are the same. A comparison that cannot be made (a
# picture missing or unreadable, sizes that differ) ends the test.
DIFFERING=""
pictures_differ() { # picture picture
  local size1 size2 out status=0
  size1=$(identify -format '%wx%h' "$1" 2>&1) || fail "cannot read $1: $size1"
  size2=$(identify -format '%wx%h' "$2" 2>&1) || fail "cannot read $2: $size2"
  [ "$size1" = "$size2" ] || fail "cannot compare $1 ($size1) with $2 ($size2)"
  out=$(compare -metric AE "$1" "$2" null: 2>&1) || status=$?
  case $status in
  0) return 1 ;;
  1) DIFFERING=$out ;;
  *) fail "compare $1 $2: $out" ;;
  esac
}

# The pointer to (5, 5), away from the board, unless it is there already (xdotool's --sync
# would then wait a long time for a motion that does not come); status 1 when it was there.
pointer_away() {
  [[ $(xdotool getmouselocation 2>/dev/null) != "x:5 y:5 "* ]] || return 1
  xdotool mousemove --sync 5 5
}
# The pointer away from the board, so that no hint shows over a pit.
park_pointer() { ! pointer_away || sleep 0.4; }

# The test fails when two screenshots taken under these names differ.
same_shots() { # name name
  ! pictures_differ "$ARTIFACTS/$1.png" "$ARTIFACTS/$2.png" ||
    fail "$2 differs from $1 in $DIFFERING pixels"
}

# A screenshot of the window with its frame, as the documentation shows it.
window_shot() { # name
  local x y w h
  read -r x y w h < <(geometry "$MAIN")
  import -window root -crop "$((w + 2))x$((h + 24))+$((x - 1))+$((y - 23))" +repage \
    "$ARTIFACTS/$1.png" && echo "screenshot: $ARTIFACTS/$1.png"
}

# A screenshot of the client area only.
client_shot() { # name
  local ox oy
  read -r ox oy < <(client_origin)
  import -window root -crop "$(px 637)x$(px 470)+$ox+$oy" +repage "$ARTIFACTS/$1.png"
}

window_width_is() { [ "$(geometry "$MAIN" | cut -d' ' -f3)" -eq "$1" ]; }
# "Options › Taille du plateau" at percent (100, 150 or 200): the window takes its new size,
# and the helpers above measure the board at it.
board_size() { # percent
  local key
  case $1 in 100) key=1 ;; 150) key=5 ;; 200) key=2 ;; *) fail "no board size $1" ;; esac
  focus_main
  xdotool key alt+o
  wait_for 30 menu_popup >/dev/null || fail "the Options menu did not open"
  xdotool key t
  sleep 0.3
  xdotool key "$key"
  BOARD_PERCENT=$1
  wait_for 30 window_width_is "$(px 637)" || fail "the window did not take the board's size $1 %"
  wait_drawn "$MAIN" || fail "the window did not settle at $1 %"
}

# Waits until the client area shows what the screenshot NAME shows, taking it as NEW each time;
# the test fails when it does not within the time given (DIFFERING pixels still differ).
wait_shot_like() { # name new [seconds]
  local limit=${3:-30} start=$SECONDS
  while :; do
    client_shot "$2"
    pictures_differ "$ARTIFACTS/$1.png" "$ARTIFACTS/$2.png" || return 0
    [ $((SECONDS - start)) -lt "$limit" ] || fail "$2 differs from $1 in $DIFFERING pixels"
    sleep 0.2
  done
}

# The whole screen into $ARTIFACTS/screen.png, for the reading helpers below.
# (Compressed lightly: the screen is read again and again while a test waits on it.)
read_screen() { import -window root -quality 10 "$ARTIFACTS/screen.png"; }

# Player 2's turn indicator, the moon at (153, 18) of the drawing surface, lights up on its
# turn. moon_reference keeps it unlit from the screen read while player 1 is to move.
moon_crop() { # out-file
  local ox oy
  read -r ox oy < <(client_origin)
  convert "$ARTIFACTS/screen.png" -crop "$(px 70)x$(px 70)+$((ox + $(px 155)))+$((oy + $(px 20)))" \
    +repage "$1"
}
# The fingerprint of the moon's pixels on the screen read last.
moon_pixels() {
  local ox oy
  read -r ox oy < <(client_origin)
  convert "$ARTIFACTS/screen.png" -crop "$(px 70)x$(px 70)+$((ox + $(px 155)))+$((oy + $(px 20)))" \
    +repage rgb:- | md5sum
}
MOON_UNLIT=""
moon_reference() {
  moon_crop "$ARTIFACTS/no-moon.png"
  MOON_UNLIT=$(moon_pixels)
}
moon_up() { # on the screen read last: any pixel differs from the unlit moon's
  [ -n "$MOON_UNLIT" ] || fail "no reference of the unlit moon"
  [ "$(moon_pixels)" != "$MOON_UNLIT" ]
}
wait_moon() { # up|down [seconds]: player 2's turn has come, or is over
  local limit=${2:-60} start=$SECONDS
  while [ $((SECONDS - start)) -lt "$limit" ]; do
    read_screen
    if moon_up; then [ "$1" = up ] && return 0; else [ "$1" = down ] && return 0; fi
    sleep 0.1
  done
  return 1
}

# Answers the three messages of a finished game with OK; the program goes on.
answer_end_of_game() {
  local _
  for _ in 1 2 3; do
    answer Ekoba Return
  done
  wait_no_window Ekoba 30 || fail "an end-of-game message stayed open"
  game_running || fail "the program ended"
}

# "Jeu › Quitter" answered "Oui": the program ends with exit status 0.
quit_with_oui() {
  menu j u
  answer "Quitter ?" Return
  wait_exit 30 || fail "the program did not end"
  [ "$STATUS" -eq 0 ] || fail "exit status $STATUS"
}

# Geometry of a window: X Y WIDTH HEIGHT on the screen.
geometry() { # window-id
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /^  Width/{w=$2} /^  Height/{h=$2} END{print x, y, w, h}'
}

# Screen origin of the drawing surface (the client area under the menu bar): X Y.
client_origin() {
  local x y w h
  read -r x y w h < <(geometry "$MAIN")
  echo "$x $((y + h - $(px 470)))"
}

# Screen point at the middle of pit i's picture: the board lies at (1.5, -3.5) on the surface.
pit_point() { # i [client-origin-x client-origin-y]
  local i=$1 ox=${2:-} oy=${3:-} px py
  [ -n "$ox" ] || read -r ox oy < <(client_origin)
  if [ "$i" -le 6 ]; then px=$((128 + 69 * (i - 1))); py=263; else px=$((128 + 69 * (12 - i))); py=158; fi
  echo "$((ox + $(px $((1 + px + 32))))) $((oy + $(px $((-4 + py + 32)))))"
}

# An empty pit shows a dark smooth hole: in the middle of its picture the grey is dark (mean
# 0.2, not the light hand passing over it) and varies about half as much as under a single
# seed (standard deviation 0.08 against 0.18 and more).
pit_empty() { # i, on the screen read last
  local x y stats
  read -r x y < <(pit_point "$1")
  stats=$(convert "$ARTIFACTS/screen.png" -crop "$(px 24)x$(px 24)+$((x - $(px 12)))+$((y - $(px 12)))" +repage \
    -colorspace gray -format '%[fx:mean] %[fx:standard_deviation]' info:)
  awk -v s="$stats" 'BEGIN { split(s, v, " "); exit !(v[1] < 0.3 && v[2] < 0.12) }'
}

# Whether the ring lights pit i on the screen read last: the board's rim left of and above the
# pit is brass-bright only under the ring.
ring_lit() { # i
  local x y g1 g2
  read -r x y < <(pit_point "$1")
  g1=$(convert "$ARTIFACTS/screen.png" -format "%[fx:int(255*p{$((x + $(px 1))),$((y - $(px 33)))}.g)]" info:)
  g2=$(convert "$ARTIFACTS/screen.png" -format "%[fx:int(255*p{$((x - $(px 33))),$((y + $(px 1)))}.g)]" info:)
  [ "$g1" -gt 190 ] && [ "$g2" -gt 190 ]
}
# The pits the ring lights on the screen read last, one a line (one reading of the 24 points).
lit_pits() {
  local i x y ox oy format="" values one rim
  read -r ox oy < <(client_origin)
  one=$(px 1) rim=$(px 33)
  for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
    read -r x y < <(pit_point "$i" "$ox" "$oy")
    format+="%[fx:int(255*p{$((x + one)),$((y - rim))}.g)] %[fx:int(255*p{$((x - rim)),$((y + one))}.g)] "
  done
  read -r -a values < <(convert "$ARTIFACTS/screen.png" -format "$format" info:)
  for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
    [ "${values[2 * i - 2]}" -gt 190 ] && [ "${values[2 * i - 1]}" -gt 190 ] && echo "$i"
  done
  return 0
}

double_click_pit() { # i
  local x y
  read -r x y < <(pit_point "$1")
  xdotool mousemove --sync "$x" "$y"
  sleep 0.1
  xdotool click --repeat 2 --delay 80 1
}

# Plays pit i with a double-click in a game between two persons and waits for the move's end:
# the turn indicator shows the other player to move (wait_moon; moon_reference taken before), the
# last thing a move draws. The pointer leaves the board once the click is sent, so that no
# pit's hint shows.
play_pit() { # i up|down
  double_click_pit "$1"
  pointer_away || true
  wait_moon "$2" 60 || fail "the move from pit $1 did not end"
}
# The state of player 2's moon once player p is to move.
moon_for() { [ "$1" -eq 2 ] && echo up || echo down; }

# Waits until the screen stops changing (a move is over); a fingerprint of the whole screen.
screen_hash() { xwd -root -silent | md5sum | cut -d' ' -f1; }
wait_still() { # [seconds]
  local limit=${1:-120} start=$SECONDS a b
  a=$(screen_hash)
  while [ $((SECONDS - start)) -lt "$limit" ]; do
    sleep 0.6
    b=$(screen_hash)
    [ "$a" = "$b" ] && return 0
    a=$b
  done
  return 1
}

cleanup() {
  if [ -n "$GAME_PID" ] && game_running; then kill "$GAME_PID" 2>/dev/null || true; fi
  rm -rf "$XDG_STATE_HOME" "$XDG_CONFIG_HOME"
}
trap cleanup EXIT

# Whether the client area now differs from the screenshot NAME (taken again as NEW).
client_changed() { # name new
  client_shot "$2"
  pictures_differ "$ARTIFACTS/$1.png" "$ARTIFACTS/$2.png"
}

# "Options › Préférences": the panel opens over the board; returns once it shows and is done
# changing, so that what follows (clicks into it) does not reach the board under it.
open_panel() {
  client_shot before-panel
  menu o p
  wait_for 30 client_changed before-panel panel-opening || fail "the preferences panel did not open"
  wait_drawn "$MAIN" || fail "the preferences panel did not settle"
}

# Chooses who plays each side in the preferences panel, as a person would: a click into player
# 1's name, Tab to the "Joué par" list under it and Down to the item (0 a person, 1 to 4 the
# computer from "Débutant" to "Expert"), Tab to player 2's list and the same, then a click on OK.
# With a third argument, a screenshot of the panel of that name is taken before OK.
set_players() { # item1 item2 [screenshot]
  local ox oy
  open_panel
  read -r ox oy < <(client_origin)
  xdotool mousemove --sync $((ox + $(px $((348 + 150))))) $((oy + $(px $((88 + 13))))) click 1
  sleep 0.2
  xdotool key Tab
  [ "$1" -eq 0 ] || xdotool key --delay 50 --repeat "$1" Down
  xdotool key Tab
  [ "$2" -eq 0 ] || xdotool key --delay 50 --repeat "$2" Down
  sleep 0.3
  [ $# -lt 3 ] || screenshot "$3"
  xdotool mousemove --sync $((ox + $(px $((202 + 56))))) $((oy + $(px $((429 + 12))))) click 1
  sleep 0.3
}
