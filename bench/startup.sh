#!/usr/bin/env bash
# Ekobarama's start-up and rest figures against a bare Qt window, measured in one run on a
# private Xvfb server by ekobarama-startup-probe (see bench/startup_probe.cpp):
#   1. time from process start to the first presented frame (median of RUNS runs of each
#      program, interleaved), and the processor time used by then;
#   2. resident memory (VmRSS) at rest on the presentation picture, RSS_AT_MS after start;
#   3. wake-ups (context switches of all threads) over REST_S seconds at rest on the
#      presentation, with no sound device and with OpenAL Soft's null device.
#
#   bench/startup.sh [BUILD_DIR]     (default: build; the targets ekobarama,
#                                     ekobarama-bare-window and ekobarama-startup-probe)
# Environment: RUNS (default 11), RSS_AT_MS (default 3000), REST_S (default 20).
# Exit status 0 when every goal is met, 1 otherwise, 2 when a figure could not be measured.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${RUNS:-11}
rss_at=${RSS_AT_MS:-3000}
rest=${REST_S:-20}

game=$build/ui/ekobarama
bare=$build/bench/ekobarama-bare-window
probe=$build/bench/ekobarama-startup-probe
for program in "$game" "$bare" "$probe"; do
  if [ ! -x "$program" ]; then
    echo "startup.sh: $program is missing; build it first:" >&2
    echo "  ninja -C $build ekobarama ekobarama-bare-window ekobarama-startup-probe" >&2
    exit 2
  fi
done
command -v Xvfb >/dev/null || { echo "startup.sh: Xvfb is not installed" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A private X server on a free display, without a window manager.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "startup.sh: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# probe OUTPUT_FILE [probe options] -- program: one run; its figures appended as "name value".
probe() {
  local out=$1
  shift
  if ! "$probe" "$@" >>"$out" 2>>"$work/probe-errors"; then
    echo "startup.sh: a run failed:" >&2
    cat "$work/probe-errors" >&2
    exit 2
  fi
}

# figure FILE NAME: every value of NAME in FILE, one a line.
figure() { awk -v name="$2" '$1 == name { print $2 }' "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1;
  print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

check() { # check VALUE LIMIT: "met" when VALUE <= LIMIT; an unmet goal is remembered
  if awk -v v="$1" -v l="$2" 'BEGIN { exit !(v <= l) }'; then
    echo "met"
  else
    echo "NOT met"
    touch "$work/unmet"
  fi
}

# Start-up. The sound device is OpenAL Soft's null device, so that the game opens a device and
# loads its sounds on every machine. One unmeasured run of each first warms the file caches.
export ALSOFT_DRIVERS=null
probe "$work/warm" --rss-at 0 -- "$bare"
probe "$work/warm" --rss-at 0 -- "$game"
for i in $(seq "$runs"); do
  # Interleaved, alternating which goes first.
  if [ $((i % 2)) -eq 1 ]; then order="bare game"; else order="game bare"; fi
  for which in $order; do
    if [ "$which" = bare ]; then program=$bare; else program=$game; fi
    : >"$work/one"
    probe "$work/one" --rss-at 0 -- "$program"
    cat "$work/one" >>"$work/$which"
    figure "$work/one" first_frame_ms >>"$work/$which.ms"
  done
  paste "$work/game.ms" "$work/bare.ms" | tail -n1 | awk '{ print $1 - $2 }' >>"$work/difference.ms"
done

bare_ms=$(figure "$work/bare" first_frame_ms | median)
game_ms=$(figure "$work/game" first_frame_ms | median)
bare_cpu=$(figure "$work/bare" first_frame_cpu_ms | median)
game_cpu=$(figure "$work/game" first_frame_cpu_ms | median)
difference=$(median <"$work/difference.ms")
cpu_difference=$(awk -v a="$game_cpu" -v b="$bare_cpu" 'BEGIN { printf "%.2f", a - b }')

echo "Start-up to the first presented frame, median of $runs interleaved runs (ms):"
echo "  bare window      $bare_ms   (processor time $bare_cpu)"
echo "  ekobarama        $game_ms   (processor time $game_cpu)"
echo "  difference       $difference (median of the paired differences; processor time" \
  "$cpu_difference); goal <= 15: $(check "$difference" 15)"

# Rest: resident memory, then wake-ups, in the same runs.
rest_run() { # rest_run NAME PROGRAM ALSOFT_DRIVERS
  local name=$1 program=$2
  ALSOFT_DRIVERS=$3 probe "$work/rest-$name" --rss-at "$rss_at" --rest "$rest" -- "$program"
}
rest_run bare "$bare" null
rest_run silent "$game" none # a back end OpenAL Soft does not know: no sound device
rest_run sound "$game" null

rss_mb() { figure "$work/rest-$1" rss_kb | awk '{ printf "%.1f", $1 / 1024 }'; }
wakeups() { figure "$work/rest-$1" wakeups; }
threads() { figure "$work/rest-$1" threads; }

echo "Resident memory (VmRSS) ${rss_at} ms after start, at rest on the presentation (MB):"
echo "  bare window                  $(rss_mb bare)"
echo "  ekobarama, no sound device   $(rss_mb silent); goal <= 40: $(check "$(rss_mb silent)" 40)"
echo "  ekobarama, null sound device $(rss_mb sound); goal <= 40: $(check "$(rss_mb sound)" 40)"
echo "Wake-ups over ${rest} s at rest on the presentation (context switches, all threads):"
echo "  bare window                  $(wakeups bare) ($(threads bare) threads)"
echo "  ekobarama, no sound device   $(wakeups silent) ($(threads silent) threads);" \
  "goal 0: $(check "$(wakeups silent)" 0)"
echo "  ekobarama, null sound device $(wakeups sound) ($(threads sound) threads);" \
  "goal 0: $(check "$(wakeups sound)" 0)"
[ ! -e "$work/unmet" ]
