#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brings the translations up to date with the texts of the sources, or checks that they are.
#
#   i18n/update.sh [LUPDATE]          rewrites i18n/ekobarama_en.ts: new texts come in unfinished
#                                     (to be translated, e.g. with Qt Linguist), texts gone from
#                                     the sources go out
#   i18n/update.sh --check [LUPDATE]  fails, naming them, when a text shown by the program has
#                                     no finished translation or the file is not up to date;
#                                     the file itself is left alone
#
# French is the program's own language: the sources hold the French texts, marked with
# QCoreApplication::translate or QT_TRANSLATE_NOOP.
set -euo pipefail
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
lupdate=${1:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}
root=$(cd "$(dirname "$0")/.." && pwd)
sources=(ui game graphics)
ts=$root/i18n/ekobarama_en.ts

run() { # ts file
  (cd "$root" && "$lupdate" -silent -no-obsolete -locations none -source-language fr \
    -target-language en "${sources[@]}" -ts "$1")
}

if [ $check -eq 0 ]; then
  run "$ts"
  echo "updated $ts; unfinished: $(grep -c 'type="unfinished"' "$ts" || true)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/ekobarama_en.ts"
run "$work/ekobarama_en.ts"
status=0
if grep -q 'type="unfinished"' "$work/ekobarama_en.ts"; then
  echo "texts without an English translation:" >&2
  grep -B2 'type="unfinished"' "$work/ekobarama_en.ts" | grep '<source>' >&2
  status=1
fi
if ! cmp -s "$ts" "$work/ekobarama_en.ts"; then
  echo "i18n/ekobarama_en.ts is not up to date with the sources (run i18n/update.sh):" >&2
  diff "$ts" "$work/ekobarama_en.ts" | head -40 >&2
  status=1
fi
exit $status
