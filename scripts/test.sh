#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh              normal build, in build/test
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build/asan
#                                (without the tests labelled slow, browser or wine)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${test_packages[@]}"
use_whole_httplib

# The build folders and options are the configure presets' (CMakePresets.json).
preset=release build="$top/build/test"
ctest_options=()
if [ "${1:-}" = "--sanitize" ]; then
  preset=sanitize build="$top/build/asan"
  # The whole-project rebuild, the browser and wine runs test no code of ours
  # that the normal build has not already run; the sanitizers add nothing there.
  ctest_options=(-LE 'slow|browser|wine')
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
(cd "$top" && cmake --preset "$preset" > /dev/null)
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "${ctest_options[@]}"
