#!/usr/bin/env bash
# A session played in a window with --record replays headless with --input, and in a window with
# --input: the same key presses and releases reach the game on the same ticks.
#   record_replay.sh TACT GAME_DIR
set -euo pipefail
tact=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$game" "$work/recorded"
cp -r "$game" "$work/replayed"
cp -r "$game" "$work/watched"
export ALSOFT_DRIVERS=null

# Keys typed into the window while the game runs (about 2.5 s of game time).
xvfb-run -a bash -c '
    "$1" --source --record "$2/session.keys" "$2/recorded" >/dev/null 2>&1 &
    game=$!
    sleep 1
    xdotool key a
    sleep 0.2
    xdotool keydown Left
    sleep 0.3
    xdotool keyup Left
    xdotool key space
    wait $game
' _ "$tact" "$work"

"$tact" --headless --source --input "$work/session.keys" "$work/replayed" >/dev/null 2>&1
# Run from the work folder: the key file is named relative to it, not to the game folder.
(cd "$work" && xvfb-run -a "$tact" --source --input session.keys watched >/dev/null 2>&1)

events() { grep -E '^[0-9]+ (press|release|left held)' "$1/out.log"; }
if [[ -z $(events "$work/recorded") ]]; then
    echo "no key reached the recorded game"
    cat "$work/session.keys"
    exit 1
fi
diff <(events "$work/recorded") <(events "$work/replayed")
diff <(events "$work/recorded") <(events "$work/watched")
echo "recorded session: $(wc -l <"$work/session.keys") key events, replayed headless and in a window on the same ticks"
