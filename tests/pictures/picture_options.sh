#!/usr/bin/env bash
# The picture options from the command line, headless without a display unless said: files named
# relative to the folder tact starts in, frame sequences, refused sizes, pictures that cannot be
# written, and the start-up errors of a machine without EGL.
#   picture_options.sh TACT SCENE_DIR
set -euo pipefail
tact=$1 scene=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null
unset DISPLAY WAYLAND_DISPLAY
cp -r "$scene" "$work/game"
cd "$work"
fail() {
    echo "FAILED: $*"
    exit 1
}
is_png() { [[ $(head -c 4 "$1" | tail -c 3) == PNG ]]; }
# Runs tact, expecting exit status $1 and standard error holding $2.
expect_refusal() {
    local status=$1 message=$2
    shift 2
    local got=0
    "$tact" "$@" >out.txt 2>err.txt || got=$?
    [[ $got == "$status" ]] || fail "tact $* exited $got, not $status: $(cat err.txt)"
    grep -qF -- "$message" err.txt || fail "tact $* did not say '$message': $(cat err.txt)"
}

# A screenshot named relative to the start folder lands there, not in the game folder.
"$tact" --headless --source --ticks 5 --screenshot shot.png game
is_png shot.png || fail "no headless screenshot in the start folder"
[[ ! -e game/shot.png ]] || fail "the screenshot went into the game folder"

# Every third frame of 10 ticks: frames 0, 3, 6, 9 (one frame a tick headless), numbered in turn.
"$tact" --headless --source --ticks 10 --frames frames --every 3 game
[[ $(ls frames) == $'frame-000000.png\nframe-000001.png\nframe-000002.png\nframe-000003.png' ]] ||
    fail "frames written: $(ls frames | tr '\n' ' ')"
for f in frames/*.png; do is_png "$f" || fail "$f is not a PNG file"; done
[[ ! -e game/frames ]] || fail "the frames went into the game folder"

# Sizes out of range, and options that need another.
for size in 0x600 800x0 -800x600 800x-1 16385x600 800x16385 800 x600 800x600x2 axb; do
    expect_refusal 2 "--size takes WIDTHxHEIGHT, each from 1 to 16384 pixels, not '$size'" --headless --size "$size" game
done
expect_refusal 2 "--every takes a number of frames from 1 up" --headless --frames f --every 0 game
expect_refusal 2 "--every needs --frames" --headless --every 2 game
expect_refusal 2 "--screenshot needs --ticks" --headless --screenshot x.png game

# A game that quits (at tick 20) before the screenshot's tick.
mkdir quitter
echo 'global Main = function(p) { return table(update = function(dt) { if (GameSystem.getCurrentTick() == 20) { GameSystem.quit(); } }); };' >quitter/Main.gm
expect_refusal 1 "the game quit before tick 400: no screenshot '$work/late.png'" --headless --source --ticks 400 \
    --screenshot late.png quitter
[[ ! -e late.png ]] || fail "a screenshot of a game that quit early"

# A frames folder that cannot be made, a screenshot in a folder that is not there, and a frame
# that cannot be written mid-run (a folder in its place) stop the run with a non-zero exit.
touch plain-file
expect_refusal 2 "cannot write frames to the folder '$work/plain-file/frames'" --headless --source --ticks 5 \
    --frames plain-file/frames game
expect_refusal 2 "cannot write the screenshot '$work/missing/shot.png'" --headless --source --ticks 5 \
    --screenshot missing/shot.png game
mkdir -p blocked/frame-000002.png
expect_refusal 1 "cannot write the picture '$work/blocked/frame-000002.png'" --headless --source --ticks 50 \
    --frames blocked game
[[ -f blocked/frame-000001.png && ! -e blocked/frame-000003.png ]] || fail "the run went on after a frame failed"

# Without EGL, or without a driver that draws without a display, drawing headless is a start-up
# error naming the package; a headless run that draws nothing does not need EGL at all.
mkdir no-egl && : >no-egl/libEGL.so.1
LD_LIBRARY_PATH=$work/no-egl expect_refusal 255 "(Debian package libegl1)" --headless --source --ticks 5 \
    --screenshot shot.png game
__EGL_VENDOR_LIBRARY_FILENAMES=$work/none.json expect_refusal 255 "(Debian package libegl-mesa0)" --headless \
    --source --ticks 5 --screenshot shot.png game
LD_LIBRARY_PATH=$work/no-egl "$tact" --headless --source --ticks 5 game || fail "a run without pictures needed EGL"

# In a window too: the frames of a windowed run under Xvfb.
xvfb-run -a "$tact" --source --ticks 10 --frames window-frames --every 5 game >/dev/null 2>&1
[[ $(ls window-frames | wc -l) -ge 2 ]] || fail "the window saved $(ls window-frames | wc -l) frames"
is_png window-frames/frame-000000.png || fail "the window's frame is not a PNG file"
echo "picture options: as expected"
