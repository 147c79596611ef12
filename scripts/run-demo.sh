#!/usr/bin/env bash
# Runs the engine on its demo; under a virtual display when there is no display.
set -euo pipefail
build=${1:-build}
export TACT_MAIN_PROCESS=${TACT_MAIN_PROCESS:-LoopTestProcess}
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tact"
fi
exec "$build/tact"
