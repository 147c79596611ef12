#!/usr/bin/env bash
# Runs the demo game, TACT ATTACK, from its compiled folder (BUILD/demo, made by the build target
# tact-demo). With a display it runs until the game quits (Escape on the title, Alt+F4 or the
# window's close button); without one it runs for a few seconds under a virtual display, long
# enough for the title to hand over to the game playing itself, and saves the last frame as a
# screenshot.
#   run-demo.sh [BUILD]
# The engine's native demo is still there by name: BUILD/tact --process Box2DPhysicsModuleTestProcess
set -euo pipefail
build=${1:-build}
game=$build/demo
if [ ! -f "$game/Main.gmc" ]; then
  echo "run-demo.sh: $game/Main.gmc is missing: build the target tact-demo first" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  ticks=${TACT_DEMO_TICKS:-840}  # 14 s of game time: 8 on the title, then the attract mode's first wave
  shot=${TACT_SCREENSHOT:-$PWD/tact-demo.png}
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tact" --ticks "$ticks" --screenshot "$shot" "$game"
  echo "No display: ran the demo for $ticks ticks under Xvfb; the last frame is $shot"
  exit 0
fi
exec "$build/tact" "$game"
