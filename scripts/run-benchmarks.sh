#!/usr/bin/env bash
# Runs every benchmark program of a build; the drawing benchmark under a virtual display when there
# is none.
set -euo pipefail
build=${1:-build}
for program in "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  [ "$(basename "$program")" = window_draw_bench ] && continue
  "$program"
done
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/window_draw_bench"
else
  "$build/bench/window_draw_bench"
fi
# The script programs against Lua 5.4: time ratio per program and the geometric mean.
"$(dirname "$0")/../bench/run.sh" "$build/tools/tact-script"
