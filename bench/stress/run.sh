#!/usr/bin/env bash
# Runs the stress scene for 600 ticks with N script entities, headless (DRAW 0), drawn in a
# window under Xvfb (DRAW 1) or drawn headless off screen (DRAW 2), and prints the median tick time
# and its phases.
#   run.sh N DRAW [TACT]
set -euo pipefail
n=${1:?N} draw=${2:?DRAW}
here=$(cd "$(dirname "$0")" && pwd)
tact=${3:-$here/../../build/tact}
ticks=600
source "$here/../scene.sh"
new_scene_folder "$here"
printf 'global STRESS_N = %d;\nglobal STRESS_DRAW = %d;\nglobal STRESS_TICKS = %d;\n' "$n" "$draw" "$ticks" >"$work/Config.gm"
run_scene "$work" "$draw" "$ticks" "$tact"
echo "$scene_output" | grep '^collisions' || true
echo "stress N=$n draw=$draw: median $(scene_median)"
