#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a desktop of its own, as a player has one: a new Xvfb server and the openbox
# window manager, which decorates windows, moves the focus and sends close requests.
# The server picks its own display number and writes it to us (-displayfd), so that runs made
# at the same time never race for one. Usage: desktop.sh COMMAND [ARGS...]; the screen is
# 1280 x 1024 unless DESKTOP_SCREEN says otherwise (WIDTHxHEIGHTxDEPTH).
set -uo pipefail
[ $# -ge 1 ] || {
  echo "usage: desktop.sh COMMAND [ARGS...]" >&2
  exit 2
}
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
finish() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 "${DESKTOP_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for ((i = 0; i < 200; i++)); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
number=$(head -n 1 "$work/display" 2>/dev/null | tr -dc '0-9')
if [ -z "$number" ]; then
  echo "desktop.sh: the X server did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"
# The sockets and the like of what runs on this desktop (the accessibility bus among them) go to
# a runtime directory of its own.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

# The window manager announces itself on the root window once it manages the screen.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for ((i = 0; i < 200; i++)); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "desktop.sh: the window manager did not start" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

"$@"
status=$?
exit "$status"
