#!/usr/bin/env bash
# tact-script names the file of a compile error: script_tool_compile_error.sh TACT_SCRIPT FILE.gm
# (FILE.gm has a missing semicolon reported on line 3).
set -uo pipefail
tool=$1 script=$2
expected="$script:3: parse error, expecting \`';''"
for command in run compile; do
    if [[ $command == run ]]; then
        output=$("$tool" run "$script" 2>&1)
    else
        output=$("$tool" compile "$script" "$(mktemp -u)" 2>&1)
    fi
    status=$?
    [[ $status -eq 1 ]] || { echo "tact-script $command exited $status"; exit 1; }
    [[ $output == "$expected" ]] || { echo "tact-script $command said: $output"; exit 1; }
done
echo "compile errors name their file"
