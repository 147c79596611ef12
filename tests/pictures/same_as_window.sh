#!/usr/bin/env bash
# A scene saved at tick 30 headless (drawn off screen, no display) and in a window under Xvfb, at
# the window's size and at a size given with --size: the pictures must match within a small
# tolerance per channel.
#   same_as_window.sh TACT COMPARE SCENE_DIR
set -euo pipefail
tact=$1 compare=$2 scene=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null
# Neither run may lean on a display: the headless one runs with none.
for size in "" 640x480; do
    args=(--source --ticks 30)
    [[ -z $size ]] || args+=(--size "$size")
    env -u DISPLAY -u WAYLAND_DISPLAY "$tact" --headless "${args[@]}" --screenshot "$work/headless.png" "$scene" \
        >/dev/null 2>"$work/headless.err" || { cat "$work/headless.err"; exit 1; }
    xvfb-run -a -s "-screen 0 1280x1024x24" "$tact" "${args[@]}" --screenshot "$work/window.png" "$scene" \
        >/dev/null 2>"$work/window.err" || { cat "$work/window.err"; exit 1; }
    if grep -q '^In ' "$work/headless.err" "$work/window.err"; then
        cat "$work/headless.err" "$work/window.err"
        exit 1
    fi
    "$compare" "$work/headless.png" "$work/window.png" 8
done
echo "scene $(basename "$scene"): the headless pictures are the window's"
