#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers check on a small project of its own: a clean tree passes, and every wrong include
# is refused and named, however its path is written ("rules/../game/Game.h", "../game/Game.h",
# a path that leaves the project).
set -uo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cd "$work" || exit 1
git init -q . || exit 1
mkdir -p scripts rules game ui
cp "$check" scripts/check-layers.sh
cat >scripts/layers.txt <<'TABLE'
rules:
game: rules
ui: rules game
TABLE
printf '#pragma once\n' >rules/Rules.h
printf '#pragma once\n' >game/Game.h
printf '#pragma once\n' >ui/Main.h
cat >game/Game.cpp <<'CPP'
#include "game/Game.h"
#include "Game.h"
#include "../rules/Rules.h"
#include "game/../rules/Rules.h"
#include <rules/Rules.h>
#include <vector>
CPP
cat >ui/Main.cpp <<'CPP'
#include "./Main.h"
#include "../game/Game.h"
#include "rules/Rules.h"
CPP
git add -A

# Runs the check; its output in $out, its status in $rc.
run() {
  out=$(bash scripts/check-layers.sh 2>&1)
  rc=$?
}

run
[ "$rc" -eq 0 ] || fail "a clean tree is refused: $out"
[[ $out == *"(5 files, 8 includes"* ]] || fail "a clean tree's includes are not all read: $out"

cat >rules/Wrong.cpp <<'CPP'
#include "rules/Rules.h"
#include "rules/../game/Game.h"
#include "../game/Game.h"
#include "./../ui/Main.h"
#include <rules/../ui/Main.h>
#include "../../outside.h"
CPP
git add -A
run
[ "$rc" -ne 0 ] || fail "wrong includes pass: $out"
for expected in \
  'rules/Wrong.cpp:2: includes "rules/../game/Game.h" (that is game/Game.h), but rules may not include from game' \
  'rules/Wrong.cpp:3: includes "../game/Game.h" (that is game/Game.h), but rules may not include from game' \
  'rules/Wrong.cpp:4: includes "./../ui/Main.h" (that is ui/Main.h), but rules may not include from ui' \
  'rules/Wrong.cpp:5: includes <rules/../ui/Main.h> (that is ui/Main.h), but rules may not include from ui' \
  'rules/Wrong.cpp:6: includes "../../outside.h", which leaves the project'; do
  [[ $out == *"$expected"* ]] || fail "not reported: $expected"$'\n'"$out"
done
[ "$(grep -c '^rules/Wrong.cpp:' <<<"$out")" -eq 5 ] || fail "not exactly the five wrong lines: $out"

# A layer may not reach up either, however the path is written.
git rm -q --cached rules/Wrong.cpp && rm rules/Wrong.cpp
printf '#include "game/../ui/Main.h"\n' >game/Up.cpp
git add -A
run
[[ $rc -ne 0 && $out == *'game/Up.cpp:1: includes "game/../ui/Main.h" (that is ui/Main.h), but game may not include from ui'* ]] ||
  fail "game reaching ui is not refused: $out"

[ "$failures" -eq 0 ] && echo "the layers check reads every include as the compiler finds it"
exit $((failures > 0))
