#!/usr/bin/env bash
# Runs the particle scene for 600 ticks with N plain engine particles, headless (DRAW 0) or drawn
# in a 1920 x 1080 window under Xvfb (DRAW 1), and prints the median tick, drawing and particle
# update times.
#   run.sh N DRAW [TACT]
set -euo pipefail
n=${1:?N} draw=${2:?DRAW}
here=$(cd "$(dirname "$0")" && pwd)
tact=${3:-$here/../../build/tact}
ticks=600
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/*.gm "$work"/
printf 'global PARTICLES_N = %d;\nglobal PARTICLES_TICKS = %d;\nglobal PARTICLES_CAMERA_Z = %d;\n' \
    "$n" "$ticks" 40000 >"$work/Config.gm"
export ALSOFT_DRIVERS=null
if [[ $draw == 0 ]]; then
    out=$("$tact" --headless --source --stats --ticks "$ticks" "$work" 2>"$work/stderr")
else
    out=$(xvfb-run -a -s "-screen 0 1920x1080x24" "$tact" --source --stats --ticks "$ticks" "$work" 2>"$work/stderr")
fi
if [[ -s $work/stderr ]] && grep -q '^In ' "$work/stderr"; then
    cat "$work/stderr" >&2
    exit 1
fi
echo "$out" | grep '^particles ' || true
echo "particles N=$n draw=$draw: $(echo "$out" | grep '^median' | sed 's/ per tick (/ ms per tick (/; s/ ms ms/ ms/')"
