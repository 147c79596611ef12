#!/usr/bin/env bash
# Runs the script benchmarks in bench/scripts with our `tact-script run` and with Lua 5.4, checks
# that both print the same checksum, and reports per program the median wall time of each, the
# ratio ours/Lua, and the geometric mean of the ratios.
#
# usage: bench/run.sh [-n RUNS] [-l LUA] [TACT_SCRIPT] [PROGRAM...]
#   RUNS         runs per program and language (default 5; the median is reported)
#   LUA          the Lua interpreter (default: lua5.4 on the PATH)
#   TACT_SCRIPT  our tool; default: $TACT_SCRIPT, else build-release/tools/tact-script, build/tools/tact-script
#                (under the repository root), else tact-script on the PATH
#   PROGRAM      benchmark names (file names without extension); default: all of bench/scripts
# Exit status: 0 when every program ran in both languages with matching checksums, 1 otherwise.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
scripts="$here/scripts"

runs=5
lua=lua5.4
while getopts "n:l:h" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    l) lua=$OPTARG ;;
    h) sed -n '2,13p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then echo "run.sh: -n needs a positive number" >&2; exit 2; fi

# The tool: an explicit argument is anything that names an existing file or contains a slash.
tool=""
if [[ $# -gt 0 && ( -f $1 || $1 == */* ) ]]; then
  tool=$1
  shift
elif [[ -n ${TACT_SCRIPT:-} ]]; then
  tool=$TACT_SCRIPT
else
  for candidate in "$root/build-release/tools/tact-script" "$root/build/tools/tact-script"; do
    if [[ -x $candidate ]]; then tool=$candidate; break; fi
  done
  if [[ -z $tool ]]; then tool=$(command -v tact-script || true); fi
fi
if [[ -z $tool || ! -x $tool ]]; then
  echo "run.sh: no tact-script found (give its path as the first argument or set TACT_SCRIPT)" >&2
  exit 2
fi
if ! command -v "$lua" > /dev/null; then
  echo "run.sh: $lua not found (give another interpreter with -l)" >&2
  exit 2
fi

if [[ $# -gt 0 ]]; then
  programs=("$@")
else
  programs=()
  for f in "$scripts"/*.gm; do programs+=("$(basename "$f" .gm)"); done
fi

# Runs "$@" once; sets elapsed (seconds, wall clock) and checksum (the normalised last line that
# contains "checksum", or empty). Returns the command's exit status.
run_once() {
  local out start end status
  out=$(mktemp)
  start=$(date +%s%N)
  "$@" > "$out" 2>&1
  status=$?
  end=$(date +%s%N)
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
  checksum=$(awk '/checksum/ { $1 = $1; line = $0 } END { print line }' "$out")
  if [[ $status -ne 0 ]]; then
    echo "    $(basename "$1") failed (exit $status):" >&2
    tail -n 5 "$out" | sed 's/^/      /' >&2
  fi
  rm -f "$out"
  return $status
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "tact-script: $tool"
echo "lua:         $(command -v "$lua") ($("$lua" -v 2>&1 | head -n 1))"
echo "runs:        $runs per program and language (median shown)"
echo
printf '%-18s %10s %10s %8s  %s\n' program "ours (s)" "lua (s)" ratio checksum
status=0
ratios=()
for name in "${programs[@]}"; do
  gm="$scripts/$name.gm"
  lf="$scripts/$name.lua"
  if [[ ! -f $gm || ! -f $lf ]]; then
    printf '%-18s missing %s.gm or %s.lua\n' "$name" "$name" "$name"
    status=1
    continue
  fi
  ours=() theirs=() ok=1 sum_ours="" sum_lua=""
  for ((i = 0; i < runs; i++)); do
    if run_once "$tool" run "$gm"; then ours+=("$elapsed"); else ok=0; fi
    if [[ -z $sum_ours ]]; then sum_ours=$checksum; elif [[ $checksum != "$sum_ours" ]]; then sum_ours="(varies)"; fi
    if run_once "$lua" "$lf"; then theirs+=("$elapsed"); else ok=0; fi
    if [[ -z $sum_lua ]]; then sum_lua=$checksum; elif [[ $checksum != "$sum_lua" ]]; then sum_lua="(varies)"; fi
    [[ $ok -eq 1 ]] || break
  done
  if [[ $ok -ne 1 ]]; then
    printf '%-18s %s\n' "$name" "FAILED (see above)"
    status=1
    continue
  fi
  m_ours=$(median "${ours[@]}")
  m_lua=$(median "${theirs[@]}")
  ratio=$(awk -v a="$m_ours" -v b="$m_lua" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }')
  if [[ -z $sum_ours || $sum_ours != "$sum_lua" || $sum_ours == "(varies)" ]]; then
    printf '%-18s %10s %10s %8s  MISMATCH: ours "%s", lua "%s"\n' "$name" "$m_ours" "$m_lua" "$ratio" "$sum_ours" "$sum_lua"
    status=1
    continue
  fi
  printf '%-18s %10s %10s %8s  %s\n' "$name" "$m_ours" "$m_lua" "$ratio" "${sum_ours#checksum }"
  ratios+=("$ratio")
done

if [[ ${#ratios[@]} -gt 0 ]]; then
  geo=$(printf '%s\n' "${ratios[@]}" | awk '$1 > 0 { s += log($1); n++ } END { if (n) printf "%.2f", exp(s / n) }')
  echo
  echo "geometric mean of ours/lua over ${#ratios[@]} programs: $geo"
fi
exit $status
