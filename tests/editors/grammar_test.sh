#!/usr/bin/env bash
# The TextMate grammar's tests (tests/editors/grammar/*.test.txt, the grammar
# being editors/scenario.tmLanguage.json) run with
# vscode-tmgrammar-test from the npm registry, installed on first use into a
# cache folder outside the tree and the build:
# ${COMPILA_NPM_CACHE:-${XDG_CACHE_HOME:-~/.cache}/compila-scenario/npm}.
# Exits 77 (skipped) when npm is missing or the install fails (no network).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
grammar="$here/../../editors/scenario.tmLanguage.json"
cache=${COMPILA_NPM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/compila-scenario/npm}
tester="$cache/node_modules/.bin/vscode-tmgrammar-test"
if [ ! -x "$tester" ]; then
  command -v npm > /dev/null || { echo "npm is not installed: skipped"; exit 77; }
  mkdir -p "$cache"
  npm install --no-audit --no-fund --prefix "$cache" vscode-tmgrammar-test@0.1.3 > "$cache/install.log" 2>&1 || {
    echo "vscode-tmgrammar-test did not install (see $cache/install.log): skipped"; exit 77; }
fi
cd "$here"
"$tester" --compact -g "$grammar" 'grammar/*.test.txt'
