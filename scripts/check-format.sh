#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what the project's .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: run 'clang-format -i' on the files above" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
