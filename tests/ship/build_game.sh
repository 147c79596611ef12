#!/usr/bin/env bash
# tact-script build on a whole game: the demo's sources built into another folder with its sounds
# play headless with the demo's keys exactly as the demo the build system compiled; built beside
# the sources, every script gets its library; a folder with broken scripts gets every error, each
# with its file and line, and exit status 1.
#   build_game.sh TACT TACT_SCRIPT DEMO_DIR (the built demo) SOURCE_DIR KEYS_FILE
set -euo pipefail
tact=$1 tactScript=$2 demo=$3 sources=$4 keys=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data ALSOFT_DRIVERS=null

fail() {
    echo "$1"
    exit 1
}

events() {
    timeout 120 "$tact" --headless --ticks 3000 --input "$keys" "$1" >"$work/stdout" 2>"$work/stderr" ||
        fail "tact failed on $1: $(cat "$work/stderr")"
    rm -rf "$XDG_DATA_HOME"
    grep '^Demo: ' "$work/stdout"
}

mkdir -p "$work/src/.hidden"
cp "$sources"/*.gm "$demo"/*.wav "$work/src/"
echo "not a script" >"$work/src/.hidden/Junk.gm"
"$tactScript" build "$work/src" -o "$work/out" 2>"$work/build.log" || fail "build failed: $(cat "$work/build.log")"
for script in "$sources"/*.gm; do
    name=$(basename "$script" .gm)
    [[ -f $work/out/$name.gmc ]] || fail "build wrote no $name.gmc"
done
[[ ! -e $work/out/Main.gm && ! -e $work/out/.hidden ]] || fail "the build copied sources or hidden files"
[[ -f $work/out/boom.wav ]] || fail "the build did not copy the sounds"
events "$demo" >"$work/demo-events"
events "$work/out" >"$work/built-events"
[[ -s $work/demo-events ]] || fail "the demo logged no events"
diff -u "$work/demo-events" "$work/built-events" || fail "the built demo played otherwise"
echo "built into a folder: $(wc -l <"$work/built-events") events, as the demo's"

"$tactScript" build "$work/src" 2>"$work/build.log" || fail "build beside the sources failed"
[[ -f $work/src/Main.gmc && -f $work/src/Title.gmc ]] || fail "build wrote no libraries beside the sources"
echo "built beside the sources"

mkdir -p "$work/broken/lib"
printf 'global Ok = 1;\n' >"$work/broken/Main.gm"
printf 'x = ;\n' >"$work/broken/lib/Bad.gm"
printf 'global f = function() {\n\n    return 1 +;\n};\n' >"$work/broken/Worse.gm"
status=0
"$tactScript" build "$work/broken" 2>"$work/build.log" || status=$?
[[ $status -eq 1 ]] || fail "a build with broken scripts exited with $status"
grep -qxF "lib/Bad.gm: error (1) parse error" "$work/build.log" || fail "lib/Bad.gm's error: $(cat "$work/build.log")"
grep -qxF "Worse.gm: error (3) parse error" "$work/build.log" || fail "Worse.gm's error: $(cat "$work/build.log")"
[[ -f $work/broken/Main.gmc ]] || fail "the good script was not compiled beside the broken ones"
echo "broken scripts: every error with its file and line, exit status 1"
