#!/usr/bin/env bash
# The Debian package: built by CPack from the build tree, it declares its library dependencies,
# and the programs it holds run from where it unpacks: tact-script compiles a game that tact runs
# headless (and draws a picture of, with no display), and the packaged demo plays with the
# packaged default scripts.
#   check_package.sh BUILD_DIR GAME_DIR
set -euo pipefail
build=$1 game=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$work"/out/tact_*.deb)
# Read whole first: grep -q stopping early would end the writer with SIGPIPE under pipefail.
info=$(dpkg-deb -I "$deb")
grep -q 'Depends:.*libglfw3' <<<"$info" || { echo "no library dependencies declared"; exit 1; }
grep -q 'fonts-dejavu-core' <<<"$info" || { echo "the fallback font is not a dependency"; exit 1; }
grep -q 'libegl-mesa0' <<<"$info" || { echo "EGL for headless drawing is not a dependency"; exit 1; }

dpkg-deb -x "$deb" "$work/root"
help=$("$work/root/usr/bin/tact" --help)
grep -q -- '--headless' <<<"$help"
cp -r "$game" "$work/game"
"$work/root/usr/bin/tact-script" compile "$work/game/Main.gm" "$work/game/Main.gmc"
ALSOFT_DRIVERS=null "$work/root/usr/bin/tact" --headless --ticks 200 "$work/game" >/dev/null 2>"$work/stderr"
[[ -f "$work/game/out.log" ]] || { echo "the packaged tact did not run the game"; cat "$work/stderr"; exit 1; }
# A picture drawn headless, with no display.
env -u DISPLAY ALSOFT_DRIVERS=null "$work/root/usr/bin/tact" --headless --ticks 20 --screenshot "$work/shot.png" \
    "$work/game" >/dev/null 2>"$work/stderr"
head -c 4 "$work/shot.png" | grep -q PNG || { echo "the packaged tact drew no picture"; cat "$work/stderr"; exit 1; }
# The installed demo, started and left to its title screen and attract mode for ten seconds.
ALSOFT_DRIVERS=null "$work/root/usr/bin/tact" --headless --ticks 600 "$work/root/usr/share/tact/demo" \
    >/dev/null 2>"$work/stderr"
if grep -q '^In \|not found' "$work/stderr"; then
    echo "the packaged demo reported errors"
    cat "$work/stderr"
    exit 1
fi
echo "package $(basename "$deb"): dependencies declared, programs run"
