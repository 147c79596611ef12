#!/usr/bin/env bash
# Quick taps typed with xdotool into the window under Xvfb (press and release 1 ms apart, mostly
# between two polls of the keyboard): each gives onKeyPress, the key reads as pressed on that
# tick, and onKeyRelease follows on a later tick (the next one when both came between two polls).
#   quick_taps.sh TACT GAME_DIR
set -euo pipefail
tact=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null
taps=8
xvfb-run -a bash -c '
    "$1" --source --ticks 600 "$2" >"$3/out.txt" 2>"$3/err.txt" &
    game=$!
    sleep 2
    for i in $(seq "$4"); do
        xdotool keydown space sleep 0.001 keyup space
        sleep 0.3
    done
    wait $game
' _ "$tact" "$game" "$work" "$taps"

presses=$(grep -c '^press ' "$work/out.txt" || true)
releases=$(grep -c '^release ' "$work/out.txt" || true)
if [[ $presses -ne $taps || $releases -ne $taps ]]; then
    echo "$taps taps gave $presses presses and $releases releases"
    cat "$work/out.txt" "$work/err.txt"
    exit 1
fi
# Press then release on a later tick (the next one when both came between two polls), and the
# key read as pressed on the tick of the press.
awk '
    $1 == "press" { if (pending) bad = 1; pending = 1; tick = $2 }
    $1 == "down" && $2 == tick { seen = 1 }
    $1 == "release" { if (!pending || !seen || $2 <= tick) bad = 1; pending = 0; seen = 0 }
    END { exit bad }
' "$work/out.txt" || { echo "the taps were not press, down, release in order:"; cat "$work/out.txt"; exit 1; }
echo "$taps quick taps: $taps presses, each read as down on its tick and released after it:"
grep -E '^(press|release) ' "$work/out.txt" | paste -sd' '

