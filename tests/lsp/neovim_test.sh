#!/bin/sh
# Runs neovim_test.lua in headless Neovim against `tact-script lsp` on a copy of the test game
# with a planted mistake, and fails unless every check passed.
# Usage: neovim_test.sh TACT_SCRIPT
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/game" "$work/game"
sed -i 's/Video.setColour/Video.setColor/' "$work/game/Ship.gm"
export TACT_SCRIPT="$1" TACT_GAME="$work/game" TACT_RESULT="$work/result.txt"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" HOME="$work"
# A Lua error leaves headless Neovim waiting: timeout ends it, and no result file means a failure.
timeout 60 nvim --headless -u NONE -i NONE -n -c "luafile $here/neovim_test.lua" </dev/null >"$work/nvim.out" 2>&1 || true
if [ ! -f "$TACT_RESULT" ]; then
  echo "neovim_test: Neovim wrote no result"; cat "$work/nvim.out"; exit 1
fi
cat "$TACT_RESULT"
! grep -q '^FAIL' "$TACT_RESULT"
