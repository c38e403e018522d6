#!/usr/bin/env bash
# Neovim, headless, as a real client of `scenario_tool lsp`: the answers the
# Lua script writes must be the expected ones.
#   nvim_test.sh TOOL STARTER_FOLDER EXPECTED WORK_DIR
# Exits 77 (skipped) without nvim.
set -euo pipefail
tool=$1 starter=$2 expected=$3 work=$4
command -v nvim > /dev/null || { echo "nvim is not installed: skipped"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work"
folder="$work/Linea Pròva"
cp -r "$starter" "$folder"
# The mistake: a misspelt keyword on the line of the sand record.
sed -i 's/^sabbia,/sabbie,/' "$folder/treno.txt"
export LSP_TOOL=$tool LSP_FOLDER=$folder LSP_ANSWERS="$work/answers.txt"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache"
timeout 60 nvim --headless --clean -n -c "luafile $here/nvim_client.lua" < /dev/null > "$work/nvim.log" 2>&1 || {
  echo "nvim failed:"; cat "$work/nvim.log"; cat "$work/answers.txt" 2>/dev/null; exit 1; }
diff -u "$expected" "$work/answers.txt"
