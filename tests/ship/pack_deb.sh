#!/usr/bin/env bash
# tact-script pack --deb on the demo: the package names the game after its folder, depends on the
# engine's package, and holds the archive, a launcher, a menu entry and the folder's icon; unpacked
# with dpkg-deb -x, its launcher (pointed at the unpacked archive and the built engine) plays the
# demo's keys with the demo's events. A folder name that makes no package name is refused.
#   pack_deb.sh TACT TACT_SCRIPT DEMO_DIR (the built demo) SOURCE_DIR KEYS_FILE
set -euo pipefail
tact=$(realpath "$1") tactScript=$(realpath "$2") demo=$3 sources=$4 keys=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data ALSOFT_DRIVERS=null

fail() {
    echo "$1"
    exit 1
}

game=$work/Tact_Attack
mkdir -p "$game"
cp "$sources"/*.gm "$demo"/*.wav "$game/"
# A 32 x 32 grey PNG.
python3 - "$game/icon.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + b"\x80" * 32 for _ in range(32))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 0, 0, 0, 0)) + \
      chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
"$tactScript" pack "$game" --deb -o "$work/game.deb" 2>"$work/pack.log" || fail "pack --deb failed: $(cat "$work/pack.log")"
[[ $(dpkg-deb -f "$work/game.deb" Package) == tact-attack ]] || fail "package name: $(dpkg-deb -f "$work/game.deb" Package)"
[[ $(dpkg-deb -f "$work/game.deb" Depends) == tact ]] || fail "dependency: $(dpkg-deb -f "$work/game.deb" Depends)"
[[ $(dpkg-deb -f "$work/game.deb" Architecture) == all ]] || fail "architecture"
dpkg-deb -c "$work/game.deb" >"$work/contents"
! grep -v ' root/root ' "$work/contents" || fail "files not owned by root"
grep -qE '^-rwxr-xr-x .* \./usr/games/tact-attack$' "$work/contents" || fail "no launcher: $(cat "$work/contents")"

root=$work/root
dpkg-deb -x "$work/game.deb" "$root"
[[ -f $root/usr/share/games/tact-attack/tact-attack.tact ]] || fail "no archive in the package"
desktop=$root/usr/share/applications/tact-attack.desktop
grep -qxF "Exec=/usr/games/tact-attack" "$desktop" && grep -qxF "Icon=tact-attack" "$desktop" &&
    grep -qxF "Type=Application" "$desktop" || fail "menu entry: $(cat "$desktop")"
cmp "$game/icon.png" "$root/usr/share/icons/hicolor/32x32/apps/tact-attack.png" || fail "no icon"

timeout 120 "$tact" --headless --ticks 3000 --input "$keys" "$demo" 2>"$work/stderr" | grep '^Demo: ' >"$work/demo-events" ||
    fail "the demo failed: $(cat "$work/stderr")"
rm -rf "$XDG_DATA_HOME"
TACT_PROGRAM=$tact TACT_ROOT=$root timeout 120 "$root/usr/games/tact-attack" --headless --ticks 3000 --input "$keys" \
    >"$work/stdout" 2>"$work/stderr" || fail "the launcher failed: $(cat "$work/stderr")"
grep '^Demo: ' "$work/stdout" >"$work/launched-events" || true
[[ -s $work/demo-events ]] || fail "the demo logged no events"
diff -u "$work/demo-events" "$work/launched-events" || fail "the packaged game played otherwise"
[[ -d $XDG_DATA_HOME/tact/tact-attack ]] || fail "no data folder named after the game"
# Installed, the launcher runs the engine on the path the package puts the archive at.
grep -qF 'exec "${TACT_PROGRAM:-tact}" "${TACT_ROOT}/usr/share/games/tact-attack/tact-attack.tact" "$@"' \
    "$root/usr/games/tact-attack" || fail "launcher: $(cat "$root/usr/games/tact-attack")"
echo "package tact-attack: launcher, menu entry, icon; $(wc -l <"$work/launched-events") events, as the demo's"

rm "$game/icon.png"
"$tactScript" pack "$game" --deb -o "$work/plain.deb" 2>"$work/pack.log" || fail "pack --deb failed: $(cat "$work/pack.log")"
! dpkg-deb -c "$work/plain.deb" | grep -q icons || fail "an icon without icon.png"
mkdir -p "$work/x" "$work/Space Race!"
cp "$game/Main.gm" "$work/x/"
for folder in "$work/x" "$work/Space Race!"; do
    status=0
    (cd "$work" && "$tactScript" pack "$folder" --deb) 2>"$work/pack.log" || status=$?
    [[ $status -eq 1 ]] || fail "the folder '$folder' packed with status $status"
    grep -qF "does not make a package name" "$work/pack.log" || fail "no reason given: $(cat "$work/pack.log")"
done
[[ -z $(find "$work" -maxdepth 1 -name '*.deb*' -not -name game.deb -not -name plain.deb) ]] || fail "a refused pack left a file"
echo "no icon, no icon entry; folder names without a package name refused"
