#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Long texts on the real desktop, in French and in English, with pictures to look at: the
# preferences panel with both sides given to the computer, a game between two names of 32 "M"
# (their lines cut with "…" before the sun and the panel's edge), and the verdict box in the
# window manager's frame. The help menu opens by its key. Then the finished game stays: Ctrl+Z after the end's notices brings
# the board back at the person's last turn, a game in progress again.
source "$(dirname "$0")/lib.sh"
games=$(mktemp -d)
trap 'cleanup; rm -rf "$games"' EXIT

long=MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM
# Player 1 to move: pit 5 sows into pit 6 and player 2's pit 7, one seed for each side: the end.
cat >"$games/long.ekoba" <<EOF
[Game "Ekoba"]
[Player1 "$long"]
[Player1By "personne"]
[Player2 "$long"]
[Player2By "personne"]
[Position "0 0 0 0 2 0 / 0 0 0 0 0 0 / 1 / 24 22"]
[Result "*"]
*
EOF

# Ctrl+Q, answered "Oui" ("Yes"): the program ends.
quit_program() {
  local caption="Quitter ?"
  [ "$language" = fr ] || caption="Quit?"
  focus_main
  xdotool key ctrl+q
  answer "$caption" Return
  wait_exit 30 || fail "$language: the program did not end"
}

for language in fr en; do
  GAME_LOCALE=(env LANGUAGE="$language")
  start_game
  # The help menu by its key: Alt+? in French, Alt+H ("Help") in English.
  focus_main
  if [ "$language" = fr ]; then xdotool key alt+question; else xdotool key alt+h; fi
  wait_for 10 menu_popup >/dev/null || fail "$language: the help menu has no key"
  xdotool key Escape Escape
  wait_for 10 eval '! menu_popup >/dev/null' || fail "$language: the help menu stays open"
  # Both sides to the computer, at "Moyen" and at "Expert", the panel looked at, then Annuler.
  menu o p
  read -r ox oy < <(client_origin)
  xdotool mousemove --sync $((ox + 348 + 150)) $((oy + 88 + 13)) click 1
  sleep 0.2
  xdotool key Tab Down Down Tab Down Down Down Down
  sleep 0.5
  window_shot "panel-$language"
  xdotool key Escape
  quit_program

  start_game "$games/long.ekoba"
  wait_still 60 || fail "$language: the board did not settle"
  park_pointer
  read_screen
  moon_reference
  pit_empty 7 && ! pit_empty 5 || fail "$language: the board is not the game's"
  window_shot "long-names-$language"
  client_shot "before-end-$language"
  double_click_pit 5
  pointer_away || true
  answer Ekoba Return
  answer Ekoba Return
  box=$(wait_window Ekoba) || fail "$language: no verdict"
  wait_drawn "$box" || true
  window_shot "verdict-$language"
  read -r _ _ width _ < <(geometry "$box")
  echo "$language: the verdict box is $width pixels wide"
  answer Ekoba Return
  wait_no_window Ekoba 30 || fail "$language: an end-of-game message stayed open"

  # The game stays: taken back, the board is the one before the final move.
  client_shot "after-end-$language"
  focus_main
  xdotool key ctrl+z
  park_pointer
  back() {
    client_shot "taken-back-$language"
    pictures_differ "$ARTIFACTS/after-end-$language.png" "$ARTIFACTS/taken-back-$language.png" ||
      return 1
    read_screen
    pit_empty 7 && ! pit_empty 5 && ! moon_up
  }
  wait_for 20 back || fail "$language: Ctrl+Z after the end did not bring the board back"
  window_shot "board-again-$language"
  quit_program
done
echo PASS
