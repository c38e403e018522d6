#!/usr/bin/env bash
# Packages the extension as a .vsix with @vscode/vsce, in a scratch copy of
# this folder (the tree is left as it is): the grammar of editors/ and the
# project's LICENSE are copied in, the client library and vsce installed
# there with npm, and compila-scenario-VERSION.vsix written into OUTPUT
# (default: the current folder). Install it in VS Code with
# "Extensions: Install from VSIX...".
#   editors/vscode/package.sh [OUTPUT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "${1:-.}"
output=$(cd "${1:-.}" && pwd)
command -v npm > /dev/null || { echo "package.sh: npm is needed (apt-get install npm)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/package.json "$here"/language-configuration.json "$here"/extension.js "$here"/README.md \
  "$here"/.vscodeignore "$work"/
cp "$here/../../LICENSE" "$work/LICENSE"
mkdir "$work/syntaxes"
cp "$here/../scenario.tmLanguage.json" "$work/syntaxes/"
cd "$work"
npm install --no-audit --no-fund > npm.log 2>&1 || { cat npm.log >&2; exit 1; }
npx --no-install vsce package --allow-missing-repository --out "$output/"
