#!/usr/bin/env bash
# Runs every benchmark program of a build; the drawing benchmark under a virtual display when there
# is none.
set -euo pipefail
build=${1:-build}
for program in "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  case $(basename "$program") in window_*_bench) continue ;; esac
  "$program"
done
for program in window_draw_bench window_text_bench; do
  if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/$program"
  else
    "$build/bench/$program"
  fi
done
# The script programs against Lua 5.4: time ratio per program and the geometric mean.
"$(dirname "$0")/../bench/run.sh" "$build/tools/tact-script"
