#!/usr/bin/env bash
# Mutation testing of the compiler core: changes one comparison, logical
# operator, "+ 1"/"- 1", constant or statement at a time, rebuilds the fast
# tests (compila_core_tests) in build/mutate, without ccache, and runs them.
#   scripts/mutate.sh [--count N] [--seed S] [--list] [FILE[:LINE]...]
# Prints each surviving mutant and the score; see scripts/mutate.py.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages cmake make g++ python3 libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev
export CCACHE_DISABLE=1
exec python3 "$top/scripts/mutate.py" "$@"
