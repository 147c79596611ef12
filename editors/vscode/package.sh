#!/bin/sh
# Packs the VS Code extension into OUT (default: tact-gm.vsix in this folder) with @vscode/vsce.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/tact-gm.vsix}
"$here/install-tools.sh"
cd "$here"
./node_modules/.bin/vsce package --allow-missing-repository --out "$out" </dev/null
