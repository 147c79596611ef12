#!/usr/bin/env bash
# Runs the getting-started guide's finished game: every file the guide shows in a fence marked
# "file=NAME" is written to a fresh folder as its last version in the guide, the sound-making
# command runs there, and the engine plays the game headless with scripted keys. It must print
# shots and write no script error to standard error. Every script of the earlier steps must
# compile too.
#   run_guide.sh TACT TACT_SCRIPT GUIDE
set -euo pipefail
tact=$1 tactScript=$2 guide=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$guide" "$work" <<'PY'
import re, sys
guide, folder = sys.argv[1], sys.argv[2]
files = {}
for number, match in enumerate(re.finditer(r"^```\w+ file=(\S+)\n(.*?)^```$", open(guide).read(), re.S | re.M)):
    files[match.group(1)] = match.group(2)  # a later step's version replaces an earlier one
    if match.group(1).endswith(".gm"):
        open("%s/step%02d-%s" % (folder, number, match.group(1)), "w").write(match.group(2))
for name in ("Main.gm", "Ship.gm", "Bullet.gm", "make-sound.sh"):
    if name not in files:
        sys.exit("the guide shows no " + name)
for name, text in files.items():
    open(folder + "/" + name, "w").write(text)
PY

cd "$work"
for script in step*.gm; do
    "$tactScript" compile "$script" "$script"c || { echo "$script of the guide does not compile"; exit 1; }
done
sh make-sound.sh
test -s shoot.wav
cat >keys <<'KEYS'
10 KEYBOARD_UP down
90 KEYBOARD_LEFT down
120 KEYBOARD_LEFT up
130 KEYBOARD_Z down
200 KEYBOARD_Z up
200 KEYBOARD_UP up
KEYS
status=0
ALSOFT_DRIVERS=null timeout 60 "$tact" --headless --source --ticks 600 --input keys . >stdout.txt 2>stderr.txt || status=$?
cat stdout.txt
if [[ $status -ne 0 || -s stderr.txt ]]; then
    echo "tact exited with status $status; standard error:"
    cat stderr.txt
    exit 1
fi
grep -q '^shot 1 from' stdout.txt || { echo "the game printed no shot"; exit 1; }
# The ship flew: it fired its later shots away from where it started.
grep -q '^shot 3 from' stdout.txt && ! grep -q '^shot 3 from 0 0 $' stdout.txt
echo "the guide's game ran"
