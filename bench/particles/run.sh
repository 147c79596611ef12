#!/usr/bin/env bash
# Runs the particle scene for 600 ticks with N plain engine particles, headless (DRAW 0), drawn
# in a window on a 1920 x 1080 screen under Xvfb (DRAW 1) or drawn headless off screen (DRAW 2),
# and prints the median tick, drawing and particle update times.
#   run.sh N DRAW [TACT]
set -euo pipefail
n=${1:?N} draw=${2:?DRAW}
here=$(cd "$(dirname "$0")" && pwd)
tact=${3:-$here/../../build/tact}
ticks=600
source "$here/../scene.sh"
new_scene_folder "$here"
printf 'global PARTICLES_N = %d;\nglobal PARTICLES_TICKS = %d;\nglobal PARTICLES_CAMERA_Z = %d;\n' \
    "$n" "$ticks" 40000 >"$work/Config.gm"
run_scene "$work" "$draw" "$ticks" "$tact"
echo "$scene_output" | grep '^particles ' || true
echo "particles N=$n draw=$draw: median $(scene_median)"
