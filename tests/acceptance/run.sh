#!/usr/bin/env bash
# Runs one scenario game through the real engine and compares what it wrote with what it should.
#   run.sh TACT TACT_SCRIPT SCENARIO_DIR compiled|source|archive
# A scenario is a folder of scripts (Main.gm first) and expected.log: the lines the game writes
# with Logger.outputToFile("out.log") before it quits, less the random seed line (or, when it
# writes no log file, what it prints). In compiled mode
# every script is first compiled with tact-script and only the .gmc files are run; in archive mode
# the folder is packed with tact-script pack and the game runs from the archive (named after the
# scenario), with the working directory where the folder was (a scenario with a file "packed" runs
# in this mode too). The standard
# error of the run must hold every line of expected.stderr, when the scenario has one. A scenario's
# run.args adds options to the command line (a headless run with scripted keys: "--headless --input
# input.keys"); a headless run needs no virtual display. Every run keeps the player's data in a
# fresh folder (XDG_DATA_HOME). A scenario's file runs holds how many times it runs, in the same data
# folder (default once): the expected log is then the runs' logs one after the other. A scenario's
# prepare.sh runs first, in the game's folder, with XDG_DATA_HOME set (to lay out the player's data).
# The run must exit with the status in expected.status when the scenario has one (a headless run
# that reports errors exits 1), else 0.
set -euo pipefail
tact=$1 tactScript=$2 scenario=$3 mode=$4

work=$(mktemp -d)
data=$(mktemp -d)
packed=$(mktemp -d)
trap 'rm -rf "$work" "$data" "$packed"' EXIT
cp -r "$scenario"/. "$work"/
cd "$work"
export XDG_DATA_HOME=$data
[[ ! -f prepare.sh ]] || bash prepare.sh
runs=1
[[ ! -f runs ]] || read -r runs <runs

args=(.)
if [[ $mode == compiled ]]; then
    while IFS= read -r -d '' source; do
        "$tactScript" compile "$source" "${source}c"
        rm "$source"
    done < <(find . -name '*.gm' -print0)
elif [[ $mode == archive ]]; then
    archive=$packed/$(basename "$scenario").tact
    "$tactScript" pack . -o "$archive" 2>"$packed/pack.log" || { cat "$packed/pack.log"; exit 1; }
    args=("$archive")
else
    args=(--source .)
fi

# OpenAL Soft's null driver: the same sound device, and so the same log, on every machine.
export ALSOFT_DRIVERS=null
display=(xvfb-run -a)
if [[ -f run.args ]]; then
    read -r -a extra <run.args
    args=("${extra[@]}" "${args[@]}")
    [[ " ${extra[*]} " != *" --headless "* ]] || display=()
fi
expectedStatus=0
[[ ! -f expected.status ]] || read -r expectedStatus <expected.status
: >actual.log
: >stderr.txt
for ((run = 1; run <= runs; run++)); do
    status=0
    rm -f out.log
    timeout 60 "${display[@]}" "$tact" "${args[@]}" >stdout.txt 2>>stderr.txt || status=$?
    if [[ $status -ne $expectedStatus ]]; then
        echo "tact exited with status $status, not $expectedStatus (run $run)"
        cat stderr.txt
        exit 1
    fi
    # What the game wrote to its log file, or else what it printed.
    output=out.log
    [[ -f out.log ]] || output=stdout.txt
    # The data folder is a new one every time: the log names it as $XDG_DATA_HOME.
    grep -v '^Random number generator seed is ' "$output" | sed "s|$data|\$XDG_DATA_HOME|g" >>actual.log || true
done
# TACT_SCENARIO_ACTUAL=FILE keeps what the run wrote, to review and take as the new expected.log.
[[ -z ${TACT_SCENARIO_ACTUAL:-} ]] || cp actual.log "$TACT_SCENARIO_ACTUAL"
if ! diff -u expected.log actual.log; then
    exit 1
fi
if [[ -f expected.stderr ]]; then
    while IFS= read -r line; do
        if ! grep -qxF -- "$line" stderr.txt; then
            echo "standard error lacks: $line"
            cat stderr.txt
            exit 1
        fi
    done <expected.stderr
fi
echo "scenario $(basename "$scenario") ($mode): as expected"
