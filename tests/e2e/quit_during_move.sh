#!/usr/bin/env bash
# Quitting with "Oui" in the middle of a move ends the program cleanly (exit status 0; under
# AddressSanitizer no use of a destroyed object).
source "$(dirname "$0")/lib.sh"
start_game
menu j n
sleep 0.5
double_click_pit 3
sleep 0.4
screenshot during-move
menu j u
answer "Quitter ?" Return
status=$(wait_exit 60) || fail "the program did not end after Oui"
[ "$status" -eq 0 ] || fail "exit status $status"
if grep -q "ERROR: AddressSanitizer\|runtime error" "$ARTIFACTS/ekobarama.log"; then
  cat "$ARTIFACTS/ekobarama.log" >&2
  fail "sanitizer report"
fi
echo "PASS"
