#!/usr/bin/env bash
# Runs the engine on its native demo. With a display it runs until the window is closed (or
# Alt+F4, or Escape); without one it runs for a few seconds under a virtual display and saves the
# last frame as a screenshot.
set -euo pipefail
build=${1:-build}
export TACT_MAIN_PROCESS=${TACT_MAIN_PROCESS:-Box2DPhysicsModuleTestProcess}
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  export TACT_RUN_SECONDS=${TACT_RUN_SECONDS:-5}
  export TACT_SCREENSHOT=${TACT_SCREENSHOT:-$PWD/tact-demo.png}
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tact"
fi
exec "$build/tact"
