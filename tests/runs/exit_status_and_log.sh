#!/usr/bin/env bash
# The exit status of runs and the --log option, through the real program:
#   exit_status_and_log.sh TACT
# - a clean headless run exits 0; one with a script error exits 1, its last standard-error line
#   counting the errors; a compile error names its file and line, and each syntax error of a
#   file is reported and counted; a windowed run with a script error goes on and exits 0;
# - --log FILE (relative to the folder tact was started in) holds the engine's log while the game
#   still runs, and a log file that cannot be written is an error naming it, with a non-zero exit.
set -euo pipefail
tact=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ALSOFT_DRIVERS=null
fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/clean" "$work/broken" "$work/logs"
cat >"$work/clean/Main.gm" <<'GAME'
global Main = function(process) {
    return {
        update = function(ms) {
            if (GameSystem.getCurrentTick() == 3) { Logger.logText("tick three reached"); }
        },
    };
};
GAME
cat >"$work/broken/Main.gm" <<'GAME'
global Main = function(process) {
    return {
        update = function(ms) {
            if (GameSystem.getCurrentTick() == 2) { x = null; y = x.missing; }
        },
    };
};
GAME

status=0
"$tact" --headless --source --ticks 10 "$work/clean" >/dev/null 2>"$work/err.txt" || status=$?
[[ $status -eq 0 ]] || fail "a clean headless run exited $status: $(cat "$work/err.txt")"

status=0
"$tact" --headless --source --ticks 10 "$work/broken" >/dev/null 2>"$work/err.txt" || status=$?
[[ $status -eq 1 ]] || fail "a headless run with a script error exited $status"
[[ $(tail -n 1 "$work/err.txt") == "tact: 1 error reported during the run" ]] ||
    fail "the last line of standard error does not count the errors: $(tail -n 1 "$work/err.txt")"

# A compile error names the file and line, and counts as an error of the run; every syntax error
# of the file is reported and counted.
mkdir "$work/unparsable"
printf 'global Main = function(process) {\n    x = 1\n};\n' >"$work/unparsable/Main.gm"
status=0
"$tact" --headless --source --ticks 5 "$work/unparsable" >/dev/null 2>"$work/err.txt" || status=$?
[[ $status -eq 1 ]] || fail "a headless run with a compile error exited $status"
grep -qF "Main.gm:3: parse error" "$work/err.txt" || fail "the compile error does not name its file: $(cat "$work/err.txt")"
printf 'global Main = function(process) {\n    x = 1 +;\n    return {\n        update = function(ms) { y = (2; },\n    };\n};\n' \
    >"$work/unparsable/Main.gm"
status=0
"$tact" --headless --source --ticks 5 "$work/unparsable" >/dev/null 2>"$work/err.txt" || status=$?
[[ $status -eq 1 ]] || fail "a headless run with two compile errors exited $status"
grep -qF "Main.gm:2: parse error" "$work/err.txt" || fail "the first compile error is missing: $(cat "$work/err.txt")"
grep -qF "Main.gm:4: parse error, expecting \`')''" "$work/err.txt" ||
    fail "the second compile error is missing: $(cat "$work/err.txt")"
[[ $(grep -c "parse error" "$work/err.txt") -eq 2 ]] || fail "not two compile errors: $(cat "$work/err.txt")"
[[ $(tail -n 1 "$work/err.txt") == "tact: 2 errors reported during the run" ]] ||
    fail "the compile errors are not counted one by one: $(tail -n 1 "$work/err.txt")"

if command -v xvfb-run >/dev/null; then
    status=0
    xvfb-run -a "$tact" --source --ticks 10 "$work/broken" >/dev/null 2>"$work/err.txt" || status=$?
    [[ $status -eq 0 ]] || fail "a windowed run with a script error exited $status"
    grep -qF "getdot failed." "$work/err.txt" || fail "the windowed run did not report its error"
fi

# The log file grows while the game runs: a run that never ends is looked at and then stopped.
cd "$work/logs"
"$tact" --headless --source "$work/clean" --log relative.log >/dev/null 2>&1 &
running=$!
for _ in $(seq 100); do
    grep -qF "tick three reached" relative.log 2>/dev/null && break
    sleep 0.1
done
kill "$running"
wait "$running" || true
grep -qF "tick three reached" relative.log || fail "--log did not write the log as it grew"
grep -qF "Headless run: virtual clock" relative.log || fail "--log lacks the lines from the start"

status=0
"$tact" --headless --source --ticks 5 --log "$work/no/such/folder/x.log" "$work/clean" >/dev/null \
    2>"$work/err.txt" || status=$?
[[ $status -ne 0 ]] || fail "an unwritable log file did not fail the run"
grep -qF "$work/no/such/folder/x.log" "$work/err.txt" || fail "the log file error does not name the file"
echo "exit statuses and --log: as expected"
