#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh              normal build, in build/test
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build/asan
#                                (without the tests labelled slow, browser or wine)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${test_packages[@]}"

build="$top/build/test"
options=(-DCMAKE_BUILD_TYPE=Release)
ctest_options=()
if [ "${1:-}" = "--sanitize" ]; then
  build="$top/build/asan"
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOMPILA_SANITIZE=ON)
  # The whole-project rebuild, the browser and wine runs test no code of ours
  # that the normal build has not already run; the sanitizers add nothing there.
  ctest_options=(-LE 'slow|browser|wine')
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
cmake -S "$top" -B "$build" "${options[@]}" > /dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "${ctest_options[@]}"
