#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every test: unit and GUI tests (offscreen), end-to-end tests of the real
# executable under Xvfb, the checks of the Debian package, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each reader's fuzz target for a bounded
# time (FUZZ_SECONDS each, 30 by default, two targets at a time).
# The tests run side by side (TEST_JOBS at a time, one more than the cores by default): every
# end-to-end test has a display, a state directory and a directory of pictures of its own, and
# the longest start first (their COST). Each step prints its time.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test || exit 1
jobs=$(nproc)
test_jobs=${TEST_JOBS:-$((jobs + 1))}
failed=0
passed=0
failed_steps=""
account() { # name status
  if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else
    echo "*** $1 FAILED"
    failed=$((failed + 1))
    failed_steps="$failed_steps $1"
  fi
}
step() {
  local name=$1 start=$SECONDS status=0
  shift
  echo "=== $name"
  "$@" || status=$?
  echo "--- $name: $((SECONDS - start)) s"
  account "$name" "$status"
}

build_tree() { # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}

fuzz_build() {
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEKOBA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${lines_only[@]}" >/dev/null &&
    cmake --build build-fuzz -j "$jobs" --target fuzzers
}

# One fuzz target for FUZZ_SECONDS on a copy of its seed corpus; its output goes to LOG.
fuzz_target() { # target log
  local name corpus status=0
  name=$(basename "$1")
  corpus=$(mktemp -d)
  cp fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  env ASAN_OPTIONS=detect_leaks=1 "$1" -max_total_time="${FUZZ_SECONDS:-30}" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$corpus" fuzz/corpus/"${name#fuzz_}" \
    >"$2" 2>&1 || status=$?
  rm -rf "$corpus"
  return "$status"
}

# Every include keeps to the layers; every C and C++ file is formatted as .clang-format says.
step "layers" bash scripts/check-layers.sh
step "format" bash -c "git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror"
# Line tables only (-g1) here too: backtraces still name files and lines.
lines_only=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
step "build" build_tree build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines_only[@]}"
step "tests" ctest --test-dir build --output-on-failure -j "$test_jobs"
# The desktop entry, metadata and icons, the Debian package made from the build tree, lintian,
# and the packaged executable showing its window.
step "package" bash scripts/check-package.sh build
# Line tables only (-g1): the sanitizers' reports still name files and lines, and the tree
# builds about a fifth sooner than with full debugging information.
step "sanitizer build" build_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DEKOBA_SANITIZE=ON \
  -DEKOBA_BENCH=OFF -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1
step "sanitizer tests" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$test_jobs" -L 'unit|gui|asan'
if [ -f fuzz/CMakeLists.txt ]; then
  step "fuzz build" fuzz_build
  # Two targets at a time (each is one process); each one's output is printed when it ends.
  targets=()
  for target in build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] && targets+=("$target")
  done
  logs=$(mktemp -d)
  for ((k = 0; k < ${#targets[@]}; k += 2)); do
    pair=("${targets[@]:k:2}")
    pids=()
    for target in "${pair[@]}"; do
      fuzz_target "$target" "$logs/$(basename "$target").log" &
      pids+=($!)
    done
    for ((m = 0; m < ${#pair[@]}; m++)); do
      name=$(basename "${pair[m]}")
      status=0
      wait "${pids[m]}" || status=$?
      echo "=== $name"
      cat "$logs/$name.log"
      account "$name" "$status"
    done
  done
  rm -rf "$logs"
fi
echo
# The tail of the output is what a CI report keeps: name the failed tests there too.
for dir in build build-asan; do
  log=$dir/Testing/Temporary/LastTestsFailed.log
  [ -s "$log" ] || continue
  echo "failed tests in $dir: $(cut -d: -f2 "$log" | tr '\n' ' ')"
  # What they said of their failure, which the middle of a long report may have lost.
  grep -h -E '^FAIL: |\[  FAILED  \]|: Failure$|ERROR: AddressSanitizer|runtime error:' \
    "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | head -20 | sed 's/^/  /'
done
echo "steps: $passed passed, $failed failed${failed_steps:+ (failed:$failed_steps)}"
[ "$failed" -eq 0 ]
