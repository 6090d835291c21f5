#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every test: unit and GUI tests (offscreen), end-to-end tests of the real
# executable under Xvfb, the checks of the Debian package, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each reader's fuzz target for a bounded
# time (FUZZ_SECONDS each, 45 by default: five readers keep the whole run under 40 minutes).
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test || exit 1
jobs=$(nproc)
failed=0
passed=0
failed_steps=""
step() {
  local name=$1
  shift
  echo "=== $name"
  if "$@"; then passed=$((passed + 1)); else
    echo "*** $name FAILED"
    failed=$((failed + 1))
    failed_steps="$failed_steps $name"
  fi
}

build_tree() { # dir, extra cmake args...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}

fuzz_build() {
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEKOBA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
    cmake --build build-fuzz -j "$jobs" --target fuzzers
}

# Every include keeps to the layers; every C and C++ file is formatted as .clang-format says.
step "layers" bash scripts/check-layers.sh
step "format" bash -c "git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror"
step "build" build_tree build -DCMAKE_BUILD_TYPE=RelWithDebInfo
step "tests" ctest --test-dir build --output-on-failure -j 1
# The desktop entry, metadata and icons, the Debian package made from the build tree, lintian,
# and the packaged executable showing its window.
step "package" bash scripts/check-package.sh build
step "sanitizer build" build_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DEKOBA_SANITIZE=ON \
  -DEKOBA_BENCH=OFF -DCMAKE_CXX_FLAGS=-O1
step "sanitizer tests" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j 1 -L 'unit|gui|asan'
if [ -f fuzz/CMakeLists.txt ]; then
  step "fuzz build" fuzz_build
  for target in build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=$(mktemp -d)
    cp fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
    step "$name" env ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="${FUZZ_SECONDS:-45}" \
      -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$corpus" fuzz/corpus/"${name#fuzz_}"
    rm -rf "$corpus"
  done
fi
echo
# The tail of the output is what a CI report keeps: name the failed tests there too.
for dir in build build-asan; do
  log=$dir/Testing/Temporary/LastTestsFailed.log
  [ -s "$log" ] && echo "failed tests in $dir: $(cut -d: -f2 "$log" | tr '\n' ' ')"
done
echo "steps: $passed passed, $failed failed${failed_steps:+ (failed:$failed_steps)}"
[ "$failed" -eq 0 ]
