#!/usr/bin/env bash
# The demo game played by scripted keys, headless, from its compiled folder: no script error may
# reach standard error, and the game must get through its events (a start, kills, a cleared round
# and the game over; the game prints them as "Demo: ..." lines). The same play from the sources
# (--source) must give the same events on the same ticks. A second run reloads the scripts (F7)
# mid-wave and resets the game (F12): the game must play on and start again. A picture of a tick
# of the play, drawn headless, is the same on every run. The score of the first play enters the
# high-score table, saved in the player's data folder: played again in the same folder, the same
# score comes second. Then, under a virtual display, a short windowed run with the real sound
# module must load every sound and save a screenshot.
#   play_demo.sh TACT GAME_DIR SOURCE_DIR KEYS_DIR (with demo-play.keys and demo-reload.keys)
set -euo pipefail
tact=$1 game=$2 sources=$3 keysDir=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "$1"
    echo "--- standard output:"; cat "$work/stdout"
    echo "--- standard error:"; cat "$work/stderr"
    exit 1
}

# Plays 3000 ticks with the keys of $1 (from the folder $2 and with the options after it); fails on a
# script error or an error status.
play() {
    local status=0 keys=$1 folder=$2
    shift 2
    # Every play starts with no saved high scores, unless keepData is set.
    if [[ -z ${keepData:-} ]]; then
        XDG_DATA_HOME=$(mktemp -d "$work/data.XXXXXX")
        export XDG_DATA_HOME
    fi
    timeout 120 "$tact" --headless --ticks 3000 --input "$keysDir/$keys" "$@" "$folder" >"$work/stdout" \
        2>"$work/stderr" || status=$?
    [[ $status -eq 0 ]] || fail "$keys: tact exited with status $status"
    # Script errors reach standard error under a header naming where they happened.
    if grep -qiE '^In (file|script thread|sequencer action)|error' "$work/stderr"; then
        fail "$keys: a script error was reported"
    fi
    ! grep -qF "Demo: missing sound" "$work/stdout" || fail "$keys: a sound is missing"
}
expect() {
    grep -qF -- "$2" "$work/stdout" || fail "$1: the game never logged \"$2\""
}

play demo-play.keys "$game"
firstData=$XDG_DATA_HOME
for event in "Demo: game started" "Demo: kill " "Demo: wave 3 of round 1" "Demo: round 1 complete" \
             "Demo: ship lost" "Demo: game over"; do
    expect demo-play.keys "$event"
done
echo "headless play: $(grep -c 'Demo: kill ' "$work/stdout") kills, round 1 complete, game over"
expect demo-play.keys "Demo: high score table: place 1 "

grep '^Demo: ' "$work/stdout" >"$work/compiled-events"
mkdir "$work/source"
cp "$sources"/*.gm "$game"/*.wav "$work/source/"
play demo-play.keys "$work/source" --source
grep '^Demo: ' "$work/stdout" >"$work/source-events"
diff -u "$work/compiled-events" "$work/source-events" || fail "from source the game went otherwise"
echo "headless play from source: the same events on the same ticks"
# The score was saved: the same play again in the same data folder comes second to it.
export XDG_DATA_HOME=$firstData
keepData=1 play demo-play.keys "$game"
expect "demo-play.keys, played again" "Demo: high score table: place 2 "
echo "headless play again: the saved high score kept, the new one second"

play demo-reload.keys "$game"
# F7 comes at tick 700, in the second wave; F12 at 1700, and space starts a new game at 1800.
expect demo-reload.keys "Demo: round 1 complete (tick 1"
expect demo-reload.keys "Demo: game started (tick 1800"
expect demo-reload.keys "Demo: game over"
echo "headless play with a reload and a reset: played on and started again"

# A picture of tick 900 of the scripted play, drawn headless with no display: two runs give the
# same picture, byte for byte.
for run in 1 2; do
    status=0
    env -u DISPLAY timeout 60 "$tact" --headless --ticks 900 --input "$keysDir/demo-play.keys" \
        --screenshot "$work/tick900-$run.png" "$game" >"$work/stdout" 2>"$work/stderr" || status=$?
    [[ $status -eq 0 ]] || fail "the headless picture run exited with status $status"
done
head -c 4 "$work/tick900-1.png" | grep -q PNG || fail "no headless picture"
cmp -s "$work/tick900-1.png" "$work/tick900-2.png" || fail "two headless pictures of tick 900 differ"
echo "headless picture of tick 900: the same on every run"

if command -v xvfb-run >/dev/null; then
    status=0
    ALSOFT_DRIVERS=null timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" "$tact" --ticks 30 \
        --screenshot "$work/shot.png" "$game" >"$work/stdout" 2>"$work/stderr" || status=$?
    [[ $status -eq 0 ]] || fail "the windowed run exited with status $status"
    ! grep -qF "Demo: missing sound" "$work/stdout" || fail "a sound did not load"
    ! grep -qiE '^In (file|script thread|sequencer action)' "$work/stderr" ||
        fail "a script error was reported"
    head -c 4 "$work/shot.png" | grep -q PNG || fail "no screenshot"
    echo "windowed run: sounds loaded, screenshot saved"
fi
