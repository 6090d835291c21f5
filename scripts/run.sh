#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Ekobarama and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEKOBA_TESTS=OFF -DEKOBA_BENCH=OFF >/dev/null
cmake --build build --target ekobarama
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Ekobarama needs a graphical display: no DISPLAY or WAYLAND_DISPLAY is set." >&2
  echo "Run it from a desktop session (or under Xvfb)." >&2
  exit 1
fi
exec build/ui/ekobarama
