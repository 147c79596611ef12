#!/usr/bin/env bash
# The demo game played headless for MINUTES minutes of game time (60 ticks a second) by scripted
# keys that start a game, hand it to the autopilot, reload the scripts (F7) now and then and go
# back to the title, over and over. Meant for the sanitizer build (build-asan): any sanitizer
# report or leak fails the run. Prints the peak resident memory of a 5-minute run and of the
# whole run, so growth after warm-up shows as the difference.
#   run.sh [MINUTES] [BUILD_DIR]
set -euo pipefail
minutes=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
build=${2:-$here/../../build-asan}
tact=$build/tact game=$build/demo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ticks=$((minutes * 60 * 60))
# One round of keys every 3,000 ticks (50 s): start or leave the game over screen, autopilot on,
# a burst of manual play, and every fourth round a script reload mid-game. Rounds that find the
# title's attract mode or a game still running play on just the same.
{
    echo "# Soak keys: $minutes minutes of game time"
    for ((start = 60, round = 0; start < ticks; start += 3000, round++)); do
        echo "$start KEYBOARD_SPACE_BAR down"
        echo "$((start + 4)) KEYBOARD_SPACE_BAR up"
        echo "$((start + 200)) KEYBOARD_LEFT down"
        echo "$((start + 260)) KEYBOARD_LEFT up"
        echo "$((start + 300)) KEYBOARD_A down"
        echo "$((start + 304)) KEYBOARD_A up"
        if ((round % 4 == 3)); then
            echo "$((start + 1200)) KEYBOARD_F7 down"
            echo "$((start + 1202)) KEYBOARD_F7 up"
        fi
    done
} >"$work/soak.keys"

export ALSOFT_DRIVERS=null
# The sanitizer keeps freed memory aside (256 MiB by default) to catch late uses of it, which
# would read as growth: a smaller quarantine still catches them and lets the figures show the
# game's own memory. (The release build stays at its 5-minute figure.)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=32}
# Returns the peak resident memory (KiB) of a run of $1 ticks; fails on a sanitizer report.
run() {
    local status=0
    /usr/bin/time -f '%M' -o "$work/rss" "$tact" --headless --ticks "$1" --input "$work/soak.keys" "$game" \
        >"$work/stdout" 2>"$work/stderr" || status=$?
    if [[ $status -ne 0 ]] || grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$work/stderr"; then
        echo "soak: run of $1 ticks failed (status $status)" >&2
        grep -E -A 20 'Sanitizer|runtime error:' "$work/stderr" | head -60 >&2 || tail -20 "$work/stderr" >&2
        exit 1
    fi
    if grep -qE '^In (file|script thread|sequencer action)' "$work/stderr"; then
        echo "soak: a script error was reported" >&2
        grep -A 8 '^In ' "$work/stderr" | head -40 >&2
        exit 1
    fi
    cat "$work/rss"
}
early=$(run $((5 * 60 * 60)))
echo "soak: 5 minutes: peak RSS $((early / 1024)) MiB"
late=$(run "$ticks")
games=$(grep -c '^Demo: game started' "$work/stdout" || true)
echo "soak: $minutes minutes ($ticks ticks, $games games): peak RSS $((late / 1024)) MiB, $(((late - early) / 1024)) MiB more than at 5 minutes"
