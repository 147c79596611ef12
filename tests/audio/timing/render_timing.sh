#!/usr/bin/env bash
# Sequenced sounds in a rendered run: the click game (Main.gm) runs headless with --audio-out, and
# the onsets in the file must keep their exact interval, to within 1 ms, the first at its step's
# (or tick's) time plus the output latency that --stats reports.
#   render_timing.sh TACT
set -euo pipefail
tact=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# NAME BPM NOTE TICKS INTERVAL_MS COUNT
check() {
    local dir=$work/$1
    mkdir "$dir"
    sed -e "s/@BPM@/$2/" -e "s/@NOTE@/$3/" "$here/Main.gm" >"$dir/Main.gm"
    python3 "$here/onsets.py" click "$dir/click.wav"
    "$tact" --headless --source --ticks "$4" --stats --audio-out "$dir/out.wav" "$dir" >"$dir/stdout.txt"
    if ! grep -q ', 0 underruns, 0 late voices, 0 clipped samples$' "$dir/stdout.txt"; then
        echo "$1: the output was not clean"
        cat "$dir/stdout.txt"
        return 1
    fi
    local latency start first
    latency=$(sed -n 's/^audio .*, latency \([0-9.]*\) ms,.*/\1/p' "$dir/stdout.txt")
    start=$(sed -n "s/^start tick \([0-9]*\) *$/\1/p" "$dir/stdout.txt")
    if [[ $2 == 0 ]]; then
        # The first click plays in the start tick, a sixtieth of a second per tick.
        first=$(python3 -c "print($start * 1000 / 60 + $latency)")
    else
        # restart() in the start tick makes step 0 due at once: the sequencer clock (120 ticks a
        # second) plays it right after that tick, counting it due since its tick before.
        first=$(python3 -c "print((2 * $start - 1) * 1000 / 120 + $latency)")
    fi
    echo -n "$1: "
    python3 "$here/onsets.py" check "$dir/out.wav" "$5" "$6" "$first"
}

# Eight bars of quarter notes at 128 BPM (468.75 ms) and of sixteenths at 150 BPM (100 ms), and a
# click from the process every 30 ticks (500 ms).
check quarters128 128 QUARTER_NOTE 940 468.75 32
check sixteenths150 150 SIXTEENTH_NOTE 790 100 128
check ticks 0 QUARTER_NOTE 940 500 30

# An --audio-out file that cannot be written is an error naming it, before the game runs.
status=0
"$tact" --headless --ticks 1 --audio-out "$work/absent/out.wav" "$work/ticks" >/dev/null 2>"$work/stderr" || status=$?
if [[ $status -eq 0 ]] || ! grep -qF "cannot write the audio file '$work/absent/out.wav'" "$work/stderr"; then
    echo "an unwritable --audio-out file: status $status"
    cat "$work/stderr"
    exit 1
fi
echo "unwritable --audio-out: $(cat "$work/stderr")"
