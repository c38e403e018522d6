#!/usr/bin/env bash
# Runs clang-tidy 14 with the tree's .clang-tidy over every source file under
# src/ that the release build compiles (and the headers under src/ they
# include), reading the build's compile_commands.json; fails on any finding.
#   scripts/lint.sh [file or folder under src/ ...]   default: all of src/
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${lint_packages[@]}"
use_whole_httplib

build="$top/build/test"
# The release preset writes compile_commands.json when it configures.
(cd "$top" && cmake --preset release > /dev/null)
paths=("$@")
[ ${#paths[@]} -gt 0 ] || paths=("$top/src/")
log="$build/lint.log"
status=0
# A file clang-tidy cannot compile makes the run fail; a finding is counted
# below (the colours clang-tidy adds are taken out of the log).
run-clang-tidy-14 -p "$build" -j "$jobs" -quiet "${paths[@]}" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' > "$log" ||
  status=$?
# A header's finding is reported once for each file that includes it.
grep -E '^/.*:[0-9]+:[0-9]+: (warning|error):' "$log" | sort -u > "$build/lint_findings.txt" || true
cat "$build/lint_findings.txt"
findings=$(wc -l < "$build/lint_findings.txt")
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
  echo "clang-tidy: $findings findings (the whole output is in $log)" >&2
  exit 1
fi
echo "clang-tidy: no findings"
