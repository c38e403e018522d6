#!/usr/bin/env bash
# Formats every tracked .cpp and .h file with clang-format 14 and the tree's
# .clang-format.
#   scripts/format.sh           rewrites the files that are not formatted
#   scripts/format.sh --check   changes nothing; fails, naming each file that
#                               is not formatted, when there is one
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${format_packages[@]}"

cd "$top"
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for file in "${files[@]}"; do
    clang-format-14 --style=file "$file" | cmp -s - "$file" || unformatted+=("$file")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted: %s\n' "${unformatted[@]}" >&2
    echo "${#unformatted[@]} of ${#files[@]} files are not formatted; run scripts/format.sh" >&2
    exit 1
  fi
  echo "all ${#files[@]} files are formatted"
else
  clang-format-14 --style=file -i "${files[@]}"
fi
