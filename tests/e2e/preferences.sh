#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The preferences are kept between runs. The names, who plays each side, the sound switch and
# the counts are set in the panel and the speed in the menu; the program is quit and started
# again: the panel and the options menu show them as set. A board size found in the file stays
# through a run that changes something else. A damaged file: the panel shows the defaults, and
# one line on standard error names the file.
source "$(dirname "$0")/lib.sh"
file=$XDG_CONFIG_HOME/ekobarama/preferences

# The panel as it opens, the pointer away, in a shot of the client area. Tab and back leave the focus where it
# opened (the sound switch) and make its frame show, as it shows once the keys were used.
panel_shot() { # name
  park_pointer
  open_panel
  xdotool key --delay 100 Tab shift+Tab
  wait_drawn "$MAIN" || fail "the panel did not settle"
  client_shot "$1"
  xdotool key Escape
  wait_drawn "$MAIN" || fail "the panel did not close"
}
# The options menu with the speed's submenu open, in a shot of the screen.
speed_menu_shot() { # name
  park_pointer
  menu o v
  wait_for 30 menus_open 2 || fail "the speed's submenu did not open"
  wait_drawn root || fail "the speed's submenu did not settle"
  import -window root "$ARTIFACTS/$1.png"
  xdotool key Escape Escape
  wait_for 30 eval '[ "$(open_menus)" -eq 0 ]' || fail "the menus did not close"
}
# Clicks the point (x, y) of the client area.
click_at() { # x y
  local ox oy
  read -r ox oy < <(client_origin)
  xdotool mousemove --sync $((ox + $1)) $((oy + $2)) click 1
  sleep 0.2
}

start_game
[ ! -e "$file" ] || fail "a preferences file before anything was chosen"
panel_shot default-panel
speed_menu_shot default-menu

# Names typed over the defaults, player 1 to the computer at "Moyen", player 2 at "Fort", the
# sounds off and the counts on; then "Sans animation".
open_panel
click_at $((348 + 80)) $((88 + 13))
xdotool key ctrl+a
xdotool type --delay 40 "Ama"
click_at $((348 + 80)) $((168 + 13))
xdotool key ctrl+a
xdotool type --delay 40 "Kofi"
click_at $((348 + 80)) $((88 + 13))
xdotool key --delay 80 Tab Down Down Tab Down Down Down
click_at $((124 + 232 + 8)) $((344 + 24 + 8))
click_at $((156 + 8)) $((306 + 11))
click_at $((202 + 56)) $((429 + 12))
wait_for 10 grep -qsx 'player2-name=Kofi' "$file" || fail "no preferences file after the panel's OK"
menu o v
xdotool key s
wait_for 10 grep -qx 'animation=none' "$file" || fail "the speed was not written: $(cat "$file")"
cat "$file"
panel_shot set-panel
speed_menu_shot set-menu
pictures_differ "$ARTIFACTS/default-panel.png" "$ARTIFACTS/set-panel.png" ||
  fail "the panel shows no change"
quit_with_oui

start_game
panel_shot kept-panel
speed_menu_shot kept-menu
same_shots set-panel kept-panel
same_shots set-menu kept-menu
quit_with_oui

# The board's size written in the file as its menu writes it stays through a run in which the
# speed goes back to "Normale" from the menu.
sed -i 's/^board-size=.*/board-size=150/' "$file"
grep -qx 'board-size=150' "$file" || fail "no board size in the file: $(cat "$file")"
start_game
menu o v
xdotool key n
wait_for 10 grep -qx 'animation=normal' "$file" || fail "the speed was not written: $(cat "$file")"
quit_with_oui
grep -qx 'board-size=150' "$file" || fail "the board size was lost: $(cat "$file")"
grep -qx 'player1-name=Ama' "$file" || fail "player 1's name was lost: $(cat "$file")"

# A damaged file: the defaults (the one line that can be read holds the default), and one line
# on standard error.
printf 'sounds=maybe\nplayer1=\001\377\nanimation=normal\n' >"$file"
before=$(wc -l <"$ARTIFACTS/ekobarama.log")
start_game
panel_shot damaged-panel
speed_menu_shot damaged-menu
same_shots default-panel damaged-panel
same_shots default-menu damaged-menu
quit_with_oui
told=$(tail -n +$((before + 1)) "$ARTIFACTS/ekobarama.log")
echo "$told"
[ "$(grep -c 'preferences' <<<"$told")" -eq 1 ] || fail "not one line about the preferences"
grep -q "^ekobarama: $file: line 1: " <<<"$told" || fail "the line does not name the file's fault"
echo "PASS"
