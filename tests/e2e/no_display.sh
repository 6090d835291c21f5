#!/usr/bin/env bash
# A display that cannot be opened, whatever DISPLAY holds: the program's own message on standard
# error and exit status 1, no abort. Needs no desktop.
set -uo pipefail
: "${EKOBARAMA:?path of the ekobarama executable}"
failed=0
check() { # description, then the environment changes for env
  local what=$1 out status
  shift
  out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" timeout 30 "$EKOBARAMA" 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 1 ] || ! grep -q '^Ekobarama cannot open its window: ' <<<"$out"; then
    echo "FAIL: $what: status $status, standard error:" >&2
    printf '%s\n' "$out" >&2
    failed=1
  else
    echo "$what: status 1: $(grep '^Ekobarama' <<<"$out")"
  fi
}
check "DISPLAY=:99" DISPLAY=:99
check "DISPLAY empty" DISPLAY=
check "DISPLAY=nowhere:0" DISPLAY=nowhere:0
check "DISPLAY unset" -u DISPLAY
check "X11 asked for, no server" DISPLAY=:99 QT_QPA_PLATFORM=xcb
# Neither X11 nor Wayland can be reached: the window system library's own failure.
check "Wayland socket missing" DISPLAY=:99 WAYLAND_DISPLAY=ekobarama-none XDG_SESSION_TYPE=wayland
[ "$failed" -eq 0 ] && echo PASS
exit "$failed"
