#!/usr/bin/env bash
# Builds the program with the embedded scenario and runs it. The output files
# land beside the program, in build/run/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${build_packages[@]}"
use_whole_httplib

build="$top/build/run"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCOMPILA_TESTS=OFF "$@" > /dev/null
cmake --build "$build" --target compila_scenario scenario_tool -j "$jobs"
status=0
"$build/compila_scenario" || status=$?
echo "Output files in $build:"
( cd "$build" && ls -l -- *_*.dat *_*.sim *_*.txt 2>/dev/null ) || true
exit $status
