#!/usr/bin/env bash
# Builds the benchmarks (Release, in build/bench) and runs them: the largest
# route's whole build and each of its phases beside the plain streaming of the
# same bytes, the embedded build beside its plain file work, then the
# in-process ratios and the peak resident memory of a whole largest-route
# build; last, the largest route's program as a player starts it, whole
# process, beside the two C floors (bench/floor_write.c), with the ratios,
# the processor time of each and the program's peak resident memory; the
# language server's diagnostics of the largest route after a change; then
# scenario_tool serve's time from a save to the new picture on that route.
#   scripts/bench.sh [google benchmark options, e.g. --benchmark_filter=large]
#   WHOLE_PROCESS_ROUNDS=N scripts/bench.sh   (default 61)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${bench_packages[@]}"
use_whole_httplib

build="$top/build/bench"
(cd "$top" && cmake --preset bench > /dev/null)  # Release, no tests
cmake --build "$build" -j "$jobs" --target build_benchmark large_route_build \
  large_route_program floor_write floor_write_recurrence whole_process_bench lsp_diagnostics_perftest serve_latency_perftest
cd "$build"
./bench/build_benchmark --benchmark_repetitions=7 --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true "$@"
./bench/lsp_diagnostics_perftest lsp_output
# The run folders keep the previous run's files, as a player's folder does.
./bench/whole_process_bench "${WHOLE_PROCESS_ROUNDS:-61}" whole_process_output \
  bench/large_route_program bench/floor_write bench/floor_write_recurrence
# scenario_tool serve on the largest route: from a save to the pushed picture.
./bench/serve_latency_perftest serve_latency_folder 15
