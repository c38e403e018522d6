#!/usr/bin/env bash
# Builds the benchmarks (Release, in build/bench) and runs them: the largest
# route's whole build and each of its phases beside the plain streaming of the
# same bytes, the embedded build beside its plain file work, then the ratios
# and the peak resident memory of a whole largest-route build.
#   scripts/bench.sh [google benchmark options, e.g. --benchmark_filter=large]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${bench_packages[@]}"

build="$top/build/bench"
(cd "$top" && cmake --preset bench > /dev/null)  # Release, no tests
cmake --build "$build" -j "$jobs" --target build_benchmark large_route_build
cd "$build"
./bench/build_benchmark --benchmark_repetitions=7 --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true "$@"
