# Shared by the scene benchmarks (sourced): run_scene WORK DRAW TICKS TACT runs the game folder
# WORK for TICKS ticks with --stats, headless without drawing (DRAW 0), in a window on a 1920 x 1080
# screen under Xvfb (DRAW 1) or headless drawn off screen on EGL with no display (DRAW 2: every
# frame drawn, the last saved), leaves what it printed in $scene_output and fails on a script
# error. SCENE_SIZE=WxH draws at that size (--size) instead of the game's own.
# new_scene_folder HERE: a temporary game folder in $work holding the scene's scripts from HERE,
# removed when the benchmark exits.
new_scene_folder() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$1"/*.gm "$work"/
}

run_scene() {
    local work=$1 draw=$2 ticks=$3 tact=$4
    local size=()
    [[ -z ${SCENE_SIZE:-} ]] || size=(--size "$SCENE_SIZE")
    export ALSOFT_DRIVERS=null
    if [[ $draw == 0 ]]; then
        scene_output=$("$tact" --headless --source --stats --ticks "$ticks" "${size[@]}" "$work" 2>"$work/stderr")
    elif [[ $draw == 2 ]]; then
        scene_output=$(env -u DISPLAY "$tact" --headless --source --stats --ticks "$ticks" "${size[@]}" \
            --screenshot "$work/last.png" "$work" 2>"$work/stderr")
    else
        scene_output=$(xvfb-run -a -s "-screen 0 1920x1080x24" "$tact" --source --stats --ticks "$ticks" \
            "${size[@]}" "$work" 2>"$work/stderr")
    fi
    if [[ -s $work/stderr ]] && grep -q '^In ' "$work/stderr"; then
        cat "$work/stderr" >&2
        return 1
    fi
}

# The --stats median line as "<ms> ms per tick (scripts <ms>, physics <ms>, drawing <ms>)".
scene_median() {
    echo "$scene_output" | grep '^median' | sed 's/^median //; s/ per tick (/ ms per tick (/; s/ ms ms/ ms/'
}
