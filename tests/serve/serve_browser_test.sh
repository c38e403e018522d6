#!/usr/bin/env bash
# The live page of scenario_tool serve in headless Chromium, driven by
# puppeteer-core (serve_browser_test.js). puppeteer-core is installed from npm
# into a cache folder outside the source and build trees, once. Exit 77
# (skipped) where chromium, node or npm is missing.
#   serve_browser_test.sh SCENARIO_TOOL STARTER_FOLDER [screenshot.png]
set -euo pipefail
tool=$1 starter=$2 screenshot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
for program in chromium node npm; do
  if ! command -v "$program" > /dev/null; then
    echo "SKIP: $program is not installed"
    exit 77
  fi
done
cache=${COMPILA_NODE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/compila-browser-test}
if [ ! -d "$cache/node_modules/puppeteer-core" ]; then
  mkdir -p "$cache"
  (cd "$cache" && npm install --no-audit --no-fund --silent puppeteer-core@23) || {
    echo "SKIP: puppeteer-core could not be installed from npm into $cache"
    exit 77
  }
fi
NODE_PATH="$cache/node_modules" exec node "$here/serve_browser_test.js" "$tool" "$starter" "$screenshot"
