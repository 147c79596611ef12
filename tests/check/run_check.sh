#!/usr/bin/env bash
# Runs `tact-script check` (with the options given after the folder) inside a game folder and
# compares its report with EXPECTED ("-": the report must be empty) and its exit status with
# STATUS.
#   run_check.sh TACT_SCRIPT FOLDER EXPECTED STATUS [OPTION...]
set -uo pipefail
tactScript=$(realpath "$1") folder=$2 expected=$3 status=$4
shift 4
[ "$expected" = - ] || expected=$(realpath "$expected")
report=$(cd "$folder" && "$tactScript" check "$@")
actual=$?
if [ "$expected" = - ]; then
    diff -u /dev/null <(printf '%s' "$report") || { echo "$folder: the checker raised a false alarm"; exit 1; }
else
    diff -u "$expected" <(printf '%s\n' "$report") || { echo "$folder: the report differs from $expected"; exit 1; }
fi
[ "$actual" -eq "$status" ] || { echo "$folder: exit status $actual, expected $status"; exit 1; }
