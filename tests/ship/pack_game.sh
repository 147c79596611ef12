#!/usr/bin/env bash
# tact-script pack on a whole game: the demo's sources and sounds packed into one archive play
# headless with the demo's keys exactly as the demo the build system compiled, and keep the
# player's data under the archive's name; the sources go in with --with-sources only; a folder
# with broken scripts gets every error with its file and line, exit status 1 and no archive; a
# damaged archive (cut short, a name leaving it, not a zip at all, a member whose bytes changed)
# gets one clear error and a failing status.
#   pack_game.sh TACT TACT_SCRIPT DEMO_DIR (the built demo) SOURCE_DIR KEYS_FILE
set -euo pipefail
tact=$1 tactScript=$2 demo=$3 sources=$4 keys=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data ALSOFT_DRIVERS=null

fail() {
    echo "$1"
    exit 1
}

# The names in a zip archive, one a line.
members() {
    python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$1"
}

events() {
    timeout 120 "$tact" --headless --ticks 3000 --input "$keys" "$1" >"$work/stdout" 2>"$work/stderr" ||
        fail "tact failed on $1: $(cat "$work/stderr")"
    grep '^Demo: ' "$work/stdout"
}

mkdir -p "$work/game/.hidden"
cp "$sources"/*.gm "$demo"/*.wav "$work/game/"
echo "not a script" >"$work/game/.hidden/Junk.gm"
"$tactScript" pack "$work/game" -o "$work/shipped/tact-attack.tact" 2>"$work/pack.log" &&
    fail "pack wrote into a missing folder"
mkdir -p "$work/shipped"
"$tactScript" pack "$work/game" -o "$work/shipped/tact-attack.tact" 2>"$work/pack.log" ||
    fail "pack failed: $(cat "$work/pack.log")"
members "$work/shipped/tact-attack.tact" >"$work/members"
for script in "$sources"/*.gm; do
    grep -qxF "$(basename "$script")c" "$work/members" || fail "the archive has no $(basename "$script")c"
done
grep -qxF boom.wav "$work/members" || fail "the archive has no sounds"
! grep -qE '\.gm$|hidden' "$work/members" || fail "the archive holds sources or hidden files: $(cat "$work/members")"
[[ ! -e $work/shipped/tact-attack.tact.part ]] || fail "pack left its temporary file"

rm -rf "$XDG_DATA_HOME"
events "$demo" >"$work/demo-events"
rm -rf "$XDG_DATA_HOME"
events "$work/shipped/tact-attack.tact" >"$work/packed-events"
[[ -s $work/demo-events ]] || fail "the demo logged no events"
diff -u "$work/demo-events" "$work/packed-events" || fail "the packed demo played otherwise"
[[ -d $XDG_DATA_HOME/tact/tact-attack ]] || fail "no data folder named after the archive: $(find "$XDG_DATA_HOME")"
[[ -z $(find "$work/shipped" -newer "$work/shipped/tact-attack.tact" -not -type d) ]] ||
    fail "the run wrote beside the archive"
echo "packed: $(wc -l <"$work/packed-events") events, as the demo's; data in tact/tact-attack"

"$tactScript" pack "$work/game" --with-sources -o "$work/with-sources.tact" 2>"$work/pack.log" ||
    fail "pack --with-sources failed: $(cat "$work/pack.log")"
members "$work/with-sources.tact" >"$work/members"
grep -qxF Main.gm "$work/members" && grep -qxF Main.gmc "$work/members" ||
    fail "--with-sources lacks the source or the library: $(cat "$work/members")"
echo "--with-sources: sources beside the libraries"

mkdir -p "$work/broken/lib"
printf 'global Ok = 1;\n' >"$work/broken/Main.gm"
printf 'x = ;\n' >"$work/broken/lib/Bad.gm"
printf 'global f = function() {\n\n    return 1 +;\n};\n' >"$work/broken/Worse.gm"
status=0
"$tactScript" pack "$work/broken" -o "$work/broken.tact" 2>"$work/pack.log" || status=$?
[[ $status -eq 1 ]] || fail "a pack with broken scripts exited with $status"
grep -qxF "lib/Bad.gm: error (1) parse error" "$work/pack.log" || fail "lib/Bad.gm's error: $(cat "$work/pack.log")"
grep -qxF "Worse.gm: error (3) parse error" "$work/pack.log" || fail "Worse.gm's error: $(cat "$work/pack.log")"
[[ ! -e $work/broken.tact && ! -e $work/broken.tact.part ]] || fail "a failed pack left an archive"
echo "broken scripts: every error with its file and line, exit status 1, no archive"

# Each damaged archive: the status and the line on standard error.
damaged() {
    local file=$1 status=$2 message=$3 got=0
    timeout 60 "$tact" --headless --ticks 10 "$file" >"$work/stdout" 2>"$work/stderr" || got=$?
    [[ $got -eq $status ]] || fail "$file: status $got, not $status: $(cat "$work/stderr")"
    grep -qxF -- "$message" "$work/stderr" || fail "$file: standard error lacks \"$message\": $(cat "$work/stderr")"
}
archive=$work/shipped/tact-attack.tact
head -c $(($(stat -c %s "$archive") / 2)) "$archive" >"$work/cut.tact"
damaged "$work/cut.tact" 2 "tact: '$work/cut.tact' is not a game archive: not a zip archive"
head -c $(($(stat -c %s "$archive") - 10)) "$archive" >"$work/cut-end.tact"
damaged "$work/cut-end.tact" 2 "tact: '$work/cut-end.tact' is not a game archive: not a zip archive"
printf 'TACT ATTACK\n' >"$work/text.tact"
damaged "$work/text.tact" 2 "tact: '$work/text.tact' is not a game archive: not a zip archive"
python3 - "$work" <<'PY'
import sys, zipfile
work = sys.argv[1]
with zipfile.ZipFile(work + "/escape.tact", "w") as z:
    z.writestr("Main.gmc", open(work + "/game/Main.gm", "rb").read())
    z.writestr("../Main.gmc", b"outside")
with zipfile.ZipFile(work + "/absolute.tact", "w") as z:
    z.writestr("/etc/Main.gmc", b"outside")
# The shipped game stored rather than deflated, and then a byte of Main.gmc changed: the archive
# still opens, but the script no longer has the checksum its entry declares.
shipped = zipfile.ZipFile(work + "/shipped/tact-attack.tact")
with zipfile.ZipFile(work + "/changed.tact", "w", zipfile.ZIP_STORED) as z:
    for name in shipped.namelist():
        z.writestr(name, shipped.read(name))
data = bytearray(open(work + "/changed.tact", "rb").read())
with zipfile.ZipFile(work + "/changed.tact") as z:
    info = z.getinfo("Main.gmc")
start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
data[start + info.file_size // 2] ^= 0xFF
open(work + "/changed.tact", "wb").write(bytes(data))
PY
damaged "$work/escape.tact" 2 "tact: '$work/escape.tact' is not a game archive: the name \"../Main.gmc\" is not a plain relative path"
damaged "$work/absolute.tact" 2 "tact: '$work/absolute.tact' is not a game archive: the name \"/etc/Main.gmc\" is not a plain relative path"
damaged "$work/changed.tact" 1 "Script file could not be read (empty, damaged, or not a file): Main.gmc"
echo "damaged archives: one clear error each, exit status 2 (1 for a damaged script)"
